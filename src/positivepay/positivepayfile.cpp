#include "positivepay/positivepayfile.h"

#include "common/numbers.h"
#include "common/text.h"

namespace volarin {

std::string AmountText(double amount) {
  const std::string general = FloatToText(amount);
  const size_t point = general.find('.');
  if (point == std::string::npos) return general + ".00";
  return TrimText(general.substr(0, point)) + "." + TrimText(general.substr(point + 1, 2));
}

void PositivePayText::Add(const PositivePayCheck& check) {
  const bool issued = check.statusCode == kIssuedStatus;
  if (issued) {
    ++issuedCount_;
    total_ += check.amount;
  } else {
    total_ -= check.amount;
  }
  lines_ += dateText_;
  lines_ += ',';
  lines_ += Int64ToText(check.checkNumber);
  lines_ += ",\"";
  lines_ += check.payee;
  lines_ += "\",";
  if (!issued) lines_ += '-';
  lines_ += AmountText(check.amount);
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
