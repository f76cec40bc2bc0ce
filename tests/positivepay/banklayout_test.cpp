// Bank file layouts: the standard layout writes the original file byte for byte, each built-in
// layout writes what its bank guide shows, values that do not fit are refused by name, and the
// layouts survive their file.
#include <gtest/gtest.h>

#include <random>

#include "common/date.h"
#include "positivepay/banklayout.h"
#include "positivepay/layoutsettings.h"
#include "positivepay/layoutwriter.h"
#include "positivepay/positivepayfile.h"
#include "support/fault_sweep.h"
#include "support/temp_folder.h"

namespace volarin {
namespace {

Date Ymd(int y, int m, int d) {
  return Date::FromYmd(y, m, d).value();
}

class BankLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = ShortDateFormat();
    SetShortDateFormat("MM/DD/YYYY");
  }
  void TearDown() override { SetShortDateFormat(previous_); }

  static LayoutCheck Check(int64_t number, double amount, const std::string& status,
                           const std::string& payee, Date issued = Ymd(2005, 3, 15)) {
    LayoutCheck check;
    check.bankAccount = "123456789";
    check.bankNumber = "021000021";
    check.checkNumber = number;
    check.issueDate = issued;
    check.amount = Money::FromDouble(amount);
    check.statusCode = status;
    check.payee = payee;
    return check;
  }
  // The worked example: two issued checks and a void.
  static std::vector<LayoutCheck> WorkedExample() {
    return {Check(1001, 1250.5, "00", "ACME SUPPLY CO", Ymd(2005, 3, 14)),
            Check(1002, 300, "00", "NORTH GARAGE"), Check(1003, 75.25, "02", "CITY WATER DEPT")};
  }
  static LayoutFileFacts Facts() { return {Ymd(2005, 3, 15), "123456789", "021000021"}; }

  // The whole file the layout writes for the checks.
  static std::string File(const BankLayout& layout, const std::vector<LayoutCheck>& checks) {
    LayoutWriter writer(layout, Facts());
    std::string details;
    for (const LayoutCheck& check : checks) details += writer.Detail(check);
    return writer.ColumnNames() + writer.Header() + details + writer.Trailer();
  }
  static const BankLayout& BuiltIn(size_t i) { return BuiltInLayouts().at(i); }

 private:
  std::string previous_;
};

TEST_F(BankLayoutTest, TheStandardLayoutWritesTheOriginalFileByteForByte) {
  EXPECT_EQ(File(StandardLayout(), WorkedExample()),
            "03/15/2005,1001,\"ACME SUPPLY CO\",1250.5\r\n"
            "03/15/2005,1002,\"NORTH GARAGE\",300.00\r\n"
            "03/15/2005,1003,\"CITY WATER DEPT\",-75.25\r\n"
            "2,1475.25\r\n");
  EXPECT_EQ(LayoutWriter(StandardLayout(), Facts()).FileName(), "20050315_123456789.txt");

  // Against the original writer on many checks: odd amounts, every status, payees with commas
  // and quotes, ten-digit check numbers.
  std::mt19937 random(2005);
  const std::vector<std::string> statuses = {"00", "02", "03", ""};
  const std::vector<std::string> payees = {"A, B & \"C\" CO", "", "X", "LONG NAME OF A PAYEE"};
  PositivePayText original("03/15/2005");
  LayoutWriter writer(StandardLayout(), Facts());
  std::string written;
  for (int i = 0; i < 2000; ++i) {
    PositivePayCheck check;
    check.checkNumber = static_cast<int64_t>(random() % 10000000000ull);
    check.amount = Money::FromCents(static_cast<int64_t>(random() % 2000000) - 1000000);
    check.statusCode = statuses[random() % statuses.size()];
    check.payee = payees[random() % payees.size()];
    original.Add(check);
    LayoutCheck same = Check(check.checkNumber, 0, check.statusCode, check.payee);
    same.amount = check.amount;
    written += writer.Detail(same);
  }
  EXPECT_EQ(written + writer.Trailer(), original.TakeLines() + original.Trailer());
}

