#include "dbf/mdx/blockstore.h"

#include <algorithm>

#include "common/date.h"
#include "dbf/mdx/bytes.h"
#include "dbf/mdx/indexerror.h"

namespace volarin::dbf {

void ThrowIndexError(const std::string& path, const std::string& what) {
  throw IndexError("Index file " + path + ": " + what);
}

}  // namespace volarin::dbf

namespace volarin::dbf::mdx {
namespace {

// About 128 MB of 1 KB blocks: a whole million-record tag stays cached during a build.
constexpr size_t kCacheLimitBlocks = 131072;
// Blocks read again together when a block cached before the file was looked at again is used.
constexpr uint32_t kRereadBlocks = 4;
// A cache larger than this is dropped when the file is looked at again rather than kept for
// reading again block by block: a reader that walked a whole tag does not hold it for good.
constexpr size_t kKeptOnRefreshBlocks = 4096;
// The most blocks put into one write at a flush.
constexpr size_t kBlocksPerWrite = 1024;

}  // namespace

BlockStore::BlockStore(std::unique_ptr<platform::File> file) : file_(std::move(file)) {
  ReadHeader();
}

BlockStore::BlockStore(std::unique_ptr<platform::File> file, const std::vector<uint8_t>& header)
    : file_(std::move(file)), header_(header), headerDirty_(true) {
  header_.resize(kHeaderBytes);
  blockPages_ = GetU16(header_.data() + kBlockPagesAt);
  fileBytes_ = kHeaderBytes;
}

void BlockStore::Fail(const std::string& what) const {
  ThrowIndexError(Path(), what);
}

void BlockStore::ReadHeader() {
  header_.assign(kHeaderBytes, 0);
  const size_t read = file_->ReadAt(0, header_.data(), kHeaderBytes);
  // The size is taken after the header: a program changing the file writes its blocks before
  // the header, so every page the header counts is in the file by then.
  fileBytes_ = file_->Size();
  if (fileBytes_ < kHeaderBytes) Fail("the file is truncated (no complete header)");
  if (read != kHeaderBytes) Fail("the header cannot be read");
  headerDirty_ = false;
  const uint8_t* h = header_.data();
  if (h[kVersionAt] == 3) Fail("the dBASE 7 index format is not supported");
  if (h[kVersionAt] != 2)
    Fail("not a dBASE IV production index (version byte " + std::to_string(h[kVersionAt]) + ")");
  blockPages_ = GetU16(h + kBlockPagesAt);
  if (blockPages_ < 1 || blockPages_ > 64) {
    Fail("impossible block size of " + std::to_string(blockPages_) + " pages");
  }
  if (GetU16(h + kBlockBytesAt) != blockPages_ * kPageBytes) {
    Fail("the block size in bytes disagrees with the block size in pages");
  }
  if (h[kTagEntryLengthAt] != kTagEntryLength) Fail("unexpected tag table entry length");
  if (GetU16(h + kTagsInUseAt) > kTagSlots - 1) Fail("more tags than the tag table holds");
  const uint64_t declared = static_cast<uint64_t>(PagesInFile()) * kPageBytes;
  if (declared > fileBytes_) Fail("the file is truncated (shorter than its header says)");
}

uint32_t BlockStore::PagesInFile() const {
  return GetU32(header_.data() + kPagesInFileAt);
}
uint32_t BlockStore::FirstFree() const {
  return GetU32(header_.data() + kFirstFreeAt);
}
uint32_t BlockStore::FreeCount() const {
  return GetU32(header_.data() + kFreeCountAt);
}

uint8_t* BlockStore::MutableHeader() {
  headerDirty_ = true;
  return header_.data();
}

bool BlockStore::IsBlockPage(uint32_t page) const {
  if (page < kFirstBlockPage) return false;
  // Blocks allocated since the last flush lie past the physical end but inside PagesInFile.
  return page + static_cast<uint64_t>(blockPages_) <= PagesInFile();
}

BlockStore::Block& BlockStore::Load(uint32_t page) {
  Block* cached = Cached(page);
  if (cached != nullptr && (cached->epoch == epoch_ || cached->dirty)) return *cached;
  if (!IsBlockPage(page)) Fail("block pointer " + std::to_string(page) + " lies outside the file");
  const uint64_t offset = static_cast<uint64_t>(page) * kPageBytes;
  if (offset + BlockBytes() > fileBytes_) {
    Fail("the file is truncated (block " + std::to_string(page) + " is incomplete)");
  }
  if (cached != nullptr) {
    // Known from before the file was last looked at again: read it and the few blocks after it
    // (a walk goes on there), not a whole run of blocks for a seek that needs one per level.
    ReadRun(page, kRereadBlocks);
  } else {
    // Read the run of blocks around the wanted one in one go: a walk or a batch of inserts
    // then finds its neighbours cached instead of reading block by block.
    const uint32_t perRun = std::max<uint32_t>(1, readAheadBytes_ / BlockBytes());
    ReadRun(kFirstBlockPage +
                (page - kFirstBlockPage) / (perRun * blockPages_) * (perRun * blockPages_),
            perRun);
  }
  Block* loaded = Cached(page);
  if (loaded == nullptr || (loaded->epoch != epoch_ && !loaded->dirty))
    Fail("the file is truncated (block " + std::to_string(page) + " is incomplete)");
  return *loaded;
}

void BlockStore::ReadRun(uint32_t first, uint32_t count) {
  while (
      count > 1 &&
      (static_cast<uint64_t>(first) + static_cast<uint64_t>(count) * blockPages_ > PagesInFile() ||
       (static_cast<uint64_t>(first) + static_cast<uint64_t>(count) * blockPages_) * kPageBytes >
           fileBytes_)) {
    --count;
  }
  run_.resize(static_cast<size_t>(count) * BlockBytes());
  const uint64_t runOffset = static_cast<uint64_t>(first) * kPageBytes;
  const size_t got = file_->ReadAt(runOffset, run_.data(), run_.size());
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t at = first + i * blockPages_;
    if ((static_cast<uint64_t>(i) + 1) * BlockBytes() > got) break;
    const uint8_t* from = run_.data() + static_cast<size_t>(i) * BlockBytes();
    Block* cached = Cached(at);
    if (cached == nullptr) {
      auto bytes = std::make_unique_for_overwrite<uint8_t[]>(BlockBytes());
      std::copy_n(from, BlockBytes(), bytes.get());
      Cache(at, std::move(bytes));
    } else if (cached->epoch != epoch_ && !cached->dirty) {
      std::copy_n(from, BlockBytes(), cached->bytes.get());
      cached->epoch = epoch_;
    }
  }
}

