#pragma once
// The application's error box: every command handler of the windows ends in it when something
// fails, so that no exception crosses the Qt event loop and the window stays usable.

#include <functional>
#include <string>

#include "common/errors.h"
#include "common/programtitle.h"

class QWidget;

namespace volarin {

// Shows caption and text; the default shows a QMessageBox with the error icon and OK.
using ErrorPresenter = std::function<void(const std::string& caption, const std::string& text)>;

// Installs a presenter for as long as it lives (tests see the text instead of a box), then
// puts the previous one back.
class ScopedErrorPresenter {
 public:
  explicit ScopedErrorPresenter(ErrorPresenter presenter);
  ~ScopedErrorPresenter();
  ScopedErrorPresenter(const ScopedErrorPresenter&) = delete;
  ScopedErrorPresenter& operator=(const ScopedErrorPresenter&) = delete;

 private:
  ErrorPresenter previous_;
};

// Shows the message in the error box, captioned with the program's title.
void ShowErrorBox(const std::string& message);

// Runs a command handler; an exception ends it and its message goes to the error box.
// Returns false when the handler failed.
bool RunCommand(const std::function<void()>& handler);

}  // namespace volarin
