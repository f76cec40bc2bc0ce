#include "dbf/mdx/tagorder.h"

namespace volarin::dbf {

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
  index_.SyncForReading();
  Cursor().First();
  return Here();
}

uint32_t TagOrder::Last() {
  index_.SyncForReading();
  Cursor().Last();
  return Here();
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
  if (Place(current)) Cursor().Next();
  return Here();
}

uint32_t TagOrder::Prior(const RecordView& current) {
  if (current.recno == 0) return 0;
  TagCursor& cursor = Cursor();
  Place(current);
  // On the record's entry, or on the one after where it would be: either way one step back.
  if (cursor.Valid()) {
    cursor.Prev();
  } else {
    cursor.Last();
  }
  return Here();
}

uint32_t TagOrder::Seek(std::string_view key, bool& found) {
  index_.SyncForReading();
  found = Cursor().Seek(key) == SeekResult::Found;
  return Here();
}

uint32_t TagOrder::SeekNext(std::string_view key, const RecordView& current) {
  if (current.recno == 0) return 0;
  if (Place(current)) Cursor().Next();
  TagCursor& cursor = Cursor();
  if (!cursor.Valid()) return Here();
  const size_t length = std::min(key.size(), cursor.Key().size());
  const bool same =
      index_.Tag(tag_).CompareKeys(reinterpret_cast<const uint8_t*>(cursor.Key().data()),
                                   reinterpret_cast<const uint8_t*>(key.data()), length) == 0;
  Remember();
  return same ? cursor.RecNo() : 0;
}

}  // namespace volarin::dbf