const uint8_t* BlockStore::Read(uint32_t page) {
  return Load(page).bytes.get();
}

uint8_t* BlockStore::Modify(uint32_t page) {
  if (!Writable()) Fail("the file is open read-only");
  Block& block = Load(page);
  MarkDirty(page, block);
  return block.bytes.get();
}

uint32_t BlockStore::Allocate() {
  if (!Writable()) Fail("the file is open read-only");
  uint8_t* h = MutableHeader();
  const uint32_t free = FirstFree();
  if (FreeCount() > 0 && free != 0) {
    Block& block = Load(free);
    const uint32_t next = GetU32(block.bytes.get());
    if (next != 0 && !IsBlockPage(next)) Fail("the free block list is damaged");
    PutU32(h + kFirstFreeAt, next);
    PutU32(h + kFreeCountAt, FreeCount() - 1);
    std::fill_n(block.bytes.get(), BlockBytes(), 0);
    MarkDirty(free, block);
    return free;
  }
  const uint32_t page = PagesInFile();
  if (static_cast<uint64_t>(page) + blockPages_ >= 0xFFFFFFFFull) Fail("the file is full");
  PutU32(h + kPagesInFileAt, page + blockPages_);
  MarkDirty(page, Cache(page, std::make_unique<uint8_t[]>(BlockBytes())));
  return page;
}

void BlockStore::Release(uint32_t page) {
  uint8_t* bytes = Modify(page);
  std::fill(bytes, bytes + BlockBytes(), 0);
  PutU32(bytes, FirstFree());
  uint8_t* h = MutableHeader();
  PutU32(h + kFirstFreeAt, page);
  PutU32(h + kFreeCountAt, FreeCount() + 1);
}

