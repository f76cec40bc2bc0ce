#pragma once
// The History page of the main window: the Positive Pay files created from this data folder,
// newest first and filtered by bank account; the checks of the selected one below them; a
// button that opens the folder of its archive file and one that reprints its report from the
// checks as they were recorded.

#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "history/historystore.h"

class QAbstractButton;
class QComboBox;
class QTableView;

namespace volarin {

class ReportHost;
class SentCheckModel;
class SubmissionModel;

class HistoryPage : public QWidget {
  Q_OBJECT

 public:
  // Opens a folder for the operator; false when it could not. The window uses the desktop's
  // file manager; tests record the folder instead.
  using FolderOpener = std::function<bool(const std::string& folder)>;
  // Shows the report of a submission drawn from its recorded checks.
  using Reprinter = std::function<void(const history::Submission& submission,
                                       const std::vector<history::SentCheck>& checks)>;

  HistoryPage(std::string dataDir, QWidget* parent);
  ~HistoryPage() override;

  void SetFolderOpener(FolderOpener opener) { opener_ = std::move(opener); }
  // The window's own shows the report in the report window.
  void SetReprinter(Reprinter reprinter);

  // Reads the history again, keeping the filter and, when it is still listed, the selection.
  void Refresh();

  QComboBox& BankFilter() const { return *bankFilter_; }
  QTableView& SubmissionsView() const { return *submissionsView_; }
  QTableView& ChecksView() const { return *checksView_; }
  QAbstractButton& OpenFolderButton() const { return *openFolderButton_; }
  QAbstractButton& ReprintButton() const { return *reprintButton_; }
  // The submission selected in the upper grid.
  std::optional<history::Submission> SelectedSubmission() const;

  // The folder of a submission's archive file under the data folder.
  static std::string ArchiveFolder(const std::string& dataDir, const history::Submission& s);

 private:
  void BuildLayout();
  void FillBankFilter(const std::vector<history::Submission>& all);
  void ShowSubmissions();
  void ShowChecksOfSelected();
  void OpenFolderClicked();
  void ReprintClicked();

  history::HistoryStore store_;
  FolderOpener opener_;
  Reprinter reprinter_;
  std::unique_ptr<SubmissionModel> submissions_;
  std::unique_ptr<SentCheckModel> checks_;
  QComboBox* bankFilter_ = nullptr;
  QTableView* submissionsView_ = nullptr;
  QTableView* checksView_ = nullptr;
  QAbstractButton* openFolderButton_ = nullptr;
  QAbstractButton* reprintButton_ = nullptr;
};

// Opens the folder in the desktop's file manager.
bool OpenFolderOnDesktop(const std::string& folder);

// The report of a submission drawn from its recorded checks, dated the day the file was made,
// so that it comes out as the report printed then.
void DrawSubmissionReport(ReportHost& host, const history::Submission& submission,
                          const std::vector<history::SentCheck>& checks);
// The same in the report window, to preview and print.
void ShowSubmissionReport(QWidget* parent, const history::Submission& submission,
                          const std::vector<history::SentCheck>& checks);

}  // namespace volarin
