#pragma once
// The main window (TForm1): the checks grid over the check register, the setup grid over the
// account map, the Positive Pay date and the suite account, and the commands. It owns the
// storage objects for the whole run: the engine, the database, the global settings and the four
// cursors, which the extraction dialog and the report window reach through it.
//
// The start-up waits until the window is on screen: its first show posts the start-up event,
// and the work runs when that event arrives.

#include <QEvent>
#include <QWidget>
#include <memory>
#include <string>

#include "app/banklayoutpanel.h"
#include "common/date.h"
#include "storage/environment.h"
#include "storage/storagedatabase.h"
#include "storage/storageengine.h"
#include "storage/storageglobals.h"
#include "storage/tablecursor.h"

class QAbstractButton;
class QLabel;

namespace volarin {

class ColorDateEdit;
class ColorEdit;
class CursorModel;
class DataGrid;
class FlatComboBox;
class FlatPushButton;
class FormSizer;
class HistoryPage;
class HoverSpeedButton;
class PageControl;
class TexturePanel;
struct RowColors;
class FieldAccess;

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kStartupMessage = 2025;
  static const QEvent::Type kStartupEvent;
  static constexpr int kClientWidth = 622;
  static constexpr int kClientHeight = 437;

  // dataDir: the folder the program was started in, which holds the tables.
  explicit MainWindow(std::string dataDir, QWidget* parent = nullptr);
  ~MainWindow() override;

  const std::string& DataDir() const { return dataDir_; }
  // Set once the start-up event has been posted.
  bool Shown() const { return shown_; }
  // Set once the start-up ran to its end.
  bool Started() const { return started_; }

  // --- members the other windows and the commands use
  FlatComboBox& ACCLIST() const { return *accountList_; }
  // The text of the selected account ("" when none), as the account list stores it.
  std::string SelectedAccount() const;
  ColorDateEdit& DateEdit1() const { return *dateEdit_; }
  // The Positive Pay date; the null date while the date edit is empty.
  Date PositivePayDate() const;
  ColorEdit& edchk() const { return *startingCheck_; }
  PageControl& GSPages1() const { return *pages_; }
  DataGrid& ExRxDBGrid2() const { return *checksGrid_; }
  DataGrid& ExRxDBGrid1() const { return *setupGrid_; }
  BankLayoutPanel& LayoutPanel() const { return *layoutPanel_; }
  HistoryPage& History() const { return *historyPage_; }

  Environment& StorageEnvironment() { return environment_; }
  StorageEngine& Engine1() { return engine_; }
  StorageDataBase& DataBase1() { return database_; }
  StorageGlobals& Globals1() { return globals_; }
  TableCursor& zorppay() { return register_; }
  TableCursor& ZORPPSUB() { return accountMap_; }
  TableCursor& zordis() { return escrow_; }
  TableCursor& rpsdis() { return closing_; }

  // --- the buttons, for the commands and for tests
  enum class Button { ShowChecks, CreateFile, Exit, ShowAll, Set, Print, Void, StopPayment };
  QAbstractButton& ButtonOf(Button button) const;
  TexturePanel& TopBar() const { return *topBar_; }
  TexturePanel& StatusBar() const { return *statusBar_; }
  TexturePanel& ChecksBar() const { return *checksBar_; }
  FormSizer& Sizer() const { return *formSizer_; }

  // Where the Positive Pay file is copied for the bank; tests point it at a temporary folder.
  void SetPickupFolder(std::string folder) { pickupFolder_ = std::move(folder); }
  const std::string& PickupFolderPath() const { return pickupFolder_; }

  // --- commands (each ends in the error box when it fails)
  void ShowChecksClicked();
  void ShowAllClicked();
  void CreateFileClicked();
  void PrintClicked();
  void SetClicked();
  void StopPaymentClicked();
  void VoidClicked();
  void ExitClicked();

 protected:
  void showEvent(QShowEvent* event) override;
  void customEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ConfigureStorage();
  void BuildLayout();
  void BuildTopBar();
  void BuildBody();
  void BuildChecksPage(QWidget* page);
  void BuildSetupPage(QWidget* page);
  void ConnectCommands();
  void CenterOnDesktop();

  // Runs the extraction dialog in one of its two modes, with the grid's display suspended.
  void RunExtractionCommand(bool allOutstanding);

  void StartUp();
  void FillAccountList();
  // The bank account of the account map's current row ("" when there is none).
  std::string CurrentBankAccount();
  // The register's first checks (or a sample when it holds none) for the layout preview.
  BankLayoutPanel::PreviewSource LayoutPreviewSource();
  void FormClose();

  std::string dataDir_;
  std::string pickupFolder_;
  bool shown_ = false;
  bool started_ = false;
  bool closed_ = false;

  // Declared in the order they must be built; destroyed in reverse, cursors first.
  Environment environment_;
  StorageEngine engine_;
  StorageDataBase database_;
  StorageGlobals globals_;
  TableCursor register_;
  TableCursor accountMap_;
  TableCursor escrow_;
  TableCursor closing_;
  std::unique_ptr<CursorModel> checksModel_;
  std::unique_ptr<CursorModel> setupModel_;

  // Widgets, owned by the window through their parents.
  FormSizer* formSizer_ = nullptr;
  TexturePanel* topBar_ = nullptr;
  ColorDateEdit* dateEdit_ = nullptr;
  FlatComboBox* accountList_ = nullptr;
  HoverSpeedButton* showChecksButton_ = nullptr;
  HoverSpeedButton* createFileButton_ = nullptr;
  HoverSpeedButton* exitButton_ = nullptr;
  TexturePanel* body_ = nullptr;
  TexturePanel* statusBar_ = nullptr;
  QLabel* versionLabel_ = nullptr;
  PageControl* pages_ = nullptr;
  TexturePanel* checksBar_ = nullptr;
  HoverSpeedButton* showAllButton_ = nullptr;
  QLabel* startingCheckLabel_ = nullptr;
  ColorEdit* startingCheck_ = nullptr;
  // The register holds every outstanding check rather than those of one date (the history
  // records the mode of each file).
  bool outstandingExtracted_ = false;
  FlatPushButton* setButton_ = nullptr;
  HoverSpeedButton* printButton_ = nullptr;
  HoverSpeedButton* voidButton_ = nullptr;
  HoverSpeedButton* stopPaymentButton_ = nullptr;
  DataGrid* checksGrid_ = nullptr;
  DataGrid* setupGrid_ = nullptr;
  BankLayoutPanel* layoutPanel_ = nullptr;
  HistoryPage* historyPage_ = nullptr;
};

// ExRxDBGrid2ApplyCellAttribute: void checks light red, stopped checks light blue-grey, every
// other check white; the text black.
RowColors CheckRowColors(FieldAccess& record);

}  // namespace volarin
