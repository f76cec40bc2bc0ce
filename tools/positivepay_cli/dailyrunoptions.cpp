#include "dailyrunoptions.h"

#include <algorithm>
#include <cctype>

namespace volarin {

ParsedOptions ParseDailyRunOptions(const std::vector<std::string>& arguments) {
  ParsedOptions parsed;
  DailyRunOptions& o = parsed.options;
  auto fail = [&](const std::string& text) {
    parsed.error = text;
    return parsed;
  };
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    std::string* value = nullptr;
    if (word == "--help" || word == "-h") {
      o.help = true;
      continue;
    } else if (word == "--outstanding") {
      o.allOutstanding = true;
      continue;
    } else if (word == "--accept-warnings") {
      o.acceptWarnings = true;
      continue;
    } else if (word == "--data") {
      value = &o.dataFolder;
    } else if (word == "--account") {
      value = &o.account;
    } else if (word == "--date") {
      value = &o.date;
    } else if (word == "--start") {
      value = &o.startingCheck;
    } else if (word == "--pickup") {
      value = &o.pickupFolder;
    } else {
      return fail("Unknown argument " + word);
    }
    if (i + 1 >= arguments.size() || arguments[i + 1].empty() ||
        arguments[i + 1].rfind("--", 0) == 0) {
      return fail("Argument " + word + " needs a value");
    }
    *value = arguments[++i];
  }
  if (o.help) return parsed;
  if (o.account.empty()) return fail("No account given (--account)");
  const std::string& start = o.startingCheck;
  if (!start.empty() && (start.size() > 10 || !std::all_of(start.begin(), start.end(), [](char c) {
                           return std::isdigit(static_cast<unsigned char>(c)) != 0;
                         }))) {
    return fail("Starting check number " + start + " is not a check number");
  }
  return parsed;
}

std::string DailyRunUsage() {
  return "Usage: volarin-positivepay-cli --account ACCOUNT [--date MM/DD/YYYY] [--outstanding]\n"
         "                              [--start CHECKNO] [--data FOLDER] [--pickup FOLDER]\n"
         "                              [--accept-warnings]\n"
         "\n"
         "Extracts the checks of one account of the suite's data folder into the check register\n"
         "and writes the Positive Pay file: the archive copy under POSPAY in the data folder and\n"
         "the copy in the pickup folder the bank's uploader takes it from, and records it in the\n"
         "data folder's history of files sent.\n"
         "\n"
         "  --account ACCOUNT  the suite account, as in the account list (ZORACC)\n"
         "  --date DATE        the Positive Pay date, MM/DD/YYYY; today when not given\n"
         "  --outstanding      every outstanding check instead of the checks of the date\n"
         "  --start CHECKNO    only checks numbered from CHECKNO on\n"
         "  --data FOLDER      the data folder; the current folder when not given\n"
         "  --pickup FOLDER    the pickup folder instead of the usual one\n"
         "  --accept-warnings  send the file although the history warns against it (a file\n"
         "                     for the same bank account and date was sent already, a check\n"
         "                     was sent before with another amount, payee or date, or a void\n"
         "                     sent before is issued again); the warnings are still written\n"
         "  --help             this text\n"
         "\n"
         "Exit codes:\n"
         "  0  the Positive Pay file and its copies were written\n"
         "  1  the Positive Pay file could not be written\n"
         "  2  the command line is wrong\n"
         "  3  the data folder or its tables cannot be used\n"
         "  4  another program holds the check register (zorppay.dbf)\n"
         "  5  the account is not in the account list or has no account map record; nothing is\n"
         "     written\n"
         "  6  the extraction stopped with an error\n"
         "  7  the history warns against sending the file (the warnings are written) and\n"
         "     --accept-warnings was not given; no file is written\n";
}

}  // namespace volarin
