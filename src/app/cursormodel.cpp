#include "app/cursormodel.h"

#include <QBrush>

#include "app/errorbox.h"
#include "qtcommon/bgrcolor.h"
#include "qtcommon/qttext.h"
#include "storage/tablecursor.h"

namespace volarin {

CursorModel::CursorModel(TableCursor& cursor, std::vector<GridColumn> columns, bool editable,
                         QObject* parent)
    : QAbstractTableModel(parent),
      cursor_(cursor),
      columns_(std::move(columns)),
      editable_(editable),
      suspended_(cursor.DisplaySuspended()) {
  cursor_.AddObserver(*this);
  if (!suspended_) Reload();
}

CursorModel::~CursorModel() {
  cursor_.RemoveObserver(*this);
}

void CursorModel::SetRowAttribute(RowAttribute attribute) {
  rowAttribute_ = std::move(attribute);
  cache_.clear();
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

// --- reading

int CursorModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return static_cast<int>(records_.size()) + (newRow_ >= 0 ? 1 : 0);
}

int CursorModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

uint32_t CursorModel::RecordAt(int row) const {
  if (row < 0 || row == newRow_) return 0;
  const int at = newRow_ >= 0 && row > newRow_ ? row - 1 : row;
  if (at >= static_cast<int>(records_.size())) return 0;
  return records_[static_cast<size_t>(at)];
}

int CursorModel::RowOfRecord(uint32_t recno) const {
  const auto found = rowOfRecord_.find(recno);
  if (found == rowOfRecord_.end()) return -1;
  const int at = found->second;
  return newRow_ >= 0 && at >= newRow_ ? at + 1 : at;
}

bool CursorModel::IsCurrentRecordRow(int row) const {
  const uint32_t recno = RecordAt(row);
  return recno != 0 && cursor_.IsOpen() && cursor_.RecNo() == recno;
}

CursorModel::CachedRow CursorModel::ReadValues(FieldAccess& record) const {
  CachedRow values;
  for (const GridColumn& column : columns_) {
    values.texts.push_back(ToQString(record.FieldAsString(column.field)));
  }
  if (rowAttribute_) values.colors = rowAttribute_(record);
  return values;
}

const CursorModel::CachedRow& CursorModel::RowValues(int row) const {
  static const CachedRow kEmpty;
  const uint32_t recno = RecordAt(row);
  if (recno == 0) return kEmpty;
  const auto cached = cache_.find(recno);
  if (cached != cache_.end()) return cached->second;
  // While the display is suspended the table may be emptied and refilled under the grid:
  // only what was read before is shown.
  if (suspended_ || !cursor_.IsOpen()) return kEmpty;
  CursorRow record = cursor_.ReadRow(recno);
  return cache_.emplace(recno, ReadValues(record)).first->second;
}

QVariant CursorModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= columnCount()) return {};
  const auto column = static_cast<size_t>(index.column());
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(columns_[column].alignment);
  if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::BackgroundRole &&
      role != Qt::ForegroundRole) {
    return {};
  }
  try {
    if (index.row() == newRow_) {
      if (role == Qt::DisplayRole || role == Qt::EditRole) return newRowValues_[column];
      return {};
    }
    CachedRow editing;
    const CachedRow* values = nullptr;
    if (!suspended_ && IsCurrentRecordRow(index.row()) && cursor_.State() != EditState::kBrowse) {
      // The row being edited shows the values typed so far, not the stored ones.
      editing = ReadValues(cursor_);
      values = &editing;
    } else {
      values = &RowValues(index.row());
    }
    if (values->texts.empty()) return {};
    switch (role) {
      case Qt::DisplayRole:
      case Qt::EditRole:
        return values->texts[column];
      case Qt::BackgroundRole:
        return rowAttribute_ ? QVariant(QBrush(FromBgr(values->colors.background))) : QVariant();
      case Qt::ForegroundRole:
        return rowAttribute_ ? QVariant(QBrush(FromBgr(values->colors.text))) : QVariant();
      default:
        return {};
    }
  } catch (const std::exception&) {
    // A row that cannot be read shows empty; the operation that broke the table reports it.
    return {};
  }
}

