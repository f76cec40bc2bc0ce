#include "app/mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QScreen>

#include "app/cursormodel.h"
#include "app/datagrid.h"
#include "app/errorbox.h"
#include "app/extractiondialog.h"
#include "app/flatpushbutton.h"
#include "app/pagecontrol.h"
#include "common/confirmbox.h"
#include "common/paths.h"
#include "common/platform.h"
#include "common/text.h"
#include "controls/colordateedit.h"
#include "controls/coloredit.h"
#include "controls/flatcombobox.h"
#include "controls/formsizer.h"
#include "controls/hoverspeedbutton.h"
#include "extraction/extraction.h"
#include "history/sendfile.h"
#include "positivepay/export.h"
#include "qtcommon/qttext.h"
#include "report/positivepayreport.h"
#include "reportwindow/reportwindow.h"
#include "storage/checkregister.h"
#include "storage/directreader.h"
#include "storage/programstorage.h"
#include "storage/tablefiles.h"

namespace volarin {

const QEvent::Type MainWindow::kStartupEvent =
    static_cast<QEvent::Type>(QEvent::User + kStartupMessage);

namespace {

constexpr uint32_t kVoidColor = 0xE1E1FF;
constexpr uint32_t kStopColor = 0xF0E3DD;
constexpr uint32_t kWhite = 0xFFFFFF;

}  // namespace

RowColors CheckRowColors(FieldAccess& record) {
  const std::string status = UpperAscii(record.FieldAsString(tables::reg::kStatus));
  RowColors colors;
  if (status == "VOID") {
    colors.background = kVoidColor;
  } else if (status == "STOP") {
    colors.background = kStopColor;
  } else {
    colors.background = kWhite;
  }
  colors.text = 0x000000;
  return colors;
}

MainWindow::MainWindow(std::string dataDir, QWidget* parent)
    : QWidget(parent),
      dataDir_(std::move(dataDir)),
      pickupFolder_(platform::PickupFolder()),
      engine_(environment_, kProgramEngineName),
      database_(environment_, kProgramDatabaseName),
      globals_(environment_, kProgramGlobalsName),
      register_(environment_, tables::kRegisterAlias),
      accountMap_(environment_, kAccountMapCursorName),
      escrow_(environment_, tables::kEscrowAlias),
      closing_(environment_, tables::kClosingAlias) {
  ConfigureStorage();
  BuildLayout();
  ConnectCommands();
  formSizer_->Loaded();
  checksGrid_->setFocus();
}

MainWindow::~MainWindow() {
  // The focus leaves first, while every widget that follows focus changes is whole; then the
  // grids go before the models and cursors they show.
  if (QWidget* focused = QApplication::focusWidget(); focused && isAncestorOf(focused)) {
    focused->clearFocus();
  }
  delete formSizer_;
  formSizer_ = nullptr;
}

void MainWindow::ConfigureStorage() {
  ConfigureProgramStorage(engine_, database_, globals_,
                          ProgramCursors{register_, accountMap_, escrow_, closing_});
}

QAbstractButton& MainWindow::ButtonOf(Button button) const {
  switch (button) {
    case Button::ShowChecks:
      return *showChecksButton_;
    case Button::CreateFile:
      return *createFileButton_;
    case Button::Exit:
      return *exitButton_;
    case Button::ShowAll:
      return *showAllButton_;
    case Button::Set:
      return *setButton_;
    case Button::Print:
      return *printButton_;
    case Button::Void:
      return *voidButton_;
    case Button::StopPayment:
      return *stopPaymentButton_;
  }
  return *exitButton_;
}

void MainWindow::ConnectCommands() {
  connect(showChecksButton_, &QAbstractButton::clicked, this, &MainWindow::ShowChecksClicked);
  connect(showAllButton_, &QAbstractButton::clicked, this, &MainWindow::ShowAllClicked);
  connect(createFileButton_, &QAbstractButton::clicked, this, &MainWindow::CreateFileClicked);
  connect(printButton_, &QAbstractButton::clicked, this, &MainWindow::PrintClicked);
  connect(exitButton_, &QAbstractButton::clicked, this, &MainWindow::ExitClicked);
  connect(setButton_, &QAbstractButton::clicked, this, &MainWindow::SetClicked);
  connect(stopPaymentButton_, &QAbstractButton::clicked, this, &MainWindow::StopPaymentClicked);
  connect(voidButton_, &QAbstractButton::clicked, this, &MainWindow::VoidClicked);
}

std::string MainWindow::SelectedAccount() const {
  if (accountList_->currentIndex() < 0) return {};
  return accountList_->currentData().toByteArray().toStdString();
}

Date MainWindow::PositivePayDate() const {
  const QDate shown = dateEdit_->date();
  if (shown == dateEdit_->minimumDate()) return Date();
  return Date::FromYmd(shown.year(), shown.month(), shown.day()).value_or(Date());
}

// --- start-up

void MainWindow::CenterOnDesktop() {
  const QScreen* desktop = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!desktop) return;
  QRect frame = frameGeometry();
  frame.moveCenter(desktop->availableGeometry().center());
  move(frame.topLeft());
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  CenterOnDesktop();
  QCoreApplication::postEvent(this, new QEvent(kStartupEvent));
  shown_ = true;
}

