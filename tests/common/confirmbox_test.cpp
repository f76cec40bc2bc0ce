#include "common/confirmbox.h"

#include <gtest/gtest.h>

namespace volarin {
namespace {

TEST(ConfirmBox, ShowsTheMessageAndReturnsTheChoice) {
  std::string caption, message;
  bool answer = true;
  ScopedConfirmPresenter presenter([&](const std::string& c, const std::string& m) {
    caption = c;
    message = m;
    return answer;
  });
  EXPECT_TRUE(ConfirmBox("Print the report?"));
  EXPECT_EQ(caption, "VOLARIN Message");
  EXPECT_EQ(message, "Print the report?");
  answer = false;
  EXPECT_FALSE(ConfirmBox("again"));
}

TEST(ConfirmBox, WithoutAPresenterNothingCountsAsAgreed) {
  ScopedConfirmPresenter none(nullptr);
  EXPECT_FALSE(ConfirmBox("unseen"));
}

}  // namespace
}  // namespace volarin
