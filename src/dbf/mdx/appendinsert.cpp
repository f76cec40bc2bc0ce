// The insert of a record appended to the table. Its number is above every number in the tag, so
// among equal keys it comes last: the place is found by key alone, and a run of appends whose
// keys rise (the register refilled in date and check order) stays in the leaf it reached last.

#include "dbf/mdx/blockstore.h"
#include "dbf/mdx/indextag.h"

namespace volarin::dbf {

using mdx::NodeView;

bool IndexTag::AppendLeafHolds(const uint8_t* key) {
  if (appendPath_.empty() || appendVersion_ != version_ || appendEpoch_ != store_.Epoch()) {
    return false;
  }
  const size_t level = appendPath_.size() - 1;
  const NodeView leaf = Node(appendPath_.back().page, level);
  const uint32_t n = leaf.Count();
  const size_t length = shape_.keyLength;
  if (n == 0) return level == 0;  // the empty tree's only leaf
  if (CompareKeys(leaf.Key(0), key, length) > 0) return false;
  // Past the leaf's last key the place is still here only on the right edge of the tree; the
  // interior steps of the path are unchanged since it was found, as no node split since.
  bool rightEdge = true;
  for (size_t i = 0; i < level && rightEdge; ++i) {
    rightEdge = appendPath_[i].index == Node(appendPath_[i].page, i).Count();
  }
  return rightEdge || CompareKeys(key, leaf.Key(n - 1), length) < 0;
}

InsertResult IndexTag::InsertAppended(std::string_view key, uint32_t recno) {
  if (def_.unique) return Insert(key, recno);
  if (key.size() != shape_.keyLength) Fail("a key of the wrong length was given");
  if (recno == 0) Fail("record number 0 cannot be indexed");
  const auto* k = reinterpret_cast<const uint8_t*>(key.data());
  const size_t length = shape_.keyLength;
  TagPath path;
  if (AppendLeafHolds(k)) {
    path = std::move(appendPath_);
  } else {
    path = Descend(k, length, Bound::kPastEqual);
  }
  appendPath_.clear();
  const size_t level = path.size() - 1;
  const NodeView leaf = Node(path.back().page, level);
  const uint32_t n = leaf.Count();
  const uint32_t lo = FindInNode(leaf, k, length, Bound::kPastEqual);
  path.back().index = lo;
  // The entry before the place decides whether the number really is above every number with
  // this key; when it is not, or lies in another leaf, the general insert finds the place.
  if (lo == 0) {
    for (size_t i = 0; i < level; ++i) {
      if (path[i].index != 0) return Insert(key, recno);
    }
  } else if (CompareKeys(leaf.Key(lo - 1), k, length) == 0 && leaf.Pointer(lo - 1) >= recno) {
    return Insert(key, recno);
  }
  const bool splits = n >= leafCapacity_;
  InsertAt(path, k, recno);
  ++version_;
  if (!splits) {
    appendPath_ = std::move(path);
    appendVersion_ = version_;
    appendEpoch_ = store_.Epoch();
  }
  return InsertResult::Inserted;
}

}  // namespace volarin::dbf
