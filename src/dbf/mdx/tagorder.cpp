#include "dbf/mdx/tagorder.h"

#include "common/platform.h"
#include "dbf/mdx/indexerror.h"

namespace volarin::dbf {

// Our own writers change a shared file under an exclusive lock of one byte, writing blocks before
// the header, so a read in between can meet a pointer to a block the header does not count yet.
// A read that starts afresh (first, last, seek: it re-reads the file anyway) holds that byte
// shared; steps of a walk go without it, as two lock calls per step would cost more than the
// step. When the lock stays taken all the time it is tried, the read goes on regardless (the
// file is most often whole). A read that meets a tree making no sense without the lock waits for
// the lock and reads again; if the lock stays taken it reads once more without it (the writer
// may be between two changes), and when that fails too the file is busy, not damaged. Under the
// lock the read is tried again on a fresh copy, as often and as far apart as a lock is tried, for
// programs that do not lock as we do; damage that stays is reported.
template <typename Read>
uint32_t TagOrder::Reading(bool freshStart, Read read) {
  index_.SettleAppends();
  if (!index_.SharedReading()) return read();
  ReadingLock lock(index_);
  if (freshStart) lock.Take();
  bool again = false;
  bool waitedInVain = false;
  for (int attempt = 1;; ++attempt) {
    try {
      if (again) index_.SyncForReading();
      again = true;
      return read();
    } catch (const IndexError& e) {
      if (e.Code() != kErrorFormat) throw;
      if (!lock.Held()) {
        if (lock.Take()) {
          attempt = 0;  // the tries under the lock begin now
        } else if (waitedInVain) {
          index_.ThrowBusy();
        } else {
          waitedInVain = true;
        }
        continue;
      }
      if (attempt >= index_.LockAttempts()) throw;
    }
    platform::SleepMilliseconds(index_.LockDelayMs());
  }
}

TagCursor& TagOrder::Cursor() {
  if (!cursor_ || generation_ != index_.Generation()) {
    cursor_.emplace(index_.Tag(tag_));
    generation_ = index_.Generation();
  }
  return *cursor_;
}

void TagOrder::Remember() {
  version_ = index_.Tag(tag_).Version();
}

uint32_t TagOrder::Here() {
  Remember();
  return cursor_->Valid() ? cursor_->RecNo() : 0;
}

uint32_t TagOrder::First() {
  return Reading(true, [this] {
    index_.SyncForReading();
    Cursor().First();
    return Here();
  });
}

uint32_t TagOrder::Last() {
  return Reading(true, [this] {
    index_.SyncForReading();
    Cursor().Last();
    return Here();
  });
}

bool TagOrder::Place(const RecordView& current) {
  TagCursor& cursor = Cursor();
  if (cursor.Valid() && version_ == index_.Tag(tag_).Version() && cursor.RecNo() == current.recno) {
    return true;
  }
  const bool has = index_.HasKey(tag_, current);
  const std::string key = index_.KeyOf(tag_, current);
  cursor.SeekAtOrAfter(key, current.recno);
  return has && cursor.Valid() && cursor.RecNo() == current.recno &&
         index_.Tag(tag_).CompareKeys(reinterpret_cast<const uint8_t*>(cursor.Key().data()),
                                      reinterpret_cast<const uint8_t*>(key.data()),
                                      key.size()) == 0;
}

uint32_t TagOrder::Next(const RecordView& current) {
  if (current.recno == 0) return 0;
  return Reading(false, [&] {
    if (Place(current)) Cursor().Next();
    return Here();
  });
}

uint32_t TagOrder::Prior(const RecordView& current) {
  if (current.recno == 0) return 0;
  return Reading(false, [&] {
    TagCursor& cursor = Cursor();
    Place(current);
    // On the record's entry, or on the one after where it would be: either way one step back.
    if (cursor.Valid()) {
      cursor.Prev();
    } else {
      cursor.Last();
    }
    return Here();
  });
}

uint32_t TagOrder::Seek(std::string_view key, bool& found) {
  return Reading(true, [&] {
    index_.SyncForReading();
    found = Cursor().Seek(key) == SeekResult::Found;
    return Here();
  });
}

uint32_t TagOrder::SeekNext(std::string_view key, const RecordView& current) {
  if (current.recno == 0) return 0;
  return Reading(false, [&]() -> uint32_t {
    if (Place(current)) Cursor().Next();
    TagCursor& cursor = Cursor();
    if (!cursor.Valid()) return Here();
    const size_t length = std::min(key.size(), cursor.Key().size());
    const bool same =
        index_.Tag(tag_).CompareKeys(reinterpret_cast<const uint8_t*>(cursor.Key().data()),
                                     reinterpret_cast<const uint8_t*>(key.data()), length) == 0;
    Remember();
    return same ? cursor.RecNo() : 0;
  });
}

std::string_view TagOrder::HeldKey(uint32_t recno) {
  if (!cursor_ || generation_ != index_.Generation() || !cursor_->Valid() ||
      version_ != index_.Tag(tag_).Version()) {
    return {};
  }
  try {
    return cursor_->KeyWhenAt(recno);
  } catch (const IndexError&) {
    return {};  // a block read again meets damage: the caller works from the record instead
  }
}

}  // namespace volarin::dbf
