// volarin-positivepay-cli run as a program on a fixture data folder: the whole road, its output,
// and every failure's exit code and message, with nothing written where a run fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "common/paths.h"
#include "common/platform.h"
#include "extraction/extraction.h"
#include "positivepay/road_suite.h"
#include "storage/fixtures/datafolder.h"
#include "support/other_process.h"
#include "support/run_program.h"

namespace volarin::testing {
namespace {

namespace fs = std::filesystem;

VPP_OTHER_PROCESS_ROLE(HoldCheckRegister) {
  return OtherProcess::Held(platform::File::Open(
      role.Argument(0), platform::File::Access::ReadWrite, platform::File::Share::Exclusive));
}

// A path spelled with "/" only: Windows takes it, and the program shows it with backslashes.
std::string Slashed(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

class PositivePayCli : public ::testing::Test {
 protected:
  PositivePayCli() {
    fixtures::DataFolderRows rows = Suite();
    rows.accountList.push_back({"ESC200"});  // listed, but without an account map record
    data = NativeFolderPath(folder / "data");
    fs::create_directories(data);
    fixtures::BuildDataFolder(data, rows);
    pickup = NativeFolderPath(folder / "pickup");
  }

  ProgramRun Run(std::vector<std::string> arguments, const std::string& inFolder = {}) {
    return RunProgram(POSITIVEPAY_CLI_PATH, arguments, inFolder);
  }
  // The suite's tables, which no run may change.
  std::map<std::string, std::string> SuiteTables() const {
    std::map<std::string, std::string> bytes;
    for (const char* name :
         {"ZORACC.DBF", "zorppsub.dbf", "zordis.dbf", "zordis.mdx", "rpsdis.dbf", "rpsdis.mdx"}) {
      bytes[name] = ReadBytes(JoinPath(data, name));
    }
    return bytes;
  }
  bool NothingWritten() const {
    return !fs::exists(JoinPath(data, "POSPAY")) && (!fs::exists(pickup) || fs::is_empty(pickup));
  }

  TempFolder folder;
  std::string data;
  std::string pickup;
};

TEST_F(PositivePayCli, WritesTheFileForTheDateInTheCurrentFolderAndTellsWhatItDid) {
  const auto before = SuiteTables();
  const ProgramRun run =
      Run({"--account", "esc100", "--date", "03/15/2024", "--pickup", Slashed(pickup)}, data);
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.errors, "");
  const std::string expected =
      "03/15/2024,502,\"VOIDED TODAY\",-99.99\r\n"
      "03/15/2024,501,\"ACME SUPPLY CO\",1250.5\r\n"
      "03/15/2024,9876543210,\"TEN DIGITS\",300.00\r\n"
      "03/15/2024,7001,\"CLOSING VOID\",-45.00\r\n"
      "2,1405.51\r\n";
  const std::string pickupFile = JoinPath(pickup, "20240315_987654321.txt");
  const std::string archiveFile =
      JoinPath(JoinPath(JoinPath(fs::canonical(data).string(), "POSPAY"), "PP202403"),
               "20240315_987654321.txt");
  EXPECT_EQ(ReadBytes(pickupFile), expected);
  EXPECT_EQ(ReadBytes(archiveFile), expected);
  EXPECT_EQ(run.output,
            "Checks: 4\n"
            "  03/15/2024,502,\"VOIDED TODAY\",-99.99\n"
            "  03/15/2024,501,\"ACME SUPPLY CO\",1250.5\n"
            "  03/15/2024,9876543210,\"TEN DIGITS\",300.00\n"
            "  03/15/2024,7001,\"CLOSING VOID\",-45.00\n"
            "Issued checks: 2\n"
            "Net total: 1405.51\n"
            "Archive file: " +
                archiveFile + "\nPickup file: " + pickupFile + "\n");
  EXPECT_EQ(SuiteTables(), before);
}

TEST_F(PositivePayCli, OutstandingChecksFromAStartingNumberInAGivenFolder) {
  const ProgramRun run = Run({"--data", Slashed(data) + "/", "--account", "ESC100", "--date",
                              "03/15/2024", "--outstanding", "--start", "600", "--pickup", pickup});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  const std::string pickupFile = JoinPath(pickup, "20240315_987654321.txt");
  EXPECT_EQ(ReadBytes(pickupFile), "03/15/2024,9876543210,\"TEN DIGITS\",300.00\r\n1,300.00\r\n");
  EXPECT_NE(run.output.find("Checks: 1\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("Archive file: " + JoinPath(data, "POSPAY")), std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("Pickup file: " + pickupFile + "\n"), std::string::npos) << run.output;
}

TEST_F(PositivePayCli, FailuresHaveTheirExitCodeAndMessageAndWriteNothing) {
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    std::string message;
  };
  const std::string missing = JoinPath(folder.Path(), "missing");
  const Case cases[] = {
      {{"--date", "03/15/2024"}, 2, "No account given (--account)"},
      {{"--account", "ESC100", "--bogus"}, 2, "Unknown argument --bogus"},
      {{"--account"}, 2, "Argument --account needs a value"},
      {{"--account", "ESC100", "--start", "12x"}, 2, "Starting check number 12x is not a check"},
      {{"--account", "ESC100", "--date", "02/30/2024"}, 2, "02/30/2024 is not a valid date"},
      {{"--account", "ESC100", "--data", missing},
       3,
       "The data folder " + missing + " does not exist"},
      {{"--account", "ESC999", "--date", "03/15/2024"},
       5,
       "Account ESC999 is not in the account list"},
      // Listed but not mapped: the window would show the message; a scheduled run sends nothing.
      {{"--account", "ESC200", "--date", "03/15/2024"}, 5, kAccountMissingMessage},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = c.arguments;
    if (std::find(arguments.begin(), arguments.end(), "--data") == arguments.end()) {
      arguments.insert(arguments.end(), {"--data", data});
    }
    arguments.insert(arguments.end(), {"--pickup", pickup});
    const ProgramRun run = Run(arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.message << "\n" << run.errors;
    EXPECT_EQ(run.errors.rfind(c.message, 0), 0u) << run.errors;
    EXPECT_EQ(run.output, "");
    EXPECT_TRUE(NothingWritten()) << c.message;
  }
}

TEST_F(PositivePayCli, RefusesARegisterHeldByAnotherProgram) {
  OtherProcess holder("HoldCheckRegister", {JoinPath(data, "zorppay.dbf")});
  ASSERT_TRUE(holder.WaitUntilHolding());
  const ProgramRun run =
      Run({"--data", data, "--account", "ESC100", "--date", "03/15/2024", "--pickup", pickup});
  EXPECT_EQ(run.exitCode, 4);
  EXPECT_EQ(run.errors, "zorppay.dbf is open by another user\n");
  EXPECT_TRUE(NothingWritten());
  EXPECT_EQ(holder.Wait(), 0);
}

// A second file for the same bank account and date: refused with the history's warning and
// nothing written, unless the run is told to go on; then the warning is still told.
TEST_F(PositivePayCli, RefusesWhatTheHistoryWarnsOfUnlessToldToGoOn) {
  std::vector<std::string> arguments = {"--data", data,         "--account", "ESC100",
                                        "--date", "03/15/2024", "--pickup",  pickup};
  ASSERT_EQ(Run(arguments).exitCode, 0);
  fs::remove_all(JoinPath(data, "POSPAY"));
  fs::remove_all(pickup);
  const std::string warning =
      "A Positive Pay file for bank account 987654321 and 03/15/2024 was already created on ";

  const ProgramRun refused = Run(arguments);
  EXPECT_EQ(refused.exitCode, 7);
  EXPECT_EQ(refused.errors.rfind(warning, 0), 0u) << refused.errors;
  EXPECT_NE(refused.errors.find("(20240315_987654321.txt).\nThe Positive Pay file was not created; "
                                "give --accept-warnings to create it anyway.\n"),
            std::string::npos)
      << refused.errors;
  EXPECT_EQ(refused.output, "");
  EXPECT_TRUE(NothingWritten());

  arguments.push_back("--accept-warnings");
  const ProgramRun accepted = Run(arguments);
  EXPECT_EQ(accepted.exitCode, 0) << accepted.errors;
  EXPECT_EQ(accepted.errors.rfind(warning, 0), 0u) << accepted.errors;
  EXPECT_TRUE(fs::exists(JoinPath(pickup, "20240315_987654321.txt")));
  EXPECT_NE(accepted.output.find("Checks: 4\n"), std::string::npos) << accepted.output;

  const ProgramRun help = Run({"--help"});
  EXPECT_NE(help.output.find("  7  the history warns"), std::string::npos) << help.output;
  EXPECT_NE(help.output.find("  --accept-warnings  "), std::string::npos) << help.output;
}

TEST_F(PositivePayCli, HelpTellsTheUseAndTheExitCodes) {
  const ProgramRun run = Run({"--help"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output.rfind("Usage: volarin-positivepay-cli --account ACCOUNT", 0), 0u);
  for (const char* code : {"  0  ", "  1  ", "  2  ", "  3  ", "  4  ", "  5  ", "  6  "}) {
    EXPECT_NE(run.output.find(code), std::string::npos) << code;
  }
}

}  // namespace
}  // namespace volarin::testing
