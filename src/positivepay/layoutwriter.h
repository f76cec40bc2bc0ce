#pragma once
// Writes the Positive Pay file's records in a bank's layout: the column names or header, one
// record per check, the trailer. A value that does not fit its field is refused, naming the
// check and the field (an amount or a check number is never cut); a payee longer than the
// layout allows is cut as the layout says.

#include <cstdint>
#include <string>
#include <vector>

#include "common/date.h"
#include "common/errors.h"
#include "positivepay/banklayout.h"
#include "positivepay/positivepayfile.h"

namespace volarin {

// A layout that cannot write this file: a value too long for its field, or a layout that is
// not whole.
class LayoutRefusal : public Error {
 public:
  using Error::Error;
};

// The layouts write the checks the register reader gives.
using LayoutCheck = PositivePayCheck;

// What the header, the trailer and the file name say of the whole file.
struct LayoutFileFacts {
  Date positivePayDate;
  std::string bankAccount;  // trimmed, of the first check
  std::string bankNumber;   // trimmed, of the first check
};

class LayoutWriter {
 public:
  // Throws LayoutRefusal when the layout is not whole (LayoutProblem).
  LayoutWriter(const BankLayout& layout, LayoutFileFacts facts);

  // The delimited column names row; "" when the layout has none.
  std::string ColumnNames() const;
  // The header record as it stands with the checks written so far; "" without a header.
  std::string Header() const;
  // True when the header tells the count or the total, so it can only be written last.
  bool HeaderNeedsTotals() const;
  // The check's record, counted into the totals.
  std::string Detail(const LayoutCheck& check);
  // The trailer record; "" without a trailer.
  std::string Trailer() const;
  // The file's name by the layout's pattern.
  std::string FileName() const;

  int64_t Count() const { return count_; }

 private:
  std::string Record(const std::vector<LayoutField>& fields, const LayoutCheck* check,
                     const char* record) const;
  std::string Value(const LayoutField& field, const LayoutCheck* check) const;
  std::string TotalText() const;

  BankLayout layout_;
  LayoutFileFacts facts_;
  int64_t count_ = 0;
  int64_t totalCents_ = 0;  // the sum of the cents each record shows
  Money standardTotal_;     // the standard file's total: of the amounts, rounded once
};

class FieldAccess;

// The check of a record read aside from the register (a layout preview's sample): bank account,
// bank number, check number, date, amount, status code and payee.
LayoutCheck LayoutCheckOf(FieldAccess& record);

// The first lines the layout writes for these checks (the column names or header, the checks'
// records, the trailer), as the layout's preview shows them. Throws LayoutRefusal.
std::string LayoutPreview(const BankLayout& layout, const std::vector<LayoutCheck>& checks,
                          const LayoutFileFacts& facts);

// The date in one of the layouts' forms.
std::string DateInForm(Date date, DateForm form);
// The amount's text in one of the layouts' forms ("-" in front when negative).
std::string AmountInForm(Money amount, AmountForm form);

}  // namespace volarin