TEST_F(BankLayoutTest, EachBuiltInLayoutWritesTheWorkedExample) {
  EXPECT_EQ(File(BuiltIn(1), WorkedExample()),
            "I,123456789,1001,031405,1250.50,ACME SUPPLY CO\r\n"
            "I,123456789,1002,031505,300.00,NORTH GARAGE\r\n"
            "V,123456789,1003,031505,75.25,CITY WATER DEPT\r\n");

  const std::string fixed100 = File(BuiltIn(2), WorkedExample());
  const auto line100 = [](const std::string& front, const std::string& payee) {
    return front + payee + std::string(54 - payee.size(), ' ') + "\r\n";
  };
  EXPECT_EQ(fixed100, line100("000123456789   0000001001000000125050"
                              "20050314 ",
                              "ACME SUPPLY CO") +
                          line100("000123456789   0000001002000000030000"
                                  "20050315 ",
                                  "NORTH GARAGE") +
                          line100("0001234567892  0000001003000000007525"
                                  "20050315 ",
                                  "CITY WATER DEPT"));

  const auto line80 = [](const std::string& text) {
    return text + std::string(80 - text.size(), ' ') + "\r\n";
  };
  EXPECT_EQ(File(BuiltIn(3), WorkedExample()), line80("H00012345678903152005") +
                                                   line80("D000123456789000000100103142005"
                                                          "0000125050IACME SUPPLY CO") +
                                                   line80("D000123456789000000100203152005"
                                                          "0000030000INORTH GARAGE") +
                                                   line80("D000123456789000000100303152005"
                                                          "0000007525VCITY WATER DEPT") +
                                                   line80("T000123456789000003000000162575"));
}

