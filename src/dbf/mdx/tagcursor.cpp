#include "dbf/mdx/tagcursor.h"

namespace volarin::dbf {

void TagCursor::CountLeafVisit() {
  // A sound tree never shows one walk more leaves than the file has blocks; a damaged one
  // whose pointers repeat could, so the walk stops instead of running on.
  if (++leafVisits_ > tag_->MaxLeafVisits()) tag_->Fail("the blocks of the tree form a loop");
}

void TagCursor::ReadLeaf() {
  const mdx::NodeView node = tag_->Node(path_.back().page, path_.size() - 1);
  leaf_ =
      Leaf{node.Bytes(), path_.back().page, node.Count(), tag_->Version(), tag_->Store().Epoch()};
}

// Moves forward past empty leaves (and the end of a leaf) to a real entry.
bool TagCursor::Settle() {
  while (true) {
    if (path_.back().index < CurrentLeaf().count) return valid_ = true;
    if (!tag_->NextLeaf(path_)) return valid_ = false;
    CountLeafVisit();
  }
}

bool TagCursor::First() {
  leafVisits_ = 0;
  path_.assign(1, TagStep{tag_->RootPage(), 0});
  tag_->DescendEdge(path_, false);
  return Settle();
}

bool TagCursor::Last() {
  leafVisits_ = 0;
  path_.assign(1, TagStep{tag_->RootPage(), 0});
  if (!tag_->IsLeafLevel(0)) path_[0].index = tag_->Node(tag_->RootPage(), 0).Count();
  tag_->DescendEdge(path_, true);
  while (CurrentLeaf().count == 0) {
    if (!tag_->PrevLeaf(path_)) return valid_ = false;
    CountLeafVisit();
  }
  if (tag_->IsLeafLevel(0)) {
    const uint32_t n = tag_->Node(path_[0].page, 0).Count();
    path_[0].index = n == 0 ? 0 : n - 1;
  }
  return valid_ = true;
}

bool TagCursor::Next() {
  if (!valid_) return false;
  ++path_.back().index;
  if (path_.back().index < CurrentLeaf().count) return true;
  if (!tag_->NextLeaf(path_)) return valid_ = false;
  CountLeafVisit();
  return Settle();
}

bool TagCursor::Prev() {
  if (!valid_) return false;
  while (path_.back().index == 0) {
    if (!tag_->PrevLeaf(path_)) return valid_ = false;
    CountLeafVisit();
    if (CurrentLeaf().count > 0) return valid_ = true;  // PrevLeaf put it on the last entry
  }
  --path_.back().index;
  return true;
}

SeekResult TagCursor::Seek(std::string_view key) {
  leafVisits_ = 0;
  const size_t length = std::min(key.size(), static_cast<size_t>(tag_->KeyLength()));
  if (tag_->Type() != KeyType::Character && key.size() != static_cast<size_t>(tag_->KeyLength())) {
    tag_->Fail("a search key of the wrong length was given");
  }
  const auto* k = reinterpret_cast<const uint8_t*>(key.data());
  path_ = tag_->Descend(k, length, IndexTag::Bound::kFirstEqual);
  if (!Settle()) return SeekResult::EndOfIndex;
  const auto* found = reinterpret_cast<const uint8_t*>(Key().data());
  return tag_->CompareKeys(found, k, length) == 0 ? SeekResult::Found : SeekResult::AfterKey;
}

bool TagCursor::SeekAtOrAfter(std::string_view key, uint32_t recno) {
  leafVisits_ = 0;
  if (key.size() != static_cast<size_t>(tag_->KeyLength())) {
    tag_->Fail("a search key of the wrong length was given");
  }
  path_ = tag_->LowerBoundEntry(reinterpret_cast<const uint8_t*>(key.data()), recno);
  return Settle();
}

bool TagCursor::SeekEntry(std::string_view key, uint32_t recno) {
  if (!SeekAtOrAfter(key, recno)) return false;
  // Compared by the tag's rules: other writers fill the numeric digit-count bits differently.
  if (RecNo() != recno ||
      tag_->CompareKeys(reinterpret_cast<const uint8_t*>(Key().data()),
                        reinterpret_cast<const uint8_t*>(key.data()), key.size()) != 0) {
    return valid_ = false;
  }
  return true;
}

std::string_view TagCursor::Key() {
  if (!valid_) return {};
  return KeyOfEntry(LeafNode(), path_.back().index);
}

}  // namespace volarin::dbf
