#include "app/errorbox.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/temp_folder.h"

namespace volarin {
namespace {

TEST(ErrorBoxMessage, FullStopOnlyAfterCharactersSortingAfterIt) {
  struct Case {
    std::string message;
    std::string shown;
  };
  const Case cases[] = {
      {"Field 'X' not found", "Field 'X' not found."},
      {"Could not start engine.", "Could not start engine."},
      {"Error opening: a.dbf. (-1)", "Error opening: a.dbf. (-1)"},  // ')' sorts before '.'
      {"Done!", "Done!"},
      {"a/b", "a/b."},                // '/' sorts right after '.'
      {"Menge \xE9", "Menge \xE9."},  // a Windows-1252 letter above 127
      {"checkno>=", "checkno>=."},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorBoxText(c.message), c.shown) << c.message;
}

TEST(RunCommand, AnExceptionEndsTheCommandInTheErrorBoxCaptionedWithTheTitle) {
  std::vector<std::string> shown;
  ScopedErrorPresenter presenter([&](const std::string& caption, const std::string& text) {
    shown.push_back(caption + "|" + text);
  });
  bool after = false;
  EXPECT_FALSE(RunCommand([&] {
    throw std::runtime_error("Could not parse filter expression: checkno>=");
    after = true;
  }));
  EXPECT_FALSE(after);
  EXPECT_TRUE(RunCommand([] {}));
  EXPECT_FALSE(RunCommand([] { throw 42; }));
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0], "VOLARIN Positive Pay|Could not parse filter expression: checkno>=.");
  EXPECT_EQ(shown[1], "VOLARIN Positive Pay|Unknown error.");
}

}  // namespace
}  // namespace volarin
