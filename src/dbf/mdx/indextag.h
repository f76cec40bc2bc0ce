#pragma once
// One tag of an .MDX file: its definition and its B-tree of (key, record number) entries.
// Entries are ordered by key in the tag's direction and, among equal keys, by ascending record
// number (descending tags too). Keys are the encoded bytes of keycodec.h.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/mdx/keycodec.h"
#include "dbf/mdx/keylist.h"
#include "dbf/mdx/node.h"

namespace volarin::dbf {

namespace mdx {
class BlockStore;
}

struct TagDefinition {
  std::string name;  // at most 10 characters; stored upper-cased
  std::string keyExpression;
  std::string forExpression;  // empty: every record has a key
  KeyType type = KeyType::Character;
  int keyLength = 10;  // C: the expression's length; N: 12; D: 8
  bool unique = false;
  bool descending = false;
};

// A position in a tag: one (page, index) step per level, root first. Interior steps hold the
// child index (0..count), the leaf step the entry index.
struct TagStep {
  uint32_t page;
  uint32_t index;
};
using TagPath = std::vector<TagStep>;

enum class InsertResult { Inserted, UniqueConflict, AlreadyPresent };

class IndexTag {
 public:
  // Reads the tag header block; a header that makes no sense is an IndexError. Without
  // findHeight the tree is not walked: only the definition may then be used.
  IndexTag(mdx::BlockStore& store, uint32_t headerPage, std::string name, bool findHeight = true);

  // Reads the root and the depth again (after the file was re-read from disk).
  void Reload();

  const TagDefinition& Definition() const { return def_; }
  const std::string& Name() const { return def_.name; }
  KeyType Type() const { return def_.type; }
  int KeyLength() const { return def_.keyLength; }
  uint32_t HeaderPage() const { return headerPage_; }
  uint32_t RootPage() const { return root_; }
  int Height() const { return height_; }
  const mdx::NodeShape& Shape() const { return shape_; }
  // The block cache the tree is read through (its Epoch() tells when cached blocks went).
  const mdx::BlockStore& Store() const { return store_; }

  // Order of two keys in this tag (direction included), over `length` bytes. Inline: it is
  // the innermost step of every search.
  int CompareKeys(const uint8_t* a, const uint8_t* b, size_t length) const {
    int c;
    if (def_.type == KeyType::Character) {
      c = std::memcmp(a, b, length);
      c = (c > 0) - (c < 0);
    } else {
      c = dbf::CompareKeys(def_.type, a, b, length);
    }
    return def_.descending ? -c : c;
  }

  // Adds the entry. A unique tag refuses a key it already holds (UniqueConflict).
  InsertResult Insert(std::string_view key, uint32_t recno);
  // Adds the entry of a record appended to the table, whose number is above every number the
  // tag holds: it goes after every entry with its key, reached from the leaf of the last such
  // insert when the key falls there. Anything else takes the general Insert.
  InsertResult InsertAppended(std::string_view key, uint32_t recno);
  // Puts in the entries of appended records, keys.Key(order[done]) onwards, given in tag order
  // (by key, equal keys with rising numbers). Each leaf is read and written once for the run of
  // entries that falls into it and split into as many leaves as needed; an entry the tag holds
  // already is left as it is. `done` counts the entries dealt with, so after a failure the rest
  // can be put in again.
  void InsertAppendedRun(const KeyList& keys, const std::vector<uint32_t>& order, size_t& done);
  // The positions of the keys in tag order, equal keys in the order given: the order
  // InsertAppendedRun takes for keys gathered in record order.
  std::vector<uint32_t> RunOrder(const KeyList& keys) const;
  // Removes the entry; false when the tag does not hold it.
  bool Remove(std::string_view key, uint32_t recno);
  bool Contains(std::string_view key, uint32_t recno);
  // Empties the tag: one empty leaf as root, every other block freed.
  void Clear();
  // Replaces the whole tree by one built bottom-up from the sorted list. A unique tag keeps the
  // lowest record number of each key; the record numbers left out are returned.
  std::vector<uint32_t> Build(const KeyList& keys);
  uint64_t CountEntries();
  // Grows with every change of the tree; cursors kept across calls compare it to know whether
  // their position still holds.
  uint64_t Version() const { return version_; }

