// Amounts as the register stores them (N12.2 field texts, including the odd ones another program
// could leave there) through every path that writes them: the standard file's line and trailer,
// and a bank layout's amount and total in the decimal and the standard forms.

#include <gtest/gtest.h>

#include <filesystem>

#include "common/platform.h"
#include "extraction/extraction_test_support.h"
#include "positivepay/export.h"
#include "positivepay/layoutsettings.h"
#include "positivepay/worked_example.h"

namespace volarin::testing {
namespace {

namespace fs = std::filesystem;

const Date kDate = kWorkedExampleDate;

fixtures::CheckRecordRow Stored(int64_t number, const std::string& amountText,
                                const char* status = "00") {
  fixtures::CheckRecordRow row = WorkedExampleCheck(number, 0, status, "P");
  row.amountText = amountText;
  return row;
}

// One export of a register in the standard file and in two bank layouts of one amount field
// and a total.
class AmountExport {
 public:
  explicit AmountExport(const std::vector<fixtures::CheckRecordRow>& rows)
      : w_(Rows(rows)), savedFolder_(platform::CurrentFolder()) {
    SetShortDateFormat("MM/DD/YYYY");
    pickup_ = fs::path(w_.Path("pickup")).make_preferred().string();
    fs::create_directories(pickup_);
    w_.checkRegister->Open();
    w_.checkRegister->GoTop();
  }
  ~AmountExport() { platform::SetCurrentFolder(savedFolder_); }
  AmountExport(const AmountExport&) = delete;
  AmountExport& operator=(const AmountExport&) = delete;

  std::string Standard() {
    WriteLayoutSettings(w_.folder.Path(), {});
    return Export();
  }
  std::string InLayout(AmountForm form) {
    BankLayout layout;
    layout.name = "Amounts";
    LayoutField amount;
    amount.kind = FieldKind::Amount;
    LayoutField total;
    total.kind = FieldKind::Total;
    layout.detail = {amount};
    layout.trailer = {total};
    layout.amountForm = form;
    layout.lineEnding = "\n";
    LayoutSettings settings;
    settings.layouts.push_back(layout);
    settings.accountLayouts["123456789"] = layout.name;
    WriteLayoutSettings(w_.folder.Path(), settings);
    return Export();
  }

 private:
  static fixtures::DataFolderRows Rows(const std::vector<fixtures::CheckRecordRow>& checks) {
    fixtures::DataFolderRows rows;
    rows.checkRegister = checks;
    return rows;
  }
  std::string Export() {
    return ReadBytes(
        CreatePositivePayFile(*w_.checkRegister, {kDate, w_.folder.Path(), pickup_, {}}));
  }

