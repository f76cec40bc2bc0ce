#pragma once
// A dBASE IV production index file (.MDX): up to 47 tags sharing one file of fixed-size blocks.
// This layer works on encoded keys and record numbers only; computing keys from records is the
// table's business.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/platform.h"
#include "dbf/mdx/indextag.h"

namespace volarin::dbf {

namespace mdx {
class BlockStore;
}

inline constexpr int kMaxTags = 47;

struct MdxCreateOptions {
  std::string tableName;    // without extension; the header keeps at most 16 characters
  uint8_t language = 0;     // the table's language driver byte
  uint16_t blockPages = 2;  // block size in 512-byte pages (dBASE's default: 2)
};

// How long a read of a shared file waits for the read lock: tries, and the pause between two.
struct ReadLockWait {
  int attempts = 1;
  int delayMs = 0;
};

// The error of a read that met a half-written file while another open held it for a change all
// the time the read waited: the file is busy, not damaged (kErrorLock).
[[noreturn]] void ThrowIndexBusy(const std::string& path);

class MdxFile {
 public:
  // A shared file's tags are read holding the read lock, waited for as `wait` says; when another
  // open keeps it all that time they are read regardless, and what makes no sense then is
  // reported as busy.
  static std::unique_ptr<MdxFile> Open(const std::string& path, platform::File::Access access,
                                       platform::File::Share share, const ReadLockWait& wait = {});
  // The tag definitions in the file's header and tag header blocks, read without walking any
  // tree, so that an index whose trees are damaged can be built again with its own tags.
  static std::vector<TagDefinition> ReadTagDefinitions(const std::string& path);
  // Creates (or replaces) the file with the given tags, all empty.
  static std::unique_ptr<MdxFile> Create(const std::string& path,
                                         const std::vector<TagDefinition>& tags,
                                         const MdxCreateOptions& options);
  // Writes what is pending; errors are swallowed here, so call Flush to see them.
  ~MdxFile();
  MdxFile(const MdxFile&) = delete;
  MdxFile& operator=(const MdxFile&) = delete;

  const std::string& Path() const;
  bool Writable() const;
  std::string TableName() const;
  uint8_t Language() const;
  uint32_t BlockBytes() const;
  bool IsProduction() const;

  size_t TagCount() const { return tags_.size(); }
  // The tag, its root and height read again first when the file was refreshed since.
  IndexTag& Tag(size_t i) {
    IndexTag& tag = *tags_.at(i);
    if (stale_[i]) Reload(i);
    return tag;
  }
  // Without regard to case; nullptr when there is none.
  IndexTag* FindTag(const std::string& name);
  IndexTag& AddTag(const TagDefinition& def);
  void RemoveTag(const std::string& name);
  // Every tag emptied and the file rewritten without unused blocks.
  void Zap();

  void Flush();
  // Flushes and makes what was written durable.
  void Sync();
  // Forgets what is cached and re-reads the file (another program may have changed it). The
  // tag objects stay; a change of the tag list by another program is not picked up.
  void Refresh();
  // Refresh for a reader: the header is read again now, each tag's own header and tree top only
  // when the tag is next asked for, so a seek in one tag does not re-read every other tag.
  void RefreshForReading();
  // The update lock of a file shared with other programs: one changer at a time. TryLock is
  // one attempt.
  bool TryLockForUpdate();
  void UnlockForUpdate();
  // The read lock, which no change of ours is under way while it is held: waited for as `wait`
  // says; false when it stayed taken.
  bool LockForReading(const ReadLockWait& wait);
  void UnlockForReading();
  // Releases cached blocks when the cache has grown large (flushing first).
  void TrimCache();
  // The first fault found in the file as text, empty when it is sound: every node well
  // formed, keys in order, separators right, no block used twice, the free list sound.
  // A non-zero maxRecno also checks that record numbers lie in 1..maxRecno.
  std::string Check(uint32_t maxRecno = 0);

 private:
  explicit MdxFile(std::unique_ptr<mdx::BlockStore> store);
  // findHeight false reads only the tags' definitions, not their trees.
  void LoadTags(bool findHeight = true);
  void WriteTagTable();
  void Reload(size_t i);
  void ReloadStaleTags();

  std::unique_ptr<mdx::BlockStore> store_;
  std::vector<std::unique_ptr<IndexTag>> tags_;
  std::vector<char> stale_;  // per tag: the file was refreshed since the tag was last read
};

}  // namespace volarin::dbf
