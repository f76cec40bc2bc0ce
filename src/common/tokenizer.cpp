#include "common/tokenizer.h"

#include "common/text.h"

namespace volarin {
namespace {

struct TokenizerState {
  std::string work;
  std::string delimiter;  // upper-cased
  size_t next = 0;        // 0-based index of the next piece
  bool more = false;
};

TokenizerState& State() {
  static TokenizerState state;
  return state;
}

// Finds the delimiter in the upper-cased work text, returns the piece from `from` up to it and
// blots the occurrence out with code 1 so the next search finds the following one.
std::string TakePiece(TokenizerState& s, size_t from) {
  const std::string upper = UpperAscii(s.work);
  const size_t p = s.delimiter.empty() ? std::string::npos : upper.find(s.delimiter);
  if (p == std::string::npos) {
    s.more = false;
    return {};
  }
  std::string piece = p >= from ? s.work.substr(from, p - from) : std::string();
  for (size_t i = 0; i < s.delimiter.size(); ++i) s.work[p + i] = '\x01';
  s.next = p + s.delimiter.size();
  s.more = true;
  return piece;
}

}  // namespace

std::string FirstToken(const std::string& text, const std::string& delimiter) {
  TokenizerState& s = State();
  if (text.empty()) {
    s.more = false;
    return {};
  }
  std::string work = TrimRight(text);
  const std::string delim = UpperAscii(delimiter);
  const bool closed =
      work.size() > delim.size() && UpperAscii(work.substr(work.size() - delim.size())) == delim;
  if (!closed) work += delim;
  s.work = work;
  s.delimiter = delim;
  s.next = 0;
  return TakePiece(s, 0);
}

std::string NextToken() {
  TokenizerState& s = State();
  if (!s.more) return {};
  return TakePiece(s, s.next);
}

bool MoreTokens() {
  return State().more;
}

}  // namespace volarin
