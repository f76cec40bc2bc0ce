#include "app/historypage.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QSplitter>
#include <QTableView>
#include <QUrl>
#include <set>

#include "app/barcontrols.h"
#include "app/errorbox.h"
#include "app/historymodels.h"
#include "common/paths.h"
#include "common/platform.h"
#include "controls/docklayout.h"
#include "controls/hoverspeedbutton.h"
#include "controls/texturepanel.h"
#include "history/sentchecks.h"
#include "positivepay/export.h"
#include "qtcommon/bgrcolor.h"
#include "qtcommon/qttext.h"
#include "report/positivepayreport.h"
#include "reportwindow/reportwindow.h"

namespace volarin {
namespace {

constexpr int kRowHeight = 18;

// A read-only grid that looks like the window's other grids: white face, navy current row,
// fixed rows and titles, columns as wide as their texts.
QTableView* Grid(QAbstractItemModel* model, QWidget* parent) {
  auto* view = new QTableView(parent);
  view->setModel(model);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setWordWrap(false);
  view->setCornerButtonEnabled(false);
  view->verticalHeader()->hide();
  view->verticalHeader()->setDefaultSectionSize(kRowHeight);
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  QPalette colours = view->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    colours.setColor(group, QPalette::Base, Qt::white);
    colours.setColor(group, QPalette::Highlight, FromBgr(kBgrNavy));
    colours.setColor(group, QPalette::HighlightedText, Qt::white);
  }
  view->setPalette(colours);
  QHeaderView* titles = view->horizontalHeader();
  titles->setHighlightSections(false);
  titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  titles->setFixedHeight(kRowHeight + 1);
  titles->setStretchLastSection(true);
  return view;
}

}  // namespace

bool OpenFolderOnDesktop(const std::string& folder) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

void DrawSubmissionReport(ReportHost& host, const history::Submission& submission,
                          const std::vector<history::SentCheck>& checks) {
  ReportSettings settings;
  if (!submission.createdDate.IsNull()) settings.today = submission.createdDate;
  DrawReport(host, history::PositivePayChecksOf(checks), settings);
}

void ShowSubmissionReport(QWidget* parent, const history::Submission& submission,
                          const std::vector<history::SentCheck>& checks) {
  ReportWindow report([&](ReportHost& host) { DrawSubmissionReport(host, submission, checks); },
                      parent);
  report.SetErrorReporter(ShowErrorBox);
  report.exec();
}

HistoryPage::HistoryPage(std::string dataDir, QWidget* parent)
    : QWidget(parent),
      store_(std::move(dataDir)),
      opener_(OpenFolderOnDesktop),
      reprinter_([this](const history::Submission& submission,
                        const std::vector<history::SentCheck>& checks) {
        ShowSubmissionReport(this, submission, checks);
      }),
      submissions_(std::make_unique<SubmissionModel>()),
      checks_(std::make_unique<SentCheckModel>()) {
  BuildLayout();
}

HistoryPage::~HistoryPage() = default;

void HistoryPage::BuildLayout() {
  auto* pageLayout = new DockLayout(this);
  auto* bar =
      SunkenBar(QStringLiteral("historybar"), kBgrWhite, ChecksBarTexture(), width(), 2, this);
  pageLayout->AddWidget(bar, Dock::Top);
  auto* barLayout = new DockLayout(bar);

  auto* label = new QLabel(QStringLiteral("Bank Account "), bar);
  label->resize(74, 18);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  barLayout->AddWidget(label, Dock::Left);
  bankFilter_ = new QComboBox(bar);
  bankFilter_->setObjectName(QStringLiteral("historyfilter"));
  bankFilter_->resize(140, 18);
  bankFilter_->addItem(QStringLiteral("All"), QString());
  barLayout->AddWidget(bankFilter_, Dock::Left);

  auto* reprint = SpeedButton(QStringLiteral("Reprint Report"), ButtonPicture::Print, 112, 18, bar);
  barLayout->AddWidget(reprint, Dock::Right);
  auto* openFolder =
      SpeedButton(QStringLiteral("Open Folder"), ButtonPicture::CreateFile, 96, 18, bar);
  barLayout->AddWidget(openFolder, Dock::Right);
  reprintButton_ = reprint;
  openFolderButton_ = openFolder;

  auto* splitter = new QSplitter(Qt::Vertical, this);
  submissionsView_ = Grid(submissions_.get(), splitter);
  submissionsView_->setObjectName(QStringLiteral("historygrid"));
  checksView_ = Grid(checks_.get(), splitter);
  checksView_->setObjectName(QStringLiteral("historychecks"));
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);
  pageLayout->AddWidget(splitter, Dock::Fill);

  connect(bankFilter_, &QComboBox::currentIndexChanged, this, [this] { ShowSubmissions(); });
  connect(submissionsView_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this] { ShowChecksOfSelected(); });
  connect(openFolder, &QAbstractButton::clicked, this, [this] { OpenFolderClicked(); });
  connect(reprint, &QAbstractButton::clicked, this, [this] { ReprintClicked(); });
  ShowChecksOfSelected();
}

