#include "history/sentchecks.h"

#include "common/text.h"

namespace volarin::history {

SentCheck SentCheckOf(const PositivePayCheck& check) {
  SentCheck sent;
  sent.bankAccount = check.bankAccount;
  sent.checkNumber = check.checkNumber;
  sent.checkDate = check.issueDate;
  sent.amount = check.amount;
  sent.statusCode = check.statusCode;
  sent.payee = check.PayeeAsShown();
  return sent;
}

PositivePayCheck PositivePayCheckOf(const SentCheck& sent) {
  PositivePayCheck check;
  check.bankAccount = TrimText(sent.bankAccount);
  check.checkNumber = sent.checkNumber;
  check.issueDate = sent.checkDate;
  check.amount = sent.amount;
  check.statusCode = TrimText(sent.statusCode);
  check.payee = TrimText(sent.payee);
  if (check.payee != sent.payee) check.shownPayee = sent.payee;
  return check;
}

std::vector<PositivePayCheck> PositivePayChecksOf(const std::vector<SentCheck>& sent) {
  std::vector<PositivePayCheck> checks;
  checks.reserve(sent.size());
  for (const SentCheck& s : sent) checks.push_back(PositivePayCheckOf(s));
  return checks;
}

}  // namespace volarin::history
