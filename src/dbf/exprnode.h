#pragma once
// The typed tree a parsed expression becomes. Each node has one result type, fixed when it is
// built, and answers only the evaluation call of that type; no value boxes, no allocation on the
// numeric, date and logical paths.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/record.h"

namespace volarin::dbf {

class ExprNode {
 public:
  explicit ExprNode(char type) : type_(type) {}
  virtual ~ExprNode() = default;
  char Type() const { return type_; }
  // Decimals of a numeric result's text form.
  int decimals = 0;
  // Width of a bare numeric field, whose text form keeps the field's layout; 0 otherwise.
  int width = 0;

  virtual double Num(const RecordView&) const { return 0; }
  virtual bool Log(const RecordView&) const { return false; }
  // Date as a day number, 0 for a blank date.
  virtual int32_t Dat(const RecordView&) const { return 0; }
  // Appends the character result to out.
  virtual void Str(const RecordView&, std::string&) const {}
  // For fields and literals: the bytes without copying.
  virtual bool View(const RecordView&, std::string_view&) const { return false; }
  // True for a literal, whose value never depends on the record.
  virtual bool Constant() const { return false; }

 private:
  char type_;
};

using NodePtr = std::unique_ptr<ExprNode>;

// Doubles used as counts and positions, clamped so a wild value cannot overflow an int.
inline int ToCount(double v) {
  if (!(v == v)) return 0;
  return static_cast<int>(std::clamp(v, -1.0e6, 1.0e6));
}

// The character result of a node as a string of its own.
inline std::string StrOf(const ExprNode& node, const RecordView& r) {
  std::string s;
  node.Str(r, s);
  return s;
}

// Node makers used by the parser. Each checks nothing: the parser has checked the types.
NodePtr MakeField(const FieldInfo& field, int index);
NodePtr MakeNumber(double value, int decimals);
NodePtr MakeString(std::string value);
NodePtr MakeLogical(bool value);
NodePtr MakeDate(int32_t serial);
// op: '+', '-', '*', '/', '%', '^' on numbers; '+', '-' on texts; '+', '-' with dates.
NodePtr MakeArithmetic(char op, NodePtr left, NodePtr right);
NodePtr MakeNegate(NodePtr operand);
// op: "=", "==", "<>", "<", ">", "<=", ">=", "$".
NodePtr MakeComparison(const std::string& op, NodePtr left, NodePtr right, bool exact);
NodePtr MakeAnd(NodePtr left, NodePtr right);
NodePtr MakeOr(NodePtr left, NodePtr right);
NodePtr MakeNot(NodePtr operand);
// A function by its full upper-case name with checked arguments; datePicture for DTOC/CTOD.
NodePtr MakeFunction(const std::string& name, std::vector<NodePtr> args,
                     const std::string& datePicture);

}  // namespace volarin::dbf
