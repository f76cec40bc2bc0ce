// Record and file locks at the dBASE/BDE offsets, tried as often as the context says.
#include "dbf/table.h"

#include <algorithm>

#include "common/platform.h"
#include "dbf/lockscheme.h"

namespace volarin::dbf {

bool Table::TryLockRange(uint64_t offset, uint64_t length) {
  const int attempts = std::max(1, context_.Get().lockAttempts);
  for (int attempt = 1; attempt <= attempts; ++attempt) {
    if (file_->TryLock(offset, length)) return true;
    if (attempt < attempts) platform::SleepMilliseconds(context_.Get().lockDelayMs);
  }
  return false;
}

bool Table::HoldsRecordLock(uint32_t recno) const {
  return std::find(lockedRecords_.begin(), lockedRecords_.end(), recno) != lockedRecords_.end();
}

bool Table::LockRecord(uint32_t recno) {
  RequireOpen("lock a record");
  if (exclusive_ || fileLocked_ || HoldsRecordLock(recno)) return true;
  if (recno < 1 || recno > lockscheme::kMaxRecords) return false;
  if (!TryLockRange(lockscheme::RecordOffset(recno), 1)) {
    context_.Record(LockError(kErrorLock, "Record " + std::to_string(recno) + " of " + path_ +
                                              " is locked by another user."));
    return false;
  }
  lockedRecords_.push_back(recno);
  // What we read before the lock may be stale; from now on nobody else changes the record.
  if (recno >= cacheFirst_ && recno < cacheFirst_ + cacheCount_) cacheCount_ = 0;
  chunks_.Forget(recno);
  if (recno == recno_ && !changed_ && !appending_) Refresh();
  return true;
}

bool Table::LockFile() {
  RequireOpen("lock the file");
  if (exclusive_ || fileLocked_) return true;
  if (!TryLockRange(lockscheme::kFileOffset, lockscheme::kFileLength)) {
    context_.Record(LockError(kErrorLock, "Table " + path_ + " is locked by another user."));
    return false;
  }
  fileLocked_ = true;
  lockedRecords_.clear();  // the file lock covers (and merged with) every record lock
  cacheCount_ = 0;
  chunks_.Clear();
  RefreshHeader();
  return true;
}

void Table::Unlock() {
  RequireOpen("unlock");
  WriteIfChanged();
  if (!exclusive_ && !readOnly_) {
    FlushPendingAppends();
    if (headerDirty_) WriteHeaderDate();
  }
  for (uint32_t recno : lockedRecords_) file_->Unlock(lockscheme::RecordOffset(recno), 1);
  lockedRecords_.clear();
  if (fileLocked_) file_->Unlock(lockscheme::kFileOffset, lockscheme::kFileLength);
  fileLocked_ = false;
}

}  // namespace volarin::dbf