BlockStore::Block& BlockStore::Cache(uint32_t page, std::unique_ptr<uint8_t[]> bytes) {
  const size_t chunk = page / kSlotsPerChunk;
  if (chunk >= slots_.size()) slots_.resize(chunk + 1);
  if (!slots_[chunk]) slots_[chunk] = std::make_unique<std::array<Block, kSlotsPerChunk>>();
  Block& block = (*slots_[chunk])[page % kSlotsPerChunk];
  if (!block.bytes) ++cachedBlocks_;
  block.bytes = std::move(bytes);
  block.dirty = false;
  block.epoch = epoch_;
  return block;
}

void BlockStore::MarkDirty(uint32_t page, Block& block) {
  if (block.dirty) return;
  block.dirty = true;
  dirtyPages_.push_back(page);
}

void BlockStore::ClearCache() {
  ++epoch_;
  slots_.clear();
  cachedBlocks_ = 0;
  dirtyPages_.clear();
}

void BlockStore::Flush() {
  if (!Writable()) return;
  std::vector<uint32_t> dirty = std::move(dirtyPages_);
  dirtyPages_.clear();
  std::sort(dirty.begin(), dirty.end());
  std::vector<platform::File::Piece> run;
  size_t i = 0;
  try {
    while (i < dirty.size()) {
      // Adjacent blocks go out in one write, straight from the cache, in page order.
      size_t j = i;
      run.clear();
      while (j < dirty.size() && (j == i || dirty[j] == dirty[j - 1] + blockPages_) &&
             run.size() < kBlocksPerWrite) {
        run.push_back({Cached(dirty[j])->bytes.get(), BlockBytes()});
        ++j;
      }
      file_->WritePiecesAt(static_cast<uint64_t>(dirty[i]) * kPageBytes, run);
      for (size_t k = i; k < j; ++k) Cached(dirty[k])->dirty = false;
      i = j;
    }
  } catch (...) {
    // Blocks not yet written stay dirty, so a later flush (at close, say) writes them or
    // reports the failure again instead of leaving the keys out unseen.
    dirtyPages_.insert(dirtyPages_.end(), dirty.begin() + static_cast<std::ptrdiff_t>(i),
                       dirty.end());
    throw;
  }
  const uint64_t declared = static_cast<uint64_t>(PagesInFile()) * kPageBytes;
  if (!dirty.empty() || headerDirty_) {
    if (file_->Size() < declared) file_->Truncate(declared);
    const Date today = Date::Today();
    int y, m, d;
    today.ToYmd(y, m, d);
    header_[kUpdatedAt] = static_cast<uint8_t>(y - 1900);
    header_[kUpdatedAt + 1] = static_cast<uint8_t>(m);
    header_[kUpdatedAt + 2] = static_cast<uint8_t>(d);
    headerDirty_ = true;  // until the write below succeeds
    file_->WriteAt(0, header_.data(), kHeaderBytes);
    headerDirty_ = false;
  }
  fileBytes_ = std::max(fileBytes_, declared);
}

void BlockStore::Sync() {
  Flush();
  if (Writable()) file_->Sync();
}

void BlockStore::Refresh() {
  Flush();
  if (cachedBlocks_ > kKeptOnRefreshBlocks) {
    ClearCache();
  } else {
    ++epoch_;  // every cached block is read again before it is used
  }
  const uint32_t blockPages = blockPages_;
  ReadHeader();
  // Cached blocks have the old block size: a file rewritten with other blocks starts afresh.
  if (blockPages_ != blockPages) ClearCache();
}

bool BlockStore::TryLockUpdate() {
  return file_->TryLock(kUpdateLockOffset, 1);
}

void BlockStore::UnlockUpdate() {
  file_->Unlock(kUpdateLockOffset, 1);
}

bool BlockStore::TryLockRead() {
  return file_->TryLockShared(kUpdateLockOffset, 1);
}

void BlockStore::UnlockRead() {
  file_->Unlock(kUpdateLockOffset, 1);
}

void BlockStore::TrimCache() {
  if (cachedBlocks_ <= kCacheLimitBlocks) return;
  Flush();
  ClearCache();
}

void BlockStore::Reset() {
  ClearCache();
  PutU32(MutableHeader() + kPagesInFileAt, kFirstBlockPage);
  PutU32(MutableHeader() + kFirstFreeAt, 0);
  PutU32(MutableHeader() + kFreeCountAt, 0);
  file_->Truncate(kHeaderBytes);
  fileBytes_ = kHeaderBytes;
}

}  // namespace volarin::dbf::mdx
