#pragma once
// dBASE expressions (index keys, tag FOR conditions, record filters) parsed once into a typed tree
// and evaluated on record images. Types are known after parsing: C character (with the length
// of its result on a blank record, the key length), N numeric, D date, L logical. Mixing types
// is a parse error, not a false result.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/date.h"
#include "dbf/record.h"

namespace volarin::dbf {

class Table;
class ExprNode;

struct ExpressionOptions {
  std::string datePicture = "MM/DD/YY";  // for CTOD() and DTOC()
  bool exact = false;                    // SET EXACT: '=' on texts compares whole values
};

class Expression;

// The outcome of parsing: an expression, or the reason it could not be parsed.
struct ParseResult {
  std::unique_ptr<Expression> expression;
  std::string error;      // empty when parsed
  int errorPosition = 0;  // 1-based column of the fault
  explicit operator bool() const { return expression != nullptr; }
};

class Expression {
 public:
  // The layout (or table) parsed against must outlive the expression.
  static ParseResult Parse(std::string_view text, const RecordLayout& layout,
                           const ExpressionOptions& options = {});
  // Parses against a table's fields with its context's date picture.
  static ParseResult Parse(std::string_view text, const Table& table);
  // Same, but throws ExpressionError with the reason.
  static std::unique_ptr<Expression> ParseOrThrow(std::string_view text, const RecordLayout& layout,
                                                  const ExpressionOptions& options = {});

  ~Expression();
  Expression(const Expression&) = delete;
  Expression& operator=(const Expression&) = delete;

  const std::string& Source() const { return source_; }
  char Type() const;  // 'C', 'N', 'D' or 'L'
  bool IsLogical() const { return Type() == 'L'; }
  // C: length of the result on a blank record (key length); N: the width of its text form
  // (the field width for a bare field, else 20); D: 8; L: 1.
  int Length() const { return length_; }
  // Decimals of the text form of an N result: the field's for a bare field, else 0.
  int Decimals() const { return decimals_; }

  // Evaluation on a whole record image of the layout the expression was parsed against.
  // Asking for another type than Type() throws ExpressionError.
  bool IsTrue(const RecordView& record) const;
  double Number(const RecordView& record) const;
  Date DateValue(const RecordView& record) const;
  // Any type as text: C as is, N right-aligned in Length() with Decimals(), D as CCYYMMDD
  // (blanks for no date), L as "T" or "F".
  std::string Text(const RecordView& record) const;
  // The same into a caller's buffer, without allocating once the buffer is large enough.
  void TextInto(const RecordView& record, std::string& out) const;

 private:
  Expression() = default;
  std::string source_;
  std::unique_ptr<ExprNode> root_;
  const RecordLayout* layout_ = nullptr;
  int length_ = 0;
  int decimals_ = 0;
};

// Date pictures: "MM" month digits, "DD" day, "CC" century, "YY" year; a run of more than two
// M gives the English month name filled to the run's length ("MMMMMMMMMMM DD, CCYY" ->
// "March       05, 2024"); other characters are kept.
std::string FormatDate(Date date, const std::string& picture);
// Reads a date typed in the picture's order; a picture without CC takes years 1900-1999.
// Nullopt for a text that is not a possible date.
std::optional<Date> ParseDate(std::string_view text, const std::string& picture);

}  // namespace volarin::dbf
