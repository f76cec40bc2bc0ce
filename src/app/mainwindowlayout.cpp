// The main window's controls: placed, sized, docked and coloured as the window was designed.
#include <QHBoxLayout>
#include <QLabel>

#include "app/artwork.h"
#include "app/banklayoutpanel.h"
#include "app/barcontrols.h"
#include "app/cursormodel.h"
#include "app/datagrid.h"
#include "app/flatpushbutton.h"
#include "app/historypage.h"
#include "app/mainwindow.h"
#include "app/pagecontrol.h"
#include "common/programtitle.h"
#include "controls/colordateedit.h"
#include "controls/coloredit.h"
#include "controls/docklayout.h"
#include "controls/flatcombobox.h"
#include "controls/formsizer.h"
#include "controls/hoverspeedbutton.h"
#include "qtcommon/bgrcolor.h"
#include "storage/tablefiles.h"

namespace volarin {

namespace {

constexpr uint32_t kButtonFace = 0xF0F0F0;  // clBtnFace
constexpr uint32_t kPaleGreen = 0xD7F1D6;
constexpr uint32_t kPaleYellow = 0xDFFFFF;
constexpr uint32_t kMouseOverYellow = 0xBFFFFF;
constexpr uint32_t kLightYellow = 0xCCFFFF;
constexpr int kTabHeight = 24;

QFont WindowFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(8);
  return font;
}

template <typename Edit>
void PaleYellowStates(Edit* edit) {
  edit->SetEXITCOLOR(kPaleYellow);
  edit->SetENTERCOLOR(kBgrYellow);
  edit->SetMOUSEENTERCOLOR(kMouseOverYellow);
  edit->SetBORDERCOLOR(kBgrSilver);
  edit->SetColor(kPaleYellow);
}

}  // namespace

void MainWindow::BuildLayout() {
  setWindowTitle(QString::fromLatin1(kProgramTitle));
  setFont(WindowFont());
  QPalette colours = palette();
  colours.setColor(QPalette::Window, FromBgr(kButtonFace));
  colours.setColor(QPalette::Button, FromBgr(kButtonFace));
  setPalette(colours);
  resize(kClientWidth, kClientHeight);

  formSizer_ = new FormSizer(this);
  formSizer_->setObjectName(QStringLiteral("formsizer1"));
  formSizer_->SetBevelOuter(TexturePanel::Bevel::None);
  formSizer_->SetBevelInner(TexturePanel::Bevel::None);
  formSizer_->SetColor(kButtonFace);
  formSizer_->SetENTERCOLOR(kButtonFace);
  formSizer_->SetEXITCOLOR(kButtonFace);
  formSizer_->SetA_MinFontSize(6);
  formSizer_->SetA_MaxFontSize(14);
  formSizer_->SetA_HideOnResize(0);
  formSizer_->SetA_LockUpdates(0);
  new DockLayout(formSizer_);

  BuildTopBar();
  BuildBody();
}

