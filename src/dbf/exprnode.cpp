#include "dbf/exprnode.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/date.h"
#include "dbf/expression.h"
#include "dbf/numbertext.h"

namespace volarin::dbf {
namespace {

// Doubles used as counts and positions, clamped so a wild value cannot overflow an int.
int ToCount(double v) {
  if (!(v == v)) return 0;
  return static_cast<int>(std::clamp(v, -1.0e6, 1.0e6));
}

std::string StrOf(const ExprNode& node, const RecordView& r) {
  std::string s;
  node.Str(r, s);
  return s;
}

// --- leaves

class FieldNode : public ExprNode {
 public:
  // The field's place is kept here so evaluation needs no lookup; record images are checked to be
  // whole records of the layout before evaluation starts.
  FieldNode(const FieldInfo& f)
      : ExprNode(f.type == 'F' ? 'N' : f.type), offset_(f.offset), size_(f.width) {
    decimals = f.decimals;
    if (Type() == 'N') width = f.width;
  }
  double Num(const RecordView& r) const override { return ParseStoredNumber(Bytes(r)); }
  bool Log(const RecordView& r) const override { return ParseStoredLogical(Bytes(r)); }
  int32_t Dat(const RecordView& r) const override { return ParseStoredDate(Bytes(r)).Serial(); }
  void Str(const RecordView& r, std::string& out) const override { out += Bytes(r); }
  bool View(const RecordView& r, std::string_view& v) const override {
    v = Bytes(r);
    return true;
  }

 private:
  std::string_view Bytes(const RecordView& r) const {
    return std::string_view(r.bytes.data() + offset_, size_);
  }
  size_t offset_;
  size_t size_;
};

class NumberNode : public ExprNode {
 public:
  NumberNode(double v, int d) : ExprNode('N'), value_(v) { decimals = d; }
  double Num(const RecordView&) const override { return value_; }
  bool Constant() const override { return true; }

 private:
  double value_;
};

class StringNode : public ExprNode {
 public:
  explicit StringNode(std::string v) : ExprNode('C'), value_(std::move(v)) {}
  void Str(const RecordView&, std::string& out) const override { out += value_; }
  bool View(const RecordView&, std::string_view& v) const override {
    v = value_;
    return true;
  }
  bool Constant() const override { return true; }

 private:
  std::string value_;
};

class LogicalNode : public ExprNode {
 public:
  explicit LogicalNode(bool v) : ExprNode('L'), value_(v) {}
  bool Log(const RecordView&) const override { return value_; }
  bool Constant() const override { return true; }

 private:
  bool value_;
};

class DateNode : public ExprNode {
 public:
  explicit DateNode(int32_t v) : ExprNode('D'), value_(v) {}
  int32_t Dat(const RecordView&) const override { return value_; }
  bool Constant() const override { return true; }

 private:
  int32_t value_;
};

// --- operators

class NumericOp : public ExprNode {
 public:
  NumericOp(char op, NodePtr l, NodePtr r)
      : ExprNode('N'), op_(op), l_(std::move(l)), r_(std::move(r)) {
    decimals = std::max(l_->decimals, r_->decimals);
  }
  double Num(const RecordView& rec) const override {
    const double a = l_->Num(rec), b = r_->Num(rec);
    switch (op_) {
      case '+':
        return a + b;
      case '-':
        return a - b;
      case '*':
        return a * b;
      case '/':
        return a / b;
      case '%':
        return std::fmod(a, b);
      default:
        return std::pow(a, b);
    }
  }

 private:
  char op_;
  NodePtr l_, r_;
};

class NegateNode : public ExprNode {
 public:
  explicit NegateNode(NodePtr n) : ExprNode('N'), n_(std::move(n)) { decimals = n_->decimals; }
  double Num(const RecordView& r) const override { return -n_->Num(r); }

