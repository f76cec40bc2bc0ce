#pragma once
// The Positive Pay file's text: one comma-separated line per check and a trailer with the count
// of issued checks and their net total. Every line ends with CR LF.

#include <cstdint>
#include <string>
#include <string_view>

#include "storage/tablefiles.h"

namespace volarin {

struct PositivePayCheck {
  int64_t checkNumber = 0;
  double amount = 0;
  std::string statusCode;  // trimmed; issued is written positive, every other code negative
  std::string payee;       // trimmed; its control characters are written as blanks
};

// The amount as the bank file writes it: the general form, ".00" added to a whole number, and
// the fraction cut (not rounded) to two places: 1250.5 -> "1250.5", 300 -> "300.00",
// 12.345 -> "12.34".
std::string AmountText(double amount);
// The same, appended to `out`.
void AppendAmountText(std::string& out, double amount);

// Builds the file's lines for one Positive Pay date.
class PositivePayText {
 public:
  explicit PositivePayText(std::string dateText) : dateText_(std::move(dateText)) {}

  // Appends the detail line of one check and counts it.
  void Add(const PositivePayCheck& check);
  // The same from views of the trimmed texts, so a long file builds no string per check.
  void Add(int64_t checkNumber, double amount, std::string_view statusCode, std::string_view payee);
  // The trailer line: issued count, ",", net total as "0.00", CR LF.
  std::string Trailer() const;
  // Detail lines so far, taken out (so a long file is written in pieces).
  std::string TakeLines();
  size_t PendingSize() const { return lines_.size(); }
  // The detail lines so far, to be written before ClearLines, which keeps their room for the
  // next ones.
  const std::string& Lines() const { return lines_; }
  void ClearLines() { lines_.clear(); }

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
