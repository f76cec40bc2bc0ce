#pragma once
// "Bank File Layout": the operator describes a bank's layout (kind, delimiter and quoting or
// record length, the fields of the header, check and trailer records, date and amount forms,
// codes, payee limit, file name, line ending) and sees the first lines it writes while editing.

#include <QDialog>
#include <functional>
#include <vector>

#include "positivepay/banklayout.h"
#include "positivepay/layoutwriter.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace volarin {

class BankLayoutDialog : public QDialog {
  Q_OBJECT

 public:
  // `taken`: names the new layout may not have (the other layouts).
  BankLayoutDialog(const BankLayout& layout, std::vector<LayoutCheck> previewChecks,
                   LayoutFileFacts facts, std::vector<std::string> taken,
                   QWidget* parent = nullptr);

  // The layout as the dialog shows it; `problem` says why it cannot be used ("" when it can).
  BankLayout Layout(std::string* problem = nullptr) const;
  // The preview text, or the refusal, as shown.
  QString PreviewText() const;

  QLineEdit& NameEdit() const { return *name_; }
  QLineEdit& DetailEdit() const { return *detail_; }
  QComboBox& KindList() const { return *kind_; }
  QSpinBox& PayeeLimit() const { return *payeeLimit_; }

  void accept() override;

 private:
  void UpdatePreview();

  std::vector<LayoutCheck> checks_;
  LayoutFileFacts facts_;
  std::vector<std::string> taken_;
  QLineEdit* name_ = nullptr;
  QComboBox* kind_ = nullptr;
  QLineEdit* delimiter_ = nullptr;
  QComboBox* quoting_ = nullptr;
  QCheckBox* columnNames_ = nullptr;
  QSpinBox* recordLength_ = nullptr;
  QLineEdit* header_ = nullptr;
  QLineEdit* detail_ = nullptr;
  QLineEdit* trailer_ = nullptr;
  QComboBox* dateForm_ = nullptr;
  QComboBox* amountForm_ = nullptr;
  QComboBox* voidAmounts_ = nullptr;
  QComboBox* voidsInTotal_ = nullptr;
  QCheckBox* countVoids_ = nullptr;
  QLineEdit* issueCode_ = nullptr;
  QLineEdit* voidCode_ = nullptr;
  QSpinBox* payeeLimit_ = nullptr;
  QLineEdit* fileName_ = nullptr;
  QComboBox* lineEnding_ = nullptr;
  QPlainTextEdit* preview_ = nullptr;
  QLabel* problem_ = nullptr;
};

// A monospaced view of file text: CR LF shown as line breaks.
QString FileTextForView(const std::string& text);

}  // namespace volarin
