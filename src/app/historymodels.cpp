#include "app/historymodels.h"

#include <array>

#include "common/text.h"
#include "qtcommon/qttext.h"
#include "storage/checkregister.h"

namespace volarin {
namespace {

struct Column {
  const char* title;
  bool right;  // numbers are aligned right
};

constexpr std::array<Column, 11> kSubmissionColumns = {{{"No.", true},
                                                        {"Created", false},
                                                        {"User", false},
                                                        {"Account", false},
                                                        {"Bank Account", false},
                                                        {"Pos. Pay Date", false},
                                                        {"Mode", false},
                                                        {"From Check", true},
                                                        {"Checks", true},
                                                        {"Net Total", true},
                                                        {"File", false}}};

constexpr std::array<Column, 5> kCheckColumns = {
    {{"Check No.", true}, {"Date", false}, {"Amount", true}, {"Payee", false}, {"Status", false}}};

QString DateText(Date date) {
  if (date.IsNull()) return {};
  int y = 0, m = 0, d = 0;
  date.ToYmd(y, m, d);
  return QStringLiteral("%1/%2/%3")
      .arg(m, 2, 10, QLatin1Char('0'))
      .arg(d, 2, 10, QLatin1Char('0'))
      .arg(y, 4, 10, QLatin1Char('0'));
}

template <size_t N>
QVariant Header(const std::array<Column, N>& columns, int section, Qt::Orientation orientation,
                int role) {
  if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(N)) return {};
  if (role == Qt::DisplayRole) return QString::fromLatin1(columns[section].title);
  return {};
}

QVariant Alignment(bool right) {
  return QVariant::fromValue(
      Qt::Alignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
}

QString SubmissionText(const history::Submission& s, int column) {
  switch (column) {
    case 0:
      return QString::number(s.id);
    case 1:
      return DateText(s.createdDate) + QLatin1Char(' ') + ToQString(s.createdTime);
    case 2:
      return ToQString(s.osUser);
    case 3:
      return ToQString(s.suiteAccount);
    case 4:
      return ToQString(s.bankAccount);
    case 5:
      return DateText(s.positivePayDate);
    case 6:
      return s.mode == history::SubmissionMode::kOutstanding ? QStringLiteral("Outstanding")
                                                             : QStringLiteral("Date");
    case 7:
      return s.startingCheckNumber ? QString::number(s.startingCheckNumber) : QString();
    case 8:
      return QString::number(s.checkCount);
    case 9:
      return QString::fromStdString(s.netTotal.FixedText());
    default:
      return ToQString(s.archiveFileName);
  }
}

QString CheckText(const history::SentCheck& c, int column) {
  switch (column) {
    case 0:
      return QString::number(c.checkNumber);
    case 1:
      return DateText(c.checkDate);
    case 2:
      return QString::fromStdString(c.amount.FixedText());
    case 3:
      return ToQString(c.payee);
    default:
      return ToQString(StatusText(c.statusCode));
  }
}

}  // namespace

void SubmissionModel::SetRows(std::vector<history::Submission> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

int SubmissionModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int SubmissionModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(kSubmissionColumns.size());
}

QVariant SubmissionModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::DisplayRole) return SubmissionText(Row(index.row()), index.column());
  if (role == Qt::TextAlignmentRole) {
    return Alignment(kSubmissionColumns.at(static_cast<size_t>(index.column())).right);
  }
  return {};
}

QVariant SubmissionModel::headerData(int section, Qt::Orientation orientation, int role) const {
  return Header(kSubmissionColumns, section, orientation, role);
}

void SentCheckModel::SetRows(std::vector<history::SentCheck> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

int SentCheckModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int SentCheckModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(kCheckColumns.size());
}

QVariant SentCheckModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const history::SentCheck& c = rows_[static_cast<size_t>(index.row())];
  if (role == Qt::DisplayRole) return CheckText(c, index.column());
  if (role == Qt::TextAlignmentRole) {
    return Alignment(kCheckColumns.at(static_cast<size_t>(index.column())).right);
  }
  return {};
}

QVariant SentCheckModel::headerData(int section, Qt::Orientation orientation, int role) const {
  return Header(kCheckColumns, section, orientation, role);
}

}  // namespace volarin
