#pragma once
// A small process-wide tokenizer: FirstToken starts a splitting, NextToken continues it.
// One state for the whole process; a new FirstToken ends any splitting in progress.

#include <string>

namespace volarin {

std::string FirstToken(const std::string& text, const std::string& delimiter);
std::string NextToken();
// True while the last FirstToken/NextToken found a piece.
bool MoreTokens();

}  // namespace volarin
