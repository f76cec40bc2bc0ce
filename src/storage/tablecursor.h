#pragma once
// A record cursor over one table file: current record, a selected tag and its scope, a filter,
// the edit-and-save cycle with record locks, and field access by name. Moves land only on
// visible records: not marked deleted (while deleted records are hidden), accepted by the
// filter (when on) and inside the scope of the selected tag (when on).
//
// Edits are held in the cursor until SaveEdit, which locks the record (lmLockOnPost), re-reads
// it and writes only the fields assigned, so other users' changes to other fields survive.
// A cursor that changed nothing writes nothing to its files.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/date.h"
#include "common/text.h"
#include "dbf/expression.h"
#include "storage/cursorobserver.h"
#include "storage/fieldaccess.h"
#include "storage/fieldnameindex.h"
#include "storage/scope.h"
#include "storage/tableobject.h"

namespace volarin {

class Environment;
class StorageDataBase;
class CursorRow;

enum class ExclusiveMode { kDefault, kTrue, kFalse };
enum class OpenMode { kDefault, kReadWrite, kReadOnly };
enum class SetDeletedMode { kDefault, kTrue, kFalse };
enum class UniqueTagHandling { kDefault, kContinue, kException };
enum class LockingMethod { kLockOnEdit, kLockOnPost };
enum class EditState { kBrowse, kEdit, kInsert };

// A field the window expects the table to have; a missing field or one of another kind stops
// the open. Kinds are the type names of the messages: "String", "Float", "Date", "Boolean", ...
struct DeclaredField {
  std::string name;
  std::string kind;
  bool required = false;
};

// A field that lives only in memory: filled by the OnCalcFields handler, or, given `value`,
// worked out from the record the first time it is read there. A field that follows from the
// record alone so costs nothing on the moves of a walk that never reads it.
struct CalculatedField {
  std::string name;
  int size = 0;
  std::function<std::string(FieldAccess&)> value{};
};

// One tag of the open table as the cursor keeps it, with its own scope.
struct CursorTag {
  std::string name;
  std::string keyExpression;
  char keyType = 'C';
  int keyLength = 0;
  bool descending = false;
  std::unique_ptr<dbf::Expression> key;
  TagScope scope;
  // A date key as the tag holds it, and the place in the scope found for it from its record:
  // records with the same held key have the same date and so the same place. Cleared when the
  // scope changes.
  std::string placedKey;
  ScopePosition placedAt = ScopePosition::kInside;
  // A numeric tag's scope bounds as keys, against which the keys the tag holds are placed.
  HeldNumberBounds numberBounds;
};

class TableCursor final : public FieldAccess {
 public:
  TableCursor(Environment& environment, std::string componentName);
  ~TableCursor() override;
  TableCursor(const TableCursor&) = delete;
  TableCursor& operator=(const TableCursor&) = delete;

  const std::string& ComponentName() const { return componentName_; }

  // --- properties, set before Open
  std::string fileAlias;
  std::string dataBaseName;
  StorageDataBase* database = nullptr;  // not owned; takes precedence over dataBaseName
  ExclusiveMode exclusive = ExclusiveMode::kDefault;
  OpenMode openMode = OpenMode::kDefault;
  SetDeletedMode setDeleted = SetDeletedMode::kDefault;
  UniqueTagHandling uniqueTagHandling = UniqueTagHandling::kDefault;
  bool autoOpenIndex = true;
  // The program's own tables (register, account map): an index found unreadable or out of step
  // with the records on open is rebuilt from them, and the operator told, instead of refusing
  // the open. The suite's tables are never rebuilt unasked.
  bool repairIndexOnOpen = false;
  LockingMethod lockingMethod = LockingMethod::kLockOnPost;
  bool allowAppends = true;
  std::vector<DeclaredField> declaredFields;
  std::vector<CalculatedField> calculatedFields;
  // Runs after each record is read into the cursor and when editing starts.
  std::function<void(FieldAccess&)> onCalcFields;

  // --- opening
  void Open();  // nothing when open
  void Close();
  bool IsOpen() const { return open_; }

