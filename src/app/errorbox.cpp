#include "app/errorbox.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>
#include <utility>

#include "qtcommon/qttext.h"

namespace volarin {

namespace {

void ShowQtBox(const std::string& caption, const std::string& text) {
  QMessageBox box(QMessageBox::Critical, ToQString(caption), ToQString(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

ErrorPresenter& Presenter() {
  static ErrorPresenter presenter = ShowQtBox;
  return presenter;
}

}  // namespace

ScopedErrorPresenter::ScopedErrorPresenter(ErrorPresenter presenter)
    : previous_(std::exchange(Presenter(), std::move(presenter))) {}

ScopedErrorPresenter::~ScopedErrorPresenter() {
  Presenter() = std::move(previous_);
}

void ShowErrorBox(const std::string& message) {
  Presenter()(kProgramTitle, ErrorBoxText(message));
}

bool RunCommand(const std::function<void()>& handler) {
  try {
    handler();
    return true;
  } catch (const std::exception& error) {
    ShowErrorBox(error.what());
  } catch (...) {
    ShowErrorBox("Unknown error");
  }
  return false;
}

}  // namespace volarin