void MainWindow::BuildTopBar() {
  auto* sizerLayout = static_cast<DockLayout*>(formSizer_->layout());
  topBar_ = new TexturePanel(formSizer_);
  topBar_->setObjectName(QStringLiteral("topbar"));
  topBar_->resize(kClientWidth, 25);
  topBar_->SetBevelOuter(TexturePanel::Bevel::Raised);
  topBar_->SetBevelInner(TexturePanel::Bevel::Lowered);
  topBar_->SetColor(kPaleGreen);
  topBar_->SetENTERCOLOR(kButtonFace);
  topBar_->SetEXITCOLOR(kButtonFace);
  DockInside(topBar_, 0);
  sizerLayout->AddWidget(topBar_, Dock::Top);
  auto* barLayout = new DockLayout(topBar_);

  // The plain group panels show the bar's face through them, so they take its colour.
  auto* dateGroup = new QWidget(topBar_);
  dateGroup->resize(211, 21);
  barLayout->AddWidget(dateGroup, Dock::Left);
  auto* dateLayout = new DockLayout(dateGroup);
  dateEdit_ = new ColorDateEdit(dateGroup);
  dateEdit_->setObjectName(QStringLiteral("DateEdit1"));
  dateEdit_->resize(83, 21);
  PaleYellowStates(dateEdit_);
  // Empty until the start-up sets today's date: the earliest date shows as a blank.
  dateEdit_->setMinimumDate(QDate(100, 1, 1));
  dateEdit_->setSpecialValueText(QStringLiteral(" "));
  dateEdit_->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
  dateEdit_->setDate(dateEdit_->minimumDate());
  dateLayout->AddWidget(dateEdit_, Dock::Left);
  accountList_ = new FlatComboBox(dateGroup);
  accountList_->setObjectName(QStringLiteral("ACCLIST"));
  accountList_->resize(127, 22);
  accountList_->setEditable(false);
  PaleYellowStates(accountList_);
  accountList_->setStyleSheet(
      QStringLiteral("QComboBox QAbstractItemView::item { height: 14px; }"));
  dateLayout->AddWidget(accountList_, Dock::Right);

  exitButton_ = SpeedButton(QStringLiteral("Exit"), ButtonPicture::Exit, 64, 21, topBar_);
  barLayout->AddWidget(exitButton_, Dock::Right);

  auto* commandGroup = new QWidget(topBar_);
  barLayout->AddWidget(commandGroup, Dock::Fill);
  auto* commandLayout = new DockLayout(commandGroup);
  showChecksButton_ = SpeedButton(QStringLiteral("Show Checks for Selected Date "),
                                  ButtonPicture::ShowChecks, 188, 21, commandGroup);
  commandLayout->AddWidget(showChecksButton_, Dock::Left);
  createFileButton_ = SpeedButton(QStringLiteral("Create Positive Pay File"),
                                  ButtonPicture::CreateFile, 152, 21, commandGroup);
  commandLayout->AddWidget(createFileButton_, Dock::Left);
}

void MainWindow::BuildBody() {
  auto* sizerLayout = static_cast<DockLayout*>(formSizer_->layout());
  body_ = new TexturePanel(formSizer_);
  body_->setObjectName(QStringLiteral("body"));
  body_->SetBevelOuter(TexturePanel::Bevel::Raised);
  body_->SetBevelInner(TexturePanel::Bevel::Lowered);
  body_->SetColor(kButtonFace);
  body_->SetENTERCOLOR(kButtonFace);
  body_->SetEXITCOLOR(kButtonFace);
  DockInside(body_, 0);
  sizerLayout->AddWidget(body_, Dock::Fill);
  auto* bodyLayout = new DockLayout(body_);

  statusBar_ = SunkenBar(QStringLiteral("statusbar"), kButtonFace, StatusBarTexture(), kClientWidth,
                         0, body_);
  bodyLayout->AddWidget(statusBar_, Dock::Bottom);
  auto* statusLayout = new DockLayout(statusBar_);
  versionLabel_ = new QLabel(QStringLiteral("Ver 5.56 "), statusBar_);
  versionLabel_->resize(45, 22);
  versionLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  versionLabel_->setAttribute(Qt::WA_TranslucentBackground);
  versionLabel_->setAutoFillBackground(false);
  statusLayout->AddWidget(versionLabel_, Dock::Right);

  pages_ = new PageControl(kTabHeight, body_);
  pages_->setObjectName(QStringLiteral("GSPages1"));
  bodyLayout->AddWidget(pages_, Dock::Fill);
  auto* checksPage = new QWidget();
  auto* setupPage = new QWidget();
  pages_->addTab(checksPage, QStringLiteral("Checks"));
  pages_->addTab(setupPage, QStringLiteral("Setup"));
  BuildChecksPage(checksPage);

  BuildSetupPage(setupPage);
  // What was sent to the bank, read afresh each time the page is shown.
  historyPage_ = new HistoryPage(dataDir_, nullptr);
  historyPage_->setObjectName(QStringLiteral("historypage"));
  const int historyIndex = pages_->addTab(historyPage_, QStringLiteral("History"));
  connect(pages_, &QTabWidget::currentChanged, historyPage_, [this, historyIndex](int index) {
    if (index == historyIndex) historyPage_->Refresh();
  });
}

