#include "app/messageboxpresenter.h"

#include <QApplication>
#include <QMessageBox>

#include "common/confirmbox.h"
#include "qtcommon/qttext.h"

namespace volarin {

bool ShowConfirmMessageBox(const std::string& caption, const std::string& message) {
  QWidget* focused = QApplication::focusWidget();
  QWidget* owner = focused ? focused->window() : QApplication::activeWindow();
  QMessageBox box(QMessageBox::Information, ToQString(caption), ToQString(message),
                  QMessageBox::Ok | QMessageBox::Cancel, owner);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok;
}

void InstallConfirmMessageBox() {
  SetConfirmPresenter(ShowConfirmMessageBox);
}

}  // namespace volarin