 private:
  NodePtr n_;
};

class ConcatNode : public ExprNode {
 public:
  ConcatNode(bool trimLeft, NodePtr l, NodePtr r)
      : ExprNode('C'), trimLeft_(trimLeft), l_(std::move(l)), r_(std::move(r)) {}
  void Str(const RecordView& rec, std::string& out) const override {
    const size_t start = out.size();
    l_->Str(rec, out);
    if (!trimLeft_) {
      r_->Str(rec, out);
      return;
    }
    // a - b: the trailing blanks of a move to the end of the result.
    size_t end = out.size();
    while (end > start && out[end - 1] == ' ') --end;
    const size_t blanks = out.size() - end;
    out.resize(end);
    r_->Str(rec, out);
    out.append(blanks, ' ');
  }

 private:
  bool trimLeft_;
  NodePtr l_, r_;
};

// date + n, n + date, date - n
class DateShiftNode : public ExprNode {
 public:
  DateShiftNode(NodePtr date, NodePtr days, bool subtract)
      : ExprNode('D'), date_(std::move(date)), days_(std::move(days)), subtract_(subtract) {}
  int32_t Dat(const RecordView& r) const override {
    const int32_t d = date_->Dat(r);
    if (d == 0) return 0;
    const double days = std::trunc(days_->Num(r));
    const double result = subtract_ ? d - days : d + days;
    if (!(result > 0 && result < 3.0e6)) return 0;  // beyond year 9999: no date
    return static_cast<int32_t>(result);
  }

 private:
  NodePtr date_, days_;
  bool subtract_;
};

class DateDiffNode : public ExprNode {
 public:
  DateDiffNode(NodePtr l, NodePtr r) : ExprNode('N'), l_(std::move(l)), r_(std::move(r)) {}
  double Num(const RecordView& rec) const override {
    return static_cast<double>(l_->Dat(rec)) - r_->Dat(rec);
  }