void MainWindow::BuildSetupPage(QWidget* page) {
  setupModel_ = std::make_unique<CursorModel>(
      accountMap_,
      std::vector<GridColumn>{
          {tables::map::kOrgAccNr, QStringLiteral("VOLARIN Account Number"), 244},
          {tables::map::kNewAccNr, QStringLiteral("Bank Account Number"), 260},
          {tables::map::kBankCode, QStringLiteral("Bank Number"), 68}},
      true);
  setupGrid_ = new DataGrid(*setupModel_, page);
  setupGrid_->setObjectName(QStringLiteral("ExRxDBGrid1"));
  auto* setupLayout = new DockLayout(page);
  // The bank file layout of the current row's bank account, below the account map.
  layoutPanel_ = new BankLayoutPanel(
      dataDir_, [this] { return CurrentBankAccount(); }, [this] { return LayoutPreviewSource(); },
      page);
  layoutPanel_->resize(kClientWidth, 150);
  setupLayout->AddWidget(layoutPanel_, Dock::Bottom);
  setupLayout->AddWidget(setupGrid_, Dock::Fill);
  connect(setupModel_.get(), &CursorModel::currentRowChanged, layoutPanel_,
          &BankLayoutPanel::ShowSelectedAccount);
  connect(pages_, &QTabWidget::currentChanged, layoutPanel_, [this](int index) {
    if (index == 1) layoutPanel_->ShowSelectedAccount();
  });
}

void MainWindow::BuildChecksPage(QWidget* page) {
  auto* pageLayout = new DockLayout(page);
  checksBar_ =
      SunkenBar(QStringLiteral("checksbar"), kBgrWhite, ChecksBarTexture(), kClientWidth, 2, page);
  pageLayout->AddWidget(checksBar_, Dock::Top);
  auto* barLayout = new DockLayout(checksBar_);

  showAllButton_ = SpeedButton(QStringLiteral("Show All Outstanding Checks"),
                               ButtonPicture::ShowChecks, 188, 18, checksBar_);
  barLayout->AddWidget(showAllButton_, Dock::Left);
  startingCheckLabel_ = new QLabel(QStringLiteral("Starting Check # "), checksBar_);
  startingCheckLabel_->move(204, 6);
  startingCheckLabel_->adjustSize();
  barLayout->AddWidget(startingCheckLabel_, Dock::None);
  startingCheck_ = new ColorEdit(checksBar_);
  startingCheck_->setObjectName(QStringLiteral("edchk"));
  startingCheck_->setGeometry(290, 1, 81, 22);
  PaleYellowStates(startingCheck_);
  barLayout->AddWidget(startingCheck_, Dock::None);
  setButton_ = new FlatPushButton(QStringLiteral("Set"), checksBar_);
  setButton_->setGeometry(370, 2, 70, 23);
  setButton_->SetColor(kLightYellow);
  QFont hot(QStringLiteral("MS Sans Serif"));
  hot.setPointSize(8);
  setButton_->SetHotFont(hot);
  barLayout->AddWidget(setButton_, Dock::None);
  printButton_ = SpeedButton(QStringLiteral("Print"), ButtonPicture::Print, 64, 18, checksBar_);
  barLayout->AddWidget(printButton_, Dock::Right);
  voidButton_ = SpeedButton(QStringLiteral("Void "), ButtonPicture::Stop, 61, 18, checksBar_);
  voidButton_->hide();
  barLayout->AddWidget(voidButton_, Dock::Right);
  stopPaymentButton_ =
      SpeedButton(QStringLiteral("Stop Payment"), ButtonPicture::Stop, 21, 18, checksBar_);
  stopPaymentButton_->hide();
  barLayout->AddWidget(stopPaymentButton_, Dock::Right);

  checksModel_ = std::make_unique<CursorModel>(
      register_,
      std::vector<GridColumn>{
          {tables::reg::kAccountNr, QStringLiteral("Account No."), 105},
          {tables::reg::kDate, QStringLiteral("Print Date"), 72},
          {tables::reg::kCheckNo, QStringLiteral("Check No."), 57,
           Qt::AlignRight | Qt::AlignVCenter},
          {tables::reg::kAmount, QStringLiteral("Amount"), 66, Qt::AlignRight | Qt::AlignVCenter},
          {tables::reg::kCompany, QStringLiteral("Payee"), 228},
          {tables::reg::kStatus, QStringLiteral("Status"), 44}},
      false);
  checksModel_->SetRowAttribute(CheckRowColors);
  checksGrid_ = new DataGrid(*checksModel_, page);
  checksGrid_->setObjectName(QStringLiteral("ExRxDBGrid2"));
  pageLayout->AddWidget(checksGrid_, Dock::Fill);
}

}  // namespace volarin
