#include "report/positivepayreport.h"

#include <gtest/gtest.h>

#include <QTest>
#include <algorithm>
#include <cmath>
#include <memory>

#include "common/date.h"
#include "positivepay/registerchecks.h"
#include "storage/checkregister.h"
#include "storage/errors.h"
#include "storage/storage_test_support.h"

namespace volarin {
namespace {

using fixtures::CheckRecordRow;
using testing::Ymd;

// A host without a window: the surface, set up as the report window's layout sets it, and
// what the report asked of the window.
struct RecordingHost : ReportHost {
  RecordingHost() { surface.SetBrush_color(kBgrWhite); }

  ReportSurface surface;
  int eventRounds = 0;
  bool fitToWidth = false;
  std::string pageLabel = "Page 1 of 1";

  ReportSurface& Surface() override { return surface; }
  void ProcessPendingEvents() override { ++eventRounds; }
  void SetFitToWidth(bool on) override { fitToWidth = on; }
  void SetPageLabel(const std::string& text) override { pageLabel = text; }
};

// A drawn text as the report placed it, in report inches; right is its right edge.
struct Placed {
  std::string text;
  double x, y, right;
  double points;
};

struct Rule {
  double x1, x2, y;
};

double ToReportInches(long double inches) {
  return static_cast<double>(inches * 25.4L / 25.0L);
}

std::vector<Placed> TextsOn(const PageDocument& document, int page) {
  std::vector<Placed> texts;
  for (const DrawnObject& object : document.PageAt(page).objects) {
    if (const auto* text = std::get_if<TextObject>(&object)) {
      const FontRecord& font = document.Graphics().Font(text->font);
      const long double width = MeasureText(font, text->text).widthInches;
      texts.push_back({text->text, ToReportInches(text->x), ToReportInches(text->y),
                       ToReportInches(text->x + width), font.pointSize});
    }
  }
  return texts;
}

std::vector<Rule> RulesOn(const PageDocument& document, int page) {
  std::vector<Rule> rules;
  for (const DrawnObject& object : document.PageAt(page).objects) {
    if (const auto* line = std::get_if<LineObject>(&object)) {
      EXPECT_EQ(line->y1, line->y2) << "every rule of the report is horizontal";
      rules.push_back(
          {ToReportInches(line->x1), ToReportInches(line->x2), ToReportInches(line->y1)});
    }
  }
  return rules;
}

const Placed* Find(const std::vector<Placed>& texts, const std::string& text) {
  const auto it = std::find_if(texts.begin(), texts.end(),
                               [&](const Placed& placed) { return placed.text == text; });
  return it == texts.end() ? nullptr : &*it;
}

// One line step of the report at a font size, as the surface measures it.
float Step(double points) {
  ReportSurface probe;
  probe.Canvas().font.pointSize = points;
  return probe.LineStep();
}

// The tops of the lines below the header: the rules, then the detail lines, each one 10-point
// step further, in the surface's own float arithmetic.
struct LineTops {
  float rules;
  float Line(int n) const {  // 1-based
    float y = rules;
    for (int i = 0; i < n; ++i) y = y + Step(10);
    return y;
  }
};
// Measured once the application (and its fonts) exists.
const LineTops& Tops() {
  static const LineTops tops{2.0f + Step(10)};
  return tops;
}

// How many detail lines fit on a section's first page: a line is still drawn when the line
// before it starts at 10.0 or above it.
int LinesOnAPage() {
  int n = 1;
  while (Tops().Line(n) <= kPageBreakY) ++n;
  return n;
}

constexpr double kPosition = 1e-4;  // report inches; the float positions round to this

class PositivePayReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousFormat = ShortDateFormat();
    SetShortDateFormat("MM/DD/YYYY");
  }
  void TearDown() override { SetShortDateFormat(previousFormat); }