void MainWindow::customEvent(QEvent* event) {
  if (event->type() != kStartupEvent) {
    QWidget::customEvent(event);
    return;
  }
  RunCommand([this] { StartUp(); });
}

void MainWindow::StartUp() {
  database_.SetDataPath(dataDir_);
  database_.SetIndexPath(dataDir_);
  engine_.Start();
  if (RegisterHeldElsewhere(dataDir_)) {
    ConfirmBox(kRegisterInUseMessage);
    close();
    return;
  }
  FillAccountList();
  accountMap_.Open();
  accountMap_.SetTag(tables::kAccountMapTag);
  pages_->setCurrentIndex(0);
  const Date today = Date::Today();
  int year = 0, month = 0, day = 0;
  today.ToYmd(year, month, day);
  dateEdit_->setDate(QDate(year, month, day));
  started_ = true;
  layoutPanel_->ShowSelectedAccount();
}

std::string MainWindow::CurrentBankAccount() {
  if (!accountMap_.IsOpen() || accountMap_.Eof()) return {};
  return TrimText(accountMap_.FieldAsString(tables::map::kNewAccNr));
}

BankLayoutPanel::PreviewSource MainWindow::LayoutPreviewSource() {
  constexpr size_t kPreviewChecks = 5;
  BankLayoutPanel::PreviewSource source;
  const Date date = PositivePayDate();
  source.facts.positivePayDate = date.IsNull() ? Date::Today() : date;
  if (register_.IsOpen()) {
    // Read aside, so the checks grid keeps its current row.
    for (const uint32_t recno : register_.VisibleRecordNumbers()) {
      if (source.checks.size() == kPreviewChecks) break;
      CursorRow row = register_.ReadRow(recno);
      source.checks.push_back(LayoutCheckOf(row));
    }
  }
  if (source.checks.empty()) {
    // A sample of the three kinds of line, for the bank account being set up.
    const std::string account = CurrentBankAccount().empty() ? "123456789" : CurrentBankAccount();
    const std::string bank = accountMap_.IsOpen() && !accountMap_.Eof()
                                 ? TrimText(accountMap_.FieldAsString(tables::map::kBankCode))
                                 : std::string();
    const auto sample = [&](int64_t number, int64_t cents, const char* status, const char* payee) {
      return LayoutCheck{
          account, bank, number, source.facts.positivePayDate, Money::FromCents(cents),
          status,  payee};
    };
    source.checks = {sample(1001, 125050, tables::kStatusIssued, "ACME SUPPLY CO"),
                     sample(1002, 30000, tables::kStatusIssued, "NORTH GARAGE"),
                     sample(1003, 7525, tables::kStatusVoid, "CITY WATER DEPT")};
  }
  source.facts.bankAccount = source.checks.front().bankAccount;
  source.facts.bankNumber = source.checks.front().bankNumber;
  return source;
}

void MainWindow::FillAccountList() {
  // The handle stays open to the end of the run, as the suite's other programs keep it.
  const int list = DirectOpen(ExistingOrGiven(dataDir_, tables::kAccountListFile));
  DirectTop(list);
  while (!DirectEof(list)) {
    const std::string account = DirectFieldText(list, tables::list::kAccountNr);
    // The item keeps the stored bytes for the extraction; the text shows them.
    accountList_->addItem(ToQString(account),
                          QByteArray(account.data(), static_cast<qsizetype>(account.size())));
    DirectSkip(list, 1);
  }
  if (accountList_->count() > 0) accountList_->setCurrentIndex(0);
}

