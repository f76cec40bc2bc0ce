// The header of an open table: read at open, the record count and date kept up to date, the
// flags written in place.
#include "dbf/table.h"

#include <algorithm>

#include "common/platform.h"
#include "dbf/lockscheme.h"
#include "dbf/memofile.h"
#include "dbf/tableheader.h"

namespace volarin::dbf {

namespace {

constexpr uint64_t kProductionIndexFlagOffset = 28;

}  // namespace

void Table::ReadHeader() {
  std::string first(kFileHeaderSize, '\0');
  first.resize(file_->ReadAt(0, first.data(), first.size()));
  // The size is taken after the count: another program appending writes the record before the
  // count, so a count read first never exceeds the size read after it.
  const uint64_t size = file_->Size();
  TableHeader h = ReadFileHeader(first, size, path_);
  if (h.encrypted) {
    throw FormatError(kErrorFormat, "Table " + path_ + " is encrypted; it cannot be read.");
  }
  std::string header(static_cast<size_t>(h.headerLength), '\0');
  header.resize(file_->ReadAt(0, header.data(), header.size()));
  ReadFieldDescriptors(header, size, path_, h);
  layout_ = RecordLayout(h.fields);
  headerLength_ = h.headerLength;
  count_ = h.recordCount;
  version_ = h.version;
  languageByte_ = h.languageByte;
  productionIndex_ = h.productionIndex;
  incompleteTransaction_ = first.size() > 14 && first[14] != 0;
  lastUpdate_ = h.lastUpdate;
  record_ = layout_.BlankRecord();
  original_ = record_;
  current_ = record_.data();
  const bool hasMemoField = std::any_of(layout_.Fields().begin(), layout_.Fields().end(),
                                        [](const FieldInfo& f) { return f.type == 'M'; });
  if (hasMemoField) {
    const std::string memoPath = MemoFile::PathFor(path_);
    // A missing memo file leaves the rest of the table readable; MemoText() reports it.
    if (platform::FileExists(memoPath)) memo_ = MemoFile::Open(memoPath, !readOnly_, exclusive_);
  }
  const size_t perBlock = std::max<size_t>(1, kBlockBytes / static_cast<size_t>(RecordLength()));
  cache_.assign(perBlock * static_cast<size_t>(RecordLength()), '\0');
  chunks_.SetRecordLength(static_cast<size_t>(RecordLength()));
}

void Table::RefreshHeader() {
  RequireOpen("read the header");
  FlushPendingAppends();
  unsigned char b[8] = {};
  ReadAt(0, b, sizeof b);
  const uint32_t count = b[4] | static_cast<uint32_t>(b[5]) << 8 |
                         static_cast<uint32_t>(b[6]) << 16 | static_cast<uint32_t>(b[7]) << 24;
  const uint64_t length = static_cast<uint64_t>(RecordLength());
  const uint64_t size = file_->Size();
  if (count > lockscheme::kMaxRecords ||
      static_cast<uint64_t>(headerLength_) + count * length > size) {
    context_.Throw(FormatError(kErrorFormat, "Table " + path_ + " is damaged: its header counts " +
                                                 std::to_string(count) +
                                                 " records, more than the file holds."));
  }
  if (count < count_) {  // another program removed records
    cacheCount_ = 0;
    chunks_.Clear();
  }
  count_ = count;
  lastUpdate_ = Date::FromYmd(1900 + b[1], b[2], b[3]).value_or(Date());
}

void Table::SetIncompleteTransaction(bool incomplete) {
  if (readOnly_) context_.Throw(Error(kErrorWrite, "Table " + path_ + " is open read-only."));
  const char flag = incomplete ? 1 : 0;
  WriteAt(14, &flag, 1);
  incompleteTransaction_ = incomplete;
}

void Table::WriteHeaderDate() {
  lastUpdate_ = Date::Today();
  const std::string bytes = CounterBytes(lastUpdate_, count_);
  WriteAt(1, bytes.data(), 3);
  headerDirty_ = false;
}

void Table::SetProductionIndexFlag(bool on) {
  RequireWritable("mark its production index");
  const char flag = on ? 1 : 0;
  WriteAt(kProductionIndexFlagOffset, &flag, 1);
  productionIndex_ = on;
}

void Table::WriteHeaderCounters() {
  lastUpdate_ = Date::Today();
  const std::string bytes = CounterBytes(lastUpdate_, count_);
  WriteAt(1, bytes.data(), bytes.size());
  headerDirty_ = false;
}

}  // namespace volarin::dbf