  // Builds the register from the rows, opens its cursor as the main window does, with the
  // date tag selected unless recordOrder, and draws the report on the host.
  void Draw(const std::vector<CheckRecordRow>& rows, bool recordOrder = true,
            const std::string& filter = {}) {
    fixtures::DataFolderRows tables;
    tables.checkRegister = rows;
    setup = std::make_unique<testing::StorageSetup>(tables);
    cursor = setup->Cursor("zorppay", true);
    DeclareCheckRecord(*cursor);
    if (calcHook) {
      cursor->onCalcFields = [this](FieldAccess& record) {
        zorppayCalcFields(record);
        calcHook(record);
      };
    }
    cursor->Open();
    if (!recordOrder) cursor->SetTag("date");
    if (!filter.empty()) {
      cursor->SetFilter(filter);
      cursor->FilterOn(true);
      cursor->GoTop();
    }
    DrawReport(host, *cursor, settings);
  }

  const PageDocument& Document() const { return host.surface.Document(); }

  // Checks the page header: title, account, date, page number, captions and their rules.
  void ExpectHeader(int page, const std::string& account) {
    SCOPED_TRACE("header of page " + std::to_string(page));
    const std::vector<Placed> texts = TextsOn(Document(), page);
    ASSERT_GE(texts.size(), 10u);
    // Title and account, centred on 4.25 at 16 points; the account one 16-point step lower.
    EXPECT_EQ(texts[0].text, "Positive Pay Report");
    EXPECT_EQ(texts[1].text, account);
    for (int i : {0, 1}) {
      EXPECT_EQ(texts[i].points, 16);
      EXPECT_NEAR((texts[i].x + texts[i].right) / 2, 4.25, kPosition);
    }
    EXPECT_NEAR(texts[0].y, 0.5, kPosition);
    EXPECT_NEAR(texts[1].y, 0.5f + Step(16), kPosition);
    // Today's date on the title's line at the left, 8 points; the page number at the right.
    EXPECT_EQ(texts[2].text, "March 07, 2024");
    EXPECT_EQ(texts[2].points, 8);
    EXPECT_NEAR(texts[2].x, 0.3, kPosition);
    EXPECT_NEAR(texts[2].y, 0.5, kPosition);
    EXPECT_EQ(texts[3].text, "Page " + std::to_string(page));
    EXPECT_EQ(texts[3].points, 10);
    EXPECT_NEAR(texts[3].right, 8.0, kPosition);
    EXPECT_NEAR(texts[3].y, 0.5, kPosition);
    const std::pair<const char*, double> captions[] = {
        {"Print Date", 0.5}, {"Check No.", 1.5}, {"Amount", 2.5}, {"Payee", 3.5}, {"Status", 7.5}};
    for (int i = 0; i < 5; ++i) {
      const Placed& caption = texts[static_cast<std::size_t>(4 + i)];
      EXPECT_EQ(caption.text, captions[i].first);
      EXPECT_NEAR(caption.x, captions[i].second, kPosition);
      EXPECT_NEAR(caption.y, 2.0, kPosition);
      EXPECT_EQ(caption.points, 10);
    }
    // The empty text that steps down onto the rules.
    EXPECT_EQ(texts[9].text, "");
    EXPECT_NEAR(texts[9].x, 8.0, kPosition);
    EXPECT_NEAR(texts[9].y, Tops().rules, kPosition);
    const std::vector<Rule> rules = RulesOn(Document(), page);
    ASSERT_GE(rules.size(), 5u);
    const std::pair<double, double> spans[] = {
        {0.5, 1.4}, {1.5, 2.4}, {2.5, 3.4}, {3.5, 7.4}, {7.5, 8.0}};
    for (int i = 0; i < 5; ++i) {
      EXPECT_NEAR(rules[static_cast<std::size_t>(i)].x1, spans[i].first, kPosition);
      EXPECT_NEAR(rules[static_cast<std::size_t>(i)].x2, spans[i].second, kPosition);
      EXPECT_NEAR(rules[static_cast<std::size_t>(i)].y, Tops().rules, kPosition);
    }
  }