  // The first fault of the tree as text (empty when sound). `pageUse` marks the pages seen so
  // far across the file (a block used twice is a fault); `maxRecno` 0 skips the record check.
  std::string Check(std::vector<uint8_t>& pageUse, uint32_t maxRecno);

  // Navigation helpers for TagCursor.
  mdx::NodeView Node(uint32_t page, size_t level);
  bool IsLeafLevel(size_t level) const { return static_cast<int>(level) == height_ - 1; }
  // Completes a path down to a leaf along the left (or right) edge below its last step.
  void DescendEdge(TagPath& path, bool rightmost);
  // Moves to the first entry of the next leaf (the last entry of the previous leaf); false at
  // the end, leaving the path as it was.
  bool NextLeaf(TagPath& path);
  bool PrevLeaf(TagPath& path);
  // Where a search stops in a run of keys equal to its own: at the first of them, or past the
  // last.
  enum class Bound { kFirstEqual, kPastEqual };
  // Path to that place in tag order, comparing `length` bytes (a shorter C key matches as a
  // prefix). The leaf index may equal the leaf's count.
  TagPath Descend(const uint8_t* key, size_t length, Bound bound);
  // The same into a path kept by the caller, so a loop of searches reuses its room.
  void DescendInto(TagPath& path, const uint8_t* key, size_t length, Bound bound);
  // Path to the first entry >= (key, recno).
  TagPath LowerBoundEntry(const uint8_t* key, uint32_t recno);
  uint32_t MaxLeafVisits() const;
  [[noreturn]] void Fail(const std::string& what) const;

  static std::vector<uint8_t> MakeHeaderBlock(const TagDefinition& def, uint32_t blockBytes,
                                              uint32_t rootPage);
  static std::string ValidateDefinition(const TagDefinition& def, uint32_t blockBytes);

 private:
  void FindHeight();
  int CompareEntry(const uint8_t* keyA, uint32_t recA, const uint8_t* keyB, uint32_t recB) const;
  uint32_t LastRecnoOf(uint32_t page, size_t level);
  void SetRoot(uint32_t page, int height);
  void PropagateMax(const TagPath& path, size_t level, const uint8_t* key);
  void InsertAt(TagPath& path, const uint8_t* key, uint32_t recno);
  // Index of the place of `key` in one node (see Bound), comparing `length` bytes.
  uint32_t FindInNode(const mdx::NodeView& node, const uint8_t* key, size_t length,
                      Bound bound) const;
  // Index of the first entry of the leaf, from `from` on, not below (key, recno).
  uint32_t FindEntryInLeaf(const mdx::NodeView& leaf, uint32_t from, const uint8_t* key,
                           uint32_t recno) const;
  // Whether the leaf reached last by InsertAppended is where this key goes.
  bool AppendLeafHolds(const uint8_t* key);
  // After the node at path[level] was split: `entries` (child page and highest key, item
  // length each) go into its parent in front of the slot that led to it, which now leads to
  // `right`. The parent splits as often as needed, and so on up.
  void InsertIntoParent(const TagPath& path, size_t level, const std::vector<uint8_t>& entries,
                        uint32_t right);
  void RemoveChild(const TagPath& path, size_t level);
  void CollapseRoot();
  void FreeSubtree(uint32_t page, size_t level);
  std::string CheckNode(uint32_t page, size_t level, std::vector<uint8_t>& pageUse,
                        uint32_t maxRecno, std::string& lastKey, uint32_t& lastRecno,
                        bool& haveLast, std::string& maxKey);

  mdx::BlockStore& store_;
  uint32_t headerPage_;
  TagDefinition def_;
  mdx::NodeShape shape_;
  uint32_t leafCapacity_ = 0;
  uint32_t root_ = 0;
  int height_ = 1;
  uint64_t version_ = 0;
  // The path of the last InsertAppended, usable while nothing else changed the tree or the
  // cached file: a run of appends with rising keys then skips the descent.
  TagPath appendPath_;
  uint64_t appendVersion_ = 0;
  uint64_t appendEpoch_ = 0;
};

}  // namespace volarin::dbf
