#include "history/guards.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "common/text.h"
#include "storage/tablefiles.h"

namespace volarin::history {
namespace {

// The history keeps amounts to the cent, rounded as the field stores them.
bool SameAmount(Money a, Money b) {
  return a.RoundedCents() == b.RoundedCents();
}

std::string DateText(Date date) {
  if (date.IsNull()) return "no date";
  int y = 0, m = 0, d = 0;
  date.ToYmd(y, m, d);
  char text[16];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d", m, d, y);
  return text;
}

// A long list is cut here, so the box stays on the screen.
constexpr size_t kListedChecks = 10;

template <typename Line>
std::string BoundedList(const std::vector<CheckChange>& changes, Line line) {
  std::string text;
  for (size_t i = 0; i < changes.size() && i < kListedChecks; ++i) text += line(changes[i]);
  if (changes.size() > kListedChecks) {
    text += "  and " + std::to_string(changes.size() - kListedChecks) + " more\n";
  }
  return text;
}

std::string CheckLine(const CheckChange& c) {
  std::string line = "  check " + Int64ToText(c.now.checkNumber) + ": sent " +
                     c.sent.amount.FixedText() + " to \"" + TrimText(c.sent.payee) + "\" dated " +
                     DateText(c.sent.checkDate) + ", now " + c.now.amount.FixedText() + " to \"" +
                     TrimText(c.now.payee) + "\" dated " + DateText(c.now.checkDate);
  return line + "\n";
}

}  // namespace

GuardFindings DecideGuards(const std::optional<Submission>& lastForAccountAndDate,
                           const std::map<int64_t, SentCheck>& lastSent,
                           const std::vector<SentCheck>& outgoing) {
  GuardFindings findings;
  findings.alreadySent = lastForAccountAndDate;
  for (const SentCheck& now : outgoing) {
    const auto found = lastSent.find(now.checkNumber);
    if (found == lastSent.end()) continue;
    const SentCheck& sent = found->second;
    if (!SameAmount(sent.amount, now.amount) || TrimView(sent.payee) != TrimView(now.payee) ||
        sent.checkDate != now.checkDate) {
      findings.changed.push_back({sent, now});
    }
    if (TrimView(sent.statusCode) == tables::kStatusVoid &&
        TrimView(now.statusCode) == tables::kStatusIssued) {
      findings.voidNowIssued.push_back({sent, now});
    }
  }
  return findings;
}

GuardFindings CheckBeforeSending(const HistoryStore& store, const std::string& bankAccount,
                                 Date positivePayDate, const std::vector<SentCheck>& outgoing) {
  std::vector<int64_t> numbers;
  numbers.reserve(outgoing.size());
  for (const SentCheck& c : outgoing) numbers.push_back(c.checkNumber);
  return DecideGuards(store.LastSubmissionFor(bankAccount, positivePayDate),
                      store.LastSentChecks(bankAccount, numbers), outgoing);
}

std::string GuardWarningText(const GuardFindings& findings) {
  std::string text;
  if (findings.alreadySent) {
    const Submission& s = *findings.alreadySent;
    text += "A Positive Pay file for bank account " + s.bankAccount + " and " +
            DateText(s.positivePayDate) + " was already created on " + DateText(s.createdDate) +
            " at " + s.createdTime + (s.osUser.empty() ? "" : " by " + s.osUser) + " (" +
            s.archiveFileName + ").\n";
  }
  if (findings.unrecordedFile) {
    const UnrecordedFile& f = *findings.unrecordedFile;
    text += "A Positive Pay file for bank account " + f.bankAccount + " and " +
            DateText(f.positivePayDate) + " was already created (" + f.fileName +
            " in the archive folder), but the history has no record of it.\n";
  }
  if (!findings.changed.empty()) {
    if (!text.empty()) text += "\n";
    text += "These checks were already sent with another amount, payee or date:\n";
    text += BoundedList(findings.changed, CheckLine);
  }
  if (!findings.voidNowIssued.empty()) {
    if (!text.empty()) text += "\n";
    text += "These checks were sent as void and are now issued again:\n";
    text += BoundedList(findings.voidNowIssued, [](const CheckChange& c) {
      return "  check " + Int64ToText(c.now.checkNumber) + "\n";
    });
  }
  return text;
}

}  // namespace volarin::history
