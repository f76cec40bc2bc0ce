#include "dbf/mdx/mdxfile.h"

#include <algorithm>

#include "common/date.h"
#include "common/text.h"
#include "dbf/mdx/blockstore.h"
#include "dbf/mdx/bytes.h"
#include "dbf/mdx/indexerror.h"

namespace volarin::dbf {

using mdx::GetU16;
using mdx::GetU32;
using mdx::PutU16;
using mdx::PutU32;

namespace {

// Tag table entry fields.
constexpr int kEntryHeaderPageAt = 0;
constexpr int kEntryNameAt = 4;
constexpr int kEntryNameSpace = 11;
constexpr int kEntryKeyFormatAt = 15;
constexpr int kEntryLeftAt = 16;
constexpr int kEntryRightAt = 17;
constexpr int kEntryParentAt = 18;
constexpr int kEntryReservedAt = 19;
constexpr int kEntryKeyTypeAt = 20;
// Written as 1 by dBASE-compatible writers; its meaning is not known.
constexpr int kHeaderByte529 = 529;

void PutDate(uint8_t* p, Date date) {
  int y, m, d;
  date.ToYmd(y, m, d);
  p[0] = static_cast<uint8_t>(y - 1900);
  p[1] = static_cast<uint8_t>(m);
  p[2] = static_cast<uint8_t>(d);
}

uint8_t* Entry(uint8_t* header, size_t slot) {
  return header + mdx::kTagTableAt + slot * mdx::kTagEntryLength;
}

// Tries `tryLock` as often and as far apart as `wait` says.
template <typename TryLock>
bool WaitForReadLock(TryLock tryLock, const ReadLockWait& wait) {
  for (int attempt = 1;; ++attempt) {
    if (tryLock()) return true;
    if (attempt >= wait.attempts) return false;
    platform::SleepMilliseconds(std::max(0, wait.delayMs));
  }
}

}  // namespace

void ThrowIndexBusy(const std::string& path) {
  throw IndexError(
      "Index file " + path + " is being changed by another user and could not be read; try again.",
      kErrorLock);
}

MdxFile::MdxFile(std::unique_ptr<mdx::BlockStore> store) : store_(std::move(store)) {}

MdxFile::~MdxFile() {
  try {
    Flush();
  } catch (const std::exception&) {
    // A destructor must not throw; callers that care flush first.
  }
}

std::unique_ptr<MdxFile> MdxFile::Open(const std::string& path, platform::File::Access access,
                                       platform::File::Share share, const ReadLockWait& wait) {
  auto handle = platform::File::Open(path, access, share);
  // Held while the header and the tags are read, so no writer of ours is half way through then.
  const bool shared = share == platform::File::Share::Shared;
  const bool locked =
      shared &&
      WaitForReadLock([&handle] { return handle->TryLockShared(mdx::kUpdateLockOffset, 1); }, wait);
  try {
    auto store = std::make_unique<mdx::BlockStore>(std::move(handle));
    // The tags' headers and the left edges of their trees are all an open reads: one block each,
    // not a run around each.
    store->SetReadAhead(0);
    std::unique_ptr<MdxFile> file(new MdxFile(std::move(store)));
    file->LoadTags();
    file->store_->SetReadAhead(mdx::kDefaultReadAheadBytes);
    if (locked) file->UnlockForReading();
    return file;
  } catch (const IndexError& e) {
    // Read while another open held the file for a change: what made no sense was its change.
    if (shared && !locked && e.Code() == kErrorFormat) ThrowIndexBusy(path);
    throw;
  }
}

std::unique_ptr<MdxFile> MdxFile::Create(const std::string& path,
                                         const std::vector<TagDefinition>& tags,
                                         const MdxCreateOptions& options) {
  if (options.blockPages < 1 || options.blockPages > 64) {
    ThrowIndexError(path, "the block size must be 1 to 64 pages");
  }
  if (tags.size() > kMaxTags) ThrowIndexError(path, "an index holds at most 47 tags");
  std::vector<uint8_t> header(mdx::kHeaderBytes, 0);
  header[mdx::kVersionAt] = 2;
  PutDate(&header[mdx::kCreatedAt], Date::Today());
  const std::string name = options.tableName.substr(0, 16);
  std::copy(name.begin(), name.end(), header.begin() + mdx::kTableNameAt);
  PutU16(&header[mdx::kBlockPagesAt], options.blockPages);
  PutU16(&header[mdx::kBlockBytesAt], static_cast<uint16_t>(options.blockPages * mdx::kPageBytes));
  header[mdx::kProductionAt] = 1;
  header[mdx::kTagSlotsAt] = mdx::kTagSlots;
  header[mdx::kTagEntryLengthAt] = mdx::kTagEntryLength;
  header[mdx::kLanguageAt] = options.language;
  PutU32(&header[mdx::kPagesInFileAt], mdx::kFirstBlockPage);
  PutDate(&header[mdx::kUpdatedAt], Date::Today());
  header[kHeaderByte529] = 1;
  // Check every definition before the file is touched.
  for (const TagDefinition& def : tags) {
    const std::string fault =
        IndexTag::ValidateDefinition(def, options.blockPages * mdx::kPageBytes);
    if (!fault.empty()) ThrowIndexError(path, fault);
  }
  auto store = std::make_unique<mdx::BlockStore>(platform::File::Create(path), header);
  std::unique_ptr<MdxFile> file(new MdxFile(std::move(store)));
  for (const TagDefinition& def : tags) file->AddTag(def);
  file->Flush();
  return file;
}

const std::string& MdxFile::Path() const {
  return store_->Path();
}
bool MdxFile::Writable() const {
  return store_->Writable();
}
uint8_t MdxFile::Language() const {
  return store_->Header()[mdx::kLanguageAt];
}
uint32_t MdxFile::BlockBytes() const {
  return store_->BlockBytes();
}
bool MdxFile::IsProduction() const {
  return store_->Header()[mdx::kProductionAt] == 1;
}

std::string MdxFile::TableName() const {
  const uint8_t* p = store_->Header() + mdx::kTableNameAt;
  size_t n = 0;
  while (n < 16 && p[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(p), n);
}

std::vector<TagDefinition> MdxFile::ReadTagDefinitions(const std::string& path) {
  MdxFile file(std::make_unique<mdx::BlockStore>(
      platform::File::Open(path, platform::File::Access::ReadOnly, platform::File::Share::Shared)));
  file.LoadTags(/*findHeight=*/false);
  std::vector<TagDefinition> defs;
  for (const auto& tag : file.tags_) defs.push_back(tag->Definition());
  return defs;
}

void MdxFile::LoadTags(bool findHeight) {
  tags_.clear();
  stale_.clear();
  const uint8_t* header = store_->Header();
  const uint16_t count = GetU16(header + mdx::kTagsInUseAt);
  for (size_t slot = 0; slot < count; ++slot) {
    const uint8_t* entry = header + mdx::kTagTableAt + slot * mdx::kTagEntryLength;
    size_t n = 0;
    while (n < kEntryNameSpace && entry[kEntryNameAt + n] != 0) ++n;
    std::string name(reinterpret_cast<const char*>(entry + kEntryNameAt), n);
    name = TrimRight(name);
    const uint32_t page = GetU32(entry + kEntryHeaderPageAt);
    for (const auto& tag : tags_) {
      if (tag->HeaderPage() == page)
        store_->Fail("two tags share the header block " + std::to_string(page));
    }
    tags_.push_back(std::make_unique<IndexTag>(*store_, page, name, findHeight));
    stale_.push_back(0);
  }
}

IndexTag* MdxFile::FindTag(const std::string& name) {
  const std::string wanted = UpperAscii(TrimText(name));
  for (const auto& tag : tags_) {
    if (UpperAscii(tag->Name()) == wanted) return tag.get();
  }
  return nullptr;
}

void MdxFile::WriteTagTable() {
  uint8_t* header = store_->MutableHeader();
  // 48 slots are declared but the 48th would overlap the first block: 47 tags at most.
  std::fill(header + mdx::kTagTableAt, header + mdx::kHeaderBytes, 0);
  PutU16(header + mdx::kTagsInUseAt, static_cast<uint16_t>(tags_.size()));
  for (size_t i = 0; i < tags_.size(); ++i) {
    uint8_t* entry = Entry(header, i);
    const IndexTag& tag = *tags_[i];
    PutU32(entry + kEntryHeaderPageAt, tag.HeaderPage());
    const std::string name = UpperAscii(tag.Name()).substr(0, 10);
    std::copy(name.begin(), name.end(), entry + kEntryNameAt);
    entry[kEntryKeyFormatAt] = 0x10;
    entry[kEntryReservedAt] = 0x02;
    entry[kEntryKeyTypeAt] = static_cast<uint8_t>(tag.Type());
    // The entries also form a binary search tree over the names (1-based links), which dBASE
    // may use to find a tag: each entry hangs under the first free child on its search path.
    if (i == 0) continue;
    size_t at = 0;
    while (true) {
      const bool left = name < UpperAscii(tags_[at]->Name()).substr(0, 10);
      uint8_t* visited = Entry(header, at);
      uint8_t& link = visited[left ? kEntryLeftAt : kEntryRightAt];
      if (link == 0) {
        link = static_cast<uint8_t>(i + 1);
        entry[kEntryParentAt] = static_cast<uint8_t>(at + 1);
        break;
      }
      at = link - 1u;
    }
  }
}

IndexTag& MdxFile::AddTag(const TagDefinition& given) {
  TagDefinition def = given;
  def.name = UpperAscii(TrimText(def.name));
  const std::string fault = IndexTag::ValidateDefinition(def, store_->BlockBytes());
  if (!fault.empty()) store_->Fail(fault);
  if (FindTag(def.name) != nullptr) store_->Fail("a tag named " + def.name + " exists already");
  if (tags_.size() >= kMaxTags) store_->Fail("an index holds at most 47 tags");
  const uint32_t headerPage = store_->Allocate();
  const uint32_t rootPage = store_->Allocate();
  const std::vector<uint8_t> block = IndexTag::MakeHeaderBlock(def, store_->BlockBytes(), rootPage);
  std::copy(block.begin(), block.end(), store_->Modify(headerPage));
  tags_.push_back(std::make_unique<IndexTag>(*store_, headerPage, def.name));
  stale_.push_back(0);
  WriteTagTable();
  return *tags_.back();
}

void MdxFile::RemoveTag(const std::string& name) {
  IndexTag* tag = FindTag(name);
  if (tag == nullptr) store_->Fail("there is no tag named " + name);
  const size_t at = static_cast<size_t>(
      std::find_if(tags_.begin(), tags_.end(), [&](const auto& t) { return t.get() == tag; }) -
      tags_.begin());
  Tag(at).Clear();
  store_->Release(tag->RootPage());
  store_->Release(tag->HeaderPage());
  tags_.erase(tags_.begin() + static_cast<std::ptrdiff_t>(at));
  stale_.erase(stale_.begin() + static_cast<std::ptrdiff_t>(at));
  WriteTagTable();
}

void MdxFile::Zap() {
  std::vector<TagDefinition> defs;
  for (const auto& tag : tags_) defs.push_back(tag->Definition());
  tags_.clear();
  stale_.clear();
  store_->Reset();
  for (const TagDefinition& def : defs) AddTag(def);
  WriteTagTable();
  Flush();
}

void MdxFile::Flush() {
  store_->Flush();
}

void MdxFile::Sync() {
  store_->Sync();
}

void MdxFile::Refresh() {
  RefreshForReading();
  ReloadStaleTags();
}

void MdxFile::RefreshForReading() {
  store_->Refresh();
  std::fill(stale_.begin(), stale_.end(), 1);
}

void MdxFile::Reload(size_t i) {
  tags_[i]->Reload();
  stale_[i] = 0;
}

void MdxFile::ReloadStaleTags() {
  for (size_t i = 0; i < tags_.size(); ++i) {
    if (stale_[i]) Reload(i);
  }
}

bool MdxFile::TryLockForUpdate() {
  return store_->TryLockUpdate();
}
void MdxFile::UnlockForUpdate() {
  store_->UnlockUpdate();
}

bool MdxFile::LockForReading(const ReadLockWait& wait) {
  return WaitForReadLock([this] { return store_->TryLockRead(); }, wait);
}

void MdxFile::UnlockForReading() {
  store_->UnlockRead();
}

void MdxFile::TrimCache() {
  store_->TrimCache();
}

std::string MdxFile::Check(uint32_t maxRecno) {
  const uint64_t declared = static_cast<uint64_t>(store_->PagesInFile()) * mdx::kPageBytes;
  Flush();
  ReloadStaleTags();
  if (store_->FileBytes() < declared) return "the file is shorter than its header says";
  std::vector<uint8_t> pageUse(store_->PagesInFile(), 0);
  std::fill_n(pageUse.begin(), std::min<size_t>(mdx::kFirstBlockPage, pageUse.size()), 1);
  const auto markBlock = [&](uint32_t page) {
    for (uint32_t p = page; p < page + store_->BlockPages(); ++p) {
      if (p >= pageUse.size() || pageUse[p]) return false;
      pageUse[p] = 1;
    }
    return true;
  };
  for (const auto& tag : tags_) {
    if (!store_->IsBlockPage(tag->HeaderPage()) || !markBlock(tag->HeaderPage())) {
      return "tag " + tag->Name() + ": its header block " + std::to_string(tag->HeaderPage()) +
             " lies outside the file or is used twice";
    }
  }
  for (const auto& tag : tags_) {
    std::string fault;
    try {
      fault = tag->Check(pageUse, maxRecno);
    } catch (const IndexError& error) {
      fault = error.what();
    }
    if (!fault.empty()) return fault;
  }
  uint32_t page = store_->FirstFree();
  for (uint32_t i = 0; i < store_->FreeCount(); ++i) {
    if (!store_->IsBlockPage(page) || !markBlock(page)) {
      return "the free block list is damaged at page " + std::to_string(page);
    }
    page = GetU32(store_->Read(page));
  }
  if (page != 0) return "the free block list is longer than its count";
  return "";
}

}  // namespace volarin::dbf
