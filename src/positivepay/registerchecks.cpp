#include "positivepay/registerchecks.h"

#include "common/text.h"
#include "storage/tablecursor.h"
#include "storage/tablefiles.h"

namespace volarin {
bool RegisterChecks::Next(PositivePayCheck& check) {
  if (started_) {
    reg_.Skip(1);
  } else {
    reg_.GoTop();
    started_ = true;
    accountNr_ = reg_.FieldIndex(tables::reg::kAccountNr);
    bankCode_ = reg_.FieldIndex(tables::reg::kBankCode);
    checkNo_ = reg_.FieldIndex(tables::reg::kCheckNo);
    date_ = reg_.FieldIndex(tables::reg::kDate);
    amount_ = reg_.FieldIndex(tables::reg::kAmount);
    statusCode_ = reg_.FieldIndex(tables::reg::kStatusCode);
    company_ = reg_.FieldIndex(tables::reg::kCompany);
  }
  if (reg_.Eof()) return false;
  Read(check);
  return true;
}

const std::string& RegisterChecks::TrimmedText(int field, LastRead<std::string>& last) {
  const std::string_view stored = reg_.StoredTextAt(field);
  if (!last.read || stored != last.stored) {
    last.value.assign(reg_.TrimmedTextAt(field, scratch_));
    last.stored.assign(stored);
    last.read = true;
  }
  return last.value;
}

void RegisterChecks::Read(PositivePayCheck& check) {
  check.bankAccount = TrimmedText(accountNr_, lastAccount_);
  check.bankNumber = TrimmedText(bankCode_, lastBankNumber_);
  check.checkNumber = reg_.Int64At(checkNo_);
  const std::string_view dateBytes = reg_.StoredTextAt(date_);
  if (!lastDate_.read || dateBytes != lastDate_.stored) {
    lastDate_.value = reg_.DateAt(date_);
    lastDate_.stored.assign(dateBytes);
    lastDate_.read = true;
  }
  check.issueDate = lastDate_.value;
  // The stored digits as they stand: no binary fraction between the field and the file.
  check.amount = Money::FromStoredText(reg_.StoredTextAt(amount_));
  check.statusCode.assign(reg_.TrimmedTextAt(statusCode_, scratch_));
  // The payee as the register shows it (trailing blanks cut) is read once and trimmed from there.
  // The report prints it as it stands where it differs from the trimmed name: when blanks or
  // control characters stand at its ends. The code page turns no byte into a blank or out of
  // one, so the shown text tells this as the stored bytes would.
  const std::string_view shown = reg_.TextViewAt(company_, scratch_);
  if (!shown.empty() && (IsBlank(shown.front()) || IsBlank(shown.back()))) {
    check.payee.assign(TrimView(shown));
    check.shownPayee.assign(shown);
  } else {
    check.payee.assign(shown);
    check.shownPayee.clear();
  }
}

void ForEachRegisterCheck(TableCursor& checkRegister,
                          const std::function<void(const PositivePayCheck&)>& visit) {
  RegisterChecks checks(checkRegister);
  PositivePayCheck check;
  while (checks.Next(check)) visit(check);
}

std::vector<PositivePayCheck> ReadRegisterChecks(TableCursor& checkRegister) {
  std::vector<PositivePayCheck> all;
  ForEachRegisterCheck(checkRegister, [&](const PositivePayCheck& check) { all.push_back(check); });
  return all;
}

}  // namespace volarin
