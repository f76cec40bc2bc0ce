#pragma once
// One B-tree node in a block: [count][unused word][entries of item length...][right child].
// Leaf entries point at record numbers, interior entries at child pages with the highest key of
// that child as separator; an interior node's last child follows its last entry.

#include <cstdint>
#include <cstring>

#include "dbf/mdx/bytes.h"

namespace volarin::dbf::mdx {

inline constexpr uint32_t kNodeHeaderBytes = 8;

struct NodeShape {
  uint32_t blockBytes = 1024;
  uint32_t itemLength = 16;
  uint32_t keyLength = 12;

  // Leaves also keep room for the zero word after their last entry that marks them as leaves.
  uint32_t LeafCapacity() const { return (blockBytes - kNodeHeaderBytes - 4) / itemLength; }
  uint32_t InteriorCapacity() const { return (blockBytes - kNodeHeaderBytes - 4) / itemLength; }
  // The most entries a reader accepts in a leaf written by another program.
  uint32_t LeafLimit() const { return (blockBytes - kNodeHeaderBytes) / itemLength; }
};

class NodeView {
 public:
  NodeView(const uint8_t* bytes, const NodeShape& shape) : b_(bytes), s_(&shape) {}
  uint32_t Count() const { return GetU32(b_); }
  const uint8_t* Entry(uint32_t i) const { return b_ + kNodeHeaderBytes + i * s_->itemLength; }
  uint32_t Pointer(uint32_t i) const { return GetU32(Entry(i)); }
  const uint8_t* Key(uint32_t i) const { return Entry(i) + 4; }
  // Interior nodes: children 0..Count(), the last one stored after the entries.
  uint32_t Child(uint32_t i) const { return GetU32(Entry(i)); }
  const uint8_t* Bytes() const { return b_; }

 private:
  const uint8_t* b_;
  const NodeShape* s_;
};

class NodeEditor {
 public:
  NodeEditor(uint8_t* bytes, const NodeShape& shape) : b_(bytes), s_(&shape) {}
  uint32_t Count() const { return GetU32(b_); }
  uint8_t* Entry(uint32_t i) { return b_ + kNodeHeaderBytes + i * s_->itemLength; }
  void SetCount(uint32_t n) { PutU32(b_, n); }
  void SetEntry(uint32_t i, uint32_t pointer, const uint8_t* key) {
    uint8_t* e = Entry(i);
    std::memset(e, 0, s_->itemLength);
    PutU32(e, pointer);
    std::memcpy(e + 4, key, s_->keyLength);
  }
  void SetPointer(uint32_t i, uint32_t pointer) { PutU32(Entry(i), pointer); }
  void SetKey(uint32_t i, const uint8_t* key) { std::memcpy(Entry(i) + 4, key, s_->keyLength); }
  // Opens a gap at i (entries i.. move up one slot; count grows).
  void OpenGap(uint32_t i) {
    const uint32_t n = Count();
    std::memmove(Entry(i + 1), Entry(i), (n - i) * s_->itemLength);
    SetCount(n + 1);
  }
  void RemoveEntry(uint32_t i) {
    const uint32_t n = Count();
    std::memmove(Entry(i), Entry(i + 1), (n - i - 1) * s_->itemLength);
    SetCount(n - 1);
  }
  // Zeroes everything after the entries (a leaf) or after the right child (an interior node),
  // so a leaf reads as a leaf and no stale keys are left behind.
  void ClearTail(bool leaf) {
    const uint32_t used = kNodeHeaderBytes + Count() * s_->itemLength + (leaf ? 0 : 4);
    if (used < s_->blockBytes) std::memset(b_ + used, 0, s_->blockBytes - used);
    PutU32(b_ + 4, 0);
  }
  void SetRightChild(uint32_t page) { PutU32(Entry(Count()), page); }
  uint32_t RightChild() { return GetU32(Entry(Count())); }

 private:
  uint8_t* b_;
  const NodeShape* s_;
};

}  // namespace volarin::dbf::mdx
