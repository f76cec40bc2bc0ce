// TableCursor: the edit-and-save cycle, locks, appends, deletions and zaps.
#include "common/errors.h"
#include "common/text.h"
#include "storage/environment.h"
#include "storage/errors.h"
#include "storage/storedform.h"
#include "storage/tablecursor.h"

namespace volarin {

namespace {
// A unique tag refused the new key; raised as the caller's class after the edit is abandoned.
struct UniqueConflict {};

// Puts a cursor's unique-key handling in force on the shared context for one write.
class UniqueModeInForce {
 public:
  UniqueModeInForce(dbf::Table& table, dbf::UniqueMode mode)
      : settings_(table.GetContext().Configure()), saved_(settings_.uniqueMode) {
    settings_.uniqueMode = mode;
  }
  ~UniqueModeInForce() { settings_.uniqueMode = saved_; }
  UniqueModeInForce(const UniqueModeInForce&) = delete;
  UniqueModeInForce& operator=(const UniqueModeInForce&) = delete;

 private:
  dbf::Settings& settings_;
  dbf::UniqueMode saved_;
};
}  // namespace

void TableCursor::RequireWritable() {
  if (isReadOnly_) throw EDatabaseError(kReadOnlyMessage);
}

void TableCursor::RequireEditing() {
  if (state_ == EditState::kBrowse) {
    throw EDataSetError(componentName_ + " is not in an edit/appending state.");
  }
}

bool TableCursor::IsModified() const {
  RequireOpen();
  for (bool m : modified_) {
    if (m) return true;
  }
  return false;
}

void TableCursor::FinishEdit() {
  if (IsModified()) {
    SaveEdit();
  } else {
    CancelEdit();
  }
}

void TableCursor::CancelEdit() {
  RequireOpen();
  if (state_ == EditState::kBrowse) return;
  state_ = EditState::kBrowse;
  editRecord_.clear();
  modified_.clear();
  held_ = false;
  if (lockedOnEdit_ && table_.IsOpen()) table_.Get()->Unlock();
  lockedOnEdit_ = false;
  RunCalcFields();
}

void TableCursor::ThrowPendingEngineError(dbf::Table& table, const char* request) {
  const int code = table.GetContext().ErrorCode();
  if (code < 0) {
    table.GetContext().ClearError();
    throw EStorageError("Engine error: " + std::to_string(code) + " has occured before " + request +
                        " was called.");
  }
}

void TableCursor::Flush(dbf::Table& table, const char* request) {
  ThrowPendingEngineError(table, request);
  const UniqueModeInForce unique(table, uniqueMode_);
  dbf::WriteResult result;
  try {
    result = table.Write();
  } catch (const dbf::Error& e) {
    table.GetContext().ClearError();
    throw EDataSourceError("Could not flush record. (" + std::to_string(e.Code()) + ")");
  }
  if (result == dbf::WriteResult::kUniqueRefused) {
    throw EUniqueTagViolation("Unique key violation.");
  }
}

void TableCursor::Zap(uint32_t first, uint32_t last) {
  dbf::Table& t = Table("Zap");
  FinishPendingEdit();
  CheckFlushed(t, "CheckFlushed");
  if (!isExclusive_) throw EEngineError(dataFile_ + " must be opened exclusively to zap it.");
  try {
    t.Zap(first, last);
  } catch (const dbf::Error& e) {
    t.GetContext().ClearError();
    throw EEngineError(std::string("Zap failed. ") + e.what());
  }
  bof_ = false;
  position_ = Position{};
  if (FindFirstVisible(t)) {
    LandOn(t);
  } else {
    LandAtEnd(t);
  }
  NotifyChanged();
}

bool TableCursor::AppendBlank() {
  dbf::Table& t = Table("AppendBlank");
  FinishPendingEdit();
  CheckFlushed(t, "CheckFlushed");
  RequireWritable();
  if (!allowAppends) return false;
  const Position saved = position_;
  const UniqueModeInForce unique(t, uniqueMode_);
  dbf::WriteResult result;
  try {
    result = t.AppendBlank();
  } catch (const dbf::Error&) {
    t.GetContext().ClearError();
    RestorePosition(t, saved);
    return false;
  }
  if (result == dbf::WriteResult::kUniqueRefused) {
    RestorePosition(t, saved);
    throw EUniqueTagViolation("Unique key violation.");
  }
  positionBeforeAppend_ = saved.hasRecord ? saved.recno : 0;
  position_ = Position{true, false, t.RecNo()};
  bof_ = false;
  held_ = true;
  state_ = EditState::kEdit;
  editRecord_.assign(t.Current().bytes);
  modified_.assign(static_cast<size_t>(t.FieldCount()), false);
  RunCalcFields();
  NotifyChanged();
  return true;
}

void TableCursor::StartEdit() {
  dbf::Table& t = Table("RecordLock");
  if (state_ != EditState::kBrowse) return;
  RequireWritable();
  modified_.assign(static_cast<size_t>(t.FieldCount()), false);
  if (!position_.hasRecord) {
    state_ = EditState::kInsert;
    editRecord_ = t.Layout().BlankRecord();
    RunCalcFields();
    return;
  }
  if (lockingMethod == LockingMethod::kLockOnEdit && !isExclusive_ && !held_) {
    if (!t.LockRecord(position_.recno)) {
      t.GetContext().ClearError();
      throw ERecordLockError(environment_.MessageText(kEditLockMessage));
    }
    lockedOnEdit_ = true;
  }
  t.Refresh();
  editRecord_.assign(t.Current().bytes);
  state_ = EditState::kEdit;
  RunCalcFields();
}

void TableCursor::SaveEdit() {
  RequireOpen();
  if (state_ == EditState::kBrowse) throw EDatabaseError(kNotEditingMessage);
  const bool inserting = state_ == EditState::kInsert;
  dbf::Table& t = table_.Require(inserting ? "AppendStart" : "RecordLock");
  const UniqueModeInForce unique(t, uniqueMode_);
  bool lockTakenHere = false;
  try {
    if (inserting) {
      try {
        t.StartAppend();
        t.Blank();
      } catch (const dbf::Error&) {
        throw EDataSetError("AppendStart failed.");
      }
    } else if (!held_ && !lockedOnEdit_) {
      if (!isExclusive_) {
        if (!t.LockRecord(position_.recno)) {
          t.GetContext().ClearError();
          throw ERecordLockError(environment_.MessageText(kSaveLockMessage));
        }
        lockTakenHere = true;
      }
      t.Refresh();
    }
    const bool deleted = editRecord_[0] == '*';
    if (deleted != t.Deleted()) {
      if (deleted) {
        t.Delete();
      } else {
        t.Recall();
      }
    }
    for (size_t i = 0; i < modified_.size(); ++i) {
      if (!modified_[i]) continue;
      const dbf::FieldInfo& field = t.Field(static_cast<int>(i));
      if (field.type == 'M') throw EDataSetError("Could not replace BLOB data.");
      t.AssignBytes(static_cast<int>(i), std::string_view(editRecord_)
                                             .substr(static_cast<size_t>(field.offset),
                                                     static_cast<size_t>(field.width)));
    }
    for (const DeclaredField& declared : declaredFields) {
      if (!declared.required) continue;
      const int i = t.FindField(declared.name);
      if (i >= 0 && TrimText(std::string(t.StoredText(i))).empty()) {
        throw EDatabaseError(FillIn("Field '%s' must have a value", {declared.name}));
      }
    }
    dbf::WriteResult result;
    if (inserting) {
      try {
        result = t.Append();
      } catch (const dbf::Error& e) {
        // A write that failed (a full disk) is told with its file and cause, not as a lock.
        if (e.Code() == dbf::kErrorWrite) throw EDataSetError(e.what());
        throw EDataSetError(environment_.MessageText(kSaveLockMessage));
      }
    } else {
      ThrowPendingEngineError(t, "CheckFlushed");
      result = t.Write();
    }
    if (result == dbf::WriteResult::kUniqueRefused) throw UniqueConflict{};
    if (inserting || lockTakenHere || lockedOnEdit_ || held_) t.Unlock();
  } catch (const UniqueConflict&) {
    AbandonEdits(t, lockTakenHere);
    throw EDSUniqueTagViolation("Unique tag violation.");
  } catch (const EDatabaseError&) {
    AbandonEdits(t, lockTakenHere);
    throw;
  } catch (const volarin::Error& e) {
    t.GetContext().ClearError();  // reported here
    AbandonEdits(t, lockTakenHere);
    throw EDataSetError(e.what());
  }
  state_ = EditState::kBrowse;
  editRecord_.clear();
  modified_.clear();
  held_ = false;
  lockedOnEdit_ = false;
  bof_ = false;
  position_ = Position{true, false, t.RecNo()};
  RunCalcFields();
  NotifyChanged();
}

void TableCursor::AbandonEdits(dbf::Table& table, bool lockTakenHere) {
  // Whatever fails here must not hide the error being raised.
  try {
    if (state_ == EditState::kInsert) {
      // A move drops a record that was never appended.
      if (position_.hasRecord) {
        table.Go(position_.recno);
      } else {
        table.GoEof();
      }
    } else {
      table.DiscardChanges();
    }
    if (lockTakenHere) table.Unlock();
  } catch (...) {
  }
  table.GetContext().ClearError();
}

void TableCursor::Unlock() {
  dbf::Table& t = Table("Flush");
  if (state_ != EditState::kBrowse) SaveEdit();
  if (isExclusive_) {
    CheckFlushed(t, "CheckFlushed");
  } else {
    ThrowPendingEngineError(t, "Flush");
    const UniqueModeInForce unique(t, uniqueMode_);
    dbf::WriteResult result;
    try {
      result = t.Flush();
    } catch (const dbf::Error& e) {
      t.GetContext().ClearError();
      throw EStorageError("Could not perform flush. (" + std::to_string(e.Code()) + ")");
    }
    if (result == dbf::WriteResult::kUniqueRefused) {
      throw EUniqueTagViolation("Unique key violation.");
    }
  }
  t.Unlock();
  held_ = false;
  lockedOnEdit_ = false;
}

void TableCursor::DeleteRecord() {
  dbf::Table& t = Table("Delete");
  RequireWritable();
  CancelEdit();
  if (!position_.hasRecord)
    throw EDatabaseError("Cannot perform this operation on an empty dataset");
  if (!isExclusive_ && !t.LockRecord(position_.recno)) {
    t.GetContext().ClearError();
    throw EDataSetError("Could not delete record.");
  }
  try {
    t.Delete();
  } catch (const dbf::Error& e) {
    t.GetContext().ClearError();
    t.Unlock();
    throw EDataSetError(e.what());
  }
  Unlock();
  Resettle(t);
  NotifyChanged();
}

void TableCursor::MarkIncomplete(bool incomplete) {
  dbf::Table& t = Table("MarkIncomplete");
  // The mark tells the truth at every instant: set, it reaches the disk before any change;
  // cleared, only after the records, their index and the count are on the disk.
  try {
    if (incomplete) {
      t.SetIncompleteTransaction(true);
      t.Sync();
    } else {
      t.Sync();
      t.SetIncompleteTransaction(false);
    }
  } catch (const dbf::Error&) {
    t.GetContext().ClearError();  // reported here, with its file and cause
    throw;
  }
}

bool TableCursor::MarkedIncomplete() {
  return Table("MarkedIncomplete").IncompleteTransaction();
}

}  // namespace volarin
