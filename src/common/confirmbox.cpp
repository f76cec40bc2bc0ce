#include "common/confirmbox.h"

namespace volarin {
namespace {
ConfirmPresenter& Presenter() {
  static ConfirmPresenter presenter;
  return presenter;
}
}  // namespace

ConfirmPresenter SetConfirmPresenter(ConfirmPresenter presenter) {
  ConfirmPresenter previous = std::move(Presenter());
  Presenter() = std::move(presenter);
  return previous;
}

bool ConfirmBox(const std::string& message) {
  const ConfirmPresenter& presenter = Presenter();
  return presenter ? presenter(kConfirmCaption, message) : false;
}

}  // namespace volarin
