#include "history/historystore.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "common/platform.h"
#include "common/text.h"
#include "dbf/codepage.h"
#include "dbf/errors.h"
#include "dbf/mdx/tableindex.h"
#include "history/historyrows.h"
#include "history/historytable.h"
#include "history/historytables.h"

namespace volarin::history {
namespace {

std::string BankKey(const std::string& bankAccount) {
  return PadRight(' ', dbf::WindowsToOem(TrimText(bankAccount)), kBankAccountWidth);
}

std::string CheckNumberKey(int64_t checkNumber) {
  return PadLeft(' ', Int64ToText(checkNumber), kCheckNumberWidth);
}

void StampCreation(Submission& s) {
  if (s.createdDate.IsNull()) {
    int hour = 0, minute = 0, second = 0;
    platform::LocalTimeOfDay(hour, minute, second);
    s.createdDate = Date::Today();
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
    s.createdTime = text;
  }
  if (s.osUser.empty()) s.osUser = platform::CurrentUserName();
}

// Calls visit for every record not marked deleted, in record-number order.
template <typename Visit>
void ForEachRecord(dbf::Table& table, Visit visit) {
  table.SetOrder(nullptr);
  for (table.Top(); !table.Eof(); table.Skip()) {
    if (!table.Deleted()) visit();
  }
}

// Calls visit for every live record whose key in the tag starts with `key`, in tag order;
// false when the index could not be read (the caller then reads every record instead).
template <typename Visit>
bool ForEachWithKey(dbf::Table& table, bool indexed, const char* tag, const std::string& key,
                    Visit visit) {
  if (!indexed) return false;
  try {
    if (!dbf::SelectTag(table, tag)) return false;
    if (dbf::Seek(table, key) != dbf::SeekOutcome::kFound) return true;
    do {
      if (!table.Deleted()) visit();
    } while (dbf::SeekNext(table, key));
    return true;
  } catch (const dbf::Error&) {
    return false;
  }
}

// Both tables open for reading; either may be missing (nothing recorded yet).
struct Reading {
  explicit Reading(const std::string& dataDir) {
    submissions = OpenForReading(context, dataDir, SubmissionSchema(), submissionsIndexed);
    if (submissions) checks = OpenForReading(context, dataDir, SentCheckSchema(), checksIndexed);
  }
  std::set<int64_t> CommittedIds() {
    std::set<int64_t> ids;
    if (submissions) {
      ForEachRecord(*submissions, [&] { ids.insert(ReadId(*submissions, submission::kId)); });
    }
    return ids;
  }