  // The detail lines of a page, as (date, check no., amount, payee, status) text rows, each
  // checked for its columns and its line.
  std::vector<std::vector<std::string>> DetailRows(int page) {
    const std::vector<Placed> texts = TextsOn(Document(), page);
    std::vector<std::vector<std::string>> rows;
    // After the header's ten texts, five texts per line until the footer's blank.
    for (std::size_t i = 10; i + 4 < texts.size() && texts[i].text != " "; i += 5) {
      const float top = Tops().Line(static_cast<int>(rows.size()) + 1);
      const double lefts[] = {0.5, -1, -1, 3.5, 7.5};
      const double rights[] = {-1, 2.4, 3.4, -1, -1};
      for (std::size_t c = 0; c < 5; ++c) {
        const Placed& cell = texts[i + c];
        EXPECT_NEAR(cell.y, top, kPosition) << cell.text;
        if (lefts[c] > 0) {
          EXPECT_NEAR(cell.x, lefts[c], kPosition) << cell.text;
        }
        if (rights[c] > 0) {
          EXPECT_NEAR(cell.right, rights[c], kPosition) << cell.text;
        }
      }
      rows.push_back({texts[i].text, texts[i + 1].text, texts[i + 2].text, texts[i + 3].text,
                      texts[i + 4].text});
    }
    return rows;
  }

  // The footer on a page whose last line (or the rules, on a page of its own) starts at top:
  // two rules a step lower, the blank on them, then count and total 0.02 below.
  void ExpectFooter(int page, float top, const std::string& count, const std::string& total) {
    SCOPED_TRACE("footer of page " + std::to_string(page));
    const std::vector<Placed> texts = TextsOn(Document(), page);
    ASSERT_GE(texts.size(), 3u);
    const float rulesY = top + Step(10);
    const Placed& blank = texts[texts.size() - 3];
    EXPECT_EQ(blank.text, " ");
    EXPECT_NEAR(blank.x, 3.4, kPosition);
    EXPECT_NEAR(blank.y, rulesY, kPosition);
    const Placed& countText = texts[texts.size() - 2];
    const Placed& totalText = texts.back();
    EXPECT_EQ(countText.text, count);
    EXPECT_EQ(totalText.text, total);
    EXPECT_NEAR(countText.right, 2.4, kPosition);
    EXPECT_NEAR(totalText.right, 3.4, kPosition);
    EXPECT_NEAR(countText.y, rulesY + 0.02, kPosition);
    EXPECT_NEAR(totalText.y, rulesY + 0.02, kPosition);
    const std::vector<Rule> rules = RulesOn(Document(), page);
    ASSERT_GE(rules.size(), 2u);
    const Rule& checkRule = rules[rules.size() - 2];
    const Rule& amountRule = rules.back();
    EXPECT_NEAR(checkRule.x1, 1.5, kPosition);
    EXPECT_NEAR(checkRule.x2, 2.4, kPosition);
    EXPECT_NEAR(amountRule.x1, 2.5, kPosition);
    EXPECT_NEAR(amountRule.x2, 3.4, kPosition);
    EXPECT_NEAR(checkRule.y, rulesY, kPosition);
    EXPECT_NEAR(amountRule.y, rulesY, kPosition);
  }

  static std::vector<CheckRecordRow> Checks(const std::string& account, int64_t first, int count,
                                            double amount = 10.0) {
    std::vector<CheckRecordRow> rows;
    for (int i = 0; i < count; ++i) {
      rows.push_back(
          {account, first + i, Ymd(2024, 3, 5), "00", amount, "Payee " + std::to_string(i)});
    }
    return rows;
  }

