#include <gtest/gtest.h>

#include <filesystem>

#include "extraction/extraction_test_support.h"
#include "support/run_program.h"

namespace volarin::testing {
namespace {

int RunTool(const std::vector<std::string>& arguments) {
  return RunProgram(MAKE_DEMO_DATA_PATH, arguments).exitCode;
}

TEST(MakeDemoData, SameDateGivesTheSameTablesAndTheDateHasChecks) {
  TempFolder a, b;
  ASSERT_EQ(RunTool({a / "demo", "--date", "03/15/2024"}), 0);
  ASSERT_EQ(RunTool({b / "demo", "--date", "03/15/2024"}), 0);
  for (const char* name :
       {"ZORACC.DBF", "zorppsub.dbf", "zordis.dbf", "zordis.mdx", "rpsdis.dbf", "zorppay.dbf"}) {
    const std::string bytes = ReadBytes(a / "demo" + "/" + name);
    EXPECT_FALSE(bytes.empty()) << name;
    EXPECT_EQ(bytes, ReadBytes(b / "demo" + "/" + name)) << name;
  }

  // The demo's purpose: the first account shows checks for the anchor date at once.
  fixtures::DataFolderRows none;
  MainWindowCursors w(none);
  w.database.SetDataPath(a / "demo");
  w.database.SetIndexPath(a / "demo");
  w.accountMap->Close();  // its table was closed under it when the folder changed
  w.accountMap->Open();
  w.accountMap->SetTag("accountnr");
  RunExtraction(w.Cursors(), {"ESC1001", *Date::FromYmd(2024, 3, 15), false, a / "demo"}, nullptr);
  EXPECT_GE(w.Register().size(), 6u);
}

TEST(MakeDemoData, RefusesAFolderThatHoldsTablesAndBadDates) {
  TempFolder dir;
  dir.Write("data/ZORDIS.DBF", "precious");
  EXPECT_NE(RunTool({dir / "data"}), 0);
  EXPECT_EQ(ReadBytes(dir / "data/ZORDIS.DBF"), "precious");
  EXPECT_NE(RunTool({dir / "other", "--date", "02/30/2024"}), 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "other"));
  EXPECT_NE(RunTool({}), 0);
}

}  // namespace
}  // namespace volarin::testing
