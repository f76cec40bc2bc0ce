// The Setup page's bank file layout, through its controls: a layout chosen for the current
// row's bank account, a new one made from a built-in one, an own layout renamed, the preview
// from the register, and a damaged layout file shown and left alone.
#include "app/banklayoutpanel.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

#include "app/apptestsupport.h"
#include "app/banklayoutdialog.h"
#include "app/datagrid.h"
#include "app/pagecontrol.h"
#include "common/platform.h"
#include "positivepay/layoutsettings.h"

namespace volarin {
namespace {

using testing::ReadBytes;
using testing::WindowFixture;
using testing::Ymd;

fixtures::DataFolderRows Rows() {
  fixtures::DataFolderRows rows;
  rows.accountList = {{"AAA100"}};
  rows.accountMap = {{"AAA100", "11-1", "021000021"}, {"MMM500", "55-5", "B5"}};
  rows.checkRegister = {{"11-1", 4711, Ymd(2024, 3, 5), "00", 12.5, "ACME", "021000021"},
                        {"11-1", 4712, Ymd(2024, 3, 5), "02", 3, "BETA", "021000021"}};
  return rows;
}

class BankLayoutPanelTest : public ::testing::Test {
 protected:
  BankLayoutPanelTest() : fixture(Rows()) {}

  BankLayoutPanel& ShowSetup(bool withRegister = false) {
    MainWindow& window = withRegister ? fixture.ShowWithRegister() : fixture.Show();
    window.GSPages1().setCurrentIndex(1);
    QApplication::processEvents();
    return window.LayoutPanel();
  }
  static void Choose(BankLayoutPanel& panel, const std::string& name) {
    QComboBox& list = panel.LayoutList();
    const int at = list.findText(QString::fromStdString(name));
    ASSERT_GE(at, 0) << name;
    list.setCurrentIndex(at);
    emit list.activated(at);
  }
  LayoutSettings Stored() const { return ReadLayoutSettings(fixture.folder.Path()); }
  std::string LayoutFile() const { return fixture.folder / kLayoutFileName; }

