#include "dbf/exprparser.h"

#include <array>
#include <cstring>

namespace volarin::dbf {
namespace {

// Precedence, loosest first: .OR.  .AND.  .NOT.  relations  + -  * / %  ** ^  unary + -
// Every step checks types, so a parsed tree never meets a value of the wrong type.

struct FunctionSpec {
  const char* name;
  int minArgs;
  int maxArgs;
  const char* argTypes;  // one letter per argument; '?' any
};

constexpr std::array<FunctionSpec, 27> kFunctions = {{
    {"UPPER", 1, 1, "C"},   {"LOWER", 1, 1, "C"}, {"STR", 1, 3, "NNN"},    {"DTOS", 1, 1, "D"},
    {"DTOC", 1, 1, "D"},    {"CTOD", 1, 1, "C"},  {"SUBSTR", 2, 3, "CNN"}, {"LEFT", 2, 2, "CN"},
    {"RIGHT", 2, 2, "CN"},  {"TRIM", 1, 1, "C"},  {"RTRIM", 1, 1, "C"},    {"LTRIM", 1, 1, "C"},
    {"ALLTRIM", 1, 1, "C"}, {"VAL", 1, 1, "C"},   {"IIF", 3, 3, "L??"},    {"DELETED", 0, 0, ""},
    {"RECNO", 0, 0, ""},    {"DATE", 0, 0, ""},   {"SPACE", 1, 1, "N"},    {"LEN", 1, 1, "C"},
    {"INT", 1, 1, "N"},     {"ABS", 1, 1, "N"},   {"ROUND", 2, 2, "NN"},   {"YEAR", 1, 1, "D"},
    {"MONTH", 1, 1, "D"},   {"DAY", 1, 1, "D"},   {"AT", 2, 2, "CC"},
}};

const char* TypeName(char type) {
  switch (type) {
    case 'C':
      return "character";
    case 'N':
      return "numeric";
    case 'D':
      return "date";
    default:
      return "logical";
  }
}

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return u;
}

// The function a name means: the full name, or (dBASE) its first four letters or more.
const FunctionSpec* FindFunction(const std::string& name) {
  for (const FunctionSpec& f : kFunctions) {
    if (name == f.name) return &f;
  }
  if (name.size() < 4) return nullptr;
  const FunctionSpec* found = nullptr;
  for (const FunctionSpec& f : kFunctions) {
    if (std::strncmp(f.name, name.c_str(), name.size()) == 0) {
      if (found) return nullptr;  // ambiguous
      found = &f;
    }
  }
  return found;
}

class ParseFailure {
 public:
  ParseFailure(std::string message, int position)
      : message(std::move(message)), position(position) {}
  std::string message;
  int position;
};

class Parser {
 public:
  Parser(std::string_view text, const RecordLayout& layout, const ExpressionOptions& options)
      : s_(text), layout_(layout), options_(options) {}

  NodePtr Run() {
    SkipBlanks();
    if (pos_ >= s_.size()) Fail("The expression is empty.");
    NodePtr root = Or();
    SkipBlanks();
    if (pos_ < s_.size()) Fail("Unexpected \"" + std::string(s_.substr(pos_, 10)) + "\".");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& message) const {
    throw ParseFailure(message, static_cast<int>(pos_) + 1);
  }
  [[noreturn]] void Mismatch(const std::string& op, char left, char right) const {
    Fail(std::string("Data type mismatch: ") + TypeName(left) + " " + op + " " + TypeName(right) +
         ".");
  }

