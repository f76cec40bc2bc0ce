#include "app/banklayoutdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/errorbox.h"
#include "positivepay/layoutsettings.h"
#include "qtcommon/qttext.h"

namespace volarin {
namespace {

constexpr DateForm kDateForms[] = {DateForm::MMDDYY,
                                   DateForm::MMDDYYYY,
                                   DateForm::YYMMDD,
                                   DateForm::YYYYMMDD,
                                   DateForm::MM_DD_YY,
                                   DateForm::MM_DD_YYYY,
                                   DateForm::MM_DD_YYYY_Dashed,
                                   DateForm::YYYY_MM_DD_Dashed,
                                   DateForm::ShortDate};
constexpr AmountForm kAmountForms[] = {AmountForm::Decimal, AmountForm::ImpliedCents,
                                       AmountForm::WholeDollars, AmountForm::Standard};

QComboBox* Choices(const QStringList& names, int current, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->addItems(names);
  list->setCurrentIndex(current);
  return list;
}

template <typename Enum, size_t N>
int IndexOf(const Enum (&values)[N], Enum value) {
  for (size_t i = 0; i < N; ++i) {
    if (values[i] == value) return static_cast<int>(i);
  }
  return 0;
}

QLineEdit* TextEdit(const std::string& text, QWidget* parent) {
  return new QLineEdit(ToQString(text), parent);
}

}  // namespace

QString FileTextForView(const std::string& text) {
  QString view = ToQString(text);
  view.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  view.replace(QLatin1Char('\t'), QStringLiteral("\u2192"));
  return view;
}

BankLayoutDialog::BankLayoutDialog(const BankLayout& layout, std::vector<LayoutCheck> previewChecks,
                                   LayoutFileFacts facts, std::vector<std::string> taken,
                                   QWidget* parent)
    : QDialog(parent),
      checks_(std::move(previewChecks)),
      facts_(std::move(facts)),
      taken_(std::move(taken)) {
  setWindowTitle(QStringLiteral("Bank File Layout"));
  // Two columns of settings, then the records across the dialog, so it fits a small screen.
  auto* form = new QFormLayout();
  auto* forms = new QFormLayout();
  auto* records = new QFormLayout();
  name_ = TextEdit(layout.name, this);
  form->addRow(QStringLiteral("Name"), name_);
  kind_ = Choices({QStringLiteral("Delimited"), QStringLiteral("Fixed width")},
                  layout.kind == LayoutKind::FixedWidth ? 1 : 0, this);
  form->addRow(QStringLiteral("Kind"), kind_);
  delimiter_ = new QLineEdit(
      layout.delimiter == '\t' ? QStringLiteral("Tab") : QString(QLatin1Char(layout.delimiter)),
      this);
  form->addRow(QStringLiteral("Delimiter (or Tab)"), delimiter_);
  quoting_ = Choices({QStringLiteral("No quotes"), QStringLiteral("Payee in quotes, as it is"),
                      QStringLiteral("Every text quoted"), QStringLiteral("Quotes where needed")},
                     static_cast<int>(layout.quoting), this);
  form->addRow(QStringLiteral("Quoting"), quoting_);
  columnNames_ = new QCheckBox(QStringLiteral("First row names the columns"), this);
  columnNames_->setChecked(layout.columnNames);
  form->addRow(QString(), columnNames_);
  recordLength_ = new QSpinBox(this);
  recordLength_->setRange(0, 1000);
  recordLength_->setValue(layout.recordLength);
  form->addRow(QStringLiteral("Record length (fixed width)"), recordLength_);
  header_ = TextEdit(FieldListText(layout.header), this);
  detail_ = TextEdit(FieldListText(layout.detail), this);
  trailer_ = TextEdit(FieldListText(layout.trailer), this);
  const QString fieldHelp = QStringLiteral(
      "Fields separated by \";\": Kind [@start+length] [zero] [digits] [\"text\"]\n"
      "Kinds: BankAccount BankNumber CheckNumber IssueDate FileDate Amount Payee Code Filler "
      "Constant Count Total");
  for (QLineEdit* fields : {header_, detail_, trailer_}) fields->setToolTip(fieldHelp);
  records->addRow(QStringLiteral("Header record"), header_);
  records->addRow(QStringLiteral("Check record"), detail_);
  records->addRow(QStringLiteral("Trailer record"), trailer_);
  QStringList dateNames;
  for (DateForm dateForm : kDateForms) dateNames << QString::fromLatin1(DateFormName(dateForm));
  dateForm_ = Choices(dateNames, IndexOf(kDateForms, layout.dateForm), this);
  forms->addRow(QStringLiteral("Date form"), dateForm_);
  amountForm_ =
      Choices({QStringLiteral("Decimal point (123.45)"), QStringLiteral("Implied cents (12345)"),
               QStringLiteral("Whole dollars (123)"),
               QStringLiteral("Standard file (123.45, 300.00, 12.5)")},
              IndexOf(kAmountForms, layout.amountForm), this);
  forms->addRow(QStringLiteral("Amount form"), amountForm_);
  voidAmounts_ =
      Choices({QStringLiteral("Negative"), QStringLiteral("Positive, the code says void")},
              static_cast<int>(layout.voidAmounts), this);
  forms->addRow(QStringLiteral("Void amounts"), voidAmounts_);
  voidsInTotal_ =
      Choices({QStringLiteral("Subtracted"), QStringLiteral("Added"), QStringLiteral("Left out")},
              static_cast<int>(layout.voidsInTotal), this);
  forms->addRow(QStringLiteral("Voids in the total"), voidsInTotal_);
  countVoids_ = new QCheckBox(QStringLiteral("The count includes voids"), this);
  countVoids_->setChecked(layout.countVoids);
  forms->addRow(QString(), countVoids_);
  issueCode_ = TextEdit(layout.issueCode, this);
  voidCode_ = TextEdit(layout.voidCode, this);
  forms->addRow(QStringLiteral("Issue code"), issueCode_);
  forms->addRow(QStringLiteral("Void code"), voidCode_);
  payeeLimit_ = new QSpinBox(this);
  payeeLimit_->setRange(0, 500);
  payeeLimit_->setSpecialValueText(QStringLiteral("No limit"));
  payeeLimit_->setValue(layout.payeeLimit);
  forms->addRow(QStringLiteral("Payee cut at"), payeeLimit_);
  fileName_ = TextEdit(layout.fileNamePattern, this);
  fileName_->setToolTip(
      QStringLiteral("{date}: yyyymmdd, {account}: bank account, {bankno}: "
                     "bank number"));
  form->addRow(QStringLiteral("File name"), fileName_);
  lineEnding_ = Choices({QStringLiteral("CR LF"), QStringLiteral("LF")},
                        layout.lineEnding == "\n" ? 1 : 0, this);
  form->addRow(QStringLiteral("Line ending"), lineEnding_);

  preview_ = new QPlainTextEdit(this);
  preview_->setReadOnly(true);
  preview_->setLineWrapMode(QPlainTextEdit::NoWrap);
  preview_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  preview_->setMinimumHeight(110);
  setMinimumWidth(780);
  problem_ = new QLabel(this);
  problem_->setStyleSheet(QStringLiteral("color: #800000"));
  problem_->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &BankLayoutDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &BankLayoutDialog::reject);

