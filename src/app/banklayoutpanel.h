#pragma once
// The Setup page's bank file layout: which layout the bank account of the account map's current
// row uses, a new layout made from any other, an own layout edited, and the first lines of the
// file in the chosen layout. The choices and the operator's layouts live in the data folder
// (PPLAYOUT.INI), never in the suite's tables.

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "positivepay/layoutsettings.h"
#include "positivepay/layoutwriter.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace volarin {

class BankLayoutPanel : public QWidget {
  Q_OBJECT

 public:
  // What the preview shows: the register's first checks when it holds any, and the file facts.
  struct PreviewSource {
    std::vector<LayoutCheck> checks;
    LayoutFileFacts facts;
  };
  // Lets the operator edit the layout; false when cancelled. The default is the layout dialog.
  using LayoutEditor = std::function<bool(BankLayout& layout, const PreviewSource& preview,
                                          const std::vector<std::string>& taken)>;

  BankLayoutPanel(std::string dataDir, std::function<std::string()> selectedBankAccount,
                  std::function<PreviewSource()> preview, QWidget* parent = nullptr);

  // Reads the layout file again and shows the current bank account's choice.
  void Reload();
  // Shows the choice of the bank account now current in the account map.
  void ShowSelectedAccount();
  void SetEditor(LayoutEditor editor) { editor_ = std::move(editor); }

  QComboBox& LayoutList() const { return *layouts_; }
  QPushButton& NewButton() const { return *newButton_; }
  QPushButton& EditButton() const { return *editButton_; }
  QPlainTextEdit& Preview() const { return *preview_; }
  QLabel& AccountLabel() const { return *account_; }
  const LayoutSettings& Settings() const { return settings_; }

 private:
  void FillList();
  void Choose(int index);
  void MakeNew();
  void EditOwn();
  void Save(const LayoutSettings& settings);
  void UpdatePreview();
  const BankLayout* Chosen() const;
  std::vector<std::string> OtherNames(const std::string& except) const;

  std::string dataDir_;
  std::function<std::string()> selectedBankAccount_;
  std::function<PreviewSource()> previewSource_;
  LayoutEditor editor_;
  LayoutSettings settings_;
  bool usable_ = false;  // false while the layout file cannot be read: nothing is written then
  std::string account_text_;
  QLabel* account_ = nullptr;
  QComboBox* layouts_ = nullptr;
  QPushButton* newButton_ = nullptr;
  QPushButton* editButton_ = nullptr;
  QPlainTextEdit* preview_ = nullptr;
};

}  // namespace volarin
