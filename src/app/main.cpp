// volarin-positivepay: run from the suite's data folder, which holds the tables.
#include <QApplication>

#include "app/mainwindow.h"
#include "app/messageboxpresenter.h"
#include "common/platform.h"

int main(int argc, char** argv) {
  // The data folder is the folder current at start, read once before anything else.
  const std::string dataDir = volarin::platform::CurrentFolder();
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("VOLARIN Positive Pay"));
  volarin::InstallConfirmMessageBox();
  volarin::MainWindow window(dataDir);
  window.show();
  return QApplication::exec();
}
