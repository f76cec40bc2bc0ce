// The bulk side of a tag: emptying it, and building the whole tree bottom-up from a sorted list
// (the index's creation and rebuild), apart from the one-entry changes of the B-tree core.

#include <algorithm>
#include <numeric>

#include "dbf/mdx/blockstore.h"
#include "dbf/mdx/bytes.h"
#include "dbf/mdx/indextag.h"

namespace volarin::dbf {

using mdx::NodeEditor;
using mdx::NodeView;

void IndexTag::FreeSubtree(uint32_t page, size_t level) {
  if (!IsLeafLevel(level)) {
    const NodeView node = Node(page, level);
    std::vector<uint32_t> children;
    for (uint32_t i = 0; i <= node.Count(); ++i) children.push_back(node.Child(i));
    for (uint32_t child : children) FreeSubtree(child, level + 1);
  }
  store_.Release(page);
}

void IndexTag::Clear() {
  ++version_;
  // Check first: freeing a damaged tree could put one block on the free list twice.
  std::vector<uint8_t> use(store_.PagesInFile(), 0);
  const std::string fault = Check(use, 0);
  if (!fault.empty()) Fail(fault);
  if (!IsLeafLevel(0)) {
    const NodeView node = Node(root_, 0);
    std::vector<uint32_t> children;
    for (uint32_t i = 0; i <= node.Count(); ++i) children.push_back(node.Child(i));
    for (uint32_t child : children) FreeSubtree(child, 1);
  }
  height_ = 1;
  NodeEditor root(store_.Modify(root_), shape_);
  root.SetCount(0);
  root.ClearTail(true);
}

std::vector<uint32_t> IndexTag::Build(const KeyList& keys) {
  if (keys.KeyLength() != shape_.keyLength) Fail("the keys given have the wrong length");
  Clear();
  std::vector<uint32_t> order(keys.Size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    return CompareEntry(keys.Key(a), keys.RecNo(a), keys.Key(b), keys.RecNo(b)) < 0;
  });
  std::vector<uint32_t> kept;
  std::vector<uint32_t> left;
  kept.reserve(order.size());
  for (uint32_t i : order) {
    if (keys.RecNo(i) == 0) Fail("record number 0 cannot be indexed");
    if (!kept.empty()) {
      const uint32_t prev = kept.back();
      const int c = CompareKeys(keys.Key(prev), keys.Key(i), shape_.keyLength);
      if (c == 0 && (def_.unique || keys.RecNo(prev) == keys.RecNo(i))) {
        left.push_back(keys.RecNo(i));
        continue;
      }
    }
    kept.push_back(i);
  }
  if (kept.empty()) return left;

  const size_t keyLength = shape_.keyLength;
  std::vector<uint32_t> pages;
  std::string maxima;  // the highest key of each node of the level being built
  // Leaves as full as they may be, the remainder spread so that no leaf is nearly empty.
  const size_t leafCount = (kept.size() + leafCapacity_ - 1) / leafCapacity_;
  size_t next = 0;
  for (size_t leaf = 0; leaf < leafCount; ++leaf) {
    const size_t size = kept.size() / leafCount + (leaf < kept.size() % leafCount ? 1 : 0);
    const uint32_t page = store_.Allocate();
    NodeEditor node(store_.Modify(page), shape_);
    node.SetCount(static_cast<uint32_t>(size));
    for (size_t i = 0; i < size; ++i) {
      const uint32_t k = kept[next + i];
      node.SetEntry(static_cast<uint32_t>(i), keys.RecNo(k), keys.Key(k));
    }
    node.ClearTail(true);
    next += size;
    pages.push_back(page);
    maxima.append(reinterpret_cast<const char*>(keys.Key(kept[next - 1])), keyLength);
  }
  int height = 1;
  const size_t fanout = shape_.InteriorCapacity() + 1;
  while (pages.size() > 1) {
    const size_t groups = (pages.size() + fanout - 1) / fanout;
    std::vector<uint32_t> upperPages;
    std::string upperMaxima;
    size_t child = 0;
    for (size_t g = 0; g < groups; ++g) {
      const size_t size = pages.size() / groups + (g < pages.size() % groups ? 1 : 0);
      const uint32_t page = store_.Allocate();
      NodeEditor node(store_.Modify(page), shape_);
      node.SetCount(static_cast<uint32_t>(size - 1));
      for (size_t i = 0; i + 1 < size; ++i) {
        node.SetEntry(static_cast<uint32_t>(i), pages[child + i],
                      reinterpret_cast<const uint8_t*>(maxima.data() + (child + i) * keyLength));
      }
      node.SetRightChild(pages[child + size - 1]);
      node.ClearTail(false);
      upperPages.push_back(page);
      upperMaxima.append(maxima, (child + size - 1) * keyLength, keyLength);
      child += size;
    }
    pages = std::move(upperPages);
    maxima = std::move(upperMaxima);
    ++height;
  }
  const uint32_t oldRoot = root_;
  SetRoot(pages.front(), height);
  store_.Release(oldRoot);
  return left;
}

}  // namespace volarin::dbf