  std::string previousFormat;
  ReportSettings settings{Ymd(2024, 3, 7), NumberSeparators{}};
  RecordingHost host;
  std::unique_ptr<testing::StorageSetup> setup;
  std::unique_ptr<TableCursor> cursor;
  std::function<void(FieldAccess&)> calcHook;
};

TEST_F(PositivePayReportTest, OneAccountGivesOneSectionOnOnePage) {
  Draw({
      {"000123456789", 1001, Ymd(2024, 3, 5), "00", 1234.5, "Acme Title & Escrow"},
      {"000123456789", 1002, Ymd(2024, 3, 5), "02", 250.0, "Void Payee"},
      {"000123456789", 4294967301, Ymd(2024, 3, 6), "03", -12.3, "Stopped Payee"},
  });
  ASSERT_EQ(Document().PageCount(), 1);
  ExpectHeader(1, "000123456789");
  const std::vector<std::vector<std::string>> expected = {
      {"03/05/2024", "1001", "$1,234.50", "Acme Title & Escrow", ""},
      {"03/05/2024", "1002", "$250.00", "Void Payee", "Void"},
      // Ten-digit check numbers pass the 32-bit range; stopped and void checks count as stored.
      {"03/06/2024", "4294967301", "-$12.30", "Stopped Payee", "Stop"},
  };
  EXPECT_EQ(DetailRows(1), expected);
  ExpectFooter(1, Tops().Line(3), "3", "$1,472.20");
  EXPECT_EQ(host.pageLabel, "Page 1 of 1");
  EXPECT_TRUE(host.fitToWidth);
  EXPECT_EQ(host.eventRounds, 1);
  EXPECT_TRUE(cursor->Eof()) << "the run leaves the register at its end";
}

TEST_F(PositivePayReportTest, EachAccountStartsOnAPageOfItsOwnWithTheNextPageNumber) {
  std::vector<CheckRecordRow> rows = Checks("111", 500, 2, 100.25);
  const std::vector<CheckRecordRow> second = Checks("222", 900, 1, 7.5);
  rows.insert(rows.end(), second.begin(), second.end());
  Draw(rows);
  ASSERT_EQ(Document().PageCount(), 2);
  ExpectHeader(1, "111");
  ExpectHeader(2, "222");
  EXPECT_EQ(DetailRows(1).size(), 2u);
  ExpectFooter(1, Tops().Line(2), "2", "$200.50");
  EXPECT_EQ(DetailRows(2).size(), 1u);
  ExpectFooter(2, Tops().Line(1), "1", "$7.50");
  EXPECT_EQ(host.pageLabel, "Page 2 of 2");
  EXPECT_EQ(Document().CurrentPageNumber(), 2);
}

TEST_F(PositivePayReportTest, ALongSectionContinuesUnderARepeatedHeader) {
  const int perPage = LinesOnAPage();
  ASSERT_GT(perPage, 40);
  ASSERT_LT(perPage, 60);
  Draw(Checks("777", 1, perPage + 3));
  ASSERT_EQ(Document().PageCount(), 2);
  ExpectHeader(1, "777");
  ExpectHeader(2, "777");
  const auto first = DetailRows(1);
  const auto rest = DetailRows(2);
  ASSERT_EQ(static_cast<int>(first.size()), perPage);
  ASSERT_EQ(rest.size(), 3u);
  // The last line of the first page starts below 10.0; the one before it does not.
  EXPECT_GT(Tops().Line(perPage), kPageBreakY);
  EXPECT_LE(Tops().Line(perPage - 1), kPageBreakY);
  EXPECT_EQ(first.back()[1], std::to_string(perPage));
  EXPECT_EQ(rest.front()[1], std::to_string(perPage + 1));
  ExpectFooter(2, Tops().Line(3), std::to_string(perPage + 3),
               MoneyText(10.0 * (perPage + 3), NumberSeparators{}));
  EXPECT_EQ(host.pageLabel, "Page 2 of 2");
}

