#include "dailyrun.h"

#include <exception>
#include <fstream>
#include <iterator>

#include "common/date.h"
#include "common/paths.h"
#include "common/platform.h"
#include "common/text.h"
#include "extraction/extraction.h"
#include "history/sendfile.h"
#include "positivepay/export.h"
#include "storage/directreader.h"
#include "storage/programstorage.h"
#include "storage/tablefiles.h"

namespace volarin {
namespace {

// The program's storage objects, set up as the window sets up its own.
struct Program {
  Environment environment;
  StorageEngine engine{environment, kProgramEngineName};
  StorageDataBase database{environment, kProgramDatabaseName};
  StorageGlobals globals{environment, kProgramGlobalsName};
  TableCursor checkRegister{environment, tables::kRegisterAlias};
  TableCursor accountMap{environment, kAccountMapCursorName};
  TableCursor escrow{environment, tables::kEscrowAlias};
  TableCursor closing{environment, tables::kClosingAlias};

  Program() {
    ConfigureProgramStorage(engine, database, globals,
                            ProgramCursors{checkRegister, accountMap, escrow, closing});
  }
};

// A failure of one step of the run: its exit code and message.
struct Stop {
  int code;
  std::string message;
};

// Runs a step; any error it raises stops the run with the step's exit code.
template <typename Step>
auto Within(int code, Step&& step) {
  try {
    return step();
  } catch (const Stop&) {
    throw;
  } catch (const std::exception& e) {
    throw Stop{code, e.what()};
  }
}

// The account as the account list stores it (the extraction matches the stored bytes); the
// letters may be typed in either case, as the extraction reads keys.
std::string StoredAccount(const std::string& dataDir, const std::string& account) {
  const std::string listPath = ExistingOrGiven(dataDir, tables::kAccountListFile);
  int list = DirectOpen(listPath);
  if (list == 0) throw Stop{kExitDataFolder, "Cannot open the account list " + listPath};
  std::string found;
  bool seen = false;
  for (DirectTop(list); !DirectEof(list) && !seen; DirectSkip(list, 1)) {
    const std::string stored = DirectFieldText(list, tables::list::kAccountNr);
    if (UpperAscii(TrimText(stored)) == UpperAscii(TrimText(account))) {
      found = stored;
      seen = true;
    }
  }
  DirectClose(list);
  if (!seen) throw Stop{kExitAccount, "Account " + account + " is not in the account list"};
  return found;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What the bank gets, read back from the written file: the check lines and the trailer.
void Describe(const std::string& pickupFile, const std::string& archiveFile, std::ostream& out) {
  std::vector<std::string> lines;
  const std::string text = ReadText(pickupFile);
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    start = end == std::string::npos ? text.size() : end + 2;
  }
  const std::string trailer = lines.empty() ? std::string() : lines.back();
  if (!lines.empty()) lines.pop_back();
  const size_t comma = trailer.find(',');
  out << "Checks: " << lines.size() << "\n";
  for (const std::string& line : lines) out << "  " << line << "\n";
  out << "Issued checks: " << trailer.substr(0, comma) << "\n";
  out << "Net total: " << (comma == std::string::npos ? "" : trailer.substr(comma + 1)) << "\n";
  out << "Archive file: " << archiveFile << "\n";
  out << "Pickup file: " << pickupFile << "\n";
}

void Run(const DailyRunOptions& options, std::ostream& out, std::ostream& err) {
  const std::string dataDir =
      options.dataFolder.empty() ? platform::CurrentFolder() : NativeFolderPath(options.dataFolder);
  if (!platform::FolderExists(dataDir)) {
    throw Stop{kExitDataFolder, "The data folder " + dataDir + " does not exist"};
  }
  Program program;
  Date date = Date::Today();
  if (!options.date.empty()) {
    const std::optional<Date> given = TextToDate(options.date);
    if (!given) throw Stop{kExitUsage, options.date + " is not a valid date (MM/DD/YYYY)"};
    date = *given;
  }

  // Start-up, as the window starts.
  Within(kExitDataFolder, [&] {
    program.database.SetDataPath(dataDir);
    program.database.SetIndexPath(dataDir);
    program.engine.Start();
  });
  if (RegisterHeldElsewhere(dataDir)) throw Stop{kExitRegisterHeld, kRegisterInUseMessage};
  const std::string account =
      Within(kExitDataFolder, [&] { return StoredAccount(dataDir, options.account); });
  Within(kExitDataFolder, [&] {
    program.accountMap.Open();
    program.accountMap.SetTag(tables::kAccountMapTag);
  });

  const ExtractionResult result = Within(kExitExtractionFailed, [&] {
    return RunExtraction(ExtractionCursors{program.checkRegister, program.accountMap,
                                           program.escrow, program.closing},
                         ExtractionRequest{account, date, options.allOutstanding, dataDir},
                         nullptr);
  });
  // A scheduled run must not send the bank a file without the account's checks.
  if (result == ExtractionResult::kAccountMissing) {
    throw Stop{kExitAccount, kAccountMissingMessage};
  }
  if (!options.startingCheck.empty()) {
    Within(kExitExtractionFailed, [&] {
      program.checkRegister.FilterOn(false);
      program.checkRegister.SetFilter("checkno>=" + options.startingCheck);
      program.checkRegister.FilterOn(true);
      program.checkRegister.GoTop();
    });
  }

  const std::string pickupFolder = options.pickupFolder.empty()
                                       ? platform::PickupFolder()
                                       : NativeFolderPath(options.pickupFolder);
  // The history's warnings are always told; they stop the run unless it is told to go on.
  std::string warnings;
  const history::SendResult sent = Within(kExitFileNotWritten, [&] {
    history::SendRequest request{
        ExportRequest{date, dataDir, pickupFolder, {}}, TrimText(account),
        options.allOutstanding ? history::SubmissionMode::kOutstanding
                               : history::SubmissionMode::kDate,
        // ten digits at most, checked with the command line
        options.startingCheck.empty() ? 0 : std::stoll(options.startingCheck)};
    return history::SendPositivePayFile(program.checkRegister, request,
                                        [&](const std::string& text) {
                                          warnings = text;
                                          return options.acceptWarnings;
                                        });
  });
  if (!sent.sent) {
    throw Stop{kExitWarned, warnings +
                                "The Positive Pay file was not created; give --accept-warnings to "
                                "create it anyway."};
  }
  err << warnings;
  const std::string pickupFile = sent.pickupFile;
  Describe(pickupFile, ArchiveFilePath(dataDir, date, FileNamePart(pickupFile)), out);
}

}  // namespace

int RunDaily(const DailyRunOptions& options, std::ostream& out, std::ostream& err) {
  try {
    Run(options, out, err);
    return kExitDone;
  } catch (const Stop& stop) {
    err << stop.message << "\n";
    return stop.code;
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return kExitFileNotWritten;
  }
}

}  // namespace volarin
