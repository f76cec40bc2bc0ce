// The record file: reads with read-ahead, writes, appends gathered on an exclusive table, zap,
// flush and sync, in the order that keeps the file sound after a failure.
#include "dbf/table.h"

#include <algorithm>
#include <cstring>

#include "common/platform.h"
#include "dbf/lockscheme.h"
#include "dbf/memofile.h"
#include "dbf/tableheader.h"

namespace volarin::dbf {

// --- file access

void Table::ReadAt(uint64_t offset, void* out, size_t n) {
  size_t got = 0;
  try {
    got = file_->ReadAt(offset, out, n);
  } catch (const volarin::Error& e) {
    context_.Throw(Error(kErrorRead, e.what()));
  }
  if (got < n) {
    context_.Throw(FormatError(kErrorRead, "Table " + path_ + " is damaged: it ends at byte " +
                                               std::to_string(offset + got) +
                                               ", inside its records."));
  }
}

void Table::WriteAt(uint64_t offset, const void* data, size_t n) {
  Writing([&] { file_->WriteAt(offset, data, n); });
}

void Table::ReadRecords(uint32_t first, uint32_t n, char* out) {
  const uint64_t length = static_cast<uint64_t>(RecordLength());
  ReadAt(static_cast<uint64_t>(headerLength_) + (first - 1) * length, out, n * length);
}

void Table::FlushPendingAppends() {
  if (pending_.empty()) return;
  const uint64_t length = static_cast<uint64_t>(RecordLength());
  pending_ += kEndOfFile;
  try {
    WriteAt(static_cast<uint64_t>(headerLength_) + (pendingFirst_ - 1) * length, pending_.data(),
            pending_.size());
  } catch (...) {
    pending_.pop_back();  // the records stay pending; a second marker would shift them
    throw;
  }
  pending_.clear();
  headerDirty_ = true;
}

// --- records in memory

void Table::LoadRecord(uint32_t recno) {
  const size_t length = static_cast<size_t>(RecordLength());
  if (recno >= cacheFirst_ && recno < cacheFirst_ + cacheCount_) {
    current_ = cache_.data() + (recno - cacheFirst_) * length;
  } else if (const char* near = chunks_.Find(recno)) {
    current_ = near;
  } else if (!pending_.empty() && recno >= pendingFirst_ &&
             (recno - pendingFirst_ + 1) * length <= pending_.size()) {
    // Appended and not written yet: a copy from memory, and the gathered block stays gathered.
    record_.assign(pending_.data() + (recno - pendingFirst_) * length, length);
    current_ = record_.data();
  } else {
    FlushPendingAppends();
    // Read ahead only while the moves are sequential (next to the current record): a walk in
    // tag order or a seek jumps about the file and would read a whole block for one record.
    const bool adjacent = cacheCount_ == 0 || recno == recno_ + 1 || recno + 1 == recno_;
    // A tag may name a record appended by another program since the count was read: the block
    // reaches it.
    const uint32_t end = std::max(count_, recno);
    if (context_.Get().readAhead && adjacent) {
      const uint32_t perBlock = static_cast<uint32_t>(cache_.size() / length);
      // Moving backwards fills the block that ends at the record, forwards the one starting there.
      uint32_t first = recno;
      if (cacheCount_ > 0 && recno + 1 == cacheFirst_) {
        first = recno > perBlock ? recno - perBlock + 1 : 1;
      }
      const uint32_t n = std::min(perBlock, end - first + 1);
      cacheCount_ = 0;
      ReadRecords(first, n, cache_.data());
      cacheFirst_ = first;
      cacheCount_ = n;
      current_ = cache_.data() + (recno - first) * length;
    } else if (context_.Get().readAhead) {
      // A small run around the record: the next jump often lands near it.
      current_ = chunks_.Load(recno, end, [this](uint32_t first, uint32_t n, char* out) {
        ReadRecords(first, n, out);
      });
    } else {
      ReadRecords(recno, 1, record_.data());
      current_ = record_.data();
    }
  }
  recno_ = recno;
  changed_ = false;
  appending_ = false;
}

void Table::LoadBlank() {
  record_.assign(static_cast<size_t>(RecordLength()), ' ');
  current_ = record_.data();
  recno_ = 0;
  changed_ = false;
  appending_ = false;
}

void Table::WriteRecordBytes(uint32_t recno, std::string_view bytes) {
  const uint64_t length = static_cast<uint64_t>(RecordLength());
  if (!pending_.empty() && recno >= pendingFirst_) {
    std::memcpy(pending_.data() + (recno - pendingFirst_) * length, bytes.data(), length);
  } else {
    WriteAt(static_cast<uint64_t>(headerLength_) + (recno - 1) * length, bytes.data(), length);
  }
  if (recno >= cacheFirst_ && recno < cacheFirst_ + cacheCount_) {
    std::memcpy(cache_.data() + (recno - cacheFirst_) * length, bytes.data(), length);
  }
  chunks_.Update(recno, bytes.data());
  headerDirty_ = true;
}

void Table::WritePendingChange() {
  if (appending_) {
    // A new record that was never appended is abandoned by a move.
    appending_ = false;
    LoadBlank();
    return;
  }
  if (!changed_) return;
  if (Write() == WriteResult::kUniqueRefused) {
    context_.Throw(Error(kErrorWrite, "Record " + std::to_string(recno_) + " of " + path_ +
                                          " was not written: a unique tag holds its key already."));
  }
}

void Table::Refresh() {
  RequireOpen("re-read a record");
  if (appending_) {
    Blank();
    return;
  }
  if (recno_ == 0) {
    LoadBlank();
    return;
  }
  FlushPendingAppends();
  if (recno_ > count_) RefreshHeader();
  if (recno_ > count_) {
    LoadBlank();
    return;
  }
  ReadRecords(recno_, 1, record_.data());
  current_ = record_.data();
  const size_t length = static_cast<size_t>(RecordLength());
  if (recno_ >= cacheFirst_ && recno_ < cacheFirst_ + cacheCount_) {
    std::memcpy(cache_.data() + (recno_ - cacheFirst_) * length, record_.data(), length);
  }
  chunks_.Update(recno_, record_.data());
  changed_ = false;
}

// --- writing

WriteResult Table::Write() {
  RequireOpen("write a record");
  if (appending_) return Append();
  if (!changed_) return WriteResult::kOk;
  RequireWritable("write a record");
  RequireRecord("write");
  const bool lockHere = !exclusive_ && !fileLocked_ && !HoldsRecordLock(recno_);
  if (lockHere && !TryLockRange(lockscheme::RecordOffset(recno_), 1)) {
    context_.Throw(LockError(kErrorLock, "Record " + std::to_string(recno_) + " of " + path_ +
                                             " is locked by another user; it was not written."));
  }
  struct Release {
    Table* t;
    bool on;
    ~Release() {
      if (on) t->file_->Unlock(lockscheme::RecordOffset(t->recno_), 1);
    }
  } release{this, lockHere};
  const RecordView before{&layout_, original_, recno_};
  const RecordView after{&layout_, record_, recno_};
  WriteResult result = WriteResult::kOk;
  if (maintainer_) {
    result = maintainer_->BeforeWrite(before, after, context_.Get().uniqueMode);
    if (result == WriteResult::kUniqueRefused) return result;
  }
  WriteRecordBytes(recno_, record_);
  if (maintainer_) maintainer_->AfterWrite(before, after);
  original_ = record_;
  changed_ = false;
  return result;
}

void Table::StartAppend() {
  RequireWritable("append a record");
  WriteIfChanged();
  LoadBlank();
  appending_ = true;
  bof_ = false;
}

WriteResult Table::AppendBlank() {
  StartAppend();
  return Append();
}

WriteResult Table::Append() {
  RequireWritable("append a record");
  if (!appending_)
    context_.Throw(Error(kErrorPosition, "Table " + path_ + ": Append() without StartAppend()."));
  const bool lockHere = !exclusive_ && !fileLocked_;
  if (lockHere && !TryLockRange(lockscheme::kHeaderOffset, 1)) {
    context_.Throw(LockError(kErrorLock, "Table " + path_ +
                                             " is being appended to by another user; the "
                                             "record was not appended."));
  }
  struct Release {
    platform::File* file;
    bool on;
    ~Release() {
      if (on) file->Unlock(lockscheme::kHeaderOffset, 1);
    }
  } release{file_.get(), lockHere};
  if (!exclusive_) RefreshHeader();
  if (count_ >= lockscheme::kMaxRecords)
    context_.Throw(Error(kErrorWrite, "Table " + path_ + " is full."));
  const uint32_t recno = count_ + 1;
  const RecordView view{&layout_, record_, recno};
  WriteResult result = WriteResult::kOk;
  if (maintainer_) {
    result = maintainer_->BeforeAppend(view, context_.Get().uniqueMode);
    if (result == WriteResult::kUniqueRefused) return result;
  }
  if (exclusive_) {
    // Exclusive tables gather appended records and write them in blocks; the header follows at
    // flush or close.
    if (pending_.empty()) pendingFirst_ = recno;
    pending_ += record_;
    ++count_;
    headerDirty_ = true;
    if (pending_.size() >= kBlockBytes) FlushPendingAppends();
  } else {
    // The record and the end marker first, then the count: a crash in between loses only the
    // new record, never an old one.
    std::string bytes = record_;
    bytes += kEndOfFile;
    WriteAt(static_cast<uint64_t>(headerLength_) +
                static_cast<uint64_t>(recno - 1) * static_cast<uint64_t>(RecordLength()),
            bytes.data(), bytes.size());
    ++count_;
    WriteHeaderCounters();
  }
  appending_ = false;
  recno_ = recno;
  original_ = record_;
  changed_ = false;
  bof_ = false;
  if (maintainer_) maintainer_->AfterAppend(view);
  return result;
}

void Table::Zap(uint32_t first, uint32_t last) {
  RequireWritable("remove records");
  WriteIfChanged();
  FlushPendingAppends();
  if (!exclusive_ && !fileLocked_) RefreshHeader();
  first = std::max<uint32_t>(first, 1);
  last = std::min(last, count_);
  if (first > last) {
    if (headerDirty_ && (exclusive_ || fileLocked_)) WriteHeaderCounters();
    return;  // nothing to remove, so no lock is needed either
  }
  if (!exclusive_ && !fileLocked_) {
    context_.Throw(LockError(
        kErrorLock, "Table " + path_ + " must be opened exclusively or locked to remove records."));
  }
  const uint64_t length = static_cast<uint64_t>(RecordLength());
  const uint32_t perBlock = static_cast<uint32_t>(cache_.size() / length);
  cacheCount_ = 0;
  chunks_.Clear();
  uint32_t from = last + 1, to = first;
  while (from <= count_) {
    const uint32_t n = std::min(perBlock, count_ - from + 1);
    ReadRecords(from, n, cache_.data());
    WriteAt(static_cast<uint64_t>(headerLength_) + (to - 1) * length, cache_.data(), n * length);
    from += n;
    to += n;
  }
  count_ -= last - first + 1;
  // The smaller count goes first: a failure or crash before the file is cut leaves records past
  // the count, which every reader passes over; a count beyond the file's end would refuse it.
  WriteHeaderCounters();
  const uint64_t end = static_cast<uint64_t>(headerLength_) + count_ * length;
  Writing([&] { file_->Truncate(end + 1); });
  const char marker = kEndOfFile;
  WriteAt(end, &marker, 1);
  if (count_ == 0 && memo_) memo_->Reset();
  if (maintainer_) {
    try {
      maintainer_->AfterZap(first, last);
    } catch (...) {
      // An index that failed while it was being rebuilt must not be walked again; the table
      // goes on in record order and the index is rebuilt when the table is next opened.
      SetOrder(nullptr);
      maintainer_.reset();
      throw;
    }
  }
  LoadBlank();
  Top();
}

WriteResult Table::Flush() {
  RequireOpen("flush");
  WriteResult result = WriteResult::kOk;
  if (appending_) {
    // A record that was started but not appended stays in memory.
  } else if (changed_) {
    result = Write();
    if (result == WriteResult::kUniqueRefused) return result;
  }
  // Records, then their index, then the header count that makes the records count: a failure
  // or a crash in between leaves records past the count, never a count or an index that
  // promises records not on the disk.
  if (!readOnly_ && !pending_.empty()) FlushPendingAppends();
  if (maintainer_) maintainer_->Flush();
  if (!readOnly_ && headerDirty_) {
    if (exclusive_ || fileLocked_) {
      WriteHeaderCounters();
    } else {
      WriteHeaderDate();
    }
  }
  return result;
}

WriteResult Table::Sync() {
  const WriteResult result = Flush();
  if (readOnly_) return result;
  // The index first: the table's count must not reach the disk ahead of the keys.
  if (maintainer_) maintainer_->Sync();
  Writing([&] { file_->Sync(); });
  return result;
}

}  // namespace volarin::dbf
