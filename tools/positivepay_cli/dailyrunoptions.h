#pragma once
// What one unattended run is asked to do, read from the command line.

#include <optional>
#include <string>
#include <vector>

namespace volarin {

// The program's exit codes; --help and the README list them.
enum ExitCode : int {
  kExitDone = 0,              // the Positive Pay file and its copies are written
  kExitFileNotWritten = 1,    // the export failed (archive or pickup file)
  kExitUsage = 2,             // the command line is wrong
  kExitDataFolder = 3,        // the data folder or its tables cannot be used
  kExitRegisterHeld = 4,      // another program holds the check register
  kExitAccount = 5,           // the account is not in the account list or has no map record
  kExitExtractionFailed = 6,  // the extraction stopped with an error
  kExitWarned = 7  // the history warns against sending the file, and --accept-warnings is not given
};

struct DailyRunOptions {
  std::string dataFolder;  // empty: the current folder
  std::string account;     // as the account list spells it, without trailing blanks
  std::string date;        // MM/DD/YYYY; empty: today
  bool allOutstanding = false;
  std::string startingCheck;  // empty: no starting number
  std::string pickupFolder;   // empty: the platform's pickup folder
  // Sends the file although the history warns (the same day's file already sent, checks sent
  // before with other details, a void sent before now issued); the warnings are still told.
  bool acceptWarnings = false;
  bool help = false;
};

// Reads the arguments (without the program's name); an error text names what is wrong.
struct ParsedOptions {
  DailyRunOptions options;
  std::string error;  // empty when the command line is sound
};
ParsedOptions ParseDailyRunOptions(const std::vector<std::string>& arguments);

std::string DailyRunUsage();

}  // namespace volarin
