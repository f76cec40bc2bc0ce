#include "positivepay/layoutwriter.h"

#include <algorithm>
#include <cstdio>

#include "common/numbers.h"
#include "common/text.h"
#include "positivepay/positivepayfile.h"
#include "storage/fieldaccess.h"
#include "storage/tablefiles.h"

namespace volarin {
namespace {

bool IsIssued(const LayoutCheck& check) {
  return check.IsIssued();
}

// Rounded half away from zero on the exact amount, as the report and the trailer round.
int64_t Cents(Money amount) {
  return amount.RoundedCents();
}

// Numbers are never cut: they are right-justified and, when the layout says so, zero-filled
// after their sign.
bool IsNumber(const LayoutField& field) {
  switch (field.kind) {
    case FieldKind::CheckNumber:
    case FieldKind::Amount:
    case FieldKind::Count:
    case FieldKind::Total:
    case FieldKind::BankNumber:
      return true;
    case FieldKind::BankAccount:
      return field.digitsOnly;
    default:
      return false;
  }
}

// Texts the "All" quoting puts between quotes.
bool IsText(FieldKind kind) {
  return kind == FieldKind::Payee || kind == FieldKind::Constant || kind == FieldKind::StatusCode ||
         kind == FieldKind::BankAccount || kind == FieldKind::BankNumber;
}

// Each check must stay one line: control characters become blanks.
std::string WithoutControls(std::string text) {
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127) c = ' ';
  }
  return text;
}

std::string CentsText(int64_t cents, AmountForm form) {
  const uint64_t magnitude = cents < 0 ? 0 - static_cast<uint64_t>(cents) : cents;
  const std::string sign = cents < 0 ? "-" : "";
  switch (form) {
    case AmountForm::ImpliedCents:
      return sign + std::to_string(magnitude);
    case AmountForm::WholeDollars:
      return sign + std::to_string(magnitude / 100);
    case AmountForm::Standard:
    case AmountForm::Decimal:
      break;
  }
  char fraction[4];
  std::snprintf(fraction, sizeof fraction, "%02u", static_cast<unsigned>(magnitude % 100));
  return sign + std::to_string(magnitude / 100) + "." + fraction;
}

std::string QuoteDoubled(const std::string& text) {
  return "\"" + ReplaceAll(text, "\"", "\"\"") + "\"";
}

}  // namespace

std::string DateInForm(Date date, DateForm form) {
  if (form == DateForm::ShortDate) return DateToText(date);
  if (date.IsNull()) return {};
  int y = 0, m = 0, d = 0;
  date.ToYmd(y, m, d);
  char text[16];
  const int yy = y % 100;
  switch (form) {
    case DateForm::MMDDYY:
      std::snprintf(text, sizeof text, "%02d%02d%02d", m, d, yy);
      break;
    case DateForm::MMDDYYYY:
      std::snprintf(text, sizeof text, "%02d%02d%04d", m, d, y);
      break;
    case DateForm::YYMMDD:
      std::snprintf(text, sizeof text, "%02d%02d%02d", yy, m, d);
      break;
    case DateForm::YYYYMMDD:
      std::snprintf(text, sizeof text, "%04d%02d%02d", y, m, d);
      break;
    case DateForm::MM_DD_YY:
      std::snprintf(text, sizeof text, "%02d/%02d/%02d", m, d, yy);
      break;
    case DateForm::MM_DD_YYYY:
      std::snprintf(text, sizeof text, "%02d/%02d/%04d", m, d, y);
      break;
    case DateForm::MM_DD_YYYY_Dashed:
      std::snprintf(text, sizeof text, "%02d-%02d-%04d", m, d, y);
      break;
    case DateForm::YYYY_MM_DD_Dashed:
      std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
      break;
    case DateForm::ShortDate:
      break;
  }
  return text;
}

std::string AmountInForm(Money amount, AmountForm form) {
  if (form == AmountForm::Standard) return AmountText(amount);
  return CentsText(Cents(amount), form);
}

