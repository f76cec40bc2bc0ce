#pragma once
// A table model over a TableCursor, for the grids of the main window. Rows are the cursor's
// visible records in its order; values are the standard texts of their field kinds as the cursor
// reads them. The model follows the cursor (its moves, changes and suspended display) and moves
// it when the operator moves to another row; an edited row is saved when the row changes.
//
// A grid that allows editing can also hold one new row that is not yet in the table: it goes to
// the table (appended and saved) only when the operator leaves it with changes, and is dropped
// when left untouched, so an abandoned insert never writes to the file.

#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "storage/cursorobserver.h"
#include "storage/fieldaccess.h"

namespace volarin {

class TableCursor;

struct GridColumn {
  std::string field;
  QString title;
  int width = 64;
  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

// Colours of a row's cells, 0x00BBGGRR.
struct RowColors {
  uint32_t background = 0xFFFFFF;
  uint32_t text = 0x000000;
};

// What the indicator column shows for the current row.
enum class RowIndicator { None, Current, Editing, Inserting };

class CursorModel : public QAbstractTableModel, private CursorObserver {
  Q_OBJECT

 public:
  // Decides the colours of a row from its record; without one rows take the grid's own colours.
  using RowAttribute = std::function<RowColors(FieldAccess& record)>;

  CursorModel(TableCursor& cursor, std::vector<GridColumn> columns, bool editable,
              QObject* parent = nullptr);
  ~CursorModel() override;

  void SetRowAttribute(RowAttribute attribute);
  TableCursor& Cursor() const { return cursor_; }
  const std::vector<GridColumn>& Columns() const { return columns_; }
  bool Editable() const { return editable_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Hands a typed value to the row's record (starting its edit); false when that failed, after
  // the error box has shown why.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  // True while the model itself changes its rows or works on the cursor; a view must not move
  // the cursor on the current-row changes that this causes, but wait for currentRowChanged.
  bool Busy() const { return batchDepth_ > 0 || restructuring_ > 0; }

  // --- the current row: the cursor's current record, or the new row while it is current
  // -1 when there is none.
  int CurrentRow() const;
  RowIndicator IndicatorOf(int row) const;
  // Moves to another row: the row left is saved when it was changed (a new row is appended,
  // an untouched new row is dropped), then the cursor goes to the record of `row`. Throws what
  // the cursor throws; the current row then stays where the cursor is.
  void MoveToRow(int row);

  // --- the new row (editable models only)
  bool HasNewRow() const { return newRow_ >= 0; }
  int NewRow() const { return newRow_; }
  bool NewRowTouched() const { return newRowTouched_; }
  // Opens a new empty row after saving the row left: in place of the current row (which moves
  // down), or after the last row. It becomes the current row. False when the model is not
  // editable or the cursor is closed.
  enum class NewRowPlace { AtCurrent, AtEnd };
  bool InsertNewRow(NewRowPlace place);
  // Drops the new row when nothing was typed into it.
  void DropUntouchedNewRow();
  // Hands the new row to the cursor as an appended record in edit state, without saving, so that
  // whoever saves the cursor's pending edit saves it.
  void HandNewRowToCursor();

  // Abandons the changes of the current row: a pending edit is cancelled, a new row dropped.
  void CancelRowChanges();
  // Marks the current row's record deleted (a new row is just dropped).
  void DeleteCurrentRow();

 signals:
  // The current row changed other than by MoveToRow (the cursor moved, or the rows were read
  // again); views follow it.
  void currentRowChanged(int row);

 private:
  struct CachedRow {
    std::vector<QString> texts;
    RowColors colors;
  };

  // CursorObserver
  void RecordsChanged(TableCursor& cursor) override;
  void CurrentMoved(TableCursor& cursor) override;
  void DisplaySuspended(TableCursor& cursor) override;
  void DisplayResumed(TableCursor& cursor) override;

  void Reload();
  // Tells the views that every row's indicator may have changed and where the current row is.
  void AnnounceAllIndicators();
  // The record number shown at a row; 0 for the new row or no row.
  uint32_t RecordAt(int row) const;
  int RowOfRecord(uint32_t recno) const;
  const CachedRow& RowValues(int row) const;
  CachedRow ReadValues(FieldAccess& record) const;
  bool IsCurrentRecordRow(int row) const;
  void SaveOrCancelPendingEdit();
  // Appends the new row's values to the table; the cursor is left in edit state when save is
  // false.
  void AppendNewRow(bool save);
  void RemoveNewRow();
  // Runs an operation on the cursor during which its change notices are collected, then reads
  // the rows once if they changed and tells the views where the current row is.
  void Batch(const std::function<void()>& operation);
  // Marks the model busy while its rows are inserted, removed or reset.
  struct Restructuring {
    explicit Restructuring(CursorModel& model) : model_(model) { ++model_.restructuring_; }
    ~Restructuring() { --model_.restructuring_; }
    Restructuring(const Restructuring&) = delete;
    Restructuring& operator=(const Restructuring&) = delete;
    CursorModel& model_;
  };

  TableCursor& cursor_;
  std::vector<GridColumn> columns_;
  bool editable_;
  RowAttribute rowAttribute_;

  std::vector<uint32_t> records_;
  std::unordered_map<uint32_t, int> rowOfRecord_;
  mutable std::unordered_map<uint32_t, CachedRow> cache_;

  int newRow_ = -1;
  bool newRowTouched_ = false;
  std::vector<QString> newRowValues_;

  bool suspended_ = false;
  int batchDepth_ = 0;
  int restructuring_ = 0;
  bool changedInBatch_ = false;
  int indicatorRow_ = -1;  // the row the views were last told holds the indicator
};

}  // namespace volarin
