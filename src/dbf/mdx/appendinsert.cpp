// The insert of a record appended to the table. Its number is above every number in the tag, so
// among equal keys it comes last: the place is found by key alone, and a run of appends whose
// keys rise (the register refilled in date and check order) stays in the leaf it reached last.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "dbf/mdx/blockstore.h"
#include "dbf/mdx/bytes.h"
#include "dbf/mdx/indextag.h"

namespace volarin::dbf {

using mdx::GetU32;
using mdx::NodeEditor;
using mdx::NodeView;
using mdx::PutU32;

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

namespace {

// An unsigned number whose order agrees with the tag's: keys with different numbers compare as
// their numbers do. It decides most comparisons of a sort from the item itself, without a visit
// to the key. A character key's number is taken from its bytes after `skip`, which every key of
// the sort shares; 0 for every numeric key, whose order needs the whole key.
uint64_t OrderPrefix(KeyType type, const uint8_t* key, size_t length, size_t skip) {
  uint64_t prefix = 0;
  if (type == KeyType::Character) {
    for (size_t i = skip; i < skip + 8; ++i) prefix = prefix << 8 | (i < length ? key[i] : 0);
  } else if (type == KeyType::Date) {
    double day;
    std::memcpy(&day, key, sizeof day);
    if (std::isnan(day)) return 0;  // NaN sorts first, as in the tag
    if (day == 0) day = 0;          // -0 is the same day as 0
    uint64_t bits;
    std::memcpy(&bits, &day, sizeof bits);
    prefix = (bits >> 63) != 0 ? ~bits : bits | (uint64_t{1} << 63);
  }
  return prefix;
}

// How many leading bytes all the keys share.
size_t SharedLeadingBytes(const KeyList& keys) {
  size_t shared = keys.Size() == 0 ? 0 : keys.KeyLength();
  for (size_t i = 1; i < keys.Size() && shared > 0; ++i) {
    shared = static_cast<size_t>(
        std::mismatch(keys.Key(0), keys.Key(0) + shared, keys.Key(i)).first - keys.Key(0));
  }
  return shared;
}

}  // namespace

std::vector<uint32_t> IndexTag::RunOrder(const KeyList& keys) const {
  const size_t length = keys.KeyLength();
  struct Item {
    uint64_t prefix;
    uint32_t at;
  };
  std::vector<uint32_t> order(keys.Size());
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  // Appends often come in key order already (a register refilled in date and check order).
  size_t sorted = 1;
  while (sorted < keys.Size() && CompareKeys(keys.Key(sorted - 1), keys.Key(sorted), length) <= 0) {
    ++sorted;
  }
  if (sorted >= keys.Size()) return order;
  const size_t skip = def_.type == KeyType::Character ? SharedLeadingBytes(keys) : 0;
  std::vector<Item> items(keys.Size());
  uint64_t anySet = 0;
  uint64_t allSet = ~uint64_t{0};
  for (uint32_t i = 0; i < items.size(); ++i) {
    const uint64_t prefix = OrderPrefix(def_.type, keys.Key(i), length, skip);
    items[i] = {def_.descending ? ~prefix : prefix, i};
    anySet |= items[i].prefix;
    allSet &= items[i].prefix;
  }
  // A stable radix sort by prefix, a pass per byte that differs between keys: no comparison
  // branches to mispredict, and equal prefixes keep the order given.
  const uint64_t varying = anySet ^ allSet;
  std::vector<Item> spare(items.size());
  for (int shift = 0; shift < 64; shift += 8) {
    if (((varying >> shift) & 0xFF) == 0) continue;
    std::array<size_t, 257> start{};
    for (const Item& item : items) ++start[((item.prefix >> shift) & 0xFF) + 1];
    for (size_t b = 1; b < start.size(); ++b) start[b] += start[b - 1];
    for (const Item& item : items) spare[start[(item.prefix >> shift) & 0xFF]++] = item;
    items.swap(spare);
  }
  // The prefix holds the whole key of a date and the rest of a character key of up to eight
  // bytes after the shared ones; other keys with equal prefixes are put in order by the whole key.
  if (def_.type == KeyType::Numeric || (def_.type == KeyType::Character && length - skip > 8)) {
    for (size_t first = 0; first < items.size();) {
      size_t last = first + 1;
      while (last < items.size() && items[last].prefix == items[first].prefix) ++last;
      if (last - first > 1) {
        std::stable_sort(items.begin() + static_cast<std::ptrdiff_t>(first),
                         items.begin() + static_cast<std::ptrdiff_t>(last),
                         [&](const Item& a, const Item& b) {
                           return CompareKeys(keys.Key(a.at), keys.Key(b.at), length) < 0;
                         });
      }
      first = last;
    }
  }
  for (size_t i = 0; i < items.size(); ++i) order[i] = items[i].at;
  return order;
}

void IndexTag::InsertAppendedRun(const KeyList& keys, const std::vector<uint32_t>& order,
                                 size_t& done) {
  if (keys.KeyLength() != shape_.keyLength) Fail("the keys given have the wrong length");
  const auto text = [&](size_t at) {
    return std::string_view(reinterpret_cast<const char*>(keys.Key(order[at])), keys.KeyLength());
  };
  if (def_.unique) {
    for (; done < order.size(); ++done) InsertAppended(text(done), keys.RecNo(order[done]));
    return;
  }
  appendPath_.clear();
  const size_t length = shape_.keyLength;
  const uint32_t item = shape_.itemLength;
  std::array<uint8_t, kMaxKeyLength> upper{};
  std::array<uint8_t, kMaxKeyLength> lower{};
  std::vector<uint8_t> merged;
  TagPath path;
  while (done < order.size()) {
    const uint8_t* key = keys.Key(order[done]);
    const uint32_t recno = keys.RecNo(order[done]);
    if (recno == 0) Fail("record number 0 cannot be indexed");
    DescendInto(path, key, length, Bound::kPastEqual);
    const size_t level = path.size() - 1;
    // The leaf takes the keys below the separator of the nearest step that does not go to its
    // node's last child (none on the right edge); the separator of the nearest step that does not
    // go to the first child is the highest key of the leaf before it.
    bool bounded = false;
    bool leftEdge = true;
    for (size_t i = level; i-- > 0 && (!bounded || leftEdge);) {
      const NodeView node = Node(path[i].page, i);
      if (!bounded && path[i].index < node.Count()) {
        std::copy_n(node.Key(path[i].index), length, upper.begin());
        bounded = true;
      }
      if (leftEdge && path[i].index > 0) {
        std::copy_n(node.Key(path[i].index - 1), length, lower.begin());
        leftEdge = false;
      }
    }
    const NodeView leaf = Node(path.back().page, level);
    const uint32_t n = leaf.Count();
    if (FindEntryInLeaf(leaf, 0, key, recno) == 0 && !leftEdge &&
        CompareKeys(key, lower.data(), length) == 0) {
      // Its key runs on from the leaf before, where entries with higher numbers may lie: the
      // general insert finds its place among them.
      Insert(text(done), recno);
      ++done;
      continue;
    }
    size_t end = done + 1;
    while (end < order.size() &&
           (!bounded || CompareKeys(keys.Key(order[end]), upper.data(), length) < 0)) {
      ++end;
    }
    // The leaf's entries and the run's, merged in tag order into whole items: the leaf's entries
    // between two of the run's go over in one copy.
    merged.resize((n + (end - done)) * item);
    uint8_t* out = merged.data();
    uint32_t i = 0;
    bool lastIsNew = false;
    for (size_t j = done; j < end; ++j) {
      const uint8_t* k = keys.Key(order[j]);
      const uint32_t r = keys.RecNo(order[j]);
      if (r == 0) Fail("record number 0 cannot be indexed");
      const uint32_t stop = FindEntryInLeaf(leaf, i, k, r);
      if (stop > i) {
        out = std::copy_n(leaf.Entry(i), (stop - i) * item, out);
        i = stop;
        lastIsNew = false;
      }
      if (i < n && CompareEntry(leaf.Key(i), leaf.Pointer(i), k, r) == 0) continue;  // held
      if (lastIsNew && GetU32(out - item) == r && CompareKeys(out - item + 4, k, length) == 0) {
        continue;  // given twice
      }
      std::fill_n(out, item, 0);
      PutU32(out, r);
      std::copy_n(k, length, out + 4);
      out += item;
      lastIsNew = true;
    }
    if (i < n) {
      out = std::copy_n(leaf.Entry(i), (n - i) * item, out);
      lastIsNew = false;
    }
    const auto count = static_cast<uint32_t>((out - merged.data()) / item);
    if (count == n) {
      done = end;
      continue;
    }
    ++version_;
    // A new highest key of the leaf goes up first, while the path still holds.
    if (lastIsNew) PropagateMax(path, level, &merged[(count - 1) * item + 4]);
    const uint32_t page = path.back().page;
    if (count <= leafCapacity_) {
      NodeEditor node(store_.Modify(page), shape_);
      node.SetCount(count);
      std::copy_n(merged.begin(), count * item, node.Entry(0));
      node.ClearTail(true);
    } else {
      // As many leaves as needed, filled evenly; the first part stays in this block.
      const uint32_t parts = (count + leafCapacity_ - 1) / leafCapacity_;
      std::vector<uint32_t> pages(parts, page);
      for (uint32_t p = 1; p < parts; ++p) pages[p] = store_.Allocate();
      std::vector<uint8_t> up((parts - 1) * item, 0);
      uint32_t first = 0;
      for (uint32_t p = 0; p < parts; ++p) {
        const uint32_t size = count / parts + (p < count % parts ? 1 : 0);
        NodeEditor node(store_.Modify(pages[p]), shape_);
        node.SetCount(size);
        std::copy_n(merged.begin() + first * item, size * item, node.Entry(0));
        node.ClearTail(true);
        first += size;
        if (p + 1 < parts) {
          PutU32(&up[p * item], pages[p]);
          std::copy_n(merged.begin() + (first - 1) * item + 4, length, up.begin() + p * item + 4);
        }
      }
      InsertIntoParent(path, level, up, pages.back());
    }
    done = end;
  }
}

}  // namespace volarin::dbf