  // --- moving
  void GoTop();
  void Skip(int64_t n = 1);
  // True when a move found no further visible record, or the cursor is empty. (Not "EOF",
  // which the C library reserves as a macro.)
  bool Eof() const;
  bool Bof() const;
  // The current record number, 0 when there is none.
  uint32_t RecNo() const;
  uint32_t RecCount();
  // Makes the record current when it is visible; false (position kept) otherwise.
  bool GoToRecord(uint32_t recno);

  // --- tags, scopes, seeks
  std::string SetTag(const std::string& name);
  std::string SelectedTag() const;
  // The selected tag's key expression as its index holds it and its key length; empty and 0
  // without a selected tag.
  std::string SelectedTagKeyExpression() const;
  int SelectedTagKeyLength() const;
  std::vector<std::string> TagNames() const;
  void SetScope(const std::string& low, const std::string& high);
  void ClearScope();
  bool Seek(const std::string& key);

  // --- changing records
  void Zap(uint32_t first, uint32_t last);
  // The table's "change not finished" mark (the header's transaction flag): the extraction sets
  // it while it refills the register and clears it when the run completes, so a register left
  // half-filled by an error or a crash is never taken for a finished one. Set, the mark is synced
  // before any change; it is cleared only once the records, index and count are synced.
  void MarkIncomplete(bool incomplete);
  bool MarkedIncomplete();
  bool AppendBlank();
  void StartEdit();
  void SaveEdit();
  // Drops a pending edit (an unsaved new record is not appended).
  void CancelEdit();
  void Unlock();
  void DeleteRecord();
  bool IsModified() const;
  EditState State() const { return state_; }

  // --- fields
  std::string FieldAsString(std::string_view name) override;
  double FieldAsFloat(std::string_view name) override;
  // Throws EFieldError when the value lies outside the 32-bit range; use FieldAsInt64 for
  // check numbers.
  int32_t FieldAsInteger(std::string_view name) override;
  int64_t FieldAsInt64(std::string_view name) override;
  Date FieldAsDate(std::string_view name) override;
  // Reads by position, for loops over many records: the position is looked up once with
  // FieldIndex (the table's own fields; calculated ones are read by name). A position outside
  // the open table throws EFieldError.
  int FieldIndex(std::string_view name) const;
  // The table's field at a position as its header describes it (kind letter, width, decimals).
  const dbf::FieldInfo& FieldAt(int field) const {
    return CheckedField(Table("FieldByName"), field);
  }
  std::string TextAt(int field);
  double FloatAt(int field);
  int64_t Int64At(int field);
  Date DateAt(int field);
  // TextAt without building a string when the stored text needs no conversion (a character
  // field of plain ASCII, or a table read without conversion); otherwise the text is built in
  // `scratch`, which the view then points into. Valid until the cursor moves or `scratch` changes.
  std::string_view TextViewAt(int field, std::string& scratch);
  // TrimText of TextAt, likewise.
  std::string_view TrimmedTextAt(int field, std::string& scratch);
  // The field's bytes as the table stores them, unconverted (an amount's digits as written, for
  // a reader that must not round them through a binary fraction); empty without a record.
  std::string_view StoredTextAt(int field) {
    return StoredOf(CheckedField(Table("FieldAsString"), field));
  }
  void AssignString(std::string_view name, std::string_view value);
  void AssignFloat(std::string_view name, double value);
  void AssignInteger(std::string_view name, int32_t value);
  void AssignInt64(std::string_view name, int64_t value);
  void AssignDate(std::string_view name, Date value);
  void SetCalculated(std::string_view name, const std::string& value) override;
  int FieldCount() const;
  std::vector<std::string> FieldNames() const;

  // --- filter
  void SetFilter(const std::string& expression);
  const std::string& Filter() const { return filterText_; }
  void FilterOn(bool on);
  bool Filtered() const { return filter_ != nullptr; }

  // --- views
  // Observers are not owned; one that goes away before the cursor removes itself first.
  void AddObserver(CursorObserver& observer);
  void RemoveObserver(CursorObserver& observer);
  void SuspendDisplay();
  void ResumeDisplay();
  bool DisplaySuspended() const { return suspendCount_ > 0; }
  // The visible records in the current order, walked without moving the cursor. Costs one
  // pass over the tag's range; a view keeps it until RecordsChanged.
  std::vector<uint32_t> VisibleRecordNumbers();
  // A record read aside (calculated fields filled), without moving the cursor.
  CursorRow ReadRow(uint32_t recno);

