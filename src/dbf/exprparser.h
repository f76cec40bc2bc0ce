#pragma once
// Recursive-descent parser from dBASE expression text to a typed node tree.

#include <string>
#include <string_view>

#include "dbf/expression.h"
#include "dbf/exprnode.h"

namespace volarin::dbf {

struct ParsedTree {
  NodePtr root;
  std::string error;
  int errorPosition = 0;
};

ParsedTree ParseTree(std::string_view text, const RecordLayout& layout,
                     const ExpressionOptions& options);

}  // namespace volarin::dbf
