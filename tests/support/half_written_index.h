#pragma once
// Another open of an .MDX file caught in the middle of a change, as the index-sharing tests of
// every layer need it.

#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "common/platform.h"
#include "dbf/mdx/blockstore.h"
#include "dbf/mdx/bytes.h"

namespace volarin::testing {

// Another open of the index in the middle of a change that gave a tag a new root: the tag's
// header block names the root already, the file header does not count its block yet.
class HalfWrittenIndex {
 public:
  // `lock`: the open holds the update lock as our writers do; without it the state is what a
  // failed or foreign writer left behind.
  HalfWrittenIndex(const std::string& indexPath, const std::string& tagName, bool lock = true)
      : file_(platform::File::Open(indexPath, platform::File::Access::ReadWrite,
                                   platform::File::Share::Shared)) {
    if (lock && !file_->TryLock(dbf::mdx::kUpdateLockOffset, 1)) {
      throw std::runtime_error("the update lock of the index is taken");
    }
    locked_ = lock;
    uint8_t header[dbf::mdx::kHeaderBytes];
    if (file_->ReadAt(0, header, sizeof header) != sizeof header) {
      throw std::runtime_error("the index header cannot be read");
    }
    const uint16_t tags = dbf::mdx::GetU16(header + dbf::mdx::kTagsInUseAt);
    for (uint16_t slot = 0; slot < tags; ++slot) {
      const uint8_t* entry = header + dbf::mdx::kTagTableAt + slot * dbf::mdx::kTagEntryLength;
      if (std::strncmp(reinterpret_cast<const char*>(entry + 4), tagName.c_str(), 11) == 0) {
        rootAt_ = static_cast<uint64_t>(dbf::mdx::GetU32(entry)) * dbf::mdx::kPageBytes;
      }
    }
    if (rootAt_ == 0) throw std::runtime_error("no tag " + tagName);
    file_->ReadAt(rootAt_, oldRoot_, sizeof oldRoot_);
    uint8_t newRoot[4];
    dbf::mdx::PutU32(newRoot, dbf::mdx::GetU32(header + dbf::mdx::kPagesInFileAt));
    file_->WriteAt(rootAt_, newRoot, sizeof newRoot);
  }
  ~HalfWrittenIndex() { Finish(); }

  // The change comes to an end (here by going back on it) and the lock is let go.
  void Finish() {
    if (finished_) return;
    finished_ = true;
    file_->WriteAt(rootAt_, oldRoot_, sizeof oldRoot_);
    if (locked_) file_->Unlock(dbf::mdx::kUpdateLockOffset, 1);
  }

 private:
  std::unique_ptr<platform::File> file_;
  bool locked_ = false;
  bool finished_ = false;
  uint64_t rootAt_ = 0;
  uint8_t oldRoot_[4] = {};
};

}  // namespace volarin::testing
