#include "history/sendfile.h"

#include <charconv>

#include "common/errors.h"
#include "common/money.h"
#include "common/paths.h"
#include "common/platform.h"
#include "common/sha256.h"
#include "common/text.h"
#include "history/historystore.h"
#include "history/sentchecks.h"
#include "positivepay/registerchecks.h"

namespace volarin::history {
namespace {

// The file's net total by its own rule: issued checks added, every other one subtracted.
Money NetTotal(const std::vector<PositivePayCheck>& checks) {
  Money total;
  for (const PositivePayCheck& check : checks) {
    if (check.IsIssued()) {
      total += check.amount;
    } else {
      total -= check.amount;
    }
  }
  return total;
}

}  // namespace

int64_t StartingCheckOfFilter(const std::string& filter) {
  constexpr std::string_view kPrefix = "CHECKNO>=";
  const std::string upper = UpperAscii(TrimText(filter));
  if (upper.rfind(kPrefix, 0) != 0) return 0;
  const std::string digits = TrimText(upper.substr(kPrefix.size()));
  int64_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return error == std::errc() && end == digits.data() + digits.size() ? number : 0;
}

SendResult SendPositivePayFile(TableCursor& checkRegister, const SendRequest& request,
                               const SendConfirm& confirm) {
  // The checks as they would go out; the file's bank account is that of its first check. A
  // register the export would refuse is refused before the operator is asked anything.
  RequireCompleteRegister(checkRegister);
  std::vector<SentCheck> outgoing;
  ForEachRegisterCheck(checkRegister, [&](const PositivePayCheck& check) {
    outgoing.push_back(SentCheckOf(check));
  });
  const std::string bankAccount = outgoing.empty() ? std::string() : outgoing.front().bankAccount;
  HistoryStore store(request.file.dataDir);
  GuardFindings findings =
      CheckBeforeSending(store, bankAccount, request.file.positivePayDate, outgoing);
  if (!findings.alreadySent) {
    const std::string archive = PlannedArchiveFile(checkRegister, request.file);
    if (platform::FileExists(archive)) {
      findings.unrecordedFile =
          UnrecordedFile{bankAccount, request.file.positivePayDate, FileNamePart(archive)};
    }
  }
  if (findings.Any() && !confirm(GuardWarningText(findings))) return {};

  std::vector<PositivePayCheck> written;
  ExportRequest file = request.file;
  file.onCheckWritten = [&](const PositivePayCheck& check) { written.push_back(check); };
  SendResult result;
  result.pickupFile = CreatePositivePayFile(checkRegister, file);
  result.sent = true;
  const std::string fileName = FileNamePart(result.pickupFile);
  result.archiveFile =
      ArchiveFilePath(request.file.dataDir, request.file.positivePayDate, fileName);

  try {
    Submission submission;
    submission.suiteAccount = request.suiteAccount;
    submission.bankAccount = written.empty() ? bankAccount : written.front().bankAccount;
    submission.positivePayDate = request.file.positivePayDate;
    submission.mode = request.mode;
    submission.startingCheckNumber = request.startingCheckNumber;
    submission.checkCount = static_cast<int64_t>(written.size());
    submission.netTotal = NetTotal(written);
    submission.archiveFileName = fileName;
    submission.sha256 = FileSha256Hex(result.archiveFile);
    std::vector<SentCheck> sent;
    sent.reserve(written.size());
    for (const PositivePayCheck& check : written) sent.push_back(SentCheckOf(check));
    result.submissionId = store.Record(submission, sent);
  } catch (const Error& error) {
    throw Error("The Positive Pay file " + result.pickupFile +
                " was created, but it could not be recorded in the history: " + error.what());
  }
  return result;
}

}  // namespace volarin::history
