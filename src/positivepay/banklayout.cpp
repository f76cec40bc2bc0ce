#include "positivepay/banklayout.h"

#include <algorithm>

namespace volarin {
namespace {

LayoutField Field(FieldKind kind, int start = 0, int length = 0, bool zeroFill = false,
                  std::string text = {}) {
  LayoutField field;
  field.kind = kind;
  field.start = start;
  field.length = length;
  field.zeroFill = zeroFill;
  field.text = std::move(text);
  return field;
}

LayoutField Account(int start, int length) {
  LayoutField field = Field(FieldKind::BankAccount, start, length, true);
  field.digitsOnly = true;
  return field;
}

BankLayout MakeStandard() {
  BankLayout layout;
  layout.name = kStandardLayoutName;
  layout.kind = LayoutKind::Delimited;
  layout.delimiter = ',';
  layout.quoting = Quoting::AsIs;
  layout.detail = {Field(FieldKind::FileDate), Field(FieldKind::CheckNumber),
                   Field(FieldKind::Payee), Field(FieldKind::Amount)};
  layout.trailer = {Field(FieldKind::Count), Field(FieldKind::Total)};
  layout.dateForm = DateForm::ShortDate;
  layout.amountForm = AmountForm::Standard;
  layout.voidAmounts = VoidAmounts::Negative;
  layout.voidsInTotal = VoidsInTotal::Subtract;
  layout.countVoids = false;
  layout.issueCode = "00";
  layout.voidCode = "02";
  return layout;
}

// Shape 1 of the bank guides: code, account, check, date MMDDYY, decimal amount, payee (40).
BankLayout MakeCommaCodeFirst() {
  BankLayout layout;
  layout.name = "Comma-separated, code first (I/V, MMDDYY)";
  layout.kind = LayoutKind::Delimited;
  layout.quoting = Quoting::WhereNeeded;
  layout.detail = {Field(FieldKind::StatusCode),  Field(FieldKind::BankAccount),
                   Field(FieldKind::CheckNumber), Field(FieldKind::IssueDate),
                   Field(FieldKind::Amount),      Field(FieldKind::Payee)};
  layout.dateForm = DateForm::MMDDYY;
  layout.amountForm = AmountForm::Decimal;
  layout.voidAmounts = VoidAmounts::Positive;
  layout.issueCode = "I";
  layout.voidCode = "V";
  layout.payeeLimit = 40;
  return layout;
}

// Shape 2: fixed width 100, void indicator "2", implied cents, YYYYMMDD, payee to the end.
BankLayout MakeFixed100() {
  BankLayout layout;
  layout.name = "Fixed width 100 (void 2, implied cents, YYYYMMDD)";
  layout.kind = LayoutKind::FixedWidth;
  layout.recordLength = 100;
  layout.detail = {Account(1, 12),
                   Field(FieldKind::StatusCode, 13, 1),
                   Field(FieldKind::Filler, 14, 2),
                   Field(FieldKind::CheckNumber, 16, 10, true),
                   Field(FieldKind::Amount, 26, 12, true),
                   Field(FieldKind::IssueDate, 38, 8),
                   Field(FieldKind::Filler, 46, 1),
                   Field(FieldKind::Payee, 47, 54)};
  layout.dateForm = DateForm::YYYYMMDD;
  layout.amountForm = AmountForm::ImpliedCents;
  layout.voidAmounts = VoidAmounts::Positive;
  layout.issueCode = "";
  layout.voidCode = "2";
  return layout;
}

// Shape 3: fixed width 80 with a header (H, account, file date) and a trailer (T, account,
// count of records, total of the amounts written).
BankLayout MakeFixed80() {
  BankLayout layout;
  layout.name = "Fixed width 80 with header and trailer (I/V, MMDDYYYY)";
  layout.kind = LayoutKind::FixedWidth;
  layout.recordLength = 80;
  layout.header = {Field(FieldKind::Constant, 1, 1, false, "H"), Account(2, 12),
                   Field(FieldKind::FileDate, 14, 8)};
  layout.detail = {Field(FieldKind::Constant, 1, 1, false, "D"),
                   Account(2, 12),
                   Field(FieldKind::CheckNumber, 14, 10, true),
                   Field(FieldKind::IssueDate, 24, 8),
                   Field(FieldKind::Amount, 32, 10, true),
                   Field(FieldKind::StatusCode, 42, 1),
                   Field(FieldKind::Payee, 43, 38)};
  layout.trailer = {Field(FieldKind::Constant, 1, 1, false, "T"), Account(2, 12),
                    Field(FieldKind::Count, 14, 6, true), Field(FieldKind::Total, 20, 12, true)};
  layout.dateForm = DateForm::MMDDYYYY;
  layout.amountForm = AmountForm::ImpliedCents;
  layout.voidAmounts = VoidAmounts::Positive;
  layout.voidsInTotal = VoidsInTotal::Add;
  layout.countVoids = true;
  layout.issueCode = "I";
  layout.voidCode = "V";
  return layout;
}

bool FixedLengthField(FieldKind kind) {
  return kind == FieldKind::BankNumber || kind == FieldKind::IssueDate ||
         kind == FieldKind::FileDate;
}

std::string RecordProblem(const BankLayout& layout, const std::vector<LayoutField>& fields,
                          const char* record) {
  const std::string where = std::string(" in the ") + record + " record";
  if (layout.kind == LayoutKind::FixedWidth) {
    std::vector<std::pair<int, int>> spans;
    for (const LayoutField& field : fields) {
      const std::string name = FieldKindName(field.kind);
      if (field.start < 1 || field.length < 1) {
        return "The field " + name + where + " needs a start position and a length";
      }
      if (field.start + field.length - 1 > layout.recordLength) {
        return "The field " + name + where + " ends after position " +
               std::to_string(layout.recordLength);
      }
      for (const auto& [start, end] : spans) {
        if (field.start <= end && start <= field.start + field.length - 1) {
          return "The field " + name + where + " overlaps another field";
        }
      }
      spans.emplace_back(field.start, field.start + field.length - 1);
    }
  }
  for (const LayoutField& field : fields) {
    const std::string name = FieldKindName(field.kind);
    if (field.kind == FieldKind::StatusCode && field.length > 0 &&
        static_cast<int>(std::max(layout.issueCode.size(), layout.voidCode.size())) >
            field.length) {
      return "The issue or void code is longer than its field" + where;
    }
    if (field.kind == FieldKind::Constant && field.length > 0 &&
        static_cast<int>(field.text.size()) > field.length) {
      return "The constant \"" + field.text + "\" is longer than its field" + where;
    }
    if (field.kind == FieldKind::Filler && field.text.size() > 1) {
      return "A filler is one character" + where;
    }
    if (FixedLengthField(field.kind) && layout.kind == LayoutKind::FixedWidth && field.length < 1) {
      return "The field " + name + where + " needs a length";
    }
  }
  return {};
}

}  // namespace

const BankLayout& StandardLayout() {
  static const BankLayout standard = MakeStandard();
  return standard;
}

const std::vector<BankLayout>& BuiltInLayouts() {
  static const std::vector<BankLayout> layouts = {MakeStandard(), MakeCommaCodeFirst(),
                                                  MakeFixed100(), MakeFixed80()};
  return layouts;
}

const BankLayout* FindBuiltInLayout(const std::string& name) {
  for (const BankLayout& layout : BuiltInLayouts()) {
    if (layout.name == name) return &layout;
  }
  return nullptr;
}

std::string LayoutProblem(const BankLayout& layout) {
  if (layout.name.empty()) return "A layout needs a name";
  if (layout.detail.empty()) return "The layout has no fields for the checks";
  if (layout.kind == LayoutKind::FixedWidth &&
      (layout.recordLength < 1 || layout.recordLength > 1000)) {
    return "A fixed-width record is 1 to 1000 characters long";
  }
  if (layout.kind == LayoutKind::Delimited) {
    const char d = layout.delimiter;
    if (d == '"' || d == '-' || d == '.' || d == '\r' || d == '\n' || (d >= '0' && d <= '9') ||
        (d >= 'A' && d <= 'Z') || (d >= 'a' && d <= 'z')) {
      return "The delimiter could be taken for part of a value";
    }
  }
  if (layout.lineEnding != "\r\n" && layout.lineEnding != "\n") {
    return "Lines end with CR LF or with LF";
  }
  if (layout.payeeLimit < 0) return "The payee limit cannot be negative";
  const std::string& pattern = layout.fileNamePattern;
  if (pattern.empty() || pattern.find_first_of("/\\:*?\"<>|") != std::string::npos) {
    return "The file name pattern must be a plain file name";
  }
  if (pattern.find("{date}") == std::string::npos) {
    return "The file name pattern must hold {date}, so each day's file has its own name";
  }
  for (const auto& [fields, record] :
       {std::pair{&layout.header, "header"}, std::pair{&layout.detail, "detail"},
        std::pair{&layout.trailer, "trailer"}}) {
    const std::string problem = RecordProblem(layout, *fields, record);
    if (!problem.empty()) return problem;
  }
  return {};
}

const char* FieldKindName(FieldKind kind) {
  switch (kind) {
    case FieldKind::BankAccount:
      return "BankAccount";
    case FieldKind::BankNumber:
      return "BankNumber";
    case FieldKind::CheckNumber:
      return "CheckNumber";
    case FieldKind::IssueDate:
      return "IssueDate";
    case FieldKind::FileDate:
      return "FileDate";
    case FieldKind::Amount:
      return "Amount";
    case FieldKind::Payee:
      return "Payee";
    case FieldKind::StatusCode:
      return "Code";
    case FieldKind::Filler:
      return "Filler";
    case FieldKind::Constant:
      return "Constant";
    case FieldKind::Count:
      return "Count";
    case FieldKind::Total:
      return "Total";
  }
  return "?";
}

const char* DateFormName(DateForm form) {
  switch (form) {
    case DateForm::ShortDate:
      return "ShortDate";
    case DateForm::MMDDYY:
      return "MMDDYY";
    case DateForm::MMDDYYYY:
      return "MMDDYYYY";
    case DateForm::YYMMDD:
      return "YYMMDD";
    case DateForm::YYYYMMDD:
      return "YYYYMMDD";
    case DateForm::MM_DD_YY:
      return "MM/DD/YY";
    case DateForm::MM_DD_YYYY:
      return "MM/DD/YYYY";
    case DateForm::MM_DD_YYYY_Dashed:
      return "MM-DD-YYYY";
    case DateForm::YYYY_MM_DD_Dashed:
      return "YYYY-MM-DD";
  }
  return "?";
}

const char* AmountFormName(AmountForm form) {
  switch (form) {
    case AmountForm::Standard:
      return "Standard";
    case AmountForm::Decimal:
      return "Decimal";
    case AmountForm::ImpliedCents:
      return "ImpliedCents";
    case AmountForm::WholeDollars:
      return "WholeDollars";
  }
  return "?";
}

}  // namespace volarin
