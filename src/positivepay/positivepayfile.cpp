#include "positivepay/positivepayfile.h"

#include <charconv>

#include "common/numbers.h"
#include "common/text.h"

namespace volarin {

std::string AmountText(double amount) {
  std::string text;
  AppendAmountText(text, amount);
  return text;
}

void AppendAmountText(std::string& out, double amount) {
  // The general form holds no blanks, so its parts need no trimming.
  const std::string general = FloatToText(amount);
  const size_t point = general.find('.');
  if (point == std::string::npos) {
    out += general;
    out += ".00";
    return;
  }
  out.append(general, 0, point);
  out += '.';
  out.append(general, point + 1, 2);
}

void PositivePayText::Add(const PositivePayCheck& check) {
  Add(check.checkNumber, check.amount, check.statusCode, check.payee);
}

void PositivePayText::Add(int64_t checkNumber, double amount, std::string_view statusCode,
                          std::string_view payee) {
  const bool issued = statusCode == tables::kStatusIssued;
  if (issued) {
    ++issuedCount_;
    total_ += amount;
  } else {
    total_ -= amount;
  }
  char number[24];
  const std::to_chars_result digits = std::to_chars(number, number + sizeof number, checkNumber);
  lines_ += dateText_;
  lines_ += ',';
  lines_.append(number, digits.ptr);
  lines_ += ",\"";
  // A control character (a CR or LF above all) would break the check's line in two.
  for (const char c : payee) lines_ += static_cast<unsigned char>(c) < 32 ? ' ' : c;
  lines_ += "\",";
  if (!issued) lines_ += '-';
  AppendAmountText(lines_, amount);
  lines_ += "\r\n";
}

std::string PositivePayText::Trailer() const {
  return Int64ToText(issuedCount_) + "," + FloatToFixed(static_cast<double>(total_), 2) + "\r\n";
}

std::string PositivePayText::TakeLines() {
  std::string out;
  out.swap(lines_);
  return out;
}

std::string PositivePayFileName(const std::string& dateDigits, const std::string& account) {
  return dateDigits + "_" + account + ".txt";
}

}  // namespace volarin