TEST_F(BankLayoutTest, EdgeValuesInEachLayout) {
  struct Case {
    size_t layout;
    LayoutCheck check;
    std::string record;
  };
  const std::string payee = "SMITH, \"JR\" & SONS";
  const std::vector<Case> cases = {
      // A payee with the delimiter and a quote.
      {0, Check(7, 10, "00", payee), "03/15/2005,7,\"SMITH, \"JR\" & SONS\",10.00\r\n"},
      {1, Check(7, 10, "00", payee), "I,123456789,7,031505,10.00,\"SMITH, \"\"JR\"\" & SONS\"\r\n"},
      // A ten-digit check number, a zero and a negative amount, a stop payment as a void.
      {0, Check(9876543210, 0, "00", "Z"), "03/15/2005,9876543210,\"Z\",0.00\r\n"},
      {1, Check(9876543210, 0, "03", "Z"), "V,123456789,9876543210,031505,0.00,Z\r\n"},
      {1, Check(12, -5, "00", "Z"), "I,123456789,12,031505,-5.00,Z\r\n"},
      {0, Check(12, -5, "02", "Z"), "03/15/2005,12,\"Z\",--5.00\r\n"},
      // The largest amount of the register's field, zero-filled after its sign.
      {2, Check(9876543210, 999999999.99, "00", "Z"),
       "000123456789   9876543210099999999999"
       "20050315 Z" +
           std::string(53, ' ') + "\r\n"},
      {2, Check(1, -5, "00", "Z"),
       "000123456789   0000000001-00000000500"
       "20050315 Z" +
           std::string(53, ' ') + "\r\n"},
      // A payee with line breaks stays on one line; one over the limit is cut.
      {1, Check(8, 1, "00", "A\r\nB"), "I,123456789,8,031505,1.00,A  B\r\n"},
      {1, Check(8, 1, "00", std::string(45, 'P')),
       "I,123456789,8,031505,1.00," + std::string(40, 'P') + "\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(BuiltIn(c.layout).name + " check " + std::to_string(c.check.checkNumber));
    LayoutWriter writer(BuiltIn(c.layout), Facts());
    EXPECT_EQ(writer.Detail(c.check), c.record);
  }
}

TEST_F(BankLayoutTest, ValuesThatDoNotFitAreRefusedNamingTheCheckAndTheField) {
  // The 80-character layout has ten positions for the amount in cents.
  LayoutWriter fixed80(BuiltIn(3), Facts());
  try {
    fixed80.Detail(Check(4711, 999999999.99, "00", "Z"));
    FAIL() << "an amount too wide was written";
  } catch (const LayoutRefusal& refusal) {
    EXPECT_STREQ(refusal.what(),
                 "Check 4711: the Amount 99999999999 does not fit the 10 positions of its field");
  }
  BankLayout narrow = BuiltIn(2);
  narrow.name = "Six-digit checks";
  narrow.detail[3].length = 6;
  narrow.detail[3].start = 16;
  LayoutWriter writer(narrow, Facts());
  EXPECT_THROW(
      {
        try {
          writer.Detail(Check(1234567, 1, "00", "Z"));
        } catch (const LayoutRefusal& refusal) {
          EXPECT_STREQ(refusal.what(),
                       "Check 1234567: the CheckNumber 1234567 does not fit the 6 positions of "
                       "its field");
          throw;
        }
      },
      LayoutRefusal);
  EXPECT_NO_THROW(writer.Detail(Check(123456, 1, "00", "Z")));

  // A layout that is not whole is refused before anything is written.
  BankLayout overlapping = BuiltIn(2);
  overlapping.detail[1].start = 12;
  EXPECT_EQ(LayoutProblem(overlapping),
            "The field Code in the detail record overlaps another field");
  EXPECT_THROW(LayoutWriter(overlapping, Facts()), LayoutRefusal);
  BankLayout tooLong = BuiltIn(3);
  tooLong.detail.back().length = 39;
  EXPECT_EQ(LayoutProblem(tooLong), "The field Payee in the detail record ends after position 80");
  for (const BankLayout& layout : BuiltInLayouts()) EXPECT_EQ(LayoutProblem(layout), "");
}

TEST_F(BankLayoutTest, LayoutsAndChoicesSurviveTheirFile) {
  LayoutSettings settings;
  for (size_t i = 0; i < BuiltInLayouts().size(); ++i) {
    BankLayout copy = BuiltIn(i);
    copy.name = "Copy of " + copy.name;
    settings.layouts.push_back(copy);
  }
  BankLayout odd = BuiltIn(1);
  odd.name = "Tabbed \"odd\" one";
  odd.delimiter = '\t';
  odd.columnNames = true;
  odd.lineEnding = "\n";
  odd.issueCode = " ";
  odd.voidCode = "";
  odd.detail.push_back(LayoutField{FieldKind::Constant, 0, 0, false, false, "a;\"b\""});
  settings.layouts.push_back(odd);
  settings.accountLayouts["123456789"] = odd.name;
  settings.accountLayouts["555"] = BuiltIn(3).name;

  const std::string text = LayoutSettingsText(settings);
  const LayoutSettings read = ParseLayoutSettings(text, "PPLAYOUT.INI");
  EXPECT_EQ(read, settings) << text;
  EXPECT_EQ(read.LayoutFor("123456789 ").name, odd.name);
  EXPECT_EQ(read.LayoutFor("555").name, BuiltIn(3).name);
  EXPECT_EQ(read.LayoutFor("999").name, kStandardLayoutName);

  settings.accountLayouts["777"] = "Gone";
  EXPECT_THROW(settings.LayoutFor("777"), LayoutRefusal);
}

TEST_F(BankLayoutTest, AFaultyLayoutFileIsRefusedWithItsLine) {
  struct Case {
    std::string text;
    std::string message;
  };
  const std::string head = "[Layout]\nName=A\n";
  const std::vector<Case> cases = {
      {"Name=A\n", "F line 1: a setting (Name=Value) under [Layout] or [Accounts] expected"},
      {head + "Kind=Round\nDetail=Amount\n", "F line 3: \"Round\" is not one of the choices"},
      {head + "Detail=Amont\n", "F line 3: unknown field \"Amont\""},
      {head + "Detail=Amount @x+3\n", "F line 3: the start position must be a whole number"},
      {head + "Detail=Constant \"D\n", "F line 3: a text has no closing quote"},
      {head + "Colour=Red\n", "F line 3: unknown setting \"Colour\""},
      {head + "Delimiter=ab\nDetail=Amount\n", "F line 3: a delimiter is one character or Tab"},
      {head + "FileName=x.txt\nDetail=Amount\n",
       "F line 4: the layout \"A\": The file name pattern must hold {date}, so each day's file "
       "has its own name"},
      {"[Layout]\nName=\"" + std::string(kStandardLayoutName) + "\"\nDetail=Amount\n",
       "F line 3: " + std::string(kStandardLayoutName) + " is the name of a built-in layout"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      ParseLayoutSettings(c.text, "F");
      ADD_FAILURE() << "accepted";
    } catch (const LayoutRefusal& refusal) {
      EXPECT_EQ(refusal.what(), c.message);
    }
  }
}

// The layout file is replaced whole or not at all: a failure at any of its write points keeps
// the earlier layouts.
TEST(LayoutFile, AFailedWriteKeepsTheEarlierLayouts) {
  testing::TempFolder dir;
  LayoutSettings earlier;
  earlier.accountLayouts["1"] = BuiltInLayouts()[2].name;
  WriteLayoutSettings(dir.Path(), earlier);
  LayoutSettings later = earlier;
  later.accountLayouts["2"] = BuiltInLayouts()[3].name;
  const auto write = [&] { WriteLayoutSettings(dir.Path(), later); };
  const size_t points = testing::WritePoints(write).size();
  ASSERT_GE(points, 3u);
  for (int n = 1; n <= static_cast<int>(points); ++n) {
    WriteLayoutSettings(dir.Path(), earlier);
    const auto message = testing::FailAt(n, platform::faults::Fault::kShortWrite, write);
    EXPECT_TRUE(message) << "point " << n;
    const LayoutSettings now = ReadLayoutSettings(dir.Path());
    EXPECT_TRUE(now == earlier || now == later) << "point " << n;
  }
}

}  // namespace
}  // namespace volarin