QVariant CursorModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
      section < columnCount()) {
    return columns_[static_cast<size_t>(section)].title;
  }
  return {};
}

Qt::ItemFlags CursorModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (editable_) result |= Qt::ItemIsEditable;
  return result;
}

// --- the current row

int CursorModel::CurrentRow() const {
  if (newRow_ >= 0) return newRow_;
  if (!cursor_.IsOpen()) return -1;
  const uint32_t recno = cursor_.RecNo();
  return recno == 0 ? -1 : RowOfRecord(recno);
}

RowIndicator CursorModel::IndicatorOf(int row) const {
  if (row < 0 || row != CurrentRow()) return RowIndicator::None;
  if (row == newRow_) return RowIndicator::Inserting;
  switch (cursor_.State()) {
    case EditState::kEdit:
      return RowIndicator::Editing;
    case EditState::kInsert:
      return RowIndicator::Inserting;
    case EditState::kBrowse:
      break;
  }
  return RowIndicator::Current;
}

void CursorModel::Batch(const std::function<void()>& operation) {
  struct Finish {
    CursorModel& model;
    ~Finish() {
      if (--model.batchDepth_ > 0) return;
      if (model.changedInBatch_) {
        model.changedInBatch_ = false;
        model.Reload();
      } else if (model.rowCount() > 0) {
        model.cache_.clear();
        emit model.dataChanged(model.index(0, 0),
                               model.index(model.rowCount() - 1, model.columnCount() - 1));
      }
      model.AnnounceAllIndicators();
    }
  };
  ++batchDepth_;
  Finish finish{*this};
  operation();
}

void CursorModel::SaveOrCancelPendingEdit() {
  if (!cursor_.IsOpen() || cursor_.State() == EditState::kBrowse) return;
  if (cursor_.IsModified()) {
    cursor_.SaveEdit();
  } else {
    cursor_.CancelEdit();
  }
}

void CursorModel::MoveToRow(int row) {
  if (row < 0 || row >= rowCount() || row == CurrentRow()) return;
  const uint32_t target = RecordAt(row);
  Batch([&] {
    if (newRow_ >= 0) {
      if (newRowTouched_) {
        AppendNewRow(true);
      } else {
        RemoveNewRow();
      }
    } else {
      SaveOrCancelPendingEdit();
    }
    if (target != 0) cursor_.GoToRecord(target);
  });
}

bool CursorModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!editable_ || role != Qt::EditRole || !index.isValid()) return false;
  const auto column = static_cast<size_t>(index.column());
  const QString text = value.toString();
  if (index.row() == newRow_) {
    if (text != newRowValues_[column]) {
      newRowValues_[column] = text;
      newRowTouched_ = true;
      emit dataChanged(index, index);
    }
    return true;
  }
  return RunCommand([&] {
    if (data(index, Qt::EditRole).toString() == text) return;  // nothing typed: no edit
    const uint32_t recno = RecordAt(index.row());
    Batch([&] {
      if (cursor_.RecNo() != recno) {
        SaveOrCancelPendingEdit();
        if (!cursor_.GoToRecord(recno)) return;
      }
      cursor_.StartEdit();
      cursor_.AssignString(columns_[column].field, FromQString(text));
    });
  });
}

// --- the new row

bool CursorModel::InsertNewRow(NewRowPlace place) {
  if (!editable_ || !cursor_.IsOpen()) return false;
  if (newRow_ >= 0 && !newRowTouched_) return true;  // an empty new row is already there
  Batch([&] {
    if (newRow_ >= 0) {
      AppendNewRow(true);
    } else {
      SaveOrCancelPendingEdit();
    }
  });
  const int current = CurrentRow();
  const int row =
      place == NewRowPlace::AtEnd || current < 0 ? static_cast<int>(records_.size()) : current;
  Restructuring restructuring(*this);
  beginInsertRows({}, row, row);
  newRow_ = row;
  newRowTouched_ = false;
  newRowValues_.assign(columns_.size(), QString());
  endInsertRows();
  AnnounceAllIndicators();
  return true;
}