  dbf::Context context;
  std::unique_ptr<dbf::Table> submissions;
  std::unique_ptr<dbf::Table> checks;
  bool submissionsIndexed = false;
  bool checksIndexed = false;
};

}  // namespace

int64_t HistoryStore::Record(const Submission& given, const std::vector<SentCheck>& checks) {
  Submission record = given;
  StampCreation(record);
  dbf::Context context;
  // Always the submissions first, so two writers never each hold one table waiting for the other.
  auto submissions = OpenForWriting(context, dataDir_, SubmissionSchema());
  auto sent = OpenForWriting(context, dataDir_, SentCheckSchema());

  std::set<int64_t> committed;
  int64_t lastId = 0;
  submissions->SetOrder(nullptr);
  for (submissions->Top(); !submissions->Eof(); submissions->Skip()) {
    const int64_t id = ReadId(*submissions, submission::kId);
    lastId = std::max(lastId, id);
    if (!submissions->Deleted()) committed.insert(id);
  }
  // Checks of a submission that never got its record: the writer ended before its commit mark.
  sent->SetOrder(nullptr);
  for (sent->Top(); !sent->Eof(); sent->Skip()) {
    const int64_t id = ReadId(*sent, sent::kSubmissionId);
    lastId = std::max(lastId, id);
    if (!sent->Deleted() && !committed.contains(id)) {
      sent->Delete();
      sent->Write();
    }
  }
  record.id = lastId + 1;

  std::vector<StoredRow> rows;
  rows.reserve(checks.size());
  for (SentCheck check : checks) {
    check.submissionId = record.id;
    rows.push_back(StoredSentCheck(*sent, check));
  }
  const StoredRow submissionRow = StoredSubmission(*submissions, record);

  for (const StoredRow& row : rows) {
    sent->StartAppend();
    AssignRow(*sent, row);
    sent->Append();
  }
  sent->Sync();
  submissions->StartAppend();
  AssignRow(*submissions, submissionRow);
  submissions->Append();
  submissions->Sync();
  sent->Close();
  submissions->Close();
  return record.id;
}

std::vector<Submission> HistoryStore::Submissions(
    const std::optional<std::string>& bankAccount) const {
  Reading reading(dataDir_);
  std::vector<Submission> found;
  if (!reading.submissions) return found;
  const std::string bank = bankAccount ? TrimText(*bankAccount) : std::string();
  ForEachRecord(*reading.submissions, [&] {
    Submission s = ReadSubmission(*reading.submissions);
    if (!bankAccount || s.bankAccount == bank) found.push_back(std::move(s));
  });
  std::sort(found.begin(), found.end(),
            [](const Submission& a, const Submission& b) { return a.id > b.id; });
  return found;
}

std::vector<SentCheck> HistoryStore::ChecksOf(int64_t submissionId) const {
  Reading reading(dataDir_);
  std::vector<SentCheck> found;
  if (!reading.checks || !reading.CommittedIds().contains(submissionId)) return found;
  dbf::Table& table = *reading.checks;
  const auto take = [&] {
    if (ReadId(table, sent::kSubmissionId) == submissionId) found.push_back(ReadSentCheck(table));
  };
  if (!ForEachWithKey(table, reading.checksIndexed, kSentSubmissionTag, Int64ToText(submissionId),
                      take)) {
    found.clear();
    ForEachRecord(table, take);
  }
  return found;
}

std::optional<Submission> HistoryStore::LastSubmissionFor(const std::string& bankAccount,
                                                          Date date) const {
  Reading reading(dataDir_);
  std::optional<Submission> last;
  if (!reading.submissions) return last;
  dbf::Table& table = *reading.submissions;
  const std::string bank = TrimText(bankAccount);
  const auto take = [&] {
    Submission s = ReadSubmission(table);
    if (s.bankAccount == bank && s.positivePayDate == date && (!last || s.id > last->id)) {
      last = std::move(s);
    }
  };
  if (!ForEachWithKey(table, reading.submissionsIndexed, kBankDateTag,
                      BankKey(bankAccount) + date.Digits(), take)) {
    last.reset();
    ForEachRecord(table, take);
  }
  return last;
}

std::map<int64_t, SentCheck> HistoryStore::LastSentChecks(
    const std::string& bankAccount, const std::vector<int64_t>& checkNumbers) const {
  Reading reading(dataDir_);
  std::map<int64_t, SentCheck> last;
  if (!reading.checks) return last;
  const std::set<int64_t> committed = reading.CommittedIds();
  const std::set<int64_t> wanted(checkNumbers.begin(), checkNumbers.end());
  const std::string bank = TrimText(bankAccount);
  dbf::Table& table = *reading.checks;
  const auto take = [&] {
    SentCheck c = ReadSentCheck(table);
    if (c.bankAccount != bank || !wanted.contains(c.checkNumber) ||
        !committed.contains(c.submissionId)) {
      return;
    }
    auto [at, added] = last.try_emplace(c.checkNumber, c);
    if (!added && c.submissionId > at->second.submissionId) at->second = std::move(c);
  };
  bool indexed = reading.checksIndexed;
  for (auto number = wanted.begin(); indexed && number != wanted.end(); ++number) {
    indexed =
        ForEachWithKey(table, true, kBankCheckTag, BankKey(bank) + CheckNumberKey(*number), take);
  }
  if (!indexed) {
    last.clear();
    ForEachRecord(table, take);
  }
  return last;
}

}  // namespace volarin::history
