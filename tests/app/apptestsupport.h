#pragma once
// A main window started on a data folder built from rows, with the message boxes replaced by
// recorders: ConfirmBox answers as told, the error box and the Yes/No question are recorded.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/cursormodel.h"
#include "app/datagrid.h"
#include "app/errorbox.h"
#include "app/mainwindow.h"
#include "common/confirmbox.h"
#include "common/platform.h"
#include "storage/fixtures/datafolder.h"
#include "support/temp_folder.h"

namespace volarin::testing {

inline Date Ymd(int year, int month, int day) {
  return Date::FromYmd(year, month, day).value();
}

struct Recorders {
  std::vector<std::string> confirms;
  std::vector<std::string> errors;
  bool confirmAnswer = true;
  ScopedConfirmPresenter confirmPresenter{
      [this](const std::string& caption, const std::string& message) {
        confirms.push_back(caption + "|" + message);
        return confirmAnswer;
      }};
  ScopedErrorPresenter errorPresenter{[this](const std::string& caption, const std::string& text) {
    errors.push_back(caption + "|" + text);
  }};
};

// The export makes the data folder the current folder, as the program does; the next test must
// not start in a folder that was removed (a second process started from there cannot even run).
class CurrentFolderKept {
 public:
  CurrentFolderKept() : saved_(platform::CurrentFolder()) {}
  ~CurrentFolderKept() {
    try {
      platform::SetCurrentFolder(saved_);
    } catch (const std::exception&) {
    }
  }
  CurrentFolderKept(const CurrentFolderKept&) = delete;
  CurrentFolderKept& operator=(const CurrentFolderKept&) = delete;

 private:
  std::string saved_;
};

class WindowFixture {
 public:
  explicit WindowFixture(const fixtures::DataFolderRows& rows) {
    fixtures::BuildDataFolder(folder.Path(), rows);
  }
  WindowFixture() = default;

  // Creates and shows the window, then lets the posted start-up run.
  MainWindow& Show(const std::function<void(MainWindow&)>& beforeShow = {}) {
    window = std::make_unique<MainWindow>(folder.Path());
    if (beforeShow) beforeShow(*window);
    window->show();
    QApplication::setActiveWindow(window.get());
    const bool settled = QTest::qWaitFor(
        [this] { return window->Started() || !window->isVisible() || !recorders.errors.empty(); },
        10000);
    EXPECT_TRUE(settled) << "the start-up did not run";
    QApplication::processEvents();
    return *window;
  }

  // Shows the window with the register open in date order, as an extraction leaves it.
  MainWindow& ShowWithRegister() {
    MainWindow& shown = Show();
    shown.zorppay().Open();
    shown.zorppay().SetTag("date");
    shown.zorppay().GoTop();
    QApplication::processEvents();
    return shown;
  }

  CurrentFolderKept currentFolder;
  TempFolder folder;
  Recorders recorders;
  std::unique_ptr<MainWindow> window;
};

// The check numbers of the checks grid, row by row.
inline QStringList GridCheckNumbers(MainWindow& window) {
  QStringList numbers;
  const CursorModel& model = window.ExRxDBGrid2().Model();
  for (int row = 0; row < model.rowCount(); ++row) numbers << model.index(row, 2).data().toString();
  return numbers;
}

// The grid's Yes/No question answered as told, recording what was asked.
inline void AnswerQuestions(DataGrid& grid, bool yes, std::vector<std::string>& asked) {
  grid.SetQuestion([yes, &asked](const std::string& text) {
    asked.push_back(text);
    return yes;
  });
}

}  // namespace volarin::testing
