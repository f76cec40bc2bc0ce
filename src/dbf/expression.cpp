#include "dbf/expression.h"

#include "dbf/errors.h"
#include "dbf/exprparser.h"
#include "dbf/numbertext.h"
#include "dbf/table.h"

namespace volarin::dbf {

Expression::~Expression() = default;

ParseResult Expression::Parse(std::string_view text, const RecordLayout& layout,
                              const ExpressionOptions& options) {
  ParsedTree tree = ParseTree(text, layout, options);
  ParseResult result;
  if (!tree.root) {
    result.error = tree.error;
    result.errorPosition = tree.errorPosition;
    return result;
  }
  std::unique_ptr<Expression> e(new Expression());
  e->source_ = std::string(text);
  e->root_ = std::move(tree.root);
  e->layout_ = &layout;
  switch (e->root_->Type()) {
    case 'C': {
      // The key length of a text expression is its length on a record of blank fields.
      const std::string blank = layout.BlankRecord();
      std::string out;
      e->root_->Str(RecordView{&layout, blank, 0}, out);
      e->length_ = static_cast<int>(out.size());
      break;
    }
    case 'N':
      e->length_ = e->root_->width > 0 ? e->root_->width : 20;
      e->decimals_ = std::min(e->root_->decimals, e->length_ > 2 ? e->length_ - 2 : 0);
      break;
    case 'D':
      e->length_ = 8;
      break;
    default:
      e->length_ = 1;
  }
  result.expression = std::move(e);
  return result;
}

ParseResult Expression::Parse(std::string_view text, const Table& table) {
  ExpressionOptions options;
  options.datePicture = table.GetContext().Get().datePicture;
  return Parse(text, table.Layout(), options);
}

std::unique_ptr<Expression> Expression::ParseOrThrow(std::string_view text,
                                                     const RecordLayout& layout,
                                                     const ExpressionOptions& options) {
  ParseResult parsed = Parse(text, layout, options);
  if (!parsed) {
    throw ExpressionError(kErrorExpression,
                          "Cannot parse expression \"" + std::string(text) + "\" at column " +
                              std::to_string(parsed.errorPosition) + ": " + parsed.error);
  }
  return std::move(parsed.expression);
}

char Expression::Type() const {
  return root_->Type();
}

namespace {

[[noreturn]] void ShortRecord(const std::string& source) {
  throw ExpressionError(kErrorExpression, "Expression \"" + source +
                                              "\" was given a record shorter than its table's.");
}

// Every evaluation starts here, so field nodes may read their bytes without further checks.
inline RecordView Checked(const RecordLayout* layout, const RecordView& record,
                          const std::string& source) {
  if (record.bytes.size() < static_cast<size_t>(layout->RecordLength())) [[unlikely]] {
    ShortRecord(source);
  }
  return RecordView{layout, record.bytes, record.recno};
}

[[noreturn]] void WrongType(const std::string& source, char type, const char* wanted) {
  throw ExpressionError(kErrorExpression, "Expression " + source + " is of type " +
                                              std::string(1, type) + ", not " + wanted + ".");
}

}  // namespace

bool Expression::IsTrue(const RecordView& record) const {
  if (root_->Type() != 'L') WrongType(source_, root_->Type(), "logical");
  return root_->Log(Checked(layout_, record, source_));
}

double Expression::Number(const RecordView& record) const {
  if (root_->Type() != 'N') WrongType(source_, root_->Type(), "numeric");
  return root_->Num(Checked(layout_, record, source_));
}

Date Expression::DateValue(const RecordView& record) const {
  if (root_->Type() != 'D') WrongType(source_, root_->Type(), "date");
  return Date(root_->Dat(Checked(layout_, record, source_)));
}

std::string Expression::Text(const RecordView& record) const {
  std::string out;
  TextInto(record, out);
  return out;
}

void Expression::TextInto(const RecordView& record, std::string& out) const {
  const RecordView r = Checked(layout_, record, source_);
  out.clear();
  switch (root_->Type()) {
    case 'C':
      root_->Str(r, out);
      break;
    case 'N': {
      const std::optional<std::string> text = FormatNumber(root_->Num(r), length_, decimals_);
      out = text ? *text : std::string(static_cast<size_t>(length_), '*');
      break;
    }
    case 'D':
      out = Date(root_->Dat(r)).Digits();
      break;
    default:
      out = root_->Log(r) ? "T" : "F";
  }
}

}  // namespace volarin::dbf
