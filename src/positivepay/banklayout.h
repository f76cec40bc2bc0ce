#pragma once
// What a bank asks of its Positive Pay issue file, as data: delimited or fixed width, which
// fields in which order or at which positions, how dates, amounts and the issue/void code are
// written, header and trailer records, the file's name and line ending. Each bank account uses
// one layout; those without a choice use the standard layout, which writes the program's
// original comma-separated file.

#include <string>
#include <vector>

namespace volarin {

enum class LayoutKind { Delimited, FixedWidth };

// How delimited texts are quoted. AsIs is the standard file's: the payee between double quotes,
// quotes inside written as they are.
enum class Quoting { None, AsIs, All, WhereNeeded };

enum class DateForm {
  ShortDate,  // the program's short date text, MM/DD/YYYY: the standard file's
  MMDDYY,
  MMDDYYYY,
  YYMMDD,
  YYYYMMDD,
  MM_DD_YY,    // 03/15/05
  MM_DD_YYYY,  // 03/15/2005
  MM_DD_YYYY_Dashed,
  YYYY_MM_DD_Dashed,
};

// Standard: the original file's amount text (general form, ".00" added to whole amounts, the
// fraction cut to two places); Decimal: always two decimals; ImpliedCents: the amount in cents
// without a point; WholeDollars: cents dropped.
enum class AmountForm { Standard, Decimal, ImpliedCents, WholeDollars };

enum class FieldKind {
  BankAccount,
  BankNumber,
  CheckNumber,
  IssueDate,  // the check's own date
  FileDate,   // the Positive Pay date
  Amount,
  Payee,
  StatusCode,  // the layout's issue or void code
  Filler,
  Constant,
  Count,
  Total,
};

struct LayoutField {
  FieldKind kind = FieldKind::Filler;
  int start = 0;   // fixed width: the first position, counted from 1
  int length = 0;  // fixed width: the positions; delimited: 0 for the value's own length
  // Numbers right-justified and zero-filled to the length (else blank-filled).
  bool zeroFill = false;
  // The bank account with everything but its digits left out.
  bool digitsOnly = false;
  std::string text;  // a Constant's text, a Filler's character (blank when empty)

  friend bool operator==(const LayoutField&, const LayoutField&) = default;
};

enum class VoidAmounts { Negative, Positive };
enum class VoidsInTotal { Subtract, Add, Leave };

struct BankLayout {
  std::string name;
  LayoutKind kind = LayoutKind::Delimited;
  char delimiter = ',';
  Quoting quoting = Quoting::None;
  bool columnNames = false;  // delimited: a first row naming the detail columns
  int recordLength = 0;      // fixed width: every record this long
  std::vector<LayoutField> header;
  std::vector<LayoutField> detail;
  std::vector<LayoutField> trailer;
  DateForm dateForm = DateForm::MMDDYYYY;
  AmountForm amountForm = AmountForm::Decimal;
  VoidAmounts voidAmounts = VoidAmounts::Negative;
  VoidsInTotal voidsInTotal = VoidsInTotal::Subtract;
  bool countVoids = false;  // the count: every check, or issued checks only
  std::string issueCode = "I";
  std::string voidCode = "V";
  int payeeLimit = 0;  // 0: no limit
  // {date} the Positive Pay date as yyyymmdd, {account} the bank account, {bankno} the bank
  // number.
  std::string fileNamePattern = "{date}_{account}.txt";
  std::string lineEnding = "\r\n";

  friend bool operator==(const BankLayout&, const BankLayout&) = default;
};

inline constexpr const char* kStandardLayoutName = "Standard (comma-separated)";

// The program's original file: MM/DD/YYYY, check number, "payee", amount ("-" when not issued);
// trailer: issued count, net total.
const BankLayout& StandardLayout();
// The standard layout first, then the common shapes banks ask for.
const std::vector<BankLayout>& BuiltInLayouts();
// Nullptr when no built-in layout has that name.
const BankLayout* FindBuiltInLayout(const std::string& name);

// Why the layout cannot write a file ("" when it can): overlapping or missing positions, a code
// longer than its field, a delimiter that could be a value.
std::string LayoutProblem(const BankLayout& layout);

// Names for the layout file and the setup page.
const char* FieldKindName(FieldKind kind);
const char* DateFormName(DateForm form);
const char* AmountFormName(AmountForm form);

}  // namespace volarin
