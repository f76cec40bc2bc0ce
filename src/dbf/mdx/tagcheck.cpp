// The self-check of a tag: every fault the tree can hold (blocks outside the file or used twice,
// keys out of order, separators that are not their child's highest key), and the entry count.

#include "dbf/mdx/blockstore.h"
#include "dbf/mdx/bytes.h"
#include "dbf/mdx/indextag.h"

namespace volarin::dbf {

using mdx::GetU32;
using mdx::NodeView;

uint64_t IndexTag::CountEntries() {
  uint64_t total = 0;
  TagPath path{{root_, 0}};
  DescendEdge(path, false);
  uint32_t visits = 0;
  do {
    total += Node(path.back().page, path.size() - 1).Count();
    if (++visits > MaxLeafVisits()) Fail("the blocks of the tree form a loop");
  } while (NextLeaf(path));
  return total;
}

std::string IndexTag::Check(std::vector<uint8_t>& pageUse, uint32_t maxRecno) {
  std::string lastKey;
  uint32_t lastRecno = 0;
  bool haveLast = false;
  std::string maxKey;
  const std::string fault =
      CheckNode(root_, 0, pageUse, maxRecno, lastKey, lastRecno, haveLast, maxKey);
  return fault.empty() ? fault : "tag " + def_.name + ": " + fault;
}

std::string IndexTag::CheckNode(uint32_t page, size_t level, std::vector<uint8_t>& pageUse,
                                uint32_t maxRecno, std::string& lastKey, uint32_t& lastRecno,
                                bool& haveLast, std::string& maxKey) {
  const std::string at = "page " + std::to_string(page);
  if (!store_.IsBlockPage(page))
    return "block pointer " + std::to_string(page) + " lies outside the file";
  for (uint32_t p = page; p < page + store_.BlockPages(); ++p) {
    if (p >= pageUse.size()) pageUse.resize(p + 1, 0);
    if (pageUse[p]) return "the block at " + at + " is used twice (or the tree loops)";
    pageUse[p] = 1;
  }
  const uint8_t* b = store_.Read(page);
  const uint32_t n = GetU32(b);
  const bool leaf = IsLeafLevel(level);
  const uint32_t item = shape_.itemLength;
  const uint32_t keyLength = shape_.keyLength;
  if (n > (leaf ? shape_.LeafLimit() : shape_.InteriorCapacity())) {
    return "the node at " + at + " claims " + std::to_string(n) + " keys, more than a block holds";
  }
  const NodeView node(b, shape_);
  if (leaf) {
    if (n == 0 && level > 0) return "the leaf at " + at + " is empty";
    const uint64_t after = mdx::kNodeHeaderBytes + static_cast<uint64_t>(n) * item;
    if (after + 4 <= shape_.blockBytes && GetU32(b + after) != 0) {
      return "the leaf at " + at + " is not marked as a leaf (non-zero word after its last entry)";
    }
    for (uint32_t i = 0; i < n; ++i) {
      const uint32_t recno = node.Pointer(i);
      if (recno == 0 || (maxRecno != 0 && recno > maxRecno)) {
        return "record number " + std::to_string(recno) + " at " + at + " is out of range";
      }
      const auto* last = reinterpret_cast<const uint8_t*>(lastKey.data());
      if (haveLast) {
        if (CompareEntry(last, lastRecno, node.Key(i), recno) >= 0) {
          return "keys out of order at " + at + " entry " + std::to_string(i + 1);
        }
        if (def_.unique && CompareKeys(last, node.Key(i), keyLength) == 0) {
          return "the unique tag holds a key twice at " + at + " entry " + std::to_string(i + 1);
        }
      }
      lastKey.assign(reinterpret_cast<const char*>(node.Key(i)), keyLength);
      lastRecno = recno;
      haveLast = true;
    }
    if (n > 0) maxKey.assign(reinterpret_cast<const char*>(node.Key(n - 1)), keyLength);
    return "";
  }
  if (node.Child(n) == 0) return "the interior node at " + at + " has no last child";
  for (uint32_t i = 0; i <= n; ++i) {
    std::string childMax;
    const std::string fault = CheckNode(node.Child(i), level + 1, pageUse, maxRecno, lastKey,
                                        lastRecno, haveLast, childMax);
    if (!fault.empty()) return fault;
    // The child was read again while checking; the node's bytes may have been re-cached.
    const NodeView again(store_.Read(page), shape_);
    if (i < n && CompareKeys(reinterpret_cast<const uint8_t*>(childMax.data()), again.Key(i),
                             keyLength) != 0) {
      return "separator " + std::to_string(i + 1) + " at " + at +
             " is not the highest key of its child";
    }
    if (i == n) maxKey = childMax;
  }
  return "";
}

}  // namespace volarin::dbf