 private:
  friend class CursorRow;
  struct Position {
    bool hasRecord = false;
    bool eof = true;
    uint32_t recno = 0;
  };

  void RequireOpen() const;
  // The open cursor's engine table, for a request; inline, as every move and read asks.
  dbf::Table& Table(const char* request) const {
    if (open_ && table_.IsOpen()) return *table_.Get();
    return ClosedTable(request);
  }
  // Throws the error of a cursor that is not open, or of a table closed under the cursor.
  dbf::Table& ClosedTable(const char* request) const;
  void RequireWritable();
  void RequireEditing();
  int FieldPosition(std::string_view name) const;
  // The table's field at a position given by a caller; throws EFieldError when out of range.
  const dbf::FieldInfo& CheckedField(const dbf::Table& table, int field) const {
    const std::vector<dbf::FieldInfo>& fields = table.Layout().Fields();
    if (static_cast<unsigned>(field) >= fields.size()) FieldNumberNotFound(field);
    return fields[static_cast<size_t>(field)];
  }
  [[noreturn]] static void FieldNumberNotFound(int field);
  int CalculatedPosition(std::string_view name) const;
  [[noreturn]] void FieldNotFound(std::string_view name) const;
  // The current record's bytes (the edit's while editing); empty when there is no current
  // record. On every read, hence here, as StoredOf.
  std::string_view CurrentBytes() const {
    if (state_ != EditState::kBrowse) return editRecord_;
    if (!position_.hasRecord) return {};
    return table_.Get()->Current().bytes;
  }
  // The stored text of a field of the current record, the field checked already (CheckedField);
  // empty when there is no current record.
  std::string_view StoredOf(const dbf::FieldInfo& field) const {
    const std::string_view record = CurrentBytes();
    if (record.empty()) return {};
    return std::string_view(record.data() + field.offset, static_cast<size_t>(field.width));
  }

  void BindDeclaredFields(const dbf::Table& table);
  bool NeedsIndexCheck(const dbf::Table& table) const;
  // Rebuilds the index when this cursor may (repairIndexOnOpen); false when it may not.
  bool RepairIndex(dbf::Table& table, const std::string& indexPath);
  void LoadTags(dbf::Table& table);
  CursorTag* CurrentTag() const {
    return selectedTag_ < 0 ? nullptr
                            : const_cast<CursorTag*>(&tags_[static_cast<size_t>(selectedTag_)]);
  }
  bool HideDeleted() const;
  // Inside without a scope on; the test is inline because every move makes it.
  ScopePosition PlaceInScope(const dbf::Table& table) {
    CursorTag* tag = CurrentTag();
    if (!tag || !tag->scope.on || !tag->key) return ScopePosition::kInside;
    return PlaceInTagScope(table, *tag);
  }
  ScopePosition PlaceInTagScope(const dbf::Table& table, CursorTag& tag);
  bool Visible(dbf::Table& table);
  // From the table's position forward to the first visible record; false at the end of the
  // table or past the high bound.
  bool SettleForward(dbf::Table& table);
  // Backward likewise; false at the beginning or below the low bound.
  bool SettleBackward(dbf::Table& table);
  // The first visible record in the current order; false when none.
  bool FindFirstVisible(dbf::Table& table);
  void SeekLowBound(dbf::Table& table, const CursorTag& tag);
  // After the visible set changed under the current record: it, or the next visible, or the
  // one before.
  void Resettle(dbf::Table& table);
  void LandOn(dbf::Table& table);
  void LandAtEnd(dbf::Table& table);
  void RestorePosition(dbf::Table& table, const Position& position);

