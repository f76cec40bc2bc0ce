#pragma once
// A position in one tag, walking its entries in tag order both ways.
// A cursor stays valid only while its tag is not changed; after a change, position it again
// (SeekEntry with the key and record number it was on). The leaf it stands in is kept between
// calls while the tag and the block cache are unchanged, so a step along a leaf reads no block.

#include <cstdint>
#include <string>
#include <string_view>

#include "dbf/mdx/blockstore.h"
#include "dbf/mdx/indextag.h"

namespace volarin::dbf {

enum class SeekResult {
  Found,       // on the first entry with the key
  AfterKey,    // no entry has the key; on the first entry after it
  EndOfIndex,  // no entry has the key and none follows it
};

class TagCursor {
 public:
  explicit TagCursor(IndexTag& tag) : tag_(&tag) {}

  bool First();
  bool Last();
  // False when it runs off the end (the cursor is then invalid).
  bool Next();
  bool Prev();
  // The first entry >= key in tag order. A character key shorter than the key length matches
  // every key that starts with it.
  SeekResult Seek(std::string_view key);
  // The entry (key, recno) itself; false (invalid) when the tag does not hold it.
  bool SeekEntry(std::string_view key, uint32_t recno);
  // The first entry >= (key, recno): where the entry is or would be.
  bool SeekAtOrAfter(std::string_view key, uint32_t recno);

  bool Valid() const { return valid_; }
  // Valid until the tag changes.
  std::string_view Key();
  // Inline, as this and KeyWhenAt are asked on every step of a walk.
  uint32_t RecNo() {
    if (!valid_) return 0;
    return LeafNode().Pointer(path_.back().index);
  }
  // The key of the entry the cursor stands on when that entry points at `recno`; empty
  // otherwise. One look at the leaf, for a walk that asks this of every record.
  std::string_view KeyWhenAt(uint32_t recno) {
    if (!valid_) return {};
    const mdx::NodeView leaf = LeafNode();
    const uint32_t at = path_.back().index;
    if (leaf.Pointer(at) != recno) return {};
    return KeyOfEntry(leaf, at);
  }
  void Invalidate() { valid_ = false; }

 private:
  // The leaf at the end of the path as last read: its bytes stay where they are while the tag
  // is not changed (its version) and the cache keeps its blocks (its epoch).
  struct Leaf {
    const uint8_t* bytes = nullptr;
    uint32_t page = 0;
    uint32_t count = 0;
    uint64_t version = 0;
    uint64_t epoch = 0;
  };
  const Leaf& CurrentLeaf() {
    if (leaf_.bytes == nullptr || leaf_.page != path_.back().page ||
        leaf_.version != tag_->Version() || leaf_.epoch != tag_->Store().Epoch()) {
      ReadLeaf();
    }
    return leaf_;
  }
  void ReadLeaf();
  mdx::NodeView LeafNode() { return mdx::NodeView(CurrentLeaf().bytes, tag_->Shape()); }
  // The key of entry `at` of a leaf, as Key and KeyWhenAt give it.
  std::string_view KeyOfEntry(const mdx::NodeView& leaf, uint32_t at) const {
    return std::string_view(reinterpret_cast<const char*>(leaf.Key(at)),
                            static_cast<size_t>(tag_->KeyLength()));
  }
  bool Settle();
  void CountLeafVisit();

  IndexTag* tag_;
  TagPath path_;
  bool valid_ = false;
  uint32_t leafVisits_ = 0;
  Leaf leaf_;
};

}  // namespace volarin::dbf
