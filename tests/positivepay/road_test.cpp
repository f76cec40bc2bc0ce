// The whole road of a submission without a window: fixture tables, extraction, Positive Pay file.
#include <gtest/gtest.h>

#include <map>

#include "common/paths.h"
#include "common/platform.h"
#include "extraction/extraction_test_support.h"
#include "positivepay/export.h"
#include "positivepay/road_suite.h"

namespace volarin::testing {
namespace {

std::map<std::string, std::string> SuiteTableBytes(const MainWindowCursors& w) {
  std::map<std::string, std::string> bytes;
  for (const char* name :
       {"ZORACC.DBF", "ZORACC.MDX", "zordis.dbf", "zordis.mdx", "rpsdis.dbf", "rpsdis.mdx"}) {
    bytes[name] = ReadBytes(w.Path(name));
  }
  return bytes;
}

TEST(Road, FromTheSuiteTablesToTheBankFileInBothModes) {
  MainWindowCursors w(Suite());
  const std::string saved = platform::CurrentFolder();
  SetShortDateFormat("MM/DD/YYYY");
  const auto before = SuiteTableBytes(w);
  const std::string pickup = w.Path("pickup");
  ASSERT_FALSE(before.at("zordis.dbf").empty());

  RunExtraction(w.Cursors(), w.Request("esc100", kDay), nullptr);
  const std::string dated =
      ReadBytes(CreatePositivePayFile(*w.checkRegister, {kDay, w.folder.Path(), pickup, {}}));
  // In the register's date order: the check voided today is dated by its earlier print date.
  EXPECT_EQ(dated,
            "03/15/2024,502,\"VOIDED TODAY\",-99.99\r\n"
            "03/15/2024,501,\"ACME SUPPLY CO\",1250.5\r\n"
            "03/15/2024,9876543210,\"TEN DIGITS\",300.00\r\n"
            "03/15/2024,7001,\"CLOSING VOID\",-45.00\r\n"
            "2,1405.51\r\n");

  RunExtraction(w.Cursors(), w.Request("esc100", kDay, /*outstanding=*/true), nullptr);
  const std::string path =
      CreatePositivePayFile(*w.checkRegister, {kDay, w.folder.Path(), pickup, {}});
  EXPECT_EQ(path, JoinPath(pickup, "20240315_987654321.txt"));
  EXPECT_EQ(ReadBytes(path),
            // The register's AMOUNT keeps two decimals: 12.349 was stored as 12.35.
            "03/15/2024,503,\"OLD, \"QUOTED\" PAYEE\",12.35\r\n"
            "03/15/2024,501,\"ACME SUPPLY CO\",1250.5\r\n"
            "03/15/2024,9876543210,\"TEN DIGITS\",300.00\r\n"
            "3,1562.85\r\n");

  w.escrow->Close();
  w.closing->Close();
  w.accountMap->Close();
  EXPECT_EQ(SuiteTableBytes(w), before);  // the suite's tables are never written
  platform::SetCurrentFolder(saved);
}

}  // namespace
}  // namespace volarin::testing
