#pragma once
// Sending a Positive Pay file: what the history warns of is put to the operator first, then the
// file is created, and once it is complete its submission and checks are recorded. The window
// and the command-line program both send through here.

#include <cstdint>
#include <functional>
#include <string>

#include "history/guards.h"
#include "history/historyrecords.h"
#include "positivepay/export.h"

namespace volarin {
class TableCursor;
}

namespace volarin::history {

struct SendRequest {
  ExportRequest file;
  std::string suiteAccount;  // the account of the suite the checks were extracted for
  SubmissionMode mode = SubmissionMode::kDate;
  int64_t startingCheckNumber = 0;  // 0: every check number
};

// Asked with the warnings' text when the history warns against sending; true goes on.
using SendConfirm = std::function<bool(const std::string& warning)>;

struct SendResult {
  bool sent = false;  // false: stopped at a warning, and nothing was written
  std::string pickupFile;
  std::string archiveFile;
  int64_t submissionId = 0;
};

// Sends the register's visible checks. Nothing is written when the operator stops at a
// warning; a failed export records nothing. When the file went out but its history cannot be
// written, the Error says both.
SendResult SendPositivePayFile(TableCursor& checkRegister, const SendRequest& request,
                               const SendConfirm& confirm);

// The starting check number a register filter "checkno>=N" sets; 0 for any other filter.
int64_t StartingCheckOfFilter(const std::string& filter);

}  // namespace volarin::history