 private:
  NodePtr l_, r_;
};

// -1, 0, 1 for texts compared as dBASE does: with EXACT off only up to the right operand's
// length; with EXACT on the shorter padded with blanks.
int CompareText(std::string_view a, std::string_view b, bool exact) {
  if (!exact) {
    if (a.size() > b.size()) a = a.substr(0, b.size());
    const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (c != 0) return c < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : 0;
  }
  const size_t n = std::max(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(i < a.size() ? a[i] : ' ');
    const auto y = static_cast<unsigned char>(i < b.size() ? b[i] : ' ');
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

enum class Rel { kEq, kExactEq, kNe, kLt, kGt, kLe, kGe, kContains };

bool Holds(Rel rel, int c) {
  switch (rel) {
    case Rel::kEq:
    case Rel::kExactEq:
      return c == 0;
    case Rel::kNe:
      return c != 0;
    case Rel::kLt:
      return c < 0;
    case Rel::kGt:
      return c > 0;
    case Rel::kLe:
      return c <= 0;
    case Rel::kGe:
      return c >= 0;
    default:
      return false;
  }
}

class CompareNode : public ExprNode {
 public:
  CompareNode(Rel rel, NodePtr l, NodePtr r, bool exact)
      : ExprNode('L'), rel_(rel), l_(std::move(l)), r_(std::move(r)), exact_(exact) {}
  bool Log(const RecordView& rec) const override {
    switch (l_->Type()) {
      case 'N': {
        const double a = l_->Num(rec), b = r_->Num(rec);
        if (a != a || b != b) return rel_ == Rel::kNe;  // NaN equals nothing
        return Holds(rel_, a < b ? -1 : (a > b ? 1 : 0));
      }
      case 'D': {
        const int32_t a = l_->Dat(rec), b = r_->Dat(rec);
        return Holds(rel_, a < b ? -1 : (a > b ? 1 : 0));
      }
      case 'L': {
        const int a = l_->Log(rec), b = r_->Log(rec);
        return Holds(rel_, a - b);
      }
      default:
        return Text(rec);
    }
  }

 private:
  bool Text(const RecordView& rec) const {
    std::string_view a, b;
    std::string sa, sb;
    if (!l_->View(rec, a)) {
      l_->Str(rec, sa);
      a = sa;
    }
    if (!r_->View(rec, b)) {
      r_->Str(rec, sb);
      b = sb;
    }
    if (rel_ == Rel::kContains) return b.find(a) != std::string_view::npos;
    if (rel_ == Rel::kExactEq) return a == b;
    return Holds(rel_, CompareText(a, b, exact_));
  }

  Rel rel_;
  NodePtr l_, r_;
  bool exact_;
};

bool HoldsNumeric(Rel rel, double a, double b) {
  switch (rel) {
    case Rel::kEq:
    case Rel::kExactEq:
      return a == b;
    case Rel::kNe:
      return !(a == b);
    case Rel::kLt:
      return a < b;
    case Rel::kGt:
      return a > b;
    case Rel::kLe:
      return a <= b;
    case Rel::kGe:
      return a >= b;
    default:
      return false;
  }
}

// A number against a constant, the common filter "checkno>=1000": the constant is read once.
class NumConstCompareNode : public ExprNode {
 public:
  NumConstCompareNode(Rel rel, NodePtr l, double constant)
      : ExprNode('L'), rel_(rel), l_(std::move(l)), constant_(constant) {}
  bool Log(const RecordView& rec) const override {
    return HoldsNumeric(rel_, l_->Num(rec), constant_);
  }

 private:
  Rel rel_;
  NodePtr l_;
  double constant_;
};

// Numbers compared without the type dispatch.
class NumCompareNode : public ExprNode {
 public:
  NumCompareNode(Rel rel, NodePtr l, NodePtr r)
      : ExprNode('L'), rel_(rel), l_(std::move(l)), r_(std::move(r)) {}
  bool Log(const RecordView& rec) const override {
    return HoldsNumeric(rel_, l_->Num(rec), r_->Num(rec));
  }

 private:
  Rel rel_;
  NodePtr l_, r_;
};

class AndNode : public ExprNode {
 public:
  AndNode(NodePtr l, NodePtr r) : ExprNode('L'), l_(std::move(l)), r_(std::move(r)) {}
  bool Log(const RecordView& rec) const override { return l_->Log(rec) && r_->Log(rec); }

 private:
  NodePtr l_, r_;
};

class OrNode : public ExprNode {
 public:
  OrNode(NodePtr l, NodePtr r) : ExprNode('L'), l_(std::move(l)), r_(std::move(r)) {}
  bool Log(const RecordView& rec) const override { return l_->Log(rec) || r_->Log(rec); }

 private:
  NodePtr l_, r_;
};

class NotNode : public ExprNode {
 public:
  explicit NotNode(NodePtr n) : ExprNode('L'), n_(std::move(n)) {}
  bool Log(const RecordView& rec) const override { return !n_->Log(rec); }

 private:
  NodePtr n_;
};

// --- functions

// STR(n [, len [, dec]]): right-aligned; fewer decimals when they do not fit; asterisks when
// the integer part does not fit.
std::string StrFunction(double value, int length, int decimals) {
  length = std::clamp(length, 1, 255);
  decimals = std::clamp(decimals, 0, 18);
  if (!std::isfinite(value)) return std::string(static_cast<size_t>(length), '*');
  for (int d = decimals; d >= 0; --d) {
    const std::string text = RoundedDecimal(value, d);
    if (static_cast<int>(text.size()) <= length) {
      return std::string(static_cast<size_t>(length) - text.size(), ' ') + text;
    }
  }
  return std::string(static_cast<size_t>(length), '*');
}

using Args = std::vector<NodePtr>;

class FunctionNode : public ExprNode {
 public:
  FunctionNode(char type, Args args) : ExprNode(type), a_(std::move(args)) {}

 protected:
  const ExprNode& Arg(size_t i) const { return *a_[i]; }
  size_t Count() const { return a_.size(); }

 private:
  Args a_;
};

enum class CaseChange { kUpper, kLower };

class CaseNode : public FunctionNode {
 public:
  CaseNode(CaseChange change, Args a) : FunctionNode('C', std::move(a)), change_(change) {}
  void Str(const RecordView& r, std::string& out) const override {
    const size_t start = out.size();
    Arg(0).Str(r, out);
    for (size_t i = start; i < out.size(); ++i) {
      char& c = out[i];
      if (change_ == CaseChange::kUpper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      if (change_ == CaseChange::kLower && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
  }

 private:
  CaseChange change_;
};

class StrNode : public FunctionNode {
 public:
  explicit StrNode(Args a) : FunctionNode('C', std::move(a)) {}
  void Str(const RecordView& r, std::string& out) const override {
    const int length = Count() > 1 ? ToCount(Arg(1).Num(r)) : 10;
    const int decimals = Count() > 2 ? ToCount(Arg(2).Num(r)) : 0;
    out += StrFunction(Arg(0).Num(r), length, decimals);
  }
};

class DtosNode : public FunctionNode {
 public:
  explicit DtosNode(Args a) : FunctionNode('C', std::move(a)) {}
  void Str(const RecordView& r, std::string& out) const override {
    out += Date(Arg(0).Dat(r)).Digits();
  }
};

class DtocNode : public FunctionNode {
 public:
  DtocNode(Args a, std::string picture)
      : FunctionNode('C', std::move(a)), picture_(std::move(picture)) {}
  void Str(const RecordView& r, std::string& out) const override {
    out += FormatDate(Date(Arg(0).Dat(r)), picture_);
  }

 private:
  std::string picture_;
};

class CtodNode : public FunctionNode {
 public:
  CtodNode(Args a, std::string picture)
      : FunctionNode('D', std::move(a)), picture_(std::move(picture)) {}
  int32_t Dat(const RecordView& r) const override {
    return ParseDate(StrOf(Arg(0), r), picture_).value_or(Date()).Serial();
  }

 private:
  std::string picture_;
};

enum class Cut { kSubstr, kLeft, kRight };

class CutNode : public FunctionNode {
 public:
  CutNode(Cut cut, Args a) : FunctionNode('C', std::move(a)), cut_(cut) {}
  void Str(const RecordView& r, std::string& out) const override {
    const size_t start = out.size();
    Arg(0).Str(r, out);
    const int size = static_cast<int>(out.size() - start);
    int from = 0, count = 0;
    switch (cut_) {
      case Cut::kSubstr:
        from = ToCount(Arg(1).Num(r)) - 1;
        count = Count() > 2 ? ToCount(Arg(2).Num(r)) : size - from;
        break;
      case Cut::kLeft:
        count = ToCount(Arg(1).Num(r));
        break;
      case Cut::kRight:
        count = std::min(ToCount(Arg(1).Num(r)), size);
        from = size - count;
        break;
    }
    if (from < 0) from = 0;
    if (from > size) from = size;
    count = std::clamp(count, 0, size - from);
    out.erase(start + static_cast<size_t>(from + count));
    out.erase(start, static_cast<size_t>(from));
  }

 private:
  Cut cut_;
};

enum class Trim { kRight, kLeft, kBoth };

class TrimNode : public FunctionNode {
 public:
  TrimNode(Trim trim, Args a) : FunctionNode('C', std::move(a)), trim_(trim) {}
  void Str(const RecordView& r, std::string& out) const override {
    const size_t start = out.size();
    Arg(0).Str(r, out);
    if (trim_ != Trim::kLeft) {
      while (out.size() > start && out.back() == ' ') out.pop_back();
    }
    if (trim_ != Trim::kRight) {
      size_t first = start;
      while (first < out.size() && out[first] == ' ') ++first;
      out.erase(start, first - start);
    }
  }

 private:
  Trim trim_;
};

class ValNode : public FunctionNode {
 public:
  explicit ValNode(Args a) : FunctionNode('N', std::move(a)) { decimals = 2; }
  double Num(const RecordView& r) const override {
    std::string_view v;
    if (Arg(0).View(r, v)) return ParseStoredNumber(v);
    return ParseStoredNumber(StrOf(Arg(0), r));
  }
};

class IifNode : public FunctionNode {
 public:
  IifNode(char type, Args a) : FunctionNode(type, std::move(a)) {
    decimals = std::max(Arg(1).decimals, Arg(2).decimals);
  }
  const ExprNode& Pick(const RecordView& r) const { return Arg(0).Log(r) ? Arg(1) : Arg(2); }
  double Num(const RecordView& r) const override { return Pick(r).Num(r); }
  bool Log(const RecordView& r) const override { return Pick(r).Log(r); }
  int32_t Dat(const RecordView& r) const override { return Pick(r).Dat(r); }
  void Str(const RecordView& r, std::string& out) const override { Pick(r).Str(r, out); }
};

class DeletedNode : public FunctionNode {
 public:
  DeletedNode() : FunctionNode('L', {}) {}
  bool Log(const RecordView& r) const override { return r.Deleted(); }
};

class RecnoNode : public FunctionNode {
 public:
  RecnoNode() : FunctionNode('N', {}) {}
  double Num(const RecordView& r) const override { return r.recno; }
};

class TodayNode : public FunctionNode {
 public:
  TodayNode() : FunctionNode('D', {}) {}
  int32_t Dat(const RecordView&) const override { return Date::Today().Serial(); }
};

enum class NumFn { kLen, kInt, kAbs, kRound, kYear, kMonth, kDay, kAt };

class NumFunctionNode : public FunctionNode {
 public:
  NumFunctionNode(NumFn fn, Args a) : FunctionNode('N', std::move(a)), fn_(fn) {
    if (fn_ == NumFn::kAbs) decimals = Arg(0).decimals;
    if (fn_ == NumFn::kRound && Arg(1).Constant()) {
      decimals = std::clamp(ToCount(Arg(1).Num(RecordView{})), 0, 18);
    }
  }
  double Num(const RecordView& r) const override {
    switch (fn_) {
      case NumFn::kLen:
        return static_cast<double>(StrOf(Arg(0), r).size());
      case NumFn::kInt:
        return std::trunc(Arg(0).Num(r));
      case NumFn::kAbs:
        return std::fabs(Arg(0).Num(r));
      case NumFn::kRound: {
        const int d = std::clamp(ToCount(Arg(1).Num(r)), -15, 18);
        return ParseStoredNumber(
                   RoundedDecimal(Arg(0).Num(r) / std::pow(10.0, std::min(d, 0)), std::max(d, 0))) *
               std::pow(10.0, std::min(d, 0));
      }
      case NumFn::kYear:
      case NumFn::kMonth:
      case NumFn::kDay: {
        const Date d(Arg(0).Dat(r));
        if (d.IsNull()) return 0;
        int y, m, day;
        d.ToYmd(y, m, day);
        return fn_ == NumFn::kYear ? y : fn_ == NumFn::kMonth ? m : day;
      }
      case NumFn::kAt: {
        const std::string needle = StrOf(Arg(0), r), hay = StrOf(Arg(1), r);
        const size_t at = needle.empty() ? std::string::npos : hay.find(needle);
        return at == std::string::npos ? 0 : static_cast<double>(at + 1);
      }
    }
    return 0;
  }

 private:
  NumFn fn_;
};

class SpaceNode : public FunctionNode {
 public:
  explicit SpaceNode(Args a) : FunctionNode('C', std::move(a)) {}
  void Str(const RecordView& r, std::string& out) const override {
    out.append(static_cast<size_t>(std::clamp(ToCount(Arg(0).Num(r)), 0, 65535)), ' ');
  }
};

}  // namespace

NodePtr MakeField(const FieldInfo& field, int /*index*/) {
  return std::make_unique<FieldNode>(field);
}
NodePtr MakeNumber(double value, int decimals) {
  return std::make_unique<NumberNode>(value, decimals);
}
NodePtr MakeString(std::string value) {
  return std::make_unique<StringNode>(std::move(value));
}
NodePtr MakeLogical(bool value) {
  return std::make_unique<LogicalNode>(value);
}
NodePtr MakeDate(int32_t serial) {
  return std::make_unique<DateNode>(serial);
}

NodePtr MakeArithmetic(char op, NodePtr left, NodePtr right) {
  const char lt = left->Type(), rt = right->Type();
  if (lt == 'C') return std::make_unique<ConcatNode>(op == '-', std::move(left), std::move(right));
  if (lt == 'D' && rt == 'D')
    return std::make_unique<DateDiffNode>(std::move(left), std::move(right));
  if (lt == 'D')
    return std::make_unique<DateShiftNode>(std::move(left), std::move(right), op == '-');
  if (rt == 'D') return std::make_unique<DateShiftNode>(std::move(right), std::move(left), false);
  return std::make_unique<NumericOp>(op, std::move(left), std::move(right));
}

NodePtr MakeNegate(NodePtr operand) {
  return std::make_unique<NegateNode>(std::move(operand));
}

NodePtr MakeComparison(const std::string& op, NodePtr left, NodePtr right, bool exact) {
  Rel rel = Rel::kEq;
  if (op == "==") rel = Rel::kExactEq;
  if (op == "<>") rel = Rel::kNe;
  if (op == "<") rel = Rel::kLt;
  if (op == ">") rel = Rel::kGt;
  if (op == "<=") rel = Rel::kLe;
  if (op == ">=") rel = Rel::kGe;
  if (op == "$") rel = Rel::kContains;
  // '==' on anything but texts is plain equality.
  if (rel == Rel::kExactEq && left->Type() != 'C') rel = Rel::kEq;
  if (left->Type() == 'N' && right->Constant()) {
    const double constant = right->Num(RecordView{});
    return std::make_unique<NumConstCompareNode>(rel, std::move(left), constant);
  }
  if (left->Type() == 'N') {
    return std::make_unique<NumCompareNode>(rel, std::move(left), std::move(right));
  }
  return std::make_unique<CompareNode>(rel, std::move(left), std::move(right), exact);
}

NodePtr MakeAnd(NodePtr left, NodePtr right) {
  return std::make_unique<AndNode>(std::move(left), std::move(right));
}
NodePtr MakeOr(NodePtr left, NodePtr right) {
  return std::make_unique<OrNode>(std::move(left), std::move(right));
}
NodePtr MakeNot(NodePtr operand) {
  return std::make_unique<NotNode>(std::move(operand));
}

NodePtr MakeFunction(const std::string& name, std::vector<NodePtr> args,
                     const std::string& datePicture) {
  if (name == "UPPER") return std::make_unique<CaseNode>(CaseChange::kUpper, std::move(args));
  if (name == "LOWER") return std::make_unique<CaseNode>(CaseChange::kLower, std::move(args));
  if (name == "STR") return std::make_unique<StrNode>(std::move(args));
  if (name == "DTOS") return std::make_unique<DtosNode>(std::move(args));
  if (name == "DTOC") return std::make_unique<DtocNode>(std::move(args), datePicture);
  if (name == "CTOD") return std::make_unique<CtodNode>(std::move(args), datePicture);
  if (name == "SUBSTR") return std::make_unique<CutNode>(Cut::kSubstr, std::move(args));
  if (name == "LEFT") return std::make_unique<CutNode>(Cut::kLeft, std::move(args));
  if (name == "RIGHT") return std::make_unique<CutNode>(Cut::kRight, std::move(args));
  if (name == "TRIM" || name == "RTRIM")
    return std::make_unique<TrimNode>(Trim::kRight, std::move(args));
  if (name == "LTRIM") return std::make_unique<TrimNode>(Trim::kLeft, std::move(args));
  if (name == "ALLTRIM") return std::make_unique<TrimNode>(Trim::kBoth, std::move(args));
  if (name == "VAL") return std::make_unique<ValNode>(std::move(args));
  if (name == "IIF") {
    const char type = args[1]->Type();
    return std::make_unique<IifNode>(type, std::move(args));
  }
  if (name == "DELETED") return std::make_unique<DeletedNode>();
  if (name == "RECNO") return std::make_unique<RecnoNode>();
  if (name == "DATE") return std::make_unique<TodayNode>();
  if (name == "SPACE") return std::make_unique<SpaceNode>(std::move(args));
  if (name == "LEN") return std::make_unique<NumFunctionNode>(NumFn::kLen, std::move(args));
  if (name == "INT") return std::make_unique<NumFunctionNode>(NumFn::kInt, std::move(args));
  if (name == "ABS") return std::make_unique<NumFunctionNode>(NumFn::kAbs, std::move(args));
  if (name == "ROUND") return std::make_unique<NumFunctionNode>(NumFn::kRound, std::move(args));
  if (name == "YEAR") return std::make_unique<NumFunctionNode>(NumFn::kYear, std::move(args));
  if (name == "MONTH") return std::make_unique<NumFunctionNode>(NumFn::kMonth, std::move(args));
  if (name == "DAY") return std::make_unique<NumFunctionNode>(NumFn::kDay, std::move(args));
  if (name == "AT") return std::make_unique<NumFunctionNode>(NumFn::kAt, std::move(args));
  return nullptr;
}

}  // namespace volarin::dbf
