#include "positivepay/positivepayfile.h"

#include <charconv>

#include "common/numbers.h"
#include "common/text.h"

namespace volarin {

void PositivePayText::Add(const PositivePayCheck& check) {
  Add(check.checkNumber, check.amount, check.statusCode, check.payee);
}

void PositivePayText::Add(int64_t checkNumber, Money amount, std::string_view statusCode,
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
  const size_t payeeAt = lines_.size();
  lines_ += payee;
  for (size_t i = payeeAt; i < lines_.size(); ++i) {
    if (static_cast<unsigned char>(lines_[i]) < 32) lines_[i] = ' ';
  }
  lines_ += "\",";
  if (!issued) lines_ += '-';
  amount.AppendFileText(lines_);
  lines_ += "\r\n";
}

std::string PositivePayText::Trailer() const {
  return Int64ToText(issuedCount_) + "," + total_.FixedText() + "\r\n";
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
