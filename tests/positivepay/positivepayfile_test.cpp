#include "positivepay/positivepayfile.h"

#include <gtest/gtest.h>

#include <limits>

namespace volarin {
namespace {

PositivePayCheck Check(int64_t number, double amount, std::string status, std::string payee) {
  PositivePayCheck check;
  check.checkNumber = number;
  check.amount = Money::FromDouble(amount);
  check.statusCode = std::move(status);
  check.payee = std::move(payee);
  return check;
}

TEST(AmountText, GeneralFormCutToTwoDecimals) {
  struct Case {
    double amount;
    const char* text;
  } cases[] = {{1250.5, "1250.5"},
               {300, "300.00"},
               {75.25, "75.25"},
               {12.5, "12.5"},
               {12.349, "12.34"},
               {12.345, "12.34"},
               {0.07, "0.07"},
               {0, "0.00"},
               {-5, "-5.00"},
               {-12.349, "-12.34"},
               {9999999999.99, "9999999999.99"},
               {0.1 + 0.2, "0.3"}};
  for (const Case& c : cases) EXPECT_EQ(AmountText(c.amount), c.text) << c.amount;
}

TEST(PositivePayText, TheWorkedExample) {
  PositivePayText text("03/15/2005");
  text.Add(Check(1001, 1250.5, "00", "ACME SUPPLY CO"));
  text.Add(Check(1002, 300, "00", "NORTH GARAGE"));
  text.Add(Check(1003, 75.25, "02", "CITY WATER DEPT"));
  EXPECT_EQ(text.TakeLines() + text.Trailer(),
            "03/15/2005,1001,\"ACME SUPPLY CO\",1250.5\r\n"
            "03/15/2005,1002,\"NORTH GARAGE\",300.00\r\n"
            "03/15/2005,1003,\"CITY WATER DEPT\",-75.25\r\n"
            "2,1475.25\r\n");
}

TEST(PositivePayText, ControlCharactersInThePayeeBecomeBlanksSoEachCheckIsOneLine) {
  struct Case {
    std::string payee, written;
  } cases[] = {{"ACME\r\nSUPPLY", "ACME  SUPPLY"},
               {"NORTH\nGARAGE", "NORTH GARAGE"},
               {"CITY\rWATER", "CITY WATER"},
               {"A\tB\x01"
                "C\x1F"
                "D",
                "A B C D"},
               {"CAF\xC9 \"Q\", X", "CAF\xC9 \"Q\", X"},  // high bytes, quotes, commas stay
               // Longer payees: a control in the first eight bytes, in a later eight, in the
               // bytes after the last whole eight; bytes beside them (DEL, 0xFF, 0xA0) stay.
               {"\x1F"
                "BCDEFGHIJKLMNOPQR",
                " BCDEFGHIJKLMNOPQR"},
               {"ABCDEFGHIJ\nLMNOPQ\x7F\xFF\xA0", "ABCDEFGHIJ LMNOPQ\x7F\xFF\xA0"},
               {"\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x01", "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF "},
               {std::string("NUL\0BYTES PAYEE", 15), "NUL BYTES PAYEE"}};
  for (const Case& c : cases) {
    PositivePayText text("03/15/2005");
    text.Add(Check(1001, 5, "00", c.payee));
    EXPECT_EQ(text.TakeLines(), "03/15/2005,1001,\"" + c.written + "\",5.00\r\n") << c.written;
  }
}

// The longest texts a line can hold are written whole, a line after a line.
TEST(PositivePayText, TheLongestNumbersAndPayeesStayWhole) {
  const std::string payee(60, 'W');
  PositivePayText text("03/15/2005");
  text.Add(Check(std::numeric_limits<int64_t>::min(), 9999999999.99, "02", payee));
  text.Add(Check(std::numeric_limits<int64_t>::max(), 0.01, "00", ""));
  EXPECT_EQ(text.TakeLines(), "03/15/2005,-9223372036854775808,\"" + payee +
                                  "\",-9999999999.99\r\n"
                                  "03/15/2005,9223372036854775807,\"\",0.01\r\n");
}

TEST(PositivePayText, StatusRuleAndTrailerRounding) {
  PositivePayText text("01/02/2024");
  text.Add(Check(1, 12.349, "00", "A"));
  text.Add(Check(2, 10, "03", "Stop, \"Payment\""));  // stop payment: negative, not counted
  text.Add(Check(3, 1, "", "Blank code"));            // anything but "00" counts as not issued
  text.Add(Check(4294967296LL, 5, "00", "Big"));      // check numbers beyond 32 bits stay whole
  EXPECT_EQ(text.TakeLines(),
            "01/02/2024,1,\"A\",12.34\r\n"
            "01/02/2024,2,\"Stop, \"Payment\"\",-10.00\r\n"
            "01/02/2024,3,\"Blank code\",-1.00\r\n"
            "01/02/2024,4294967296,\"Big\",5.00\r\n");
  // 12.349 - 10 - 1 + 5 = 6.349: the trailer rounds while the lines cut.
  EXPECT_EQ(text.Trailer(), "2,6.35\r\n");
}

TEST(PositivePayText, EmptyRegisterGivesOnlyTheTrailer) {
  PositivePayText text("01/02/2024");
  EXPECT_EQ(text.TakeLines(), "");
  EXPECT_EQ(text.Trailer(), "0,0.00\r\n");
  EXPECT_EQ(PositivePayFileName("20240102", ""), "20240102_.txt");
}

TEST(PositivePayText, NegativeNetTotal) {
  PositivePayText text("01/02/2024");
  text.Add(Check(7, 20.5, "02", "V"));
  EXPECT_EQ(text.Trailer(), "0,-20.50\r\n");
}

}  // namespace
}  // namespace volarin
