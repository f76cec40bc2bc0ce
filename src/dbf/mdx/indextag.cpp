#include "dbf/mdx/indextag.h"

#include <algorithm>
#include <array>

#include "dbf/mdx/blockstore.h"
#include "dbf/mdx/bytes.h"
#include "dbf/mdx/indexerror.h"

namespace volarin::dbf {

using mdx::GetU16;
using mdx::GetU32;
using mdx::NodeEditor;
using mdx::NodeView;
using mdx::PutU16;
using mdx::PutU32;

namespace {

// Tag header block fields.
constexpr int kRootAt = 0;
constexpr int kKeyFormatAt = 8;
constexpr int kKeyTypeAt = 9;
constexpr int kKeyLengthAt = 12;
constexpr int kMaxKeysAt = 14;
constexpr int kSecondaryTypeAt = 16;
constexpr int kItemLengthAt = 18;
constexpr int kWord20At = 20;
constexpr int kUniqueAt = 23;
constexpr int kExpressionAt = 24;
constexpr int kForFlagAt = 245;
constexpr int kKeyExistsAt = 246;
constexpr int kForExpressionAt = 762;
constexpr size_t kExpressionSpace = 220;

constexpr uint8_t kFlagDescending = 0x08;
constexpr uint8_t kFlagCharacter = 0x10;
constexpr uint8_t kFlagUnique = 0x40;

// Deeper than any real tree (a million keys need three or four levels).
constexpr int kMaxHeight = 32;

uint32_t ItemLengthFor(int keyLength) {
  return 4 + ((static_cast<uint32_t>(keyLength) + 3) / 4) * 4;
}

std::string ReadText(const uint8_t* p, size_t space) {
  size_t n = 0;
  while (n < space && p[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(p), n);
}

}  // namespace

std::string IndexTag::ValidateDefinition(const TagDefinition& def, uint32_t blockBytes) {
  if (def.name.empty() || def.name.size() > 10) return "a tag name has 1 to 10 characters";
  for (char c : def.name) {
    const bool ok =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    if (!ok) return "tag name " + def.name + " may hold only letters, digits and _";
  }
  if (def.keyExpression.empty()) return "tag " + def.name + " has no key expression";
  if (def.keyExpression.size() >= kExpressionSpace)
    return "the key expression of " + def.name + " is too long";
  if (def.forExpression.size() >= kExpressionSpace)
    return "the FOR expression of " + def.name + " is too long";
  if (!def.forExpression.empty() && blockBytes < kForExpressionAt + kExpressionSpace) {
    return "the block size leaves no room for the FOR expression of " + def.name;
  }
  switch (def.type) {
    case KeyType::Character:
      if (def.keyLength < 1 || def.keyLength > kMaxKeyLength) {
        return "the key of " + def.name + " must be 1 to 100 characters long";
      }
      break;
    case KeyType::Numeric:
      if (def.keyLength != kNumericKeyLength) return "a numeric key is 12 bytes long";
      break;
    case KeyType::Date:
      if (def.keyLength != kDateKeyLength) return "a date key is 8 bytes long";
      break;
    default:
      return "the key type of " + def.name + " is not C, N or D";
  }
  const mdx::NodeShape shape{blockBytes, ItemLengthFor(def.keyLength),
                             static_cast<uint32_t>(def.keyLength)};
  if (shape.InteriorCapacity() < 3)
    return "the key of " + def.name + " is too long for the block size";
  return "";
}

std::vector<uint8_t> IndexTag::MakeHeaderBlock(const TagDefinition& def, uint32_t blockBytes,
                                               uint32_t rootPage) {
  std::vector<uint8_t> h(blockBytes, 0);
  const uint32_t itemLength = ItemLengthFor(def.keyLength);
  PutU32(&h[kRootAt], rootPage);
  h[kKeyFormatAt] =
      static_cast<uint8_t>((def.type == KeyType::Character ? kFlagCharacter : 0) |
                           (def.descending ? kFlagDescending : 0) | (def.unique ? kFlagUnique : 0));
  h[kKeyTypeAt] = static_cast<uint8_t>(def.type);
  PutU16(&h[kKeyLengthAt], static_cast<uint16_t>(def.keyLength));
  // Room for the word after the last entry, which leaves read as zero and interior nodes use.
  PutU16(&h[kMaxKeysAt], static_cast<uint16_t>((blockBytes - 12) / itemLength));
  PutU16(&h[kSecondaryTypeAt], def.type == KeyType::Date ? 1 : 0);
  PutU16(&h[kItemLengthAt], static_cast<uint16_t>(itemLength));
  PutU16(&h[kWord20At], 2);
  h[kUniqueAt] = def.unique ? 1 : 0;
  std::copy(def.keyExpression.begin(), def.keyExpression.end(), h.begin() + kExpressionAt);
  h[kKeyExistsAt] = 1;
  if (!def.forExpression.empty()) {
    h[kForFlagAt] = 1;
    std::copy(def.forExpression.begin(), def.forExpression.end(), h.begin() + kForExpressionAt);
  }
  return h;
}

IndexTag::IndexTag(mdx::BlockStore& store, uint32_t headerPage, std::string name, bool findHeight)
    : store_(store), headerPage_(headerPage) {
  def_.name = std::move(name);
  if (!store_.IsBlockPage(headerPage)) {
    Fail("the tag header block " + std::to_string(headerPage) + " lies outside the file");
  }
  const uint32_t blockBytes = store_.BlockBytes();
  const uint8_t* h = store_.Read(headerPage);
  root_ = GetU32(h + kRootAt);
  const char type = static_cast<char>(h[kKeyTypeAt]);
  if (type != 'C' && type != 'N' && type != 'D') Fail("unknown key type in the tag header");
  def_.type = static_cast<KeyType>(type);
  def_.keyLength = GetU16(h + kKeyLengthAt);
  def_.descending = (h[kKeyFormatAt] & kFlagDescending) != 0;
  def_.unique = h[kUniqueAt] != 0 || (h[kKeyFormatAt] & kFlagUnique) != 0;
  def_.keyExpression = ReadText(h + kExpressionAt, kExpressionSpace);
  if (h[kForFlagAt] == 1 && blockBytes >= kForExpressionAt + kExpressionSpace) {
    def_.forExpression = ReadText(h + kForExpressionAt, kExpressionSpace);
  }
  const uint32_t itemLength = GetU16(h + kItemLengthAt);
  if (def_.keyLength < 1 || def_.keyLength > kMaxKeyLength ||
      (def_.type == KeyType::Numeric && def_.keyLength != kNumericKeyLength) ||
      (def_.type == KeyType::Date && def_.keyLength != kDateKeyLength)) {
    Fail("impossible key length " + std::to_string(def_.keyLength));
  }
  if (itemLength < static_cast<uint32_t>(def_.keyLength) + 4 || itemLength > blockBytes) {
    Fail("impossible key item length " + std::to_string(itemLength));
  }
  shape_ = mdx::NodeShape{blockBytes, itemLength, static_cast<uint32_t>(def_.keyLength)};
  if (shape_.InteriorCapacity() < 3) Fail("the keys are too long for the block size");
  leafCapacity_ = shape_.LeafCapacity();
  const uint32_t declared = GetU16(h + kMaxKeysAt);
  if (declared >= 3 && declared < leafCapacity_) leafCapacity_ = declared;

  if (findHeight) FindHeight();
}

void IndexTag::Reload() {
  if (!store_.IsBlockPage(headerPage_)) {
    Fail("the tag header block " + std::to_string(headerPage_) + " lies outside the file");
  }
  // The nodes' layout was worked out for the block size the file had when the tag was read.
  if (store_.BlockBytes() != shape_.blockBytes)
    Fail("the block size changed while the file was open");
  root_ = GetU32(store_.Read(headerPage_) + kRootAt);
  FindHeight();
  ++version_;
}

void IndexTag::FindHeight() {
  // Nothing in a node says whether it is a leaf; every leaf is at the same depth, so the depth
  // of the first leaf on the left edge decides for the whole tree.
  const uint32_t blockBytes = shape_.blockBytes;
  uint32_t page = root_;
  std::vector<uint32_t> seen;
  for (height_ = 1;; ++height_) {
    if (!store_.IsBlockPage(page))
      Fail("block pointer " + std::to_string(page) + " lies outside the file");
    if (std::find(seen.begin(), seen.end(), page) != seen.end())
      Fail("the blocks of the tree form a loop");
    seen.push_back(page);
    const uint8_t* b = store_.Read(page);
    const uint32_t n = GetU32(b);
    if (n > shape_.LeafLimit()) {
      Fail("the node at page " + std::to_string(page) + " claims " + std::to_string(n) +
           " keys, more than a block holds");
    }
    const uint64_t after = mdx::kNodeHeaderBytes + static_cast<uint64_t>(n) * shape_.itemLength;
    const bool interior = after + 4 <= blockBytes && GetU32(b + after) != 0;
    if (!interior) break;
    if (height_ >= kMaxHeight) Fail("the tree is deeper than any index can be");
    page = n > 0 ? GetU32(b + mdx::kNodeHeaderBytes) : GetU32(b + after);
  }
}

void IndexTag::Fail(const std::string& what) const {
  ThrowIndexError(store_.Path(), "tag " + def_.name + ": " + what);
}

uint32_t IndexTag::MaxLeafVisits() const {
  return store_.PagesInFile() / store_.BlockPages() + 2;
}

NodeView IndexTag::Node(uint32_t page, size_t level) {
  if (!store_.IsBlockPage(page))
    Fail("block pointer " + std::to_string(page) + " lies outside the file");
  NodeView node(store_.Read(page), shape_);
  const uint32_t limit = IsLeafLevel(level) ? shape_.LeafLimit() : shape_.InteriorCapacity();
  if (node.Count() > limit) {
    Fail("the node at page " + std::to_string(page) + " claims " + std::to_string(node.Count()) +
         " keys, more than a block holds");
  }
  return node;
}

int IndexTag::CompareEntry(const uint8_t* keyA, uint32_t recA, const uint8_t* keyB,
                           uint32_t recB) const {
  const int c = CompareKeys(keyA, keyB, shape_.keyLength);
  if (c != 0) return c;
  return recA < recB ? -1 : (recA > recB ? 1 : 0);
}

void IndexTag::DescendEdge(TagPath& path, bool rightmost) {
  while (!IsLeafLevel(path.size() - 1)) {
    const TagStep& step = path.back();
    const uint32_t child = Node(step.page, path.size() - 1).Child(step.index);
    for (const TagStep& s : path) {
      if (s.page == child) Fail("the blocks of the tree form a loop");
    }
    const NodeView node = Node(child, path.size());
    const bool leaf = IsLeafLevel(path.size());
    uint32_t index = 0;
    if (rightmost) index = leaf ? (node.Count() == 0 ? 0 : node.Count() - 1) : node.Count();
    path.push_back({child, index});
  }
}

uint32_t IndexTag::FindInNode(const NodeView& node, const uint8_t* key, size_t length,
                              Bound bound) const {
  // kFirstEqual stops at the first key not below `key`, kPastEqual at the first key above it.
  const int stopAt = bound == Bound::kFirstEqual ? 0 : 1;
  uint32_t lo = 0, hi = node.Count();
  while (lo < hi) {
    const uint32_t mid = (lo + hi) / 2;
    if (CompareKeys(node.Key(mid), key, length) < stopAt) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

uint32_t IndexTag::FindEntryInLeaf(const NodeView& leaf, uint32_t from, const uint8_t* key,
                                   uint32_t recno) const {
  uint32_t lo = from, hi = leaf.Count();
  while (lo < hi) {
    const uint32_t mid = (lo + hi) / 2;
    if (CompareEntry(leaf.Key(mid), leaf.Pointer(mid), key, recno) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

TagPath IndexTag::Descend(const uint8_t* key, size_t length, Bound bound) {
  TagPath path;
  DescendInto(path, key, length, bound);
  return path;
}

void IndexTag::DescendInto(TagPath& path, const uint8_t* key, size_t length, Bound bound) {
  path.clear();
  uint32_t page = root_;
  for (size_t level = 0;; ++level) {
    const NodeView node = Node(page, level);
    const uint32_t index = FindInNode(node, key, length, bound);
    path.push_back({page, index});
    if (IsLeafLevel(level)) return;
    page = node.Child(index);
  }
}

uint32_t IndexTag::LastRecnoOf(uint32_t page, size_t level) {
  for (;; ++level) {
    const NodeView node = Node(page, level);
    if (IsLeafLevel(level)) return node.Count() == 0 ? 0 : node.Pointer(node.Count() - 1);
    page = node.Child(node.Count());
  }
}

TagPath IndexTag::LowerBoundEntry(const uint8_t* key, uint32_t recno) {
  TagPath path;
  uint32_t page = root_;
  const size_t length = shape_.keyLength;
  for (size_t level = 0;; ++level) {
    const NodeView node = Node(page, level);
    const uint32_t n = node.Count();
    if (IsLeafLevel(level)) {
      path.push_back({page, FindEntryInLeaf(node, 0, key, recno)});
      return path;
    }
    uint32_t lo = FindInNode(node, key, length, Bound::kFirstEqual);
    if (lo < n && CompareKeys(node.Key(lo), key, length) == 0) {
      // Equal keys may span several children; their separators carry no record numbers, so
      // look at the last record number under each candidate child.
      uint32_t first = lo, last = FindInNode(node, key, length, Bound::kPastEqual);
      while (first < last) {
        const uint32_t mid = (first + last) / 2;
        if (LastRecnoOf(node.Child(mid), level + 1) < recno) {
          first = mid + 1;
        } else {
          last = mid;
        }
      }
      lo = first;
    }
    path.push_back({page, lo});
    page = node.Child(lo);
  }
}

void IndexTag::SetRoot(uint32_t page, int height) {
  root_ = page;
  height_ = height;
  PutU32(store_.Modify(headerPage_) + kRootAt, page);
}

void IndexTag::PropagateMax(const TagPath& path, size_t level, const uint8_t* key) {
  std::array<uint8_t, kMaxKeyLength> copy;
  std::copy_n(key, shape_.keyLength, copy.begin());
  for (size_t lvl = level; lvl > 0; --lvl) {
    const TagStep& parent = path[lvl - 1];
    const uint32_t n = Node(parent.page, lvl - 1).Count();
    if (parent.index < n) {
      NodeEditor(store_.Modify(parent.page), shape_).SetKey(parent.index, copy.data());
      return;
    }
    // The last child of its parent: the parent's highest key changes too.
  }
}

InsertResult IndexTag::Insert(std::string_view key, uint32_t recno) {
  if (key.size() != shape_.keyLength) Fail("a key of the wrong length was given");
  if (recno == 0) Fail("record number 0 cannot be indexed");
  const auto* k = reinterpret_cast<const uint8_t*>(key.data());
  if (def_.unique) {
    TagPath path = Descend(k, shape_.keyLength, Bound::kFirstEqual);
    // Step over an empty leaf or the end of a leaf to the entry that follows.
    while (true) {
      const TagStep& leaf = path.back();
      const NodeView node = Node(leaf.page, path.size() - 1);
      if (leaf.index < node.Count()) {
        if (CompareKeys(node.Key(leaf.index), k, shape_.keyLength) == 0) {
          return node.Pointer(leaf.index) == recno ? InsertResult::AlreadyPresent
                                                   : InsertResult::UniqueConflict;
        }
        break;
      }
      if (!NextLeaf(path)) break;
    }
  }
  TagPath path = LowerBoundEntry(k, recno);
  const TagStep& leaf = path.back();
  const NodeView node = Node(leaf.page, path.size() - 1);
  if (leaf.index < node.Count() &&
      CompareEntry(node.Key(leaf.index), node.Pointer(leaf.index), k, recno) == 0) {
    return InsertResult::AlreadyPresent;
  }
  InsertAt(path, k, recno);
  ++version_;
  return InsertResult::Inserted;
}

void IndexTag::InsertAt(TagPath& path, const uint8_t* key, uint32_t recno) {
  const size_t level = path.size() - 1;
  const TagStep step = path[level];
  const uint32_t n = Node(step.page, level).Count();
  if (step.index == n) PropagateMax(path, level, key);
  const uint32_t item = shape_.itemLength;
  if (n < leafCapacity_) {
    NodeEditor node(store_.Modify(step.page), shape_);
    node.OpenGap(step.index);
    node.SetEntry(step.index, recno, key);
    node.ClearTail(true);
    return;
  }
  // Full: the lower half stays, the upper half moves to a new block (as dBASE programs do).
  std::vector<uint8_t> items((n + 1) * item);
  {
    NodeEditor node(store_.Modify(step.page), shape_);
    std::copy_n(node.Entry(0), step.index * item, items.begin());
    std::copy_n(node.Entry(step.index), (n - step.index) * item,
                items.begin() + (step.index + 1) * item);
  }
  uint8_t* slot = &items[step.index * item];
  std::fill_n(slot, item, 0);
  PutU32(slot, recno);
  std::copy_n(key, shape_.keyLength, slot + 4);
  const uint32_t half = (n + 1) / 2;
  const uint32_t right = store_.Allocate();
  {
    NodeEditor left(store_.Modify(step.page), shape_);
    left.SetCount(half);
    std::copy_n(items.begin(), half * item, left.Entry(0));
    left.ClearTail(true);
  }
  {
    NodeEditor upper(store_.Modify(right), shape_);
    upper.SetCount(n + 1 - half);
    std::copy_n(items.begin() + half * item, (n + 1 - half) * item, upper.Entry(0));
    upper.ClearTail(true);
  }
  std::vector<uint8_t> lower(item, 0);
  PutU32(lower.data(), step.page);
  std::copy_n(&items[(half - 1) * item + 4], shape_.keyLength, lower.begin() + 4);
  InsertIntoParent(path, level, lower, right);
}

void IndexTag::InsertIntoParent(const TagPath& path, size_t level,
                                const std::vector<uint8_t>& entries, uint32_t right) {
  const uint32_t item = shape_.itemLength;
  if (level == 0) {
    // The root split: a new root above it, whose only child it is until the entries go in.
    const uint32_t root = store_.Allocate();
    NodeEditor node(store_.Modify(root), shape_);
    node.SetCount(0);
    node.SetRightChild(path[0].page);
    node.ClearTail(false);
    SetRoot(root, height_ + 1);
    TagPath above;
    above.reserve(path.size() + 1);
    above.push_back({root, 0});
    above.insert(above.end(), path.begin(), path.end());
    InsertIntoParent(above, 1, entries, right);
    return;
  }
  const TagStep parent = path[level - 1];
  std::vector<uint8_t> items;
  uint32_t n, rightChild;
  {
    const NodeView node = Node(parent.page, level - 1);
    n = node.Count();
    rightChild = node.Child(n);
    items.reserve(n * item + entries.size());
    items.assign(node.Entry(0), node.Entry(0) + n * item);
  }
  // The slot that led to the split node now leads to its last part; the parts before it get new
  // entries in front of it.
  if (parent.index < n) {
    PutU32(&items[parent.index * item], right);
  } else {
    rightChild = right;
  }
  items.insert(items.begin() + parent.index * item, entries.begin(), entries.end());
  const uint32_t m = static_cast<uint32_t>(items.size() / item);
  const uint32_t capacity = shape_.InteriorCapacity();
  if (m <= capacity) {
    NodeEditor node(store_.Modify(parent.page), shape_);
    node.SetCount(m);
    std::copy(items.begin(), items.end(), node.Entry(0));
    node.SetRightChild(rightChild);
    node.ClearTail(false);
    return;
  }
  // Too many children for one node: as many nodes as needed, the children spread evenly, the
  // first part staying in this block.
  const uint32_t children = m + 1;
  const uint32_t parts = (children + capacity) / (capacity + 1);
  std::vector<uint32_t> pages(parts, parent.page);
  for (uint32_t p = 1; p < parts; ++p) pages[p] = store_.Allocate();
  std::vector<uint8_t> up((parts - 1) * item, 0);
  uint32_t first = 0;
  for (uint32_t p = 0; p < parts; ++p) {
    const uint32_t size = children / parts + (p < children % parts ? 1 : 0);
    const uint32_t last = first + size - 1;
    NodeEditor node(store_.Modify(pages[p]), shape_);
    node.SetCount(size - 1);
    std::copy_n(items.begin() + first * item, (size - 1) * item, node.Entry(0));
    node.SetRightChild(last < m ? GetU32(&items[last * item]) : rightChild);
    node.ClearTail(false);
    if (p + 1 < parts) {
      // Its last child's separator is its highest key.
      PutU32(&up[p * item], pages[p]);
      std::copy_n(items.begin() + last * item + 4, shape_.keyLength, up.begin() + p * item + 4);
    }
    first += size;
  }
  InsertIntoParent(path, level - 1, up, pages.back());
}

bool IndexTag::Contains(std::string_view key, uint32_t recno) {
  if (key.size() != shape_.keyLength) return false;
  const auto* k = reinterpret_cast<const uint8_t*>(key.data());
  const TagPath path = LowerBoundEntry(k, recno);
  const NodeView node = Node(path.back().page, path.size() - 1);
  const uint32_t i = path.back().index;
  return i < node.Count() && CompareEntry(node.Key(i), node.Pointer(i), k, recno) == 0;
}

bool IndexTag::Remove(std::string_view key, uint32_t recno) {
  if (key.size() != shape_.keyLength) return false;
  const auto* k = reinterpret_cast<const uint8_t*>(key.data());
  const TagPath path = LowerBoundEntry(k, recno);
  const size_t level = path.size() - 1;
  const TagStep step = path[level];
  const NodeView view = Node(step.page, level);
  const uint32_t n = view.Count();
  if (step.index >= n ||
      CompareEntry(view.Key(step.index), view.Pointer(step.index), k, recno) != 0) {
    return false;
  }
  ++version_;
  if (n == 1 && level > 0) {
    // Empty nodes leave the tree and go on the free list; half-empty ones stay as they are.
    RemoveChild(path, level);
    CollapseRoot();
    return true;
  }
  NodeEditor node(store_.Modify(step.page), shape_);
  node.RemoveEntry(step.index);
  node.ClearTail(true);
  if (step.index == n - 1 && n > 1) PropagateMax(path, level, node.Entry(step.index - 1) + 4);
  return true;
}

void IndexTag::RemoveChild(const TagPath& path, size_t level) {
  const uint32_t page = path[level].page;
  const TagStep parent = path[level - 1];
  NodeEditor node(store_.Modify(parent.page), shape_);
  const uint32_t n = node.Count();
  const uint32_t rightChild = node.RightChild();
  if (n == 0) {
    store_.Release(page);
    if (level - 1 == 0) {
      // The root lost its only child: the tree is empty again.
      NodeEditor root(store_.Modify(root_), shape_);
      root.SetCount(0);
      root.ClearTail(true);
      height_ = 1;
      return;
    }
    RemoveChild(path, level - 1);
    return;
  }
  if (parent.index < n) {
    node.RemoveEntry(parent.index);
    node.SetRightChild(rightChild);
    node.ClearTail(false);
    store_.Release(page);
    return;
  }
  // The last child goes: the entry before it becomes the last child, and its separator the
  // node's new highest key.
  const std::string newMax(reinterpret_cast<const char*>(node.Entry(n - 1) + 4), shape_.keyLength);
  const uint32_t newLast = GetU32(node.Entry(n - 1));
  node.RemoveEntry(n - 1);
  node.SetRightChild(newLast);
  node.ClearTail(false);
  store_.Release(page);
  PropagateMax(path, level - 1, reinterpret_cast<const uint8_t*>(newMax.data()));
}

void IndexTag::CollapseRoot() {
  while (height_ > 1) {
    const NodeView root = Node(root_, 0);
    if (root.Count() != 0) return;
    const uint32_t child = root.Child(0);
    const uint32_t old = root_;
    SetRoot(child, height_ - 1);
    store_.Release(old);
  }
}

bool IndexTag::NextLeaf(TagPath& path) {
  size_t level = path.size() - 1;
  while (level > 0 && path[level - 1].index >= Node(path[level - 1].page, level - 1).Count()) {
    --level;
  }
  if (level == 0) return false;
  path.resize(level);
  ++path.back().index;
  DescendEdge(path, false);
  return true;
}

bool IndexTag::PrevLeaf(TagPath& path) {
  size_t level = path.size() - 1;
  while (level > 0 && path[level - 1].index == 0) --level;
  if (level == 0) return false;
  path.resize(level);
  --path.back().index;
  DescendEdge(path, true);
  return true;
}

}  // namespace volarin::dbf
