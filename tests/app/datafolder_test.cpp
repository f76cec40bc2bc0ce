// Where the program starts: inside a data folder as always; elsewhere (the desktop menu starts it
// in the home folder) it asks for the data folder and remembers the choice.
#include "app/datafolder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QTimer>
#include <vector>

#include "common/confirmbox.h"
#include "common/paths.h"
#include "support/temp_folder.h"

namespace volarin::testing {
namespace {

class DataFolderChoice : public ::testing::Test {
 protected:
  DataFolderChoice() {
    std::filesystem::create_directories(data.Path());
    std::filesystem::create_directories(home.Path());
    data.Write("zorppay.dbf", "register");  // any letter case counts
  }

  // The question answers from `answers` in turn (nothing = cancel) and records where it opened.
  StartFolder Start(const QStringList& arguments, const std::string& current,
                    std::vector<std::optional<std::string>> answers) {
    answers_ = std::move(answers);
    return ChooseStartFolder(
        arguments, current,
        [this](const std::string& startAt) -> std::optional<std::string> {
          openedAt.push_back(startAt);
          if (openedAt.size() > answers_.size()) return std::nullopt;
          return answers_[openedAt.size() - 1];
        },
        remembered);
  }

  TempFolder data;
  TempFolder home;
  TempFolder settings;
  RememberedDataFolder remembered{QString::fromStdString(settings / "positivepay.ini")};
  std::vector<std::string> openedAt;
  std::vector<std::string> confirms;
  bool confirmAnswer = true;
  ScopedConfirmPresenter confirm{[this](const std::string&, const std::string& message) {
    confirms.push_back(message);
    return confirmAnswer;
  }};

 private:
  std::vector<std::optional<std::string>> answers_;
};

TEST_F(DataFolderChoice, StartedInsideADataFolderAsksNothing) {
  const StartFolder start = Start({}, data.Path(), {});
  ASSERT_TRUE(start.folder);
  EXPECT_EQ(*start.folder, data.Path());
  EXPECT_TRUE(openedAt.empty());
  EXPECT_EQ(remembered.Last(), "");
}

TEST_F(DataFolderChoice, StartedElsewhereAsksAndRemembersTheChoice) {
  const StartFolder first = Start({}, home.Path(), {data.Path()});
  ASSERT_TRUE(first.folder);
  EXPECT_EQ(*first.folder, data.Path());
  ASSERT_EQ(openedAt.size(), 1u);
  EXPECT_EQ(openedAt[0], QDir::homePath().toStdString());
  EXPECT_EQ(remembered.Last(), data.Path());

  // The next start from the menu opens the question at the folder chosen last.
  openedAt.clear();
  const StartFolder second = Start({}, home.Path(), {data.Path()});
  ASSERT_EQ(openedAt.size(), 1u);
  EXPECT_EQ(openedAt[0], data.Path());
  EXPECT_EQ(*second.folder, data.Path());
}

TEST_F(DataFolderChoice, ACancelledQuestionEndsWithoutAFolderOrAnError) {
  const StartFolder start = Start({}, home.Path(), {std::nullopt});
  EXPECT_FALSE(start.folder);
  EXPECT_EQ(start.error, "");
  EXPECT_EQ(remembered.Last(), "");
}

TEST_F(DataFolderChoice, AFolderWithoutTheRegisterIsRefusedAndAskedAgain) {
  // OK: choose again, then the right folder.
  StartFolder start = Start({}, home.Path(), {home.Path(), data.Path()});
  ASSERT_TRUE(start.folder);
  EXPECT_EQ(*start.folder, data.Path());
  ASSERT_EQ(confirms.size(), 1u);
  EXPECT_EQ(confirms[0], home.Path() +
                             " holds no check register (zorppay.dbf).\r\n\r\n"
                             "Press OK to choose the VOLARIN data folder, Cancel to stop.");
  ASSERT_EQ(openedAt.size(), 2u);
  EXPECT_EQ(openedAt[1], home.Path());  // opens again where the operator was

  // Cancel at that message stops, and the wrong folder is not remembered.
  TempFolder settings2;
  RememberedDataFolder fresh(QString::fromStdString(settings2 / "positivepay.ini"));
  confirmAnswer = false;
  const StartFolder stopped = ChooseStartFolder(
      {}, home.Path(), [&](const std::string&) { return std::optional(home.Path()); }, fresh);
  EXPECT_FALSE(stopped.folder);
  EXPECT_EQ(stopped.error, "");
  EXPECT_EQ(fresh.Last(), "");
}

TEST_F(DataFolderChoice, AFolderOnTheCommandLineIsUsedWithoutAsking) {
  TempFolder other;
  struct Case {
    QStringList arguments;
    std::optional<std::string> folder;
    std::string error;
  };
  const std::string missing = JoinPath(home.Path(), "no-such-folder");
  const std::vector<Case> cases = {
      {{QString::fromStdString(other.Path())}, other.Path(), ""},
      {{QString::fromStdString(missing)},
       std::nullopt,
       "The data folder " + missing + " does not exist"},
      {{QStringLiteral("a"), QStringLiteral("b")},
       std::nullopt,
       "Usage: volarin-positivepay [DATA FOLDER]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
    const StartFolder start = Start(c.arguments, data.Path(), {data.Path()});
    EXPECT_EQ(start.folder, c.folder);
    EXPECT_EQ(start.error, c.error);
  }
  EXPECT_TRUE(openedAt.empty());
}

TEST_F(DataFolderChoice, TheRegisterIsFoundInAnyLetterCase) {
  TempFolder upper;
  upper.Write("ZORPPAY.DBF", "register");
  TempFolder none;
  none.Write("zordis.dbf", "escrow");
  EXPECT_TRUE(HoldsCheckRegister(upper.Path()));
  EXPECT_TRUE(HoldsCheckRegister(data.Path()));
  EXPECT_FALSE(HoldsCheckRegister(none.Path()));
}

// The system's folder dialog, answered as an operator would: the chosen folder, or Cancel.
TEST_F(DataFolderChoice, TheFolderDialogGivesTheChosenFolderOrNothing) {
  for (const bool choose : {true, false}) {
    SCOPED_TRACE(choose ? "chosen" : "cancelled");
    QString openedIn;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      answer.stop();
      openedIn = dialog->directory().absolutePath();
      if (choose) {
        dialog->setDirectory(QString::fromStdString(data.Path()));
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        ASSERT_TRUE(buttons && buttons->button(QDialogButtonBox::Open));
        buttons->button(QDialogButtonBox::Open)->click();
      } else {
        dialog->reject();
      }
    });
    answer.start(20);
    const std::optional<std::string> chosen = AskForDataFolder(home.Path());
    EXPECT_EQ(openedIn.toStdString(), home.Path());
    if (choose) {
      ASSERT_TRUE(chosen);
      EXPECT_EQ(*chosen, data.Path());
    } else {
      EXPECT_FALSE(chosen);
    }
  }
}

}  // namespace
}  // namespace volarin::testing