  // Every move and most requests make these two tests first, hence inline.
  void FinishPendingEdit() {
    if (state_ != EditState::kBrowse) FinishEdit();
  }
  void CheckFlushed(dbf::Table& table, const char* request) {
    if (table.Changed()) Flush(table, request);
  }
  void FinishEdit();
  void Flush(dbf::Table& table, const char* request);
  void ThrowPendingEngineError(dbf::Table& table, const char* request);
  void AbandonEdits(dbf::Table& table, bool lockTakenHere);
  void AssignStored(std::string_view name,
                    const std::function<std::string(const dbf::FieldInfo&)>& storedForm);
  void RunCalcFields() {
    if (!calculatedValues_.empty() || onCalcFields) CalcFields();
  }
  void CalcFields();
  void ClearCalculated();
  // A calculated field's value for the current record, worked out on its first read.
  const std::string& CalculatedValue(size_t field);
  // Works out every calculated field not yet read, before the record changes.
  void SettleCalculated();

  // A cursor nobody views (the extraction's sources, the export's register while its display is
  // suspended) skips the notices on every move.
  void NotifyMoved() {
    if (suspendCount_ == 0 && !observers_.empty()) TellMoved();
  }
  void TellMoved();
  void NotifyChanged();

  Environment& environment_;
  std::string componentName_;
  TableObject table_{""};
  bool open_ = false;
  std::string dataFile_;
  bool isExclusive_ = false;
  bool isReadOnly_ = false;
  bool transliterate_ = true;
  bool ignoreCase_ = false;
  // The engine applies unique-key handling when it writes; the cursor keeps the one it was
  // opened with and puts it in force around its own writes.
  dbf::UniqueMode uniqueMode_ = dbf::UniqueMode::kPassOver;

  std::vector<CursorTag> tags_;
  int selectedTag_ = -1;
  std::string filterText_;
  std::unique_ptr<dbf::Expression> filter_;
  FieldNameIndex fieldNames_;
  FieldNameIndex calculatedNames_;
  std::vector<std::string> calculatedValues_;
  // Per calculated field: its value is there for the current record (set by the handler, or
  // worked out from the record on a read); cleared on every move.
  std::vector<char> calculatedKnown_;
  std::string keyBuffer_;

  Position position_;
  bool bof_ = false;
  bool held_ = false;          // the current record is held (appended) by this cursor
  bool lockedOnEdit_ = false;  // locked when editing started
  uint32_t positionBeforeAppend_ = 0;

  EditState state_ = EditState::kBrowse;
  std::string editRecord_;  // the record being edited, in its stored form
  std::vector<bool> modified_;

  std::vector<CursorObserver*> observers_;  // not owned
  int suspendCount_ = 0;
};

// Suspends the views of a cursor for a scope: they repaint once at its end, however it ends.
class ScopedDisplaySuspension {
 public:
  explicit ScopedDisplaySuspension(TableCursor& cursor) : cursor_(cursor) {
    cursor_.SuspendDisplay();
  }
  ~ScopedDisplaySuspension() { cursor_.ResumeDisplay(); }
  ScopedDisplaySuspension(const ScopedDisplaySuspension&) = delete;
  ScopedDisplaySuspension& operator=(const ScopedDisplaySuspension&) = delete;

 private:
  TableCursor& cursor_;
};

// A record read aside from the cursor, for views. Reads follow the cursor's rules (trimmed text,
// OEM conversion, blanks as empty); calculated fields are filled by the cursor's handler.
class CursorRow final : public FieldAccess {
 public:
  uint32_t RecNo() const { return recno_; }
  bool Deleted() const { return !bytes_.empty() && bytes_[0] == '*'; }
  std::string FieldAsString(std::string_view name) override;
  double FieldAsFloat(std::string_view name) override;
  int32_t FieldAsInteger(std::string_view name) override;
  int64_t FieldAsInt64(std::string_view name) override;
  Date FieldAsDate(std::string_view name) override;
  void SetCalculated(std::string_view name, const std::string& value) override;

 private:
  friend class TableCursor;
  CursorRow(const TableCursor& cursor, const dbf::RecordLayout& layout, std::string bytes,
            uint32_t recno);
  const dbf::FieldInfo& Field(std::string_view name, int* calculated) const;

  const TableCursor* cursor_;
  const dbf::RecordLayout* layout_;
  std::string bytes_;
  uint32_t recno_;
  std::vector<std::string> calculatedValues_;
  std::vector<char> calculatedKnown_;
};

}  // namespace volarin