std::string HistoryPage::ArchiveFolder(const std::string& dataDir, const history::Submission& s) {
  return FolderPart(ArchiveFilePath(dataDir, s.positivePayDate, s.archiveFileName));
}

void HistoryPage::SetReprinter(Reprinter reprinter) {
  reprinter_ = std::move(reprinter);
  ShowChecksOfSelected();
}

void HistoryPage::Refresh() {
  RunCommand([this] {
    FillBankFilter(store_.Submissions());
    ShowSubmissions();
  });
}

void HistoryPage::FillBankFilter(const std::vector<history::Submission>& all) {
  const QString chosen = bankFilter_->currentData().toString();
  std::set<std::string> banks;
  for (const history::Submission& s : all) banks.insert(s.bankAccount);
  const QSignalBlocker quiet(bankFilter_);
  bankFilter_->clear();
  bankFilter_->addItem(QStringLiteral("All"), QString());
  for (const std::string& bank : banks) bankFilter_->addItem(ToQString(bank), ToQString(bank));
  bankFilter_->setCurrentIndex(std::max(0, bankFilter_->findData(chosen)));
}

void HistoryPage::ShowSubmissions() {
  // Ids start at 1, so 0 stands for no selection.
  const int64_t selected = SelectedSubmission() ? SelectedSubmission()->id : 0;
  const QString bank = bankFilter_->currentData().toString();
  RunCommand([&] {
    submissions_->SetRows(bank.isEmpty() ? store_.Submissions()
                                         : store_.Submissions(FromQString(bank)));
  });
  int row = submissions_->rowCount() > 0 ? 0 : -1;
  for (int r = 0; selected != 0 && r < submissions_->rowCount(); ++r) {
    if (submissions_->Row(r).id == selected) row = r;
  }
  submissionsView_->resizeColumnsToContents();
  if (row >= 0) submissionsView_->selectRow(row);
  ShowChecksOfSelected();
}

std::optional<history::Submission> HistoryPage::SelectedSubmission() const {
  const QModelIndex current = submissionsView_->selectionModel()->currentIndex();
  if (!current.isValid() || current.row() >= submissions_->rowCount()) return std::nullopt;
  return submissions_->Row(current.row());
}

void HistoryPage::ShowChecksOfSelected() {
  const std::optional<history::Submission> selected = SelectedSubmission();
  std::vector<history::SentCheck> rows;
  if (selected) RunCommand([&] { rows = store_.ChecksOf(selected->id); });
  checks_->SetRows(std::move(rows));
  checksView_->resizeColumnsToContents();
  openFolderButton_->setEnabled(selected.has_value());
  reprintButton_->setEnabled(selected.has_value() && reprinter_ != nullptr);
}

void HistoryPage::OpenFolderClicked() {
  const std::optional<history::Submission> selected = SelectedSubmission();
  if (!selected) return;
  RunCommand([&] {
    const std::string folder = ArchiveFolder(store_.DataDir(), *selected);
    if (!platform::FolderExists(folder)) throw FileError("Cannot open folder " + folder);
    if (!opener_(folder)) throw FileError("Cannot open folder " + folder);
  });
}

void HistoryPage::ReprintClicked() {
  const std::optional<history::Submission> selected = SelectedSubmission();
  if (!selected || !reprinter_) return;
  RunCommand([&] { reprinter_(*selected, store_.ChecksOf(selected->id)); });
}

}  // namespace volarin
