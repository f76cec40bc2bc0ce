#pragma once
// The program's OK/Cancel message box, used for questions and notices alike.
// The window layer installs a presenter that shows a real box; tests install their own.

#include <functional>
#include <string>

namespace volarin {

inline constexpr const char* kConfirmCaption = "VOLARIN Message";

// Shows caption and message and returns true only when the operator chose OK.
using ConfirmPresenter =
    std::function<bool(const std::string& caption, const std::string& message)>;

// Installs the presenter and returns the previous one. Without any presenter ConfirmBox
// answers Cancel, so nothing is ever taken as agreed unseen.
ConfirmPresenter SetConfirmPresenter(ConfirmPresenter presenter);
bool ConfirmBox(const std::string& message);

// Installs a presenter for as long as it lives, then puts the previous one back.
class ScopedConfirmPresenter {
 public:
  explicit ScopedConfirmPresenter(ConfirmPresenter presenter)
      : previous_(SetConfirmPresenter(std::move(presenter))) {}
  ~ScopedConfirmPresenter() { SetConfirmPresenter(std::move(previous_)); }
  ScopedConfirmPresenter(const ScopedConfirmPresenter&) = delete;
  ScopedConfirmPresenter& operator=(const ScopedConfirmPresenter&) = delete;

 private:
  ConfirmPresenter previous_;
};

}  // namespace volarin
