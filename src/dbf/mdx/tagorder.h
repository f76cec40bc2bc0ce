#pragma once
// Navigation of a table in the order of one tag (the table's RecordOrder while a tag is
// selected). It finds its place again from the current record's key and number, so it keeps
// working after the record or the tag changed; while nothing changed it just steps on.

#include <cstdint>
#include <optional>

#include "dbf/indexhooks.h"
#include "dbf/mdx/productionindex.h"
#include "dbf/mdx/tagcursor.h"

namespace volarin::dbf {

class TagOrder : public RecordOrder {
 public:
  TagOrder(ProductionIndex& index, size_t tag) : index_(index), tag_(tag) {}

  size_t TagNumber() const { return tag_; }
  uint32_t First() override;
  uint32_t Last() override;
  uint32_t Next(const RecordView& current) override;
  uint32_t Prior(const RecordView& current) override;

  // Puts the walk on the first entry >= the search key; the record number there, or 0 when
  // none follows. `found` tells whether that entry has the key.
  uint32_t Seek(std::string_view key, bool& found);
  // The record after the current one when it has the same key as the search key, else 0.
  uint32_t SeekNext(std::string_view key, const RecordView& current);
  // The key the tag holds for record `recno` when the walk stands on that record's entry and
  // the tag has not changed since; empty otherwise. Valid until the walk moves or the tag
  // changes.
  std::string_view HeldKey(uint32_t recno) override;

 private:
  TagCursor& Cursor();
  // Stands the cursor on the current record's entry; false when the record has none (the
  // cursor is then on the entry after where it would be, or invalid at the end).
  bool Place(const RecordView& current);
  uint32_t Here();
  void Remember();
  // Runs a read of the tag; on a shared file a read that meets a damaged tree is repeated on
  // a fresh copy of the file (see the .cpp). `freshStart`: the read begins a walk or a seek.
  template <typename Read>
  uint32_t Reading(bool freshStart, Read read);

  ProductionIndex& index_;
  size_t tag_;
  std::optional<TagCursor> cursor_;
  uint64_t generation_ = 0;
  uint64_t version_ = 0;
};

}  // namespace volarin::dbf