  MainWindowCursors w_;
  std::string savedFolder_;
  std::string pickup_;
};

TEST(AmountPaths, EachStoredTextAsEveryWriterWritesIt) {
  struct Case {
    const char* stored;   // the field's text as it stands (right-aligned by the table)
    const char* line;     // the standard file's amount text
    const char* trailer;  // the standard file's total of that one issued check
    const char* decimal;  // a layout's amount in the decimal form
    const char* decimalTotal;
    const char* standardTotal;  // a layout's total in the standard form
  } cases[] = {
      {"1250.50", "1250.5", "1250.50", "1250.50", "1250.50", "1250.50"},
      {"1250.5", "1250.5", "1250.50", "1250.50", "1250.50", "1250.50"},
      {"300.00", "300.00", "300.00", "300.00", "300.00", "300.00"},
      {"300", "300.00", "300.00", "300.00", "300.00", "300.00"},
      {"75.25", "75.25", "75.25", "75.25", "75.25", "75.25"},
      {"0.07", "0.07", "0.07", "0.07", "0.07", "0.07"},
      {"0.00", "0.00", "0.00", "0.00", "0.00", "0.00"},
      {"-0.00", "0.00", "0.00", "0.00", "0.00", "0.00"},
      {"-5.25", "-5.25", "-5.25", "-5.25", "-5.25", "-5.25"},
      {"999999999.99", "999999999.99", "999999999.99", "999999999.99", "999999999.99",
       "999999999.99"},
      {"12.349", "12.34", "12.35", "12.35", "12.35", "12.35"},
      {"-12.349", "-12.34", "-12.35", "-12.35", "-12.35", "-12.35"},
      // A layout rounds the exact amount half away from zero, as the trailer and the report do.
      {"0.285", "0.28", "0.29", "0.29", "0.29", "0.29"},
      {"1.005", "1.00", "1.01", "1.01", "1.01", "1.01"},
      {"0.125", "0.12", "0.13", "0.13", "0.13", "0.13"},
      {"12.345", "12.34", "12.35", "12.35", "12.35", "12.35"},
      {"", "0.00", "0.00", "0.00", "0.00", "0.00"},
      {"    12.50", "12.5", "12.50", "12.50", "12.50", "12.50"},
      {"12.5        ", "12.5", "12.50", "12.50", "12.50", "12.50"},
      {"1,250.00", "1.00", "1.00", "1.00", "1.00", "1.00"},
      {"**********", "0.00", "0.00", "0.00", "0.00", "0.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("stored \"") + c.stored + "\"");
    AmountExport run({Stored(1, c.stored)});
    EXPECT_EQ(run.Standard(),
              std::string("03/15/2005,1,\"P\",") + c.line + "\r\n1," + c.trailer + "\r\n");
    EXPECT_EQ(run.InLayout(AmountForm::Decimal),
              std::string(c.decimal) + "\n" + c.decimalTotal + "\n");
    EXPECT_EQ(run.InLayout(AmountForm::Standard),
              std::string(c.line) + "\n" + c.standardTotal + "\n");
  }
}

// A void's amount keeps its own sign after the file's "-"; the total subtracts it.
TEST(AmountPaths, VoidsAndTheirSigns) {
  AmountExport run({Stored(1, "10.00"), Stored(2, "-2.50", "02"), Stored(3, "0.005", "02"),
                    Stored(4, "-0.00", "02")});
  EXPECT_EQ(run.Standard(),
            "03/15/2005,1,\"P\",10.00\r\n"
            "03/15/2005,2,\"P\",--2.5\r\n"
            "03/15/2005,3,\"P\",-0.00\r\n"
            "03/15/2005,4,\"P\",-0.00\r\n"
            "1,12.50\r\n");
  EXPECT_EQ(run.InLayout(AmountForm::ImpliedCents), "1000\n250\n-1\n0\n1249\n");
}

// Sums of many amounts: the total is that of the lines, with no remainder creeping in.
TEST(AmountPaths, TotalsOfManyAmounts) {
  struct Case {
    const char* stored;
    int count;
    const char* trailer;
    const char* decimalTotal;
  } cases[] = {
      {"0.10", 1000, "100.00", "100.00"},
      {"0.01", 700, "7.00", "7.00"},
      {"0.285", 100, "28.50", "29.00"},  // the layout sums the cents of its lines
      {"999999999.99", 200, "199999999998.00", "199999999998.00"},
      {"1234567.89", 1000, "1234567890.00", "1234567890.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.stored) + " times " + std::to_string(c.count));
    std::vector<fixtures::CheckRecordRow> rows;
    for (int i = 1; i <= c.count; ++i) rows.push_back(Stored(i, c.stored));
    AmountExport run(rows);
    const std::string file = run.Standard();
    EXPECT_EQ(file.substr(file.rfind("\r\n", file.size() - 3) + 2),
              std::to_string(c.count) + "," + c.trailer + "\r\n");
    const std::string layout = run.InLayout(AmountForm::Decimal);
    EXPECT_EQ(layout.substr(layout.rfind('\n', layout.size() - 2) + 1),
              std::string(c.decimalTotal) + "\n");
  }
}

}  // namespace
}  // namespace volarin::testing
