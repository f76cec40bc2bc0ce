#pragma once
// The Positive Pay file's text: one comma-separated line per check and a trailer with the count
// of issued checks and their net total. Every line ends with CR LF.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/date.h"
#include "common/money.h"
#include "storage/tablefiles.h"

namespace volarin {

// A check as the register holds it and as the file, the bank layouts, the report and the
// history take it.
struct PositivePayCheck {
  std::string bankAccount{};  // trimmed
  std::string bankNumber{};   // trimmed
  int64_t checkNumber = 0;
  Date issueDate{};  // the check's own date
  Money amount{};
  std::string statusCode{};  // trimmed; issued is written positive, every other code negative
  std::string payee{};       // trimmed; its control characters are written as blanks
  // The payee as the register shows it, when that differs from the trimmed name (blanks or
  // control characters at its ends); the report prints it as it stands.
  std::string shownPayee{};

  const std::string& PayeeAsShown() const { return shownPayee.empty() ? payee : shownPayee; }
  bool IsIssued() const { return statusCode == tables::kStatusIssued; }
};

// The amount as the bank file writes it: the general form, ".00" added to a whole number, and
// the fraction cut (not rounded) to two places: 1250.5 -> "1250.5", 300 -> "300.00",
// 12.345 -> "12.34".
inline std::string AmountText(Money amount) {
  return amount.FileText();
}
// The same of an amount held as a floating-point number, by its 15-digit decimal form.
inline std::string AmountText(double amount) {
  return Money::FromDouble(amount).FileText();
}

// Builds the file's lines for one Positive Pay date.
class PositivePayText {
 public:
  explicit PositivePayText(std::string dateText) : dateText_(std::move(dateText)) {}

  // Appends the detail line of one check and counts it.
  void Add(const PositivePayCheck& check);
  // The same from views of the trimmed texts, so a long file builds no string per check.
  void Add(int64_t checkNumber, Money amount, std::string_view statusCode, std::string_view payee);
  // The trailer line: issued count, ",", net total as "0.00", CR LF.
  std::string Trailer() const;
  // Detail lines so far, taken out (so a long file is written in pieces).
  std::string TakeLines();
  size_t PendingSize() const { return lines_.size(); }
  // The detail lines so far, to be written before ClearLines, which keeps their room for the
  // next ones.
  const std::string& Lines() const { return lines_; }
  void ClearLines() { lines_.clear(); }
  // Room for the lines of about `checks` checks, so a long file is not moved as it grows.
  void ReserveFor(size_t checks) { lines_.reserve(checks * kTypicalLineSize); }

  int64_t IssuedCount() const { return issuedCount_; }
  Money NetTotal() const { return total_; }

 private:
  // A date, a ten-digit check number, a payee of some 30 letters, an amount and the separators.
  static constexpr size_t kTypicalLineSize = 64;
  std::string dateText_;
  std::string lines_;
  int64_t issuedCount_ = 0;
  Money total_;
};

// "<yyyymmdd>_<account>.txt"
std::string PositivePayFileName(const std::string& dateDigits, const std::string& account);

}  // namespace volarin