LayoutWriter::LayoutWriter(const BankLayout& layout, LayoutFileFacts facts)
    : layout_(layout), facts_(std::move(facts)) {
  const std::string problem = LayoutProblem(layout_);
  if (!problem.empty()) throw LayoutRefusal("The layout \"" + layout_.name + "\": " + problem);
}

std::string LayoutWriter::ColumnNames() const {
  if (layout_.kind != LayoutKind::Delimited || !layout_.columnNames) return {};
  std::string row;
  for (size_t i = 0; i < layout_.detail.size(); ++i) {
    if (i > 0) row += layout_.delimiter;
    row += FieldKindName(layout_.detail[i].kind);
  }
  return row + layout_.lineEnding;
}

std::string LayoutWriter::Header() const {
  if (layout_.header.empty()) return {};
  return Record(layout_.header, nullptr, "header");
}

bool LayoutWriter::HeaderNeedsTotals() const {
  for (const LayoutField& field : layout_.header) {
    if (field.kind == FieldKind::Count || field.kind == FieldKind::Total) return true;
  }
  return false;
}

std::string LayoutWriter::Detail(const LayoutCheck& check) {
  std::string record = Record(layout_.detail, &check, "detail");
  const bool issued = IsIssued(check);
  if (issued || layout_.countVoids) ++count_;
  const int64_t cents = Cents(check.amount);
  if (issued) {
    totalCents_ += cents;
    standardTotal_ += check.amount;
  } else if (layout_.voidsInTotal == VoidsInTotal::Subtract) {
    totalCents_ -= cents;
    standardTotal_ -= check.amount;
  } else if (layout_.voidsInTotal == VoidsInTotal::Add) {
    totalCents_ += cents;
    standardTotal_ += check.amount;
  }
  return record;
}

std::string LayoutWriter::Trailer() const {
  if (layout_.trailer.empty()) return {};
  return Record(layout_.trailer, nullptr, "trailer");
}

std::string LayoutWriter::FileName() const {
  std::string name = layout_.fileNamePattern;
  name = ReplaceAll(name, "{date}", facts_.positivePayDate.Digits());
  name = ReplaceAll(name, "{account}", facts_.bankAccount);
  name = ReplaceAll(name, "{bankno}", facts_.bankNumber);
  return name;
}

std::string LayoutWriter::TotalText() const {
  if (layout_.amountForm == AmountForm::Standard) {
    return standardTotal_.FixedText();
  }
  return CentsText(totalCents_, layout_.amountForm);
}

std::string LayoutWriter::Value(const LayoutField& field, const LayoutCheck* check) const {
  switch (field.kind) {
    case FieldKind::BankAccount: {
      const std::string& account = check ? check->bankAccount : facts_.bankAccount;
      return field.digitsOnly ? DigitsOnly(account) : WithoutControls(account);
    }
    case FieldKind::BankNumber:
      return WithoutControls(check ? check->bankNumber : facts_.bankNumber);
    case FieldKind::CheckNumber:
      return check ? Int64ToText(check->checkNumber) : std::string();
    case FieldKind::IssueDate:
      return check ? DateInForm(check->issueDate, layout_.dateForm) : std::string();
    case FieldKind::FileDate:
      return DateInForm(facts_.positivePayDate, layout_.dateForm);
    case FieldKind::Amount: {
      if (!check) return {};
      const bool negated = !IsIssued(*check) && layout_.voidAmounts == VoidAmounts::Negative;
      // The standard file puts "-" before the amount text as it stands.
      if (layout_.amountForm == AmountForm::Standard) {
        return (negated ? "-" : "") + AmountText(check->amount);
      }
      const int64_t cents = Cents(check->amount);
      return CentsText(negated ? -cents : cents, layout_.amountForm);
    }
    case FieldKind::Payee: {
      if (!check) return {};
      std::string payee = WithoutControls(check->payee);
      if (layout_.payeeLimit > 0 && static_cast<int>(payee.size()) > layout_.payeeLimit) {
        payee = TrimRight(payee.substr(0, static_cast<size_t>(layout_.payeeLimit)));
      }
      return payee;
    }
    case FieldKind::StatusCode:
      return check ? (IsIssued(*check) ? layout_.issueCode : layout_.voidCode) : std::string();
    case FieldKind::Filler: {
      const char fill = field.text.empty() ? ' ' : field.text[0];
      return std::string(static_cast<size_t>(std::max(field.length, 0)), fill);
    }
    case FieldKind::Constant:
      return field.text;
    case FieldKind::Count:
      return Int64ToText(count_);
    case FieldKind::Total:
      return TotalText();
  }
  return {};
}