void CursorModel::RemoveNewRow() {
  if (newRow_ < 0) return;
  Restructuring restructuring(*this);
  beginRemoveRows({}, newRow_, newRow_);
  newRow_ = -1;
  newRowTouched_ = false;
  newRowValues_.clear();
  endRemoveRows();
}

void CursorModel::DropUntouchedNewRow() {
  if (newRow_ < 0 || newRowTouched_) return;
  RemoveNewRow();
  AnnounceAllIndicators();
}

void CursorModel::AppendNewRow(bool save) {
  if (!cursor_.AppendBlank()) throw Error("Could not add a record to " + cursor_.fileAlias + ".");
  try {
    for (size_t i = 0; i < columns_.size(); ++i) {
      if (!newRowValues_[i].isEmpty()) {
        cursor_.AssignString(columns_[i].field, FromQString(newRowValues_[i]));
      }
    }
    if (save) cursor_.SaveEdit();
  } catch (...) {
    // The blank record that the append left must not stay behind; the typed values stay in the
    // new row so the operator can correct them.
    cursor_.CancelEdit();
    cursor_.DeleteRecord();
    throw;
  }
  RemoveNewRow();
}

void CursorModel::HandNewRowToCursor() {
  if (newRow_ < 0) return;
  if (!newRowTouched_) {
    DropUntouchedNewRow();
    return;
  }
  Batch([&] { AppendNewRow(false); });
}

void CursorModel::CancelRowChanges() {
  if (newRow_ >= 0) {
    RemoveNewRow();
    AnnounceAllIndicators();
    return;
  }
  if (!cursor_.IsOpen() || cursor_.State() == EditState::kBrowse) return;
  Batch([&] { cursor_.CancelEdit(); });
}

void CursorModel::DeleteCurrentRow() {
  if (newRow_ >= 0) {
    RemoveNewRow();
    AnnounceAllIndicators();
    return;
  }
  if (!cursor_.IsOpen() || CurrentRow() < 0) return;
  Batch([&] { cursor_.DeleteRecord(); });
}

// --- following the cursor

void CursorModel::Reload() {
  std::vector<uint32_t> fresh;
  if (cursor_.IsOpen()) {
    try {
      fresh = cursor_.VisibleRecordNumbers();
    } catch (const std::exception&) {
      // A table that cannot be walked shows no rows; the operation that broke it reports why.
    }
  }
  cache_.clear();
  if (fresh == records_ && (cursor_.IsOpen() || newRow_ < 0)) {
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    return;
  }
  Restructuring restructuring(*this);
  beginResetModel();
  records_ = std::move(fresh);
  rowOfRecord_.clear();
  for (size_t i = 0; i < records_.size(); ++i) rowOfRecord_[records_[i]] = static_cast<int>(i);
  if (!cursor_.IsOpen()) {
    newRow_ = -1;
    newRowValues_.clear();
    newRowTouched_ = false;
  } else if (newRow_ > static_cast<int>(records_.size())) {
    newRow_ = static_cast<int>(records_.size());
  }
  endResetModel();
}

void CursorModel::RecordsChanged(TableCursor&) {
  if (batchDepth_ > 0) {
    changedInBatch_ = true;
    return;
  }
  Reload();
  AnnounceAllIndicators();
}

void CursorModel::AnnounceAllIndicators() {
  if (rowCount() > 0) emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
  indicatorRow_ = CurrentRow();
  emit currentRowChanged(indicatorRow_);
}

void CursorModel::CurrentMoved(TableCursor&) {
  if (batchDepth_ > 0) return;
  const int now = CurrentRow();
  // Only the row the indicator left and the one it stands on change: announcing every row made
  // each move cost as much as the whole register.
  for (const int row : {indicatorRow_, now}) {
    if (row >= 0 && row < rowCount()) emit headerDataChanged(Qt::Vertical, row, row);
  }
  indicatorRow_ = now;
  emit currentRowChanged(now);
}

void CursorModel::DisplaySuspended(TableCursor&) {
  suspended_ = true;
}

void CursorModel::DisplayResumed(TableCursor&) {
  suspended_ = false;
}

}  // namespace volarin