TEST_F(PositivePayReportTest, AFooterPastTheBreakGoesToANewPageUnderItsOwnAccount) {
  const int perPage = LinesOnAPage();
  std::vector<CheckRecordRow> rows = Checks("777", 1, perPage, 1.0);
  rows.push_back({"888", 5000, Ymd(2024, 3, 5), "00", 2.0, "Next account"});
  Draw(rows);
  ASSERT_EQ(Document().PageCount(), 3);
  EXPECT_EQ(static_cast<int>(DetailRows(1).size()), perPage);
  // The footer's page repeats the header of the account it totals, not of the record the
  // register has moved on to.
  ExpectHeader(2, "777");
  EXPECT_TRUE(DetailRows(2).empty());
  ExpectFooter(2, Tops().rules, std::to_string(perPage), MoneyText(perPage, NumberSeparators{}));
  ExpectHeader(3, "888");
  ExpectFooter(3, Tops().Line(1), "1", "$2.00");
  EXPECT_EQ(host.pageLabel, "Page 3 of 3");
}

TEST_F(PositivePayReportTest, AnEmptyRegisterDrawsNothing) {
  Draw({});
  EXPECT_EQ(Document().PageCount(), 1);
  EXPECT_TRUE(Document().PageAt(1).objects.empty());
  EXPECT_EQ(host.pageLabel, "Page 1 of 1");
  EXPECT_TRUE(host.fitToWidth);
}

TEST_F(PositivePayReportTest, OnlyTheChecksTheFilterLetsThroughAreReported) {
  std::vector<CheckRecordRow> rows = Checks("111", 998, 4, 5.0);  // 998 to 1001
  const std::vector<CheckRecordRow> other = Checks("222", 10, 2, 5.0);
  rows.insert(rows.end(), other.begin(), other.end());
  Draw(rows, true, "checkno>=1000");
  ASSERT_EQ(Document().PageCount(), 1);
  const auto lines = DetailRows(1);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0][1], "1000");
  EXPECT_EQ(lines[1][1], "1001");
  ExpectFooter(1, Tops().Line(2), "2", "$10.00");
}

TEST_F(PositivePayReportTest, SectionsFollowTheTrimmedFifteenCharacterAccountKey) {
  Draw({
      {"ACC-1", 1, Ymd(2024, 3, 5), "00", 1.0, "a"},
      {"  ACC-1", 2, Ymd(2024, 3, 5), "00", 1.0, "b"},           // leading blanks
      {"ABCDEFGHIJKLMNO", 3, Ymd(2024, 3, 5), "00", 1.0, "c"},   // 15 characters
      {"ABCDEFGHIJKLMNOP", 4, Ymd(2024, 3, 5), "00", 1.0, "d"},  // the field keeps 15
      {"acc-1", 5, Ymd(2024, 3, 5), "00", 1.0, "e"},             // case counts
      {"ACC-1", 6, Ymd(2024, 3, 5), "00", 1.0, "f"},             // not adjacent: a new one
  });
  ASSERT_EQ(Document().PageCount(), 4);
  const std::pair<const char*, std::vector<std::string>> sections[] = {
      {"ACC-1", {"1", "2"}}, {"ABCDEFGHIJKLMNO", {"3", "4"}}, {"acc-1", {"5"}}, {"ACC-1", {"6"}}};
  for (int page = 1; page <= 4; ++page) {
    const auto& [account, checks] = sections[page - 1];
    ExpectHeader(page, account);
    std::vector<std::string> listed;
    for (const auto& line : DetailRows(page)) listed.push_back(line[1]);
    EXPECT_EQ(listed, checks) << "page " << page;
  }
}