  auto* layoutBox = new QVBoxLayout(this);
  auto* columns = new QHBoxLayout();
  columns->addLayout(form);
  columns->addSpacing(12);
  columns->addLayout(forms);
  layoutBox->addLayout(columns);
  layoutBox->addLayout(records);
  layoutBox->addWidget(new QLabel(QStringLiteral("The first lines of the file:"), this));
  layoutBox->addWidget(preview_);
  layoutBox->addWidget(problem_);
  layoutBox->addWidget(buttons);

  for (QLineEdit* edit : findChildren<QLineEdit*>()) {
    connect(edit, &QLineEdit::textChanged, this, &BankLayoutDialog::UpdatePreview);
  }
  for (QComboBox* list : findChildren<QComboBox*>()) {
    connect(list, &QComboBox::currentIndexChanged, this, &BankLayoutDialog::UpdatePreview);
  }
  for (QSpinBox* spin : findChildren<QSpinBox*>()) {
    connect(spin, &QSpinBox::valueChanged, this, &BankLayoutDialog::UpdatePreview);
  }
  for (QCheckBox* box : findChildren<QCheckBox*>()) {
    connect(box, &QCheckBox::toggled, this, &BankLayoutDialog::UpdatePreview);
  }
  UpdatePreview();
}

BankLayout BankLayoutDialog::Layout(std::string* problem) const {
  BankLayout layout;
  std::string fault;
  layout.name = FromQString(name_->text().trimmed());
  layout.kind = kind_->currentIndex() == 1 ? LayoutKind::FixedWidth : LayoutKind::Delimited;
  const QString delimiter = delimiter_->text();
  if (delimiter == QStringLiteral("Tab")) {
    layout.delimiter = '\t';
  } else if (delimiter.size() == 1) {
    layout.delimiter = FromQString(delimiter)[0];
  } else if (layout.kind == LayoutKind::Delimited) {
    fault = "The delimiter is one character, or Tab";
  }
  layout.quoting = static_cast<Quoting>(quoting_->currentIndex());
  layout.columnNames = columnNames_->isChecked();
  layout.recordLength = recordLength_->value();
  for (const auto& [edit, fields, name] :
       {std::tuple{header_, &layout.header, "header"}, std::tuple{detail_, &layout.detail, "check"},
        std::tuple{trailer_, &layout.trailer, "trailer"}}) {
    try {
      *fields = ParseFieldList(FromQString(edit->text()));
    } catch (const LayoutRefusal& refusal) {
      if (fault.empty()) fault = std::string("The ") + name + " record: " + refusal.what();
    }
  }
  layout.dateForm = kDateForms[dateForm_->currentIndex()];
  layout.amountForm = kAmountForms[amountForm_->currentIndex()];
  layout.voidAmounts = static_cast<VoidAmounts>(voidAmounts_->currentIndex());
  layout.voidsInTotal = static_cast<VoidsInTotal>(voidsInTotal_->currentIndex());
  layout.countVoids = countVoids_->isChecked();
  layout.issueCode = FromQString(issueCode_->text());
  layout.voidCode = FromQString(voidCode_->text());
  layout.payeeLimit = payeeLimit_->value();
  layout.fileNamePattern = FromQString(fileName_->text().trimmed());
  layout.lineEnding = lineEnding_->currentIndex() == 1 ? "\n" : "\r\n";
  if (fault.empty()) fault = LayoutProblem(layout);
  if (fault.empty() && FindBuiltInLayout(layout.name)) {
    fault = "\"" + layout.name + "\" is the name of a built-in layout";
  }
  for (const std::string& name : taken_) {
    if (fault.empty() && name == layout.name) fault = "Another layout is named \"" + name + "\"";
  }
  if (problem) *problem = fault;
  return layout;
}

QString BankLayoutDialog::PreviewText() const {
  return preview_->toPlainText();
}

void BankLayoutDialog::UpdatePreview() {
  std::string problem;
  const BankLayout layout = Layout(&problem);
  std::string text;
  if (problem.empty()) {
    try {
      text = LayoutPreview(layout, checks_, facts_);
    } catch (const LayoutRefusal& refusal) {
      problem = refusal.what();
    }
  }
  preview_->setPlainText(FileTextForView(text));
  problem_->setText(ToQString(problem));
}

void BankLayoutDialog::accept() {
  std::string problem;
  Layout(&problem);
  if (!problem.empty()) {
    ShowErrorBox(problem);
    return;
  }
  QDialog::accept();
}

}  // namespace volarin