  WindowFixture fixture;
};

TEST_F(BankLayoutPanelTest, AChosenLayoutIsKeptForTheBankAccountAndPreviewed) {
  BankLayoutPanel& panel = ShowSetup();
  EXPECT_EQ(panel.AccountLabel().text(), QStringLiteral("Layout for 11-1:"));
  EXPECT_EQ(panel.LayoutList().currentText().toStdString(), kStandardLayoutName);
  EXPECT_FALSE(panel.EditButton().isEnabled()) << "built-in layouts are not edited";
  // Without checks in the register the preview shows a sample for the account.
  EXPECT_TRUE(panel.Preview().toPlainText().contains(QStringLiteral(",1001,\"ACME SUPPLY CO\",")));

  const std::string fixed100 = BuiltInLayouts()[2].name;
  Choose(panel, fixed100);
  EXPECT_EQ(Stored().accountLayouts, (std::map<std::string, std::string>{{"11-1", fixed100}}));
  const QStringList lines = panel.Preview().toPlainText().split(QLatin1Char('\n'));
  ASSERT_GE(lines.size(), 3);
  EXPECT_EQ(lines[0].size(), 100);
  EXPECT_TRUE(lines[0].startsWith(QStringLiteral("000000000111 ")));

  // Back to the standard layout: the account's line goes.
  Choose(panel, kStandardLayoutName);
  EXPECT_TRUE(Stored().accountLayouts.empty());
  EXPECT_TRUE(platform::FileExists(LayoutFile()));
}

TEST_F(BankLayoutPanelTest, ThePreviewShowsTheRegistersChecks) {
  BankLayoutPanel& panel = ShowSetup(true);
  Choose(panel, BuiltInLayouts()[1].name);
  EXPECT_EQ(panel.Preview().toPlainText(),
            QStringLiteral("I,11-1,4711,030524,12.50,ACME\nV,11-1,4712,030524,3.00,BETA\n"));
}

TEST_F(BankLayoutPanelTest, ANewLayoutFromABuiltInOneAndAnOwnLayoutRenamed) {
  BankLayoutPanel& panel = ShowSetup();
  Choose(panel, BuiltInLayouts()[1].name);
  std::vector<std::string> offeredNames;
  panel.SetEditor([&](BankLayout& layout, const BankLayoutPanel::PreviewSource& source,
                      const std::vector<std::string>&) {
    offeredNames.push_back(layout.name);
    EXPECT_EQ(source.checks.size(), 3u) << "the sample";
    layout.name = "First National";
    layout.payeeLimit = 2;
    return true;
  });
  panel.NewButton().click();
  ASSERT_EQ(offeredNames, std::vector<std::string>{"Copy of " + BuiltInLayouts()[1].name});
  LayoutSettings stored = Stored();
  ASSERT_EQ(stored.layouts.size(), 1u);
  EXPECT_EQ(stored.layouts[0].payeeLimit, 2);
  EXPECT_EQ(stored.LayoutFor("11-1").name, "First National");
  EXPECT_TRUE(panel.EditButton().isEnabled());
  EXPECT_TRUE(panel.Preview().toPlainText().contains(QStringLiteral(",AC\n")));

  // Renamed: the bank account keeps it; a cancelled edit changes nothing.
  panel.SetEditor([](BankLayout& layout, const BankLayoutPanel::PreviewSource&,
                     const std::vector<std::string>&) {
    layout.name = "First National Bank";
    return true;
  });
  panel.EditButton().click();
  stored = Stored();
  EXPECT_EQ(stored.LayoutFor("11-1").name, "First National Bank");
  const std::string before = ReadBytes(LayoutFile());
  panel.SetEditor([](BankLayout& layout, const BankLayoutPanel::PreviewSource&,
                     const std::vector<std::string>&) {
    layout.name = "Changed";
    return false;
  });
  panel.EditButton().click();
  EXPECT_EQ(ReadBytes(LayoutFile()), before);
}

TEST_F(BankLayoutPanelTest, ADamagedLayoutFileIsShownAndNeverOverwritten) {
  const std::string damaged = "[Layout]\nName=A\nDetail=Amont\n";
  fixture.folder.Write(kLayoutFileName, damaged);
  BankLayoutPanel& panel = ShowSetup();
  EXPECT_TRUE(panel.Preview().toPlainText().contains(QStringLiteral("line 3: unknown field")))
      << panel.Preview().toPlainText().toStdString();
  EXPECT_FALSE(panel.LayoutList().isEnabled());
  EXPECT_FALSE(panel.NewButton().isEnabled());
  EXPECT_FALSE(panel.EditButton().isEnabled());
  EXPECT_EQ(ReadBytes(LayoutFile()), damaged);
}

// The layout dialog previews every change and refuses a layout that cannot write a file.
TEST(BankLayoutDialogTest, PreviewsEachChangeAndRefusesWhatCannotWork) {
  testing::Recorders recorders;
  const std::vector<LayoutCheck> checks = {
      {"11-1", "B1", 4711, Ymd(2024, 3, 5), Money::FromCents(1250), "00", "ACME SUPPLY"}};
  BankLayout copy = BuiltInLayouts()[1];
  copy.name = "Copy";
  BankLayoutDialog dialog(copy, checks, {Ymd(2024, 3, 7), "11-1", "B1"}, {"Taken"});
  EXPECT_EQ(dialog.PreviewText(), QStringLiteral("I,11-1,4711,030524,12.50,ACME SUPPLY\n"));
  dialog.PayeeLimit().setValue(4);
  EXPECT_EQ(dialog.PreviewText(), QStringLiteral("I,11-1,4711,030524,12.50,ACME\n"));
  dialog.DetailEdit().setText(QStringLiteral("CheckNumber; Amont"));
  EXPECT_EQ(dialog.PreviewText(), QString());
  std::string problem;
  dialog.Layout(&problem);
  EXPECT_EQ(problem, "The check record: unknown field \"Amont\"");
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Rejected) << "not closed";
  ASSERT_EQ(recorders.errors.size(), 1u);

  dialog.DetailEdit().setText(QStringLiteral("CheckNumber; Amount"));
  dialog.NameEdit().setText(QStringLiteral("Taken"));
  dialog.Layout(&problem);
  EXPECT_EQ(problem, "Another layout is named \"Taken\"");
  dialog.NameEdit().setText(QStringLiteral("Mine"));
  const BankLayout made = dialog.Layout(&problem);
  EXPECT_EQ(problem, "");
  EXPECT_EQ(made.payeeLimit, 4);
  EXPECT_EQ(made.detail.size(), 2u);
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace volarin
