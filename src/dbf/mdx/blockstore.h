#pragma once
// Page-addressed access to an .MDX file: the 2048-byte file header and the blocks after it,
// read through a cache, written back on Flush, allocated from the free list or the end of file.
// Every block read is checked against the file's size, so a damaged pointer is an IndexError,
// never a read outside the file.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/platform.h"

namespace volarin::dbf::mdx {

inline constexpr uint32_t kPageBytes = 512;
inline constexpr uint32_t kHeaderBytes = 2048;  // pages 0-3: file header and tag table
inline constexpr uint32_t kFirstBlockPage = kHeaderBytes / kPageBytes;

// File header fields (offsets into page 0).
inline constexpr int kVersionAt = 0;
inline constexpr int kCreatedAt = 1;
inline constexpr int kTableNameAt = 4;
inline constexpr int kBlockPagesAt = 20;
inline constexpr int kBlockBytesAt = 22;
inline constexpr int kProductionAt = 24;
inline constexpr int kTagSlotsAt = 25;
inline constexpr int kTagEntryLengthAt = 26;
inline constexpr int kTagsInUseAt = 28;
inline constexpr int kLanguageAt = 31;
inline constexpr int kPagesInFileAt = 32;
inline constexpr int kFirstFreeAt = 36;
inline constexpr int kFreeCountAt = 40;
inline constexpr int kUpdatedAt = 44;
inline constexpr int kTagTableAt = 544;
inline constexpr int kTagEntryLength = 32;
inline constexpr int kTagSlots = 48;
// The byte whose lock guards a change of a shared file: held exclusively by the open changing
// it, shared by an open reading it. Below the platform's open-mode byte, far past any real index.
inline constexpr uint64_t kUpdateLockOffset = 0xEFFFFFFEull;
// Bytes read at once when a block not cached is wanted, unless set otherwise.
inline constexpr uint32_t kDefaultReadAheadBytes = 64 * 1024;

class BlockStore {
 public:
  // Reads and checks the header of an open file.
  explicit BlockStore(std::unique_ptr<platform::File> file);
  // Starts a new file: header bytes are given, no block exists yet.
  BlockStore(std::unique_ptr<platform::File> file, const std::vector<uint8_t>& header);

  const std::string& Path() const { return file_->Path(); }
  bool Writable() const { return file_->Writable(); }
  uint32_t BlockPages() const { return blockPages_; }
  uint32_t BlockBytes() const { return blockPages_ * kPageBytes; }
  uint32_t PagesInFile() const;
  uint32_t FirstFree() const;
  uint32_t FreeCount() const;
  uint64_t FileBytes() const { return fileBytes_; }

  const uint8_t* Header() const { return header_.data(); }
  uint8_t* MutableHeader();

  // True when a whole block at this page lies inside the file, after the header pages.
  bool IsBlockPage(uint32_t page) const;
  const uint8_t* Read(uint32_t page);
  uint8_t* Modify(uint32_t page);
  // A zeroed block from the free list or at the end of the file.
  uint32_t Allocate();
  // Puts the block on the free list (its first word links to the next free block).
  void Release(uint32_t page);

  // Writes changed blocks (runs of adjacent pages in one write) and then the header.
  void Flush();
  // Flushes and makes what was written durable.
  void Sync();
  // Re-reads the header after flushing: another program may have changed the file. Cached
  // blocks are kept but each is read again from the file when next used, so nothing read before
  // is trusted, yet a seek costs a few small reads instead of the whole cache.
  void Refresh();
  // A byte-range lock far past any data, taken while this open changes a shared file.
  bool TryLockUpdate();
  void UnlockUpdate();
  // The same byte locked shared, taken while this open reads a shared file, so that no open
  // keeping these rules changes it meanwhile.
  bool TryLockRead();
  void UnlockRead();
  // Bytes read at once when a block not cached is wanted (one block at least): a walk or a batch
  // of inserts then finds its neighbours cached; opening the file wants single blocks.
  void SetReadAhead(uint32_t bytes) { readAheadBytes_ = bytes; }
  uint32_t ReadAhead() const { return readAheadBytes_; }
  // Flushes and empties the cache when it holds more than its limit.
  void TrimCache();
  // Drops everything after the header: the caller rebuilds the file.
  void Reset();
  // Grows whenever cached blocks are forgotten (the file may have been changed meanwhile), so a
  // page remembered from before must be found again.
  uint64_t Epoch() const { return epoch_; }

  [[noreturn]] void Fail(const std::string& what) const;

 private:
  // Held in the table by page itself, so a lookup reaches the bytes' address without a further
  // hop through memory.
  struct Block {
    std::unique_ptr<uint8_t[]> bytes;
    bool dirty = false;
    uint64_t epoch = 0;  // read from the file (or made) in this epoch; older is read again
  };
  void ReadHeader();
  Block& Load(uint32_t page);
  // Reads the run of blocks from `first` into the cache; blocks cached in this epoch or changed
  // here are kept as they are.
  void ReadRun(uint32_t first, uint32_t count);
  // The cache is a table indexed by page number: blocks are dense in the file, and a lookup is
  // then one index instead of a hash.
  Block* Cached(uint32_t page) {
    const size_t chunk = page / kSlotsPerChunk;
    if (chunk >= slots_.size() || !slots_[chunk]) return nullptr;
    Block& block = (*slots_[chunk])[page % kSlotsPerChunk];
    return block.bytes ? &block : nullptr;
  }
  // Caches the bytes of one block (BlockBytes() long) as read or made in this epoch.
  Block& Cache(uint32_t page, std::unique_ptr<uint8_t[]> bytes);
  void MarkDirty(uint32_t page, Block& block);
  void ClearCache();

  std::unique_ptr<platform::File> file_;
  std::vector<uint8_t> header_;
  bool headerDirty_ = false;
  uint32_t blockPages_ = 2;
  uint64_t fileBytes_ = 0;
  uint32_t readAheadBytes_ = kDefaultReadAheadBytes;
  // The table by page in two levels: chunks of slots made on first use, so a high page costs one
  // chunk, not a table as long as the file.
  static constexpr uint32_t kSlotsPerChunk = 512;
  std::vector<std::unique_ptr<std::array<Block, kSlotsPerChunk>>> slots_;
  size_t cachedBlocks_ = 0;
  uint64_t epoch_ = 1;
  std::vector<uint32_t> dirtyPages_;
  std::vector<uint8_t> run_;  // the bytes of the last run read, kept to spare an allocation
};

}  // namespace volarin::dbf::mdx