TEST_F(PositivePayReportTest, ThePayeeIsPrintedUncutAndTheDateInTheShortDateFormat) {
  SetShortDateFormat("DD.MM.YYYY");
  const std::string longPayee(60, 'W');
  Draw({{"1", 42, Ymd(2024, 12, 31), "02", 0.0, longPayee}});
  const auto lines = DetailRows(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0][0], "31.12.2024");
  EXPECT_EQ(lines[0][2], "$0.00");
  EXPECT_EQ(lines[0][3], longPayee);
  // A payee running into the status column is covered there by the status drawn after it,
  // on its white background.
  const std::vector<Placed> texts = TextsOn(Document(), 1);
  const Placed* payee = Find(texts, longPayee);
  ASSERT_NE(payee, nullptr);
  EXPECT_GT(payee->right, 7.5);
  bool payeeSeen = false;
  for (const DrawnObject& object : Document().PageAt(1).objects) {
    const auto* text = std::get_if<TextObject>(&object);
    if (!text) continue;
    payeeSeen = payeeSeen || text->text == longPayee;
    if (text->text != "Void") continue;
    EXPECT_TRUE(payeeSeen) << "the status is drawn after the payee";
    const BrushRecord& brush = Document().Graphics().Brush(text->brush);
    EXPECT_EQ(brush.style, BrushStyle::Solid);
    EXPECT_EQ(brush.color, kBgrWhite);
  }
}

TEST_F(PositivePayReportTest, ACursorErrorEndsTheRunWithThePagesDrawnSoFar) {
  std::vector<CheckRecordRow> rows = Checks("111", 1, 2);
  const std::vector<CheckRecordRow> second = Checks("222", 100, 2);
  rows.insert(rows.end(), second.begin(), second.end());
  // The register fails when it reads check 101, in the second section.
  calcHook = [](FieldAccess& record) {
    if (record.FieldAsInt64("CHECKNO") == 101) throw Error("Error reading the record");
  };
  EXPECT_THROW(Draw(rows), Error);
  ASSERT_EQ(Document().PageCount(), 2);
  ExpectFooter(1, Tops().Line(2), "2", "$20.00");
  EXPECT_EQ(DetailRows(2).size(), 1u);
  EXPECT_EQ(host.pageLabel, "Page 1 of 1") << "the label is set only by a finished run";
}

TEST_F(PositivePayReportTest, AClosedRegisterFailsAtOnceWithTheDataLayersMessage) {
  fixtures::DataFolderRows tables;
  tables.checkRegister = Checks("1", 1, 1);
  setup = std::make_unique<testing::StorageSetup>(tables);
  cursor = setup->Cursor("zorppay", true);
  DeclareCheckRecord(*cursor);
  try {
    DrawReport(host, *cursor, settings);
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Cannot perform this operation on a closed dataset");
  }
  EXPECT_TRUE(Document().PageAt(1).objects.empty());
  EXPECT_EQ(host.pageLabel, "Page 1 of 1");
}

// Amounts as the register stores them, including texts another program could leave in the
// N12.2 field: each line rounds to the cent, and the total is that of the stored amounts.
TEST_F(PositivePayReportTest, StoredAmountTextsAndTheirTotal) {
  struct Case {
    const char* stored;
    const char* shown;
  } cases[] = {
      {"1250.5", "$1,250.50"},
      {"999999999.99", "$999,999,999.99"},
      {"0.00", "$0.00"},
      {"-0.00", "$0.00"},
      {"-12.349", "-$12.35"},
      {"12.349", "$12.35"},
      {"0.285", "$0.29"},
      {"1.005", "$1.01"},
      {"12.345", "$12.35"},
      {"-0.004", "$0.00"},
      {"", "$0.00"},
      {"1,250.00", "$1.00"},
      {"12.5        ", "$12.50"},
      {"**********", "$0.00"},
  };
  std::vector<CheckRecordRow> rows;
  for (const Case& c : cases) {
    CheckRecordRow row{"111", static_cast<int64_t>(rows.size() + 1), Ymd(2024, 3, 5), "00", 0, "P"};
    row.amountText = c.stored;
    rows.push_back(row);
  }
  Draw(rows);
  const std::vector<std::vector<std::string>> lines = DetailRows(1);
  ASSERT_EQ(lines.size(), std::size(cases));
  for (size_t i = 0; i < lines.size(); ++i)
    EXPECT_EQ(lines[i][2], cases[i].shown) << cases[i].stored;
  ExpectFooter(1, Tops().Line(static_cast<int>(std::size(cases))), "14", "$1,000,001,277.62");
}

