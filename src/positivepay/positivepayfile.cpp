#include "positivepay/positivepayfile.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "common/numbers.h"
#include "common/text.h"

namespace volarin {

void PositivePayText::Add(const PositivePayCheck& check) {
  Add(check.checkNumber, check.amount, check.statusCode, check.payee);
}

namespace {

// A control character (a CR or LF above all) would break the check's line in two: each becomes
// a blank. Eight bytes at a time while none of them is one.
void BlankControls(char* text, size_t size) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    uint64_t word;
    std::memcpy(&word, text + i, sizeof word);
    // Nonzero exactly when some byte of the word is below 32.
    if (((word - kOnes * 32) & ~word & (kOnes * 0x80)) == 0) continue;
    for (size_t k = i; k < i + 8; ++k) {
      if (static_cast<unsigned char>(text[k]) < 32) text[k] = ' ';
    }
  }
  for (; i < size; ++i) {
    if (static_cast<unsigned char>(text[i]) < 32) text[i] = ' ';
  }
}

}  // namespace

void PositivePayText::Add(int64_t checkNumber, Money amount, std::string_view statusCode,
                          std::string_view payee) {
  const bool issued = statusCode == tables::kStatusIssued;
  if (issued) {
    ++issuedCount_;
    total_ += amount;
  } else {
    total_ -= amount;
  }
  // The line is written in place, into room for its longest form (a check number has at most
  // 20 characters), which is then cut to what was written.
  constexpr size_t kNumberRoom = 24;
  constexpr size_t kSeparators = 8;  // , ," ", the sign of the amount and CR LF
  const size_t start = lines_.size();
  lines_.resize(start + dateText_.size() + kNumberRoom + payee.size() + kSeparators +
                Money::kMaxFileText);
  char* out = lines_.data() + start;
  out = std::copy(dateText_.begin(), dateText_.end(), out);
  *out++ = ',';
  out = std::to_chars(out, out + kNumberRoom, checkNumber).ptr;
  *out++ = ',';
  *out++ = '"';
  out = std::copy(payee.begin(), payee.end(), out);
  BlankControls(out - payee.size(), payee.size());
  *out++ = '"';
  *out++ = ',';
  if (!issued) *out++ = '-';
  out = amount.WriteFileText(out);
  *out++ = '\r';
  *out++ = '\n';
  lines_.resize(static_cast<size_t>(out - lines_.data()));
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
