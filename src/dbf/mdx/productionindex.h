#pragma once
// An .MDX file bound to a table: the tags' key and FOR expressions compiled against the table's
// fields, so that keys can be computed from record images. As the table's IndexMaintainer it
// keeps every tag right on each write, append and zap.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dbf/expression.h"
#include "dbf/indexhooks.h"
#include "dbf/mdx/keylist.h"
#include "dbf/mdx/mdxfile.h"

namespace volarin::dbf {

// A tag to create: its key type and length follow from the key expression.
struct TagSpec {
  std::string name;
  std::string keyExpression;
  std::string forExpression;  // empty: every record
  bool unique = false;
  bool descending = false;
};

// Calls the visitor once for every record of the table, in record-number order.
using RecordSource = std::function<void(const std::function<void(const RecordView&)>& visit)>;

class TagOrder;

class ProductionIndex : public IndexMaintainer {
 public:
  ~ProductionIndex() override;
  // Opens the index of a table with this layout. A tag whose expressions do not parse against
  // the fields, or whose key type or length disagrees with them, is an IndexError.
  // A shared file is read under its read lock, waited for as `wait` says (see MdxFile::Open).
  static std::unique_ptr<ProductionIndex> Open(const std::string& path, const RecordLayout& layout,
                                               const ExpressionOptions& expressions, bool readOnly,
                                               bool exclusive, const ReadLockWait& wait = {});
  // Creates the file with these tags and fills them from the records (bulk build).
  static std::unique_ptr<ProductionIndex> Create(const std::string& path,
                                                 const RecordLayout& layout,
                                                 const ExpressionOptions& expressions,
                                                 const std::vector<TagSpec>& tags,
                                                 const MdxCreateOptions& options,
                                                 const RecordSource& records);

  // A shared file is changed under its update lock, tried this often with this pause between
  // tries; each change first re-reads the file, since another program may have changed it.
  void SetLocking(int attempts, int delayMs);
  // Before a walk or a seek of a shared file: forget what is cached, another program may have
  // changed the file. Nothing happens on an exclusive file.
  void SyncForReading();
  // Whether another program may be changing the file while this open reads it.
  bool SharedReading() const { return !exclusive_ && !updating_; }
  // A read of a shared file waits, as long as a lock is tried, until no other open keeping our
  // lock rules is changing it; false when that did not happen.
  bool LockForReading();
  void UnlockForReading();
  // The error of a read that met a half-written file while another open kept it for a change.
  [[noreturn]] void ThrowBusy() const { ThrowIndexBusy(file_->Path()); }
  int LockAttempts() const { return lockAttempts_; }
  int LockDelayMs() const { return lockDelayMs_; }

  MdxFile& File() {
    SettleAppends();
    return *file_;
  }
  const std::string& Path() const { return file_->Path(); }
  size_t TagCount() const { return tags_.size(); }
  IndexTag& Tag(size_t i) {
    SettleAppends();
    return file_->Tag(i);
  }
  // On a file open exclusively, the keys of appended records are gathered and put into their
  // tags in key order, a batch at a time: the inserts then meet the blocks they need in memory
  // instead of one random block per key. Every read, change or flush of the index puts the
  // gathered keys in first, so nothing reads a tag without them.
  void SettleAppends() {
    if (gathered_ > 0) PutGatheredKeys();
  }
  // Without regard to case; -1 when there is none.
  int FindTag(const std::string& name) const;

  // The table order of a tag; it lives as long as the index.
  TagOrder& OrderOf(size_t tag);

  // Whether the record has a key in the tag (its FOR condition), and the key itself.
  bool HasKey(size_t tag, const RecordView& record) const;
  std::string KeyOf(size_t tag, const RecordView& record) const;
  // The same into a caller's string, which keeps its room from key to key.
  void KeyInto(size_t tag, const RecordView& record, std::string& key) const;
  // The key of a search text for the tag: C as given, N a number, D as CCYYMMDD.
  std::string SearchKeyOf(size_t tag, std::string_view text) const;

  // Every tag emptied and filled again from the records.
  void Rebuild(const RecordSource& records);
  // Grows whenever the tags are rebuilt (their objects are then new).
  uint64_t Generation() const { return generation_; }
  // The records are read from this source after a zap that leaves records behind.
  void SetRecordSource(RecordSource records) { records_ = std::move(records); }

  // The first disagreement between the tags and the records as text, empty when none: the
  // tree well formed, every record with a key in each tag exactly once with the key its
  // expression gives, nothing else.
  std::string CheckAgainst(const RecordSource& records, uint32_t recordCount);

  // IndexMaintainer
  WriteResult BeforeWrite(const RecordView& before, const RecordView& after,
                          UniqueMode mode) override;
  void AfterWrite(const RecordView& before, const RecordView& after) override;
  WriteResult BeforeAppend(const RecordView& record, UniqueMode mode) override;
  void AfterAppend(const RecordView& record) override;
  void AfterZap(uint32_t first, uint32_t last) override;
  void Flush() override;
  void Sync() override;

 private:
  struct CompiledTag {
    IndexTag* tag = nullptr;
    std::unique_ptr<Expression> key;
    std::unique_ptr<Expression> filter;
  };
  // What one write does to one tag, decided before the write.
  struct Change {
    bool remove = false;
    bool add = false;
    bool gathered = false;  // the record's key still waits among the gathered keys
    std::string oldKey;
    std::string newKey;
  };

  ProductionIndex(std::unique_ptr<MdxFile> file, bool exclusive);
  void BeginChange();
  void EndChange();
  void Compile(const RecordLayout& layout, const ExpressionOptions& expressions);
  void PutGatheredKeys();
  void DropGatheredKeys();
  bool KeyHeldByOther(size_t tag, const std::string& key, uint32_t recno);
  // Whether every key of the record, the one appended last, still waits among the gathered
  // keys (last in each list), so a change of it can be made there.
  bool KeysStillGathered(const RecordView& record) const;

  std::unique_ptr<MdxFile> file_;
  std::vector<CompiledTag> tags_;
  std::vector<Change> plan_;
  uint32_t planRecno_ = 0;
  RecordSource records_;
  uint64_t generation_ = 0;
  std::vector<std::unique_ptr<TagOrder>> orders_;
  std::vector<KeyList> appended_;  // per tag: keys of appended records not in the tag yet
  size_t gathered_ = 0;
  uint32_t lastGathered_ = 0;  // the record appended last while its keys are gathered, or 0
  bool exclusive_ = true;
  bool updating_ = false;  // holding the update lock of a shared file
  int lockAttempts_ = 5;
  int lockDelayMs_ = 100;
};

// The read lock of a shared index, let go when the scope ends.
class ReadingLock {
 public:
  explicit ReadingLock(ProductionIndex& index) : index_(index) {}
  ~ReadingLock() {
    if (held_) index_.UnlockForReading();
  }
  ReadingLock(const ReadingLock&) = delete;
  ReadingLock& operator=(const ReadingLock&) = delete;
  // Waits for the lock as long as a lock is tried; false when it stayed taken.
  bool Take() {
    if (!held_) held_ = index_.LockForReading();
    return held_;
  }
  bool Held() const { return held_; }

 private:
  ProductionIndex& index_;
  bool held_ = false;
};

// The definition a tag gets from its key expression on these fields: type and key length.
TagDefinition DefineTag(const TagSpec& tagSpec, const RecordLayout& layout,
                        const ExpressionOptions& expressions);

}  // namespace volarin::dbf
