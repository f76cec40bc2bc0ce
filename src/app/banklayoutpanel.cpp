#include "app/banklayoutpanel.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/banklayoutdialog.h"
#include "app/errorbox.h"
#include "common/text.h"
#include "qtcommon/qttext.h"

namespace volarin {
namespace {

bool RunLayoutDialog(BankLayout& layout, const BankLayoutPanel::PreviewSource& preview,
                     const std::vector<std::string>& taken, QWidget* parent) {
  BankLayoutDialog dialog(layout, preview.checks, preview.facts, taken, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  layout = dialog.Layout();
  return true;
}

}  // namespace

BankLayoutPanel::BankLayoutPanel(std::string dataDir,
                                 std::function<std::string()> selectedBankAccount,
                                 std::function<PreviewSource()> preview, QWidget* parent)
    : QWidget(parent),
      dataDir_(std::move(dataDir)),
      selectedBankAccount_(std::move(selectedBankAccount)),
      previewSource_(std::move(preview)) {
  setObjectName(QStringLiteral("banklayoutpanel"));
  editor_ = [this](BankLayout& layout, const PreviewSource& source,
                   const std::vector<std::string>& taken) {
    return RunLayoutDialog(layout, source, taken, this);
  };
  account_ = new QLabel(this);
  layouts_ = new QComboBox(this);
  layouts_->setObjectName(QStringLiteral("layoutlist"));
  newButton_ = new QPushButton(QStringLiteral("New from this..."), this);
  editButton_ = new QPushButton(QStringLiteral("Edit..."), this);
  preview_ = new QPlainTextEdit(this);
  preview_->setReadOnly(true);
  preview_->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(8);
  preview_->setFont(fixed);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setVerticalSpacing(3);
  grid->addWidget(account_, 0, 0);
  grid->addWidget(layouts_, 0, 1);
  grid->addWidget(newButton_, 0, 2);
  grid->addWidget(editButton_, 0, 3);
  grid->addWidget(preview_, 1, 0, 1, 4);
  grid->setColumnStretch(1, 1);
  connect(layouts_, &QComboBox::activated, this, &BankLayoutPanel::Choose);
  connect(newButton_, &QPushButton::clicked, this, &BankLayoutPanel::MakeNew);
  connect(editButton_, &QPushButton::clicked, this, &BankLayoutPanel::EditOwn);
  Reload();
}

void BankLayoutPanel::Reload() {
  try {
    settings_ = ReadLayoutSettings(dataDir_);
    usable_ = true;
  } catch (const std::exception& error) {
    // A damaged layout file is shown, never overwritten with a fresh one.
    settings_ = {};
    usable_ = false;
    FillList();
    preview_->setPlainText(ToQString(error.what()));
    return;
  }
  FillList();
  ShowSelectedAccount();
}

void BankLayoutPanel::FillList() {
  const QSignalBlocker quiet(layouts_);
  layouts_->clear();
  for (const BankLayout& layout : BuiltInLayouts()) layouts_->addItem(ToQString(layout.name));
  for (const BankLayout& layout : settings_.layouts) layouts_->addItem(ToQString(layout.name));
}

void BankLayoutPanel::ShowSelectedAccount() {
  account_text_ = TrimText(selectedBankAccount_ ? selectedBankAccount_() : std::string());
  account_->setText(account_text_.empty()
                        ? QStringLiteral("Bank file layout:")
                        : QStringLiteral("Layout for %1:").arg(ToQString(account_text_)));
  const bool enabled = usable_ && !account_text_.empty();
  layouts_->setEnabled(enabled);
  newButton_->setEnabled(usable_);
  if (!usable_) {
    editButton_->setEnabled(false);
    return;
  }
  std::string name = kStandardLayoutName;
  const auto chosen = settings_.accountLayouts.find(account_text_);
  if (chosen != settings_.accountLayouts.end()) name = chosen->second;
  {
    const QSignalBlocker quiet(layouts_);
    const int at = layouts_->findText(ToQString(name));
    layouts_->setCurrentIndex(at);
  }
  UpdatePreview();
}

const BankLayout* BankLayoutPanel::Chosen() const {
  return settings_.Find(FromQString(layouts_->currentText()));
}

std::vector<std::string> BankLayoutPanel::OtherNames(const std::string& except) const {
  std::vector<std::string> names;
  for (const BankLayout& layout : settings_.layouts) {
    if (layout.name != except) names.push_back(layout.name);
  }
  return names;
}

void BankLayoutPanel::Choose(int index) {
  if (index < 0 || account_text_.empty()) return;
  LayoutSettings changed = settings_;
  const std::string name = FromQString(layouts_->itemText(index));
  if (name == kStandardLayoutName) {
    changed.accountLayouts.erase(account_text_);
  } else {
    changed.accountLayouts[account_text_] = name;
  }
  Save(changed);
}

void BankLayoutPanel::MakeNew() {
  const BankLayout* from = Chosen();
  BankLayout layout = from ? *from : StandardLayout();
  layout.name = "Copy of " + layout.name;
  if (!editor_(layout, previewSource_(), OtherNames({}))) return;
  LayoutSettings changed = settings_;
  changed.layouts.push_back(layout);
  if (!account_text_.empty()) changed.accountLayouts[account_text_] = layout.name;
  Save(changed);
}

void BankLayoutPanel::EditOwn() {
  const BankLayout* current = Chosen();
  if (!current || FindBuiltInLayout(current->name)) return;
  BankLayout layout = *current;
  const std::string oldName = layout.name;
  if (!editor_(layout, previewSource_(), OtherNames(oldName))) return;
  LayoutSettings changed = settings_;
  for (BankLayout& own : changed.layouts) {
    if (own.name == oldName) own = layout;
  }
  // A renamed layout keeps its bank accounts.
  for (auto& [account, name] : changed.accountLayouts) {
    if (name == oldName) name = layout.name;
  }
  Save(changed);
}

void BankLayoutPanel::Save(const LayoutSettings& changed) {
  const bool saved = RunCommand([&] { WriteLayoutSettings(dataDir_, changed); });
  if (saved) settings_ = changed;
  FillList();
  ShowSelectedAccount();
}

void BankLayoutPanel::UpdatePreview() {
  const BankLayout* layout = Chosen();
  editButton_->setEnabled(usable_ && layout && !FindBuiltInLayout(layout->name));
  if (!layout) {
    preview_->clear();
    return;
  }
  try {
    const PreviewSource source = previewSource_();
    preview_->setPlainText(FileTextForView(LayoutPreview(*layout, source.checks, source.facts)));
  } catch (const std::exception& error) {
    preview_->setPlainText(ToQString(error.what()));
  }
}

}  // namespace volarin
