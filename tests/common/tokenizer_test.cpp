#include "common/tokenizer.h"

#include <gtest/gtest.h>

#include <vector>

namespace volarin {
namespace {

std::vector<std::string> Split(const std::string& text, const std::string& delimiter) {
  std::vector<std::string> pieces;
  std::string piece = FirstToken(text, delimiter);
  while (MoreTokens()) {
    pieces.push_back(piece);
    piece = NextToken();
  }
  EXPECT_EQ(piece, "");
  return pieces;
}

TEST(Tokenizer, SplitsAndClosesTheLastPiece) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Split("a,b", ","), (V{"a", "b"}));
  // The trailing blank goes before the closing delimiter is tested: no empty third piece.
  EXPECT_EQ(Split("a,b, ", ","), (V{"a", "b"}));
  EXPECT_EQ(Split("a,,b", ","), (V{"a", "", "b"}));
  EXPECT_EQ(Split("", ","), V{});
  // A text no longer than the delimiter always gets it appended: two empty pieces.
  EXPECT_EQ(Split(",", ","), (V{"", ""}));
  // Letters of the delimiter match either case; pieces keep their own case.
  EXPECT_EQ(Split("oneANDtwoandThree", "and"), (V{"one", "two", "Three"}));
}

TEST(Tokenizer, ANewSplittingEndsTheOldOne) {
  EXPECT_EQ(FirstToken("x;y;z", ";"), "x");
  EXPECT_EQ(FirstToken("p|q", "|"), "p");
  EXPECT_EQ(NextToken(), "q");
  EXPECT_EQ(NextToken(), "");
  EXPECT_FALSE(MoreTokens());
  EXPECT_EQ(NextToken(), "");
}

}  // namespace
}  // namespace volarin
