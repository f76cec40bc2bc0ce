// The functions of the expression language (UPPER, STR, DTOS, SUBSTR, IIF, ...), each a node
// kind of its own, and the maker that picks one by name.
#include "dbf/exprnode.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "common/date.h"
#include "dbf/expression.h"
#include "dbf/numbertext.h"

namespace volarin::dbf {
namespace {

// STR(n [, len [, dec]]): right-aligned; fewer decimals when they do not fit; asterisks when
// the integer part does not fit. Length and decimals come clamped to 1..255 and 0..18.
void AppendStr(double value, int length, int decimals, std::string& out) {
  const size_t start = out.size();
  for (int d = decimals; d >= 0; --d) {
    if (!AppendRoundedDecimal(value, d, out)) break;
    const size_t size = out.size() - start;
    if (static_cast<int>(size) <= length) {
      out.insert(start, static_cast<size_t>(length) - size, ' ');
      return;
    }
    out.resize(start);
  }
  out.append(static_cast<size_t>(length), '*');
}

// The same for a whole number given by its digits: as a double it would write back as these
// digits, followed by zeros after the point.
void AppendStrOfWhole(const WholeNumberText& whole, int length, int decimals, std::string& out) {
  const int integer =
      static_cast<int>(whole.negative) + std::max(static_cast<int>(whole.digits.size()), 1);
  for (int d = decimals; d >= 0; --d) {
    const int size = integer + (d > 0 ? d + 1 : 0);
    if (size > length) continue;
    out.append(static_cast<size_t>(length - size), ' ');
    if (whole.negative) out += '-';
    if (whole.digits.empty()) {
      out += '0';
    } else {
      out += whole.digits;
    }
    if (d > 0) {
      out += '.';
      out.append(static_cast<size_t>(d), '0');
    }
    return;
  }
  out.append(static_cast<size_t>(length), '*');
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
    const int length = std::clamp(Count() > 1 ? ToCount(Arg(1).Num(r)) : 10, 1, 255);
    const int decimals = std::clamp(Count() > 2 ? ToCount(Arg(2).Num(r)) : 0, 0, 18);
    // A numeric field holding a plain whole number (a check number) is written from its digits;
    // the way through a double gives the same text after reading and writing the number again.
    std::string_view stored;
    if (Arg(0).View(r, stored)) {
      if (const std::optional<WholeNumberText> whole = PlainWholeNumber(stored)) {
        AppendStrOfWhole(*whole, length, decimals, out);
        return;
      }
    }
    AppendStr(Arg(0).Num(r), length, decimals, out);
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