  void SkipBlanks() {
    while (pos_ < s_.size() &&
           (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n')) {
      ++pos_;
    }
  }

  bool IsWordChar(char c) const {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  }

  // Matches a dotted word (".AND.") or, where no field has that name, the bare word ("AND").
  bool AcceptWord(const char* word) {
    SkipBlanks();
    const size_t n = std::strlen(word);
    if (pos_ + n + 2 <= s_.size() && s_[pos_] == '.' && s_[pos_ + n + 1] == '.' &&
        Upper(s_.substr(pos_ + 1, n)) == word) {
      pos_ += n + 2;
      return true;
    }
    if (pos_ + n <= s_.size() && Upper(s_.substr(pos_, n)) == word &&
        (pos_ + n == s_.size() || !IsWordChar(s_[pos_ + n])) &&
        (pos_ == 0 || !IsWordChar(s_[pos_ - 1])) && layout_.FindField(word) < 0) {
      pos_ += n;
      return true;
    }
    return false;
  }

  bool Accept(const char* token) {
    SkipBlanks();
    const size_t n = std::strlen(token);
    if (s_.substr(pos_, n) == token) {
      pos_ += n;
      return true;
    }
    return false;
  }

  NodePtr NeedLogical(NodePtr node, const char* op) {
    if (node->Type() != 'L') {
      Fail(std::string(op) + " needs logical operands, not " + TypeName(node->Type()) + ".");
    }
    return node;
  }

  NodePtr Or() {
    NodePtr left = And();
    while (AcceptWord("OR")) {
      NodePtr right = And();
      left = MakeOr(NeedLogical(std::move(left), ".OR."), NeedLogical(std::move(right), ".OR."));
    }
    return left;
  }

  NodePtr And() {
    NodePtr left = Not();
    while (AcceptWord("AND")) {
      NodePtr right = Not();
      left = MakeAnd(NeedLogical(std::move(left), ".AND."), NeedLogical(std::move(right), ".AND."));
    }
    return left;
  }

  // Bounds the recursion of nested operators and parentheses, so no text can exhaust the stack.
  struct Depth {
    explicit Depth(Parser& p) : p(p) {
      if (++p.depth_ > 200) p.Fail("The expression is nested too deeply.");
    }
    ~Depth() { --p.depth_; }
    Parser& p;
  };

  NodePtr Not() {
    Depth depth(*this);
    SkipBlanks();
    // '!' alone is .NOT.; "!=" is a relation handled below.
    if (AcceptWord("NOT") || (pos_ < s_.size() && s_[pos_] == '!' &&
                              (pos_ + 1 >= s_.size() || s_[pos_ + 1] != '=') && Accept("!"))) {
      return MakeNot(NeedLogical(Not(), ".NOT."));
    }
    return Relation();
  }

  NodePtr Relation() {
    NodePtr left = Sum();
    static constexpr const char* kOps[] = {"==", "<>", "!=", "<=", ">=", "=", "<", ">", "#", "$"};
    SkipBlanks();
    for (const char* op : kOps) {
      if (!Accept(op)) continue;
      std::string name = op;
      if (name == "!=" || name == "#") name = "<>";
      SkipBlanks();
      if (pos_ >= s_.size()) Fail("An operand is missing after \"" + std::string(op) + "\".");
      NodePtr right = Sum();
      if (name == "$") {
        if (left->Type() != 'C' || right->Type() != 'C') Mismatch("$", left->Type(), right->Type());
      } else if (left->Type() != right->Type()) {
        Mismatch(name, left->Type(), right->Type());
      }
      return MakeComparison(name, std::move(left), std::move(right), options_.exact);
    }
    return left;
  }

  NodePtr Sum() {
    NodePtr left = Product();
    while (true) {
      SkipBlanks();
      if (pos_ >= s_.size() || (s_[pos_] != '+' && s_[pos_] != '-')) return left;
      const char op = s_[pos_++];
      SkipBlanks();
      if (pos_ >= s_.size()) Fail(std::string("An operand is missing after \"") + op + "\".");
      NodePtr right = Product();
      const char lt = left->Type(), rt = right->Type();
      const bool ok = (lt == 'N' && rt == 'N') || (lt == 'C' && rt == 'C') ||
                      (lt == 'D' && rt == 'N') || (op == '+' && lt == 'N' && rt == 'D') ||
                      (op == '-' && lt == 'D' && rt == 'D');
      if (!ok) Mismatch(std::string(1, op), lt, rt);
      left = MakeArithmetic(op, std::move(left), std::move(right));
    }
  }

  NodePtr Product() {
    NodePtr left = Power();
    while (true) {
      SkipBlanks();
      if (pos_ >= s_.size()) return left;
      const char c = s_[pos_];
      if (c == '*' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '*') return left;
      if (c != '*' && c != '/' && c != '%') return left;
      ++pos_;
      SkipBlanks();
      if (pos_ >= s_.size()) Fail(std::string("An operand is missing after \"") + c + "\".");
      NodePtr right = Power();
      if (left->Type() != 'N' || right->Type() != 'N')
        Mismatch(std::string(1, c), left->Type(), right->Type());
      left = MakeArithmetic(c, std::move(left), std::move(right));
    }
  }

  NodePtr Power() {
    NodePtr left = Unary();
    while (Accept("**") || Accept("^")) {
      SkipBlanks();
      if (pos_ >= s_.size()) Fail("An operand is missing after \"**\".");
      NodePtr right = Unary();
      if (left->Type() != 'N' || right->Type() != 'N') Mismatch("**", left->Type(), right->Type());
      left = MakeArithmetic('^', std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr Unary() {
    Depth depth(*this);
    SkipBlanks();
    if (pos_ < s_.size() && (s_[pos_] == '-' || s_[pos_] == '+')) {
      const char op = s_[pos_++];
      NodePtr operand = Unary();
      if (operand->Type() != 'N') Fail(std::string("Unary ") + op + " needs a number.");
      return op == '-' ? MakeNegate(std::move(operand)) : std::move(operand);
    }
    return Primary();
  }

  NodePtr Primary() {
    SkipBlanks();
    if (pos_ >= s_.size()) Fail("An operand is missing at the end.");
    Depth depth(*this);
    const char c = s_[pos_];
    if (c == '(') {
      ++pos_;
      NodePtr inner = Or();
      if (!Accept(")")) Fail("A closing parenthesis is missing.");
      return inner;
    }
    if (c == '"' || c == '\'' || c == '[') return StringLiteral();
    if (c == '{') return DateLiteral();
    if ((c >= '0' && c <= '9') ||
        (c == '.' && pos_ + 1 < s_.size() && s_[pos_ + 1] >= '0' && s_[pos_ + 1] <= '9')) {
      return NumberLiteral();
    }
    if (c == '.') return LogicalLiteral();
    if (IsWordChar(c)) return Name();
    Fail("Unexpected \"" + std::string(1, c) + "\".");
  }

  NodePtr StringLiteral() {
    const char open = s_[pos_];
    const char close = open == '[' ? ']' : open;
    const size_t end = s_.find(close, pos_ + 1);
    if (end == std::string_view::npos) Fail("A text is not closed.");
    std::string value(s_.substr(pos_ + 1, end - pos_ - 1));
    pos_ = end + 1;
    return MakeString(std::move(value));
  }

  NodePtr DateLiteral() {
    const size_t end = s_.find('}', pos_ + 1);
    if (end == std::string_view::npos) Fail("A date literal is not closed.");
    const std::string_view text = s_.substr(pos_ + 1, end - pos_ - 1);
    pos_ = end + 1;
    bool blank = true;
    for (char ch : text) blank = blank && (ch == ' ' || ch == '/' || ch == '.' || ch == '-');
    if (blank) return MakeDate(0);
    const std::optional<Date> date = ParseDate(text, options_.datePicture);
    if (!date) Fail("\"" + std::string(text) + "\" is not a date.");
    return MakeDate(date->Serial());
  }

  NodePtr NumberLiteral() {
    const size_t start = pos_;
    int decimals = 0;
    bool point = false;
    while (pos_ < s_.size() &&
           ((s_[pos_] >= '0' && s_[pos_] <= '9') || (s_[pos_] == '.' && !point))) {
      if (s_[pos_] == '.') {
        // "1.AND." : the point belongs to the operator.
        if (pos_ + 1 >= s_.size() || s_[pos_ + 1] < '0' || s_[pos_ + 1] > '9') break;
        point = true;
      } else if (point) {
        ++decimals;
      }
      ++pos_;
    }
    return MakeNumber(ParseStoredNumber(s_.substr(start, pos_ - start)), decimals);
  }

  NodePtr LogicalLiteral() {
    if (pos_ + 2 < s_.size() && s_[pos_ + 2] == '.') {
      const char v = static_cast<char>(std::toupper(static_cast<unsigned char>(s_[pos_ + 1])));
      if (v == 'T' || v == 'Y' || v == 'F' || v == 'N') {
        pos_ += 3;
        return MakeLogical(v == 'T' || v == 'Y');
      }
    }
    if (AcceptWord("NOT")) return MakeNot(NeedLogical(Not(), ".NOT."));
    Fail("Unexpected \".\".");
  }

  NodePtr Name() {
    const size_t start = pos_;
    while (pos_ < s_.size() && IsWordChar(s_[pos_])) ++pos_;
    std::string word(s_.substr(start, pos_ - start));
    // ALIAS->FIELD: the alias names this table; the field is what counts.
    if (Accept("->")) {
      SkipBlanks();
      const size_t fieldStart = pos_;
      while (pos_ < s_.size() && IsWordChar(s_[pos_])) ++pos_;
      if (pos_ == fieldStart) Fail("A field name must follow \"->\".");
      word = std::string(s_.substr(fieldStart, pos_ - fieldStart));
      return FieldRef(word, fieldStart);
    }
    SkipBlanks();
    if (pos_ < s_.size() && s_[pos_] == '(') return Function(word, start);
    return FieldRef(word, start);
  }

  NodePtr FieldRef(const std::string& word, size_t at) {
    const int index = layout_.FindField(word);
    if (index < 0) {
      pos_ = at;
      Fail("\"" + word + "\" is not a field of this table.");
    }
    const FieldInfo& f = layout_.Field(index);
    if (f.type == 'M') {
      pos_ = at;
      Fail("Memo field " + f.name + " cannot be used in an expression.");
    }
    return MakeField(f, index);
  }

  NodePtr Function(const std::string& word, size_t at) {
    const FunctionSpec* fn = FindFunction(Upper(word));
    if (!fn) {
      pos_ = at;
      Fail("\"" + word + "\" is not a known function.");
    }
    ++pos_;  // '('
    std::vector<NodePtr> args;
    if (!Accept(")")) {
      do {
        args.push_back(Or());
      } while (Accept(","));
      if (!Accept(")"))
        Fail("A closing parenthesis is missing after the arguments of " + std::string(fn->name) +
             ".");
    }
    const int n = static_cast<int>(args.size());
    if (n < fn->minArgs || n > fn->maxArgs) {
      pos_ = at;
      Fail(std::string(fn->name) + " takes " +
           (fn->minArgs == fn->maxArgs
                ? std::to_string(fn->minArgs)
                : std::to_string(fn->minArgs) + " to " + std::to_string(fn->maxArgs)) +
           " arguments, not " + std::to_string(n) + ".");
    }
    for (int i = 0; i < n; ++i) {
      const char want = fn->argTypes[i];
      if (want != '?' && args[static_cast<size_t>(i)]->Type() != want) {
        pos_ = at;
        Fail("Argument " + std::to_string(i + 1) + " of " + fn->name + " must be " +
             TypeName(want) + ", not " + TypeName(args[static_cast<size_t>(i)]->Type()) + ".");
      }
    }
    if (std::string(fn->name) == "IIF" && args[1]->Type() != args[2]->Type()) {
      pos_ = at;
      Mismatch("IIF", args[1]->Type(), args[2]->Type());
    }
    return MakeFunction(fn->name, std::move(args), options_.datePicture);
  }

  std::string_view s_;
  const RecordLayout& layout_;
  const ExpressionOptions& options_;
  size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

ParsedTree ParseTree(std::string_view text, const RecordLayout& layout,
                     const ExpressionOptions& options) {
  ParsedTree tree;
  try {
    tree.root = Parser(text, layout, options).Run();
  } catch (const ParseFailure& failure) {
    tree.root.reset();
    tree.error = failure.message;
    tree.errorPosition = failure.position;
  }
  return tree;
}

}  // namespace volarin::dbf