std::string LayoutWriter::Record(const std::vector<LayoutField>& fields, const LayoutCheck* check,
                                 const char* record) const {
  const bool fixed = layout_.kind == LayoutKind::FixedWidth;
  std::string line = fixed ? std::string(static_cast<size_t>(layout_.recordLength), ' ') : "";
  for (size_t i = 0; i < fields.size(); ++i) {
    const LayoutField& field = fields[i];
    std::string value = Value(field, check);
    const bool number = IsNumber(field);
    if (field.length > 0) {
      const auto width = static_cast<size_t>(field.length);
      if (field.kind == FieldKind::Payee && value.size() > width) {
        value = value.substr(0, width);  // a payee is cut to its field
      } else if (value.size() > width) {
        const std::string whose = check ? "Check " + Int64ToText(check->checkNumber) + ": the "
                                        : std::string("The ") + record + " record's ";
        throw LayoutRefusal(whose + FieldKindName(field.kind) + " " + value + " does not fit the " +
                            std::to_string(width) + " positions of its field");
      }
      if (number && field.zeroFill) {
        const bool negative = !value.empty() && value[0] == '-';
        const std::string digits = negative ? value.substr(1) : value;
        value = (negative ? "-" : "") + PadLeft('0', digits, static_cast<int>(width) - negative);
      } else if (number && fixed) {
        value = PadLeft(' ', value, static_cast<int>(width));
      } else if (fixed) {
        value = PadRight(' ', value, static_cast<int>(width));
      }
    }
    if (fixed) {
      line.replace(static_cast<size_t>(field.start - 1), value.size(), value);
      continue;
    }
    if (i > 0) line += layout_.delimiter;
    const bool quote = (layout_.quoting == Quoting::AsIs && field.kind == FieldKind::Payee) ||
                       (layout_.quoting == Quoting::All && IsText(field.kind));
    const bool needed =
        layout_.quoting == Quoting::WhereNeeded &&
        value.find_first_of(std::string("\"\r\n") + layout_.delimiter) != std::string::npos;
    if (layout_.quoting == Quoting::AsIs && quote) {
      line += "\"" + value + "\"";
    } else if (quote || needed) {
      line += QuoteDoubled(value);
    } else {
      line += value;
    }
  }
  return line + layout_.lineEnding;
}

LayoutCheck LayoutCheckOf(FieldAccess& record) {
  LayoutCheck check;
  check.bankAccount = TrimText(record.FieldAsString(tables::reg::kAccountNr));
  check.bankNumber = TrimText(record.FieldAsString(tables::reg::kBankCode));
  check.checkNumber = record.FieldAsInt64(tables::reg::kCheckNo);
  check.issueDate = record.FieldAsDate(tables::reg::kDate);
  // A row read aside offers the amount as a number only; its 15-digit form is the stored text
  // for every amount an N12.2 field holds.
  check.amount = Money::FromDouble(record.FieldAsFloat(tables::reg::kAmount));
  check.statusCode = TrimText(record.FieldAsString(tables::reg::kStatusCode));
  check.payee = TrimText(record.FieldAsString(tables::reg::kCompany));
  return check;
}

std::string LayoutPreview(const BankLayout& layout, const std::vector<LayoutCheck>& checks,
                          const LayoutFileFacts& facts) {
  LayoutWriter writer(layout, facts);
  std::string details;
  for (const LayoutCheck& check : checks) details += writer.Detail(check);
  return writer.ColumnNames() + writer.Header() + details + writer.Trailer();
}

}  // namespace volarin
