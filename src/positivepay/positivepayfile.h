#pragma once
// The Positive Pay file's text: one comma-separated line per check and a trailer with the count
// of issued checks and their net total. Every line ends with CR LF.

#include <cstdint>
#include <string>

namespace volarin {

// "00" is an issued check; every other code (void, stop payment, blank) is written negative.
inline constexpr const char* kIssuedStatus = "00";

struct PositivePayCheck {
  int64_t checkNumber = 0;
  double amount = 0;
  std::string statusCode;  // trimmed
  std::string payee;       // trimmed
};

// The amount as the bank file writes it: the general form, ".00" added to a whole number, and
// the fraction cut (not rounded) to two places: 1250.5 -> "1250.5", 300 -> "300.00",
// 12.345 -> "12.34".
std::string AmountText(double amount);

// Builds the file's lines for one Positive Pay date.
class PositivePayText {
 public:
  explicit PositivePayText(std::string dateText) : dateText_(std::move(dateText)) {}

  // Appends the detail line of one check and counts it.
  void Add(const PositivePayCheck& check);
  // The trailer line: issued count, ",", net total as "0.00", CR LF.
  std::string Trailer() const;
  // Detail lines so far, taken out (so a long file is written in pieces).
  std::string TakeLines();
  size_t PendingSize() const { return lines_.size(); }

  int64_t IssuedCount() const { return issuedCount_; }
  long double NetTotal() const { return total_; }

 private:
  std::string dateText_;
  std::string lines_;
  int64_t issuedCount_ = 0;
  long double total_ = 0;
};

// "<yyyymmdd>_<account>.txt"
std::string PositivePayFileName(const std::string& dateDigits, const std::string& account);

}  // namespace volarin
