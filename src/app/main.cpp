// volarin-positivepay [DATA FOLDER]: runs in the suite's data folder, which holds the tables: the
// folder named on the command line, else the folder it was started in, else (started from the
// desktop menu, say) the folder the operator chooses.
#include <QApplication>
#include <cstdio>

#include "app/datafolder.h"
#include "app/errorbox.h"
#include "app/mainwindow.h"
#include "app/messageboxpresenter.h"
#include "common/platform.h"

int main(int argc, char** argv) {
  using namespace volarin;
  // The folder current at start, read once before anything else.
  const std::string startedIn = platform::CurrentFolder();
  QApplication application(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(kProgramTitle));
  InstallConfirmMessageBox();

  RememberedDataFolder remembered;
  const StartFolder start =
      ChooseStartFolder(QApplication::arguments().mid(1), startedIn, AskForDataFolder, remembered);
  if (!start.folder) {
    if (start.error.empty()) return 0;  // the operator chose not to start
    // Only a command line can be wrong here: it is answered where it was typed.
    std::fprintf(stderr, "%s\n", start.error.c_str());
    return 2;
  }
  // The program works in its data folder as if it had been started there.
  std::string dataDir = startedIn;
  if (*start.folder != startedIn) {
    try {
      platform::SetCurrentFolder(*start.folder);
    } catch (const std::exception& error) {
      ShowErrorBox(error.what());
      return 2;
    }
    dataDir = platform::CurrentFolder();
  }
  MainWindow window(dataDir);
  window.show();
  return QApplication::exec();
}