// --- closing

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    // A pending account map edit that cannot be saved (its record locked elsewhere, say) keeps
    // the window open, so the operator's change is not dropped unseen: Esc in the setup grid
    // abandons it, and closing again then succeeds.
    if (!RunCommand([this] { FormClose(); })) {
      event->ignore();
      return;
    }
    closed_ = true;
  }
  event->accept();
}

void MainWindow::FormClose() {
  // The grid that loses the focus hands over a value still being typed, and drops a new row
  // left untouched.
  pages_->setFocus(Qt::OtherFocusReason);
  setupGrid_->HandOverEdits();
  checksGrid_->HandOverEdits();
  if (accountMap_.IsOpen()) {
    if (accountMap_.IsModified()) accountMap_.SaveEdit();
    accountMap_.Close();
  }
  // What the register still holds back is written here, where a failure (a full disk) can be
  // reported, rather than in its destructor, which cannot report.
  register_.Close();
}

// --- commands

void MainWindow::ExitClicked() {
  close();
}

void MainWindow::ShowChecksClicked() {
  RunExtractionCommand(false);
}

void MainWindow::ShowAllClicked() {
  RunExtractionCommand(true);
}

void MainWindow::RunExtractionCommand(bool allOutstanding) {
  RunCommand([&] {
    // The grid repaints once, after the register has been emptied and refilled; the display
    // is resumed also when the dialog ends in an error.
    const ScopedDisplaySuspension suspended(register_);
    ExtractionRequest request;
    request.selectedAccount = SelectedAccount();
    request.positivePayDate = PositivePayDate();
    request.dataDir = dataDir_;
    ExtractionDialog dialog(ExtractionCursors{register_, accountMap_, escrow_, closing_}, request,
                            this);
    dialog.SetAllOutstanding(allOutstanding);
    outstandingExtracted_ = allOutstanding;
    dialog.SetErrorHandler(ShowErrorBox);
    dialog.exec();
  });
}

void MainWindow::CreateFileClicked() {
  RunCommand([this] {
    history::SendRequest request;
    request.file.positivePayDate = PositivePayDate();
    request.file.dataDir = dataDir_;
    request.file.pickupFolder = pickupFolder_;
    request.file.processEvents = [] { QCoreApplication::processEvents(); };
    request.suiteAccount = TrimText(SelectedAccount());
    request.mode = outstandingExtracted_ ? history::SubmissionMode::kOutstanding
                                         : history::SubmissionMode::kDate;
    request.startingCheckNumber =
        register_.Filtered() ? history::StartingCheckOfFilter(register_.Filter()) : 0;
    history::SendResult sent;
    {
      // The export walks the whole register: the grid follows once, at its end, instead of
      // at every record.
      const ScopedDisplaySuspension suspended(register_);
      sent = history::SendPositivePayFile(register_, request, [](const std::string& warning) {
        return ConfirmBox(warning + "\r\nCreate the Positive Pay file anyway?");
      });
    }
    if (!sent.sent) return;
    if (ConfirmBox("Positive Pay file have been Successfully created " + sent.pickupFile +
                   "\r\nPrint Positive Pay Report?")) {
      PrintClicked();
    }
  });
}

void MainWindow::PrintClicked() {
  RunCommand([this] {
    ReportWindow report(
        [this](ReportHost& host) {
          // Drawing walks the whole register: the grid follows once, when it is drawn.
          const ScopedDisplaySuspension suspended(register_);
          DrawReport(host, register_);
        },
        this);
    report.SetErrorReporter(ShowErrorBox);
    report.exec();
  });
}

void MainWindow::SetClicked() {
  RunCommand([this] {
    if (!register_.IsOpen()) return;
    register_.FilterOn(false);
    register_.SetFilter("checkno>=" + TrimText(FromQString(startingCheck_->text())));
    register_.FilterOn(true);
    register_.GoTop();
  });
}

void MainWindow::StopPaymentClicked() {
  RunCommand([this] {
    const std::string status = register_.FieldAsString(tables::reg::kStatusCode);
    if (status == tables::kStatusVoid || status == tables::kStatusStop) return;
    const int64_t checkNo = register_.FieldAsInt64(tables::reg::kCheckNo);
    if (!ConfirmBox("Are you sure you want to stop payment on " + Int64ToText(checkNo))) return;
    register_.StartEdit();
    register_.AssignString(tables::reg::kStatusCode, tables::kStatusStop);
    register_.SaveEdit();
  });
}

void MainWindow::VoidClicked() {
  RunCommand([] { ConfirmBox("Checks can only be voided in VOLARINescrow"); });
}

}  // namespace volarin
