#pragma once
// The history of the Positive Pay files created in one data folder and the checks sent in them.
//
// A submission is recorded with its checks first and its own record last: the submission record
// is the commit mark, so check records without one (a program that ended in the middle of a
// write) are ignored by every read and marked deleted by the next writer. Writers hold both
// tables exclusively for the moment of one submission, one after the other, so two programs
// never lose each other's records or give two submissions one id; ids are never used twice.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/date.h"
#include "history/historyrecords.h"

namespace volarin::history {

class HistoryStore {
 public:
  explicit HistoryStore(std::string dataDir) : dataDir_(std::move(dataDir)) {}

  // Records the submission and its checks (their submission ids are set to the new one) and
  // returns the new id. Creates the tables when they do not exist yet. A null creation date,
  // and an empty user, are stamped with now and the operating-system user. Throws Error (naming
  // the file) when the tables cannot be written; the history then holds none of it.
  int64_t Record(const Submission& submission, const std::vector<SentCheck>& checks);

  // The submissions, newest first; only those of the bank account when one is given.
  std::vector<Submission> Submissions(const std::optional<std::string>& bankAccount = {}) const;
  // The checks of a recorded submission in the order they were sent; empty for an unknown id.
  std::vector<SentCheck> ChecksOf(int64_t submissionId) const;
  // The newest submission for the bank account and Positive Pay date.
  std::optional<Submission> LastSubmissionFor(const std::string& bankAccount, Date date) const;
  // For each of the check numbers that was sent for the bank account: its latest sending.
  std::map<int64_t, SentCheck> LastSentChecks(const std::string& bankAccount,
                                              const std::vector<int64_t>& checkNumbers) const;

  const std::string& DataDir() const { return dataDir_; }

 private:
  std::string dataDir_;
};

}  // namespace volarin::history
