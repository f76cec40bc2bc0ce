#pragma once
// What the history says against sending a list of checks for a bank account and date: the same
// account and date already went out, checks already went out with another amount, payee or
// date, and checks that went out as void are now issued. Deciding is a pure function of what
// the history holds; the caller asks the operator whether to go on.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/date.h"
#include "history/historyrecords.h"
#include "history/historystore.h"

namespace volarin::history {

struct CheckChange {
  SentCheck sent;  // as it last went out
  SentCheck now;   // as it is about to go out
};

// A file for the account and date in the archive folder that the history does not know: made
// before the history was kept, or by a run cut off between the file and its record.
struct UnrecordedFile {
  std::string bankAccount;
  Date positivePayDate;
  std::string fileName;
};

struct GuardFindings {
  std::optional<Submission> alreadySent;         // the newest file for the same account and date
  std::optional<UnrecordedFile> unrecordedFile;  // only when alreadySent is empty
  std::vector<CheckChange> changed;              // other amount, payee or check date than last sent
  std::vector<CheckChange> voidNowIssued;

  bool Any() const {
    return alreadySent || unrecordedFile || !changed.empty() || !voidNowIssued.empty();
  }
};

// The decision over the history's answers: the newest submission for the account and date, and
// the latest sending of each check about to go out (keyed by check number). Amounts are compared
// to the cent, as the history keeps them; payees without their surrounding blanks.
GuardFindings DecideGuards(const std::optional<Submission>& lastForAccountAndDate,
                           const std::map<int64_t, SentCheck>& lastSent,
                           const std::vector<SentCheck>& outgoing);

// The same, asking the store.
GuardFindings CheckBeforeSending(const HistoryStore& store, const std::string& bankAccount,
                                 Date positivePayDate, const std::vector<SentCheck>& outgoing);

// The operator's warning, one paragraph per finding, each check on its own line (the first ten,
// then how many more); empty when there is nothing to warn of.
std::string GuardWarningText(const GuardFindings& findings);

}  // namespace volarin::history