// Many small amounts add up to the total of their lines.
TEST_F(PositivePayReportTest, TheTotalOfManyAmountsIsThatOfItsLines) {
  struct Case {
    const char* stored;
    int count;
    const char* total;
  } cases[] = {
      {"0.10", 70, "$7.00"}, {"0.285", 40, "$11.40"}, {"1234567.89", 50, "$61,728,394.50"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    std::vector<CheckRecordRow> rows;
    for (int i = 1; i <= c.count; ++i) {
      CheckRecordRow row{"111", i, Ymd(2024, 3, 5), "00", 0, "P"};
      row.amountText = c.stored;
      rows.push_back(row);
    }
    Draw(rows);
    const std::vector<Placed> texts = TextsOn(Document(), Document().PageCount());
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back().text, c.total);
  }
}

// The checks read from the register and drawn as a list (as a Positive Pay file's recorded
// checks are reprinted) give the pages the register gives: sections, payees as the register
// shows them (leading blanks kept), statuses, totals.
TEST_F(PositivePayReportTest, AListOfTheRegistersChecksDrawsTheSamePages) {
  std::vector<CheckRecordRow> rows = Checks("111", 500, LinesOnAPage() + 2, 0.5);
  rows.push_back({"222", 900, Ymd(2024, 3, 6), "02", 75.25, "  INDENTED PAYEE"});
  rows.push_back({"222", 901, Ymd(2024, 3, 7), "03", 0, "STOPPED\x01"});
  rows.back().amountText = "12.349";
  Draw(rows);
  cursor->GoTop();
  const std::vector<PositivePayCheck> checks = ReadRegisterChecks(*cursor);
  ASSERT_EQ(checks.size(), rows.size());
  EXPECT_EQ(checks.back().payee, "STOPPED");
  EXPECT_EQ(checks.back().amount, Money::FromStoredText("12.349"));

  RecordingHost fromList;
  DrawReport(fromList, checks, settings);
  const PageDocument& expected = Document();
  const PageDocument& drawn = fromList.surface.Document();
  ASSERT_EQ(drawn.PageCount(), expected.PageCount());
  ASSERT_EQ(drawn.PageCount(), 3);
  for (int page = 1; page <= drawn.PageCount(); ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    const std::vector<Placed> want = TextsOn(expected, page);
    const std::vector<Placed> got = TextsOn(drawn, page);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].text, want[i].text);
      EXPECT_EQ(got[i].x, want[i].x);
      EXPECT_EQ(got[i].y, want[i].y);
    }
    EXPECT_EQ(RulesOn(drawn, page).size(), RulesOn(expected, page).size());
  }
  const std::vector<std::vector<std::string>> last = DetailRows(3);
  ASSERT_EQ(last.size(), 2u);
  EXPECT_EQ(last[0][3], "  INDENTED PAYEE");
  EXPECT_EQ(last[0][4], "Void");
  EXPECT_EQ(last[1][2], "$12.35");
  EXPECT_EQ(last[1][4], "Stop");
  EXPECT_EQ(fromList.pageLabel, host.pageLabel);
}

TEST(ReportAccountKeyTest, TrimsThenCutsOrFillsToFifteen) {
  EXPECT_EQ(ReportAccountKey("  12 "), "12             ");
  EXPECT_EQ(ReportAccountKey("ABCDEFGHIJKLMNOPQ"), "ABCDEFGHIJKLMNO");
  EXPECT_EQ(ReportAccountKey(""), std::string(15, ' '));
}

}  // namespace
}  // namespace volarin
