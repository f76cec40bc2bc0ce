// The node kinds of an expression: fields, literals, operators and comparisons, and their makers.
// The functions are in exprfunctions.cpp.
#include "dbf/exprnode.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/date.h"
#include "dbf/expression.h"
#include "dbf/numbertext.h"

namespace volarin::dbf {
namespace {

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

}  // namespace volarin::dbf
