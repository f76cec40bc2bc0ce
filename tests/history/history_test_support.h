#pragma once
// Submissions and checks for the history's tests, each telling from its fields which it is.

#include <string>
#include <vector>

#include "common/date.h"
#include "history/historyrecords.h"

namespace volarin::history::testing {

inline Date Day(int year, int month, int day) {
  return *Date::FromYmd(year, month, day);
}

inline SentCheck Check(int64_t number, const std::string& amount, std::string status = "00",
                       std::string payee = "ACME SUPPLY", Date date = Day(2005, 3, 15),
                       std::string bank = "1234567") {
  SentCheck c;
  c.bankAccount = std::move(bank);
  c.checkNumber = number;
  c.checkDate = date;
  c.amount = Money::FromStoredText(amount);
  c.statusCode = std::move(status);
  c.payee = std::move(payee);
  return c;
}

inline Submission Sending(std::string bank, Date date, int64_t count = 1,
                          const std::string& total = "10.00") {
  Submission s;
  s.createdDate = Day(2005, 3, 16);
  s.createdTime = "09:30:05";
  s.osUser = "clerk";
  s.suiteAccount = "ACC-1";
  s.bankAccount = std::move(bank);
  s.positivePayDate = date;
  s.mode = SubmissionMode::kDate;
  s.startingCheckNumber = 0;
  s.checkCount = count;
  s.netTotal = Money::FromStoredText(total);
  s.archiveFileName = date.Digits() + "_" + s.bankAccount + ".txt";
  s.sha256 = std::string(64, 'a');
  return s;
}

// The checks as the store gives them back: with the submission's id.
inline std::vector<SentCheck> WithId(std::vector<SentCheck> checks, int64_t id) {
  for (SentCheck& c : checks) c.submissionId = id;
  return checks;
}

}  // namespace volarin::history::testing
