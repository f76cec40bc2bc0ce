// dBASE expressions: parse once, evaluate on record images; results, types and key lengths.
#include "dbf/expression.h"

#include <gtest/gtest.h>

#include "dbf/errors.h"

namespace volarin::dbf {
namespace {

RecordLayout CheckLayout() {
  return RecordLayout({{"ACCOUNTNR", 'C', 15, 0, 0},
                       {"CHECKNO", 'N', 10, 0, 0},
                       {"DATE", 'D', 8, 0, 0},
                       {"NAME", 'C', 12, 0, 0},
                       {"AMOUNT", 'N', 12, 2, 0},
                       {"PAID", 'L', 1, 0, 0},
                       {"NOTES", 'M', 10, 0, 0}});
}

// One record: 100200300 / 1001 / 2024-03-15 / Smith / 1250.50 / T.
std::string CheckRecord(const RecordLayout& layout, const std::string& name = "Smith",
                        const std::string& checkno = "      1001") {
  std::string r = layout.BlankRecord();
  auto put = [&](int field, const std::string& text) {
    r.replace(static_cast<size_t>(layout.Field(field).offset), text.size(), text);
  };
  put(0, "100200300");
  put(1, checkno);
  put(2, "20240315");
  put(3, name);
  put(4, "     1250.50");
  put(5, "T");
  return r;
}

class ExpressionTest : public ::testing::Test {
 protected:
  std::unique_ptr<Expression> Parse(const std::string& text, ExpressionOptions options = {}) {
    ParseResult parsed = Expression::Parse(text, layout_, options);
    EXPECT_TRUE(parsed) << text << ": " << parsed.error;
    return std::move(parsed.expression);
  }
  RecordView View() const { return RecordView{&layout_, record_, 7}; }
  RecordLayout layout_ = CheckLayout();
  std::string record_ = CheckRecord(layout_);
};

TEST_F(ExpressionTest, CharacterResultsAndKeyLengths) {
  struct Case {
    const char* text;
    const char* result;
    int keyLength;
  };
  const Case cases[] = {
      {"NAME", "Smith       ", 12},
      {"UPPER(NAME)", "SMITH       ", 12},
      {"lower(NAME)", "smith       ", 12},
      {"ACCOUNTNR + STR(CHECKNO,10)", "100200300            1001", 25},
      {"STR(CHECKNO)", "      1001", 10},
      {"DTOS(DATE)", "20240315", 8},
      {"SUBSTR(NAME,1,3)", "Smi", 3},
      {"SUBS(NAME,2)", "mith       ", 11},
      {"LEFT(NAME,4) + DTOS(DATE)", "Smit20240315", 12},
      {"RIGHT(ACCOUNTNR,8)", "00      ", 8},
      {"TRIM(NAME) + \"X\"", "SmithX", 1},
      {"ALLTRIM(\"  ab  \")", "ab", 2},
      {"LTRIM(\"  ab  \")", "ab  ", 4},
      {"\"AB  \" + \"CD\"", "AB  CD", 6},
      {"\"AB  \" - \"CD\"", "ABCD  ", 6},
      {"IIF(PAID, \"Y\", \"N\")", "Y", 1},
      {"DTOC(DATE)", "03/15/24", 8},
      {"DTOS(CTOD(\"03/15/2024\"))", "20240315", 8},
      {"DTOS(DATE + 17)", "20240401", 8},
      {"A->NAME", "Smith       ", 12},
      {"[br]+'ck'", "brck", 4},
      {"SPACE(3)", "   ", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto e = Parse(c.text);
    if (!e) continue;
    EXPECT_EQ(e->Type(), 'C');
    EXPECT_EQ(e->Text(View()), c.result);
    EXPECT_EQ(e->Length(), c.keyLength);
  }
}

TEST_F(ExpressionTest, StrFollowsTheDbaseRules) {
  struct Case {
    const char* text;
    const char* result;
  };
  const Case cases[] = {
      {"STR(1001,10)", "      1001"},   {"STR(17,10)", "        17"},
      {"STR(1234)", "      1234"},      {"STR(-5,4)", "  -5"},
      {"STR(1250.5,8,2)", " 1250.50"},  {"STR(1250.456,7,2)", "1250.46"},
      {"STR(3.14159,6,3)", " 3.142"},   {"STR(0.5)", "         1"},
      {"STR(123456,4)", "****"},        {"STR(12345678901)", "**********"},
      {"STR(1234.5678,6,3)", "1234.6"}, {"STR(-0.001,5,2)", " 0.00"},
      {"STR(1/0,4)", "****"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto e = Parse(c.text);
    if (e) {
      EXPECT_EQ(e->Text(View()), c.result);
    }
  }
}

TEST_F(ExpressionTest, NumbersAndDates) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"CHECKNO", 1001},     {"CHECKNO + 1", 1002},
      {"AMOUNT * 2", 2501},  {"1 + 2 * 3", 7},
      {"(1 + 2) * 3", 9},    {"2 ** 3", 8},
      {"-2 ^ 2", 4},         {"7 % 3", 1},
      {"-CHECKNO", -1001},   {"VAL(\"12ab\")", 12},
      {"VAL(\"abc\")", 0},   {"VAL(\" -3.5\")", -3.5},
      {"RECNO()", 7},        {"DATE - CTOD(\"03/01/2024\")", 14},
      {"LEN(NAME)", 12},     {"INT(-3.7)", -3},
      {"ABS(-2.5)", 2.5},    {"ROUND(1250.456, 2)", 1250.46},
      {"YEAR(DATE)", 2024},  {"MONTH(DATE)", 3},
      {"DAY(DATE)", 15},     {"AT(\"mi\", NAME)", 2},
      {"IIF(.F., 1, 2)", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto e = Parse(c.text);
    if (!e) continue;
    EXPECT_EQ(e->Type(), 'N');
    EXPECT_DOUBLE_EQ(e->Number(View()), c.value);
  }
  auto date = Parse("DATE + 1");
  EXPECT_EQ(date->Type(), 'D');
  EXPECT_EQ(date->DateValue(View()), *Date::FromYmd(2024, 3, 16));
  EXPECT_EQ(date->Text(View()), "20240316");
  EXPECT_EQ(date->Length(), 8);
  // Numeric text keeps a bare field's layout.
  EXPECT_EQ(Parse("AMOUNT")->Text(View()), "     1250.50");
  EXPECT_EQ(Parse("CHECKNO")->Length(), 10);
}

TEST_F(ExpressionTest, ConditionsAndDbaseStringComparison) {
  struct Case {
    const char* text;
    bool value;
  };
  const Case cases[] = {
      {"checkno>=1000", true},
      {"checkno>=1002", false},
      {"CHECKNO = 1001", true},
      {"NAME = \"Smi\"", true},  // the right side is a prefix (EXACT off)
      {"NAME = \"Smith\"", true},
      {"\"ab\" = \"abc\"", false},
      {"\"abc\" = \"ab\"", true},
      {"\"ab \" = \"ab\"", true},
      {"\"ab\" = \"ab \"", false},
      {"\"ab\" = \"\"", true},
      {"\"\" = \"ab\"", false},
      {"\"ab\" == \"ab \"", false},
      {"\"abc\" == \"abc\"", true},
      {"\"B\" $ \"ABC\"", true},
      {"\"X\" $ \"ABC\"", false},
      {"\"a\" < \"b\"", true},
      {"\"abc\" < \"ab\"", false},
      {"\"ab\" < \"abc\"", true},
      {".F. < .T.", true},
      {".NOT. PAID", false},
      {"!PAID", false},
      {"PAID .AND. CHECKNO > 5", true},
      {".F. .OR. .T.", true},
      {"checkno > 1000 .and. checkno < 1002", true},
      {"CHECKNO >= 1000 AND PAID", true},
      {"NOT PAID OR .Y.", true},
      {"NAME <> \"Jones\"", true},
      {"NAME # \"Smith\"", false},
      {"NAME != \"Smith\"", false},
      {"DATE > CTOD(\"01/01/2024\")", true},
      {"DATE = {03/15/2024}", true},
      {"DATE = {03/15/24}", false},  // two-digit years are 19xx
      {"UPPER(NAME) = \"SMITH\"", true},
      {"SUBS(NAME,1,2) = \"Sm\"", true},
      {"DELETED()", false},
      {".NOT. DELETED() .AND. CHECKNO > 1", true},
      {"1/0 > 5", true},
      {"0/0 = 0/0", false},  // not a number equals nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto e = Parse(c.text);
    if (!e) continue;
    EXPECT_TRUE(e->IsLogical());
    EXPECT_EQ(e->IsTrue(View()), c.value);
  }
  ExpressionOptions exact;
  exact.exact = true;
  EXPECT_TRUE(Parse("\"ab\" = \"ab \"", exact)->IsTrue(View()));
  EXPECT_FALSE(Parse("\"abc\" = \"ab\"", exact)->IsTrue(View()));
}

TEST_F(ExpressionTest, ParseErrorsAreResultsWithAReason) {
  const char* bad[] = {
      "checkno>=",
      "checkno>=abc",
      "checkno>=\"1000\"",
      "",
      "   ",
      "(checkno",
      "checkno)",
      "UPPER(checkno)",
      "STR()",
      "nosuch(1)",
      "NAME + 1",
      ".AND.",
      "\"abc",
      "{13/45/2024}",
      "SUBSTR(NAME)",
      "IIF(PAID, 1, 'x')",
      "NOTES",
      "PAID .AND. 1",
      "DATE + DATE",
      "CHECKNO $ NAME",
      "checkno >= 1 2",
      "--",
      "A->",
      "UPPER(NAME",
  };
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    ParseResult parsed = Expression::Parse(text, layout_);
    EXPECT_FALSE(parsed);
    EXPECT_FALSE(parsed.error.empty());
    EXPECT_GE(parsed.errorPosition, 1);
  }
  EXPECT_THROW(Expression::ParseOrThrow("checkno>=", layout_), ExpressionError);
  // Deep nesting is refused, not a stack overflow.
  EXPECT_FALSE(Expression::Parse(std::string(100000, '('), layout_));
  EXPECT_FALSE(Expression::Parse(std::string(100000, '-') + "1", layout_));
}

TEST_F(ExpressionTest, NonLogicalExpressionCannotBeAFilter) {
  auto e = Parse("checkno");
  ASSERT_TRUE(e);
  EXPECT_FALSE(e->IsLogical());
  EXPECT_THROW(e->IsTrue(View()), ExpressionError);
  EXPECT_THROW(Parse("NAME")->Number(View()), ExpressionError);
}

TEST_F(ExpressionTest, EvaluatesAnyRecordImageOfTheLayout) {
  auto key = Parse("UPPER(NAME) + STR(CHECKNO,10)");
  const std::string before = CheckRecord(layout_, "adams", "         5");
  const std::string after = CheckRecord(layout_, "Jones", "      1250");
  EXPECT_EQ(key->Text(RecordView{&layout_, before, 2}), "ADAMS" + std::string(16, ' ') + "5");
  EXPECT_EQ(key->Text(RecordView{&layout_, after, 2}), "JONES" + std::string(13, ' ') + "1250");
  std::string deleted = after;
  deleted[0] = '*';
  EXPECT_TRUE(Parse("DELETED()")->IsTrue(RecordView{&layout_, deleted, 2}));
  // A blank record: the image a key length is measured on.
  const std::string blank = layout_.BlankRecord();
  EXPECT_EQ(key->Text(RecordView{&layout_, blank, 0}), std::string(12, ' ') + "         0");
  EXPECT_EQ(Parse("DTOS(DATE)")->Text(RecordView{&layout_, blank, 0}), "        ");
  EXPECT_THROW(key->Text(RecordView{&layout_, std::string_view(before).substr(0, 10), 2}),
               ExpressionError);
}

TEST(DatePicture, FormatAndParse) {
  const Date march5 = *Date::FromYmd(2024, 3, 5);
  EXPECT_EQ(FormatDate(march5, "MMMMMMMMMMM DD, CCYY"), "March       05, 2024");
  EXPECT_EQ(FormatDate(march5, "MM/DD/CCYY"), "03/05/2024");
  EXPECT_EQ(FormatDate(march5, "DD.MM.YY"), "05.03.24");
  EXPECT_EQ(FormatDate(Date(), "MM/DD/YY"), "  /  /  ");
  EXPECT_EQ(ParseDate("3/5/24", "MM/DD/YY"), *Date::FromYmd(1924, 3, 5));
  EXPECT_EQ(ParseDate("03/05/2024", "MM/DD/CCYY"), march5);
  EXPECT_EQ(ParseDate("05.03.2024", "DD.MM.CCYY"), march5);
  EXPECT_FALSE(ParseDate("02/30/2024", "MM/DD/CCYY"));
  EXPECT_FALSE(ParseDate("garbage", "MM/DD/CCYY"));
  EXPECT_FALSE(ParseDate("1/2/3/4", "MM/DD/CCYY"));
}

}  // namespace
}  // namespace volarin::dbf
