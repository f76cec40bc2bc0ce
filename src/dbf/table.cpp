#include "dbf/table.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "common/platform.h"
#include "dbf/lockscheme.h"
#include "dbf/mdx/tableindex.h"
#include "dbf/memofile.h"
#include "dbf/numbertext.h"
#include "dbf/tableheader.h"

namespace volarin::dbf {

// Record-number order: 1, 2, ... RecordCount().
class RecordNumberOrder : public RecordOrder {
 public:
  explicit RecordNumberOrder(const Table& table) : table_(table) {}
  uint32_t First() override { return table_.count_ > 0 ? 1 : 0; }
  uint32_t Last() override { return table_.count_; }
  uint32_t Next(const RecordView& current) override {
    return current.recno < table_.count_ ? current.recno + 1 : 0;
  }
  uint32_t Prior(const RecordView& current) override {
    return current.recno > 1 ? std::min(current.recno - 1, table_.count_) : 0;
  }

 private:
  const Table& table_;
};

namespace {

constexpr size_t kBlockBytes = 64 * 1024;  // read-ahead and append write-behind size
constexpr uint64_t kProductionIndexFlagOffset = 28;

std::string FieldDescription(const FieldInfo& f) {
  std::string d = f.name + " (" + std::string(1, f.type) + " " + std::to_string(f.width);
  if (f.decimals > 0) d += "," + std::to_string(f.decimals);
  return d + ")";
}

bool ValidName(const std::string& name) {
  if (name.empty() || name.size() > 10) return false;
  const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (!letter(name[0])) return false;
  return std::all_of(name.begin(), name.end(),
                     [&](char c) { return letter(c) || (c >= '0' && c <= '9') || c == '_'; });
}

std::string Upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return s;
}

// Checks a field list for a new table and fills in fixed widths; throws Error(kErrorCreate).
std::vector<FieldInfo> CheckedFields(const std::vector<FieldSpec>& specs, const std::string& path) {
  const auto fail = [&](const std::string& what) {
    throw Error(kErrorCreate, "Cannot create table " + path + ": " + what + ".");
  };
  if (specs.empty()) fail("it needs at least one field");
  if (specs.size() > 255) fail("a dBASE IV table holds at most 255 fields");
  std::vector<FieldInfo> fields;
  int length = 1;
  for (const FieldSpec& s : specs) {
    FieldInfo f;
    f.name = Upper(s.name);
    f.type = static_cast<char>(std::toupper(static_cast<unsigned char>(s.type)));
    f.width = s.width;
    f.decimals = s.decimals;
    if (!ValidName(s.name))
      fail("\"" + s.name + "\" is not a field name (1-10 letters, digits, _)");
    for (const FieldInfo& other : fields) {
      if (other.name == f.name) fail("field " + f.name + " is given twice");
    }
    switch (f.type) {
      case 'C':
        if (f.width < 1 || f.width > 254) fail("character field " + f.name + " needs width 1-254");
        f.decimals = 0;
        break;
      case 'N':
      case 'F':
        if (f.width < 1 || f.width > 20) fail("numeric field " + f.name + " needs width 1-20");
        if (f.decimals < 0 || f.decimals > 18 || (f.decimals > 0 && f.decimals > f.width - 2)) {
          fail("numeric field " + f.name + " cannot have " + std::to_string(f.decimals) +
               " decimals in width " + std::to_string(f.width));
        }
        break;
      case 'D':
      case 'L':
      case 'M': {
        const int fixed = f.type == 'D' ? 8 : f.type == 'L' ? 1 : 10;
        if (f.width != 0 && f.width != fixed) {
          fail("field " + f.name + " of type " + std::string(1, f.type) + " has width " +
               std::to_string(fixed));
        }
        f.width = fixed;
        f.decimals = 0;
        break;
      }
      default:
        fail("field " + f.name + " has type '" + std::string(1, s.type) +
             "'; a dBASE IV table holds C, N, F, D, L and M");
    }
    length += f.width;
    fields.push_back(f);
  }
  if (length > 65535) fail("its record would be longer than 65535 bytes");
  return fields;
}

}  // namespace

Table::Table(Context& context, std::string path) : context_(context), path_(std::move(path)) {}

Table::~Table() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; callers who care call Close() themselves.
  }
}

void Table::Fail(int code, const std::string& message) const {
  Throw(Error(code, message));
}

std::unique_ptr<Table> Table::Open(Context& context, const std::string& path, OpenOptions options) {
  std::unique_ptr<Table> table(new Table(context, path));
  table->exclusive_ = options.exclusive.value_or(context.Get().exclusive);
  table->readOnly_ = options.readOnly.value_or(context.Get().readOnly);
  const auto access =
      table->readOnly_ ? platform::File::Access::ReadOnly : platform::File::Access::ReadWrite;
  const auto share =
      table->exclusive_ ? platform::File::Share::Exclusive : platform::File::Share::Shared;
  try {
    table->file_ = platform::File::Open(path, access, share);
  } catch (const platform::File::InUse&) {
    throw context.Raise(Error(kErrorOpen, "Table " + path + " is in use by another program; it " +
                                              "cannot be opened " +
                                              (table->exclusive_ ? "exclusively." : "shared.")));
  } catch (const volarin::Error& e) {
    throw context.Raise(Error(kErrorOpen, std::string(e.what())));
  }
  try {
    table->ReadHeader();
  } catch (const Error& e) {
    context.Raise(e);
    throw;  // as thrown, so a FormatError stays one
  }
  table->recordNumberOrder_ = std::make_unique<RecordNumberOrder>(*table);
  table->order_ = table->recordNumberOrder_.get();
  if (context.Get().autoOpen && table->productionIndex_) {
    // The header names a production index: it opens with the table when the file is there
    // (a missing one leaves the table usable without it).
    const std::string indexPath = ProductionIndexPath(path);
    if (platform::FileExists(indexPath)) {
      try {
        OpenIndex(*table, indexPath);
      } catch (const Error& e) {
        context.Raise(e);
        throw;
      }
    }
  }
  table->Top();
  return table;
}

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
}

std::unique_ptr<Table> Table::Create(Context& context, const std::string& path,
                                     const std::vector<FieldSpec>& specs, CreateOptions options) {
  TableHeader h;
  try {
    h.fields = CheckedFields(specs, path);
  } catch (const Error& e) {
    context.Raise(e);
    throw;
  }
  if (context.Get().safety && platform::FileExists(path)) {
    throw context.Raise(
        Error(kErrorCreate, "Cannot create table " + path + ": the file exists already."));
  }
  const bool memo = std::any_of(h.fields.begin(), h.fields.end(),
                                [](const FieldInfo& f) { return f.type == 'M'; });
  h.version = memo ? 0x8B : 0x03;
  h.lastUpdate = Date::Today();
  h.headerLength = kFileHeaderSize + kDescriptorSize * static_cast<int>(h.fields.size()) + 1;
  h.recordLength = RecordLayout(h.fields).RecordLength();
  h.languageByte = options.languageByte;
  try {
    auto file = platform::File::Create(path);
    const std::string bytes = BuildHeader(h) + kEndOfFile;
    file->WriteAt(0, bytes.data(), bytes.size());
    file.reset();
    if (memo) MemoFile::Create(MemoFile::PathFor(path));
  } catch (const volarin::Error& e) {
    throw context.Raise(Error(kErrorCreate, std::string(e.what())));
  }
  return Open(context, path, options.open);
}

bool Table::IsOpen() const {
  return file_ != nullptr;
}

void Table::Close() {
  if (!file_) return;
  std::exception_ptr failure;
  try {
    Flush();
  } catch (...) {
    failure = std::current_exception();
  }
  try {
    if (!readOnly_ && !exclusive_) Unlock();
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  lockedRecords_.clear();
  fileLocked_ = false;
  memo_.reset();
  file_.reset();
  maintainer_.reset();
  if (failure) std::rethrow_exception(failure);
}

void Table::RequireOpen(const char* operation) const {
  if (!file_) Fail(kErrorClosed, "Table " + path_ + " is closed; cannot " + operation + ".");
}

void Table::RequireWritable(const char* operation) const {
  RequireOpen(operation);
  if (readOnly_)
    Fail(kErrorWrite, "Table " + path_ + " is open read-only; cannot " + operation + ".");
}

void Table::RequireRecord(const char* operation) const {
  if (recno_ == 0 && !appending_) {
    Fail(kErrorPosition, "Table " + path_ + " has no current record to " + operation + ".");
  }
}

void Table::NoSuchField(int field) const {
  Throw(FieldError(kErrorField,
                   "Table " + path_ + " has no field number " + std::to_string(field + 1) + "."));
}

int Table::FieldIndex(std::string_view name) const {
  const int index = layout_.FindField(name);
  if (index < 0) {
    Throw(FieldError(kErrorField,
                     "Field '" + std::string(name) + "' not found in table " + path_ + "."));
  }
  return index;
}

CodePage Table::TextCodePage() const {
  const CodePage page = CodePageOfLanguageByte(languageByte_);
  return page == CodePage::kUnknown ? context_.Get().defaultCodePage : page;
}

bool Table::HasMemoFile() const {
  return memo_ != nullptr;
}

// --- file access

void Table::ReadAt(uint64_t offset, void* out, size_t n) {
  size_t got = 0;
  try {
    got = file_->ReadAt(offset, out, n);
  } catch (const volarin::Error& e) {
    Fail(kErrorRead, e.what());
  }
  if (got < n) {
    Throw(FormatError(kErrorRead, "Table " + path_ + " is damaged: it ends at byte " +
                                      std::to_string(offset + got) + ", inside its records."));
  }
}

void Table::WriteAt(uint64_t offset, const void* data, size_t n) {
  try {
    file_->WriteAt(offset, data, n);
  } catch (const volarin::Error& e) {
    Fail(kErrorWrite, e.what());
  }
}

void Table::ReadRecords(uint32_t first, uint32_t n, char* out) {
  const uint64_t length = static_cast<uint64_t>(RecordLength());
  ReadAt(static_cast<uint64_t>(headerLength_) + (first - 1) * length, out, n * length);
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
    Throw(FormatError(kErrorFormat, "Table " + path_ + " is damaged: its header counts " +
                                        std::to_string(count) +
                                        " records, more than the file holds."));
  }
  if (count < count_) cacheCount_ = 0;  // another program removed records
  count_ = count;
  lastUpdate_ = Date::FromYmd(1900 + b[1], b[2], b[3]).value_or(Date());
}

void Table::SetIncompleteTransaction(bool incomplete) {
  if (readOnly_) Throw(Error(kErrorWrite, "Table " + path_ + " is open read-only."));
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

void Table::FlushPendingAppends() {
  if (pending_.empty()) return;
  const uint64_t length = static_cast<uint64_t>(RecordLength());
  pending_ += kEndOfFile;
  try {
    WriteAt(static_cast<uint64_t>(headerLength_) + (pendingFirst_ - 1) * length, pending_.data(),
            pending_.size());
  } catch (...) {
    pending_.pop_back();  // the records stay pending; a second marker would shift them
    throw;
  }
  pending_.clear();
  headerDirty_ = true;
}

// --- records in memory

void Table::LoadRecord(uint32_t recno) {
  const size_t length = static_cast<size_t>(RecordLength());
  if (recno >= cacheFirst_ && recno < cacheFirst_ + cacheCount_) {
    current_ = cache_.data() + (recno - cacheFirst_) * length;
  } else {
    FlushPendingAppends();
    // Read ahead only while the moves are sequential (next to the current record): a walk in
    // tag order or a seek jumps about the file and would read a whole block for one record.
    const bool adjacent = cacheCount_ == 0 || recno == recno_ + 1 || recno + 1 == recno_;
    if (context_.Get().readAhead && adjacent) {
      const uint32_t perBlock = static_cast<uint32_t>(cache_.size() / length);
      // Moving backwards fills the block that ends at the record, forwards the one starting there.
      uint32_t first = recno;
      if (cacheCount_ > 0 && recno + 1 == cacheFirst_) {
        first = recno > perBlock ? recno - perBlock + 1 : 1;
      }
      const uint32_t n = std::min(perBlock, count_ - first + 1);
      cacheCount_ = 0;
      ReadRecords(first, n, cache_.data());
      cacheFirst_ = first;
      cacheCount_ = n;
      current_ = cache_.data() + (recno - first) * length;
    } else {
      ReadRecords(recno, 1, record_.data());
      current_ = record_.data();
    }
  }
  recno_ = recno;
  changed_ = false;
  appending_ = false;
}

void Table::LoadBlank() {
  record_.assign(static_cast<size_t>(RecordLength()), ' ');
  current_ = record_.data();
  recno_ = 0;
  changed_ = false;
  appending_ = false;
}

void Table::UseOwnBuffer() {
  if (current_ != record_.data()) {
    std::memcpy(record_.data(), current_, record_.size());
    current_ = record_.data();
  }
}

void Table::BeginChange() {
  RequireWritable("change a record");
  RequireRecord("change");
  if (!changed_ && !appending_) original_.assign(current_, record_.size());
  UseOwnBuffer();
  changed_ = true;
}

void Table::WriteRecordBytes(uint32_t recno, std::string_view bytes) {
  const uint64_t length = static_cast<uint64_t>(RecordLength());
  if (!pending_.empty() && recno >= pendingFirst_) {
    std::memcpy(pending_.data() + (recno - pendingFirst_) * length, bytes.data(), length);
  } else {
    WriteAt(static_cast<uint64_t>(headerLength_) + (recno - 1) * length, bytes.data(), length);
  }
  if (recno >= cacheFirst_ && recno < cacheFirst_ + cacheCount_) {
    std::memcpy(cache_.data() + (recno - cacheFirst_) * length, bytes.data(), length);
  }
  headerDirty_ = true;
}

void Table::WritePendingChange() {
  if (appending_) {
    // A new record that was never appended is abandoned by a move.
    appending_ = false;
    LoadBlank();
    return;
  }
  if (!changed_) return;
  if (Write() == WriteResult::kUniqueRefused) {
    Fail(kErrorWrite, "Record " + std::to_string(recno_) + " of " + path_ +
                          " was not written: a unique tag holds its key already.");
  }
}

// --- navigation

uint32_t Table::NextInOrder() {
  uint32_t next = order_->Next(Current());
  if (next == 0 && !exclusive_ && order_ == recordNumberOrder_.get()) {
    RefreshHeader();  // another program may have appended
    next = order_->Next(Current());
  }
  return next;
}

uint32_t Table::PriorInOrder() {
  return order_->Prior(Current());
}

bool Table::Top() {
  RequireOpen("go to the top");
  WriteIfChanged();
  if (!exclusive_) RefreshHeader();
  bof_ = false;
  const uint32_t first = order_->First();
  if (first == 0) {
    LoadBlank();
    bof_ = true;
    return false;
  }
  LoadRecord(first);
  return true;
}

bool Table::Bottom() {
  RequireOpen("go to the bottom");
  WriteIfChanged();
  if (!exclusive_) RefreshHeader();
  bof_ = false;
  const uint32_t last = order_->Last();
  if (last == 0) {
    LoadBlank();
    bof_ = true;
    return false;
  }
  LoadRecord(last);
  return true;
}

int64_t Table::Skip(int64_t n) {
  RequireOpen("skip");
  WriteIfChanged();
  if (n == 0) {
    Refresh();
    return 0;
  }
  int64_t moved = 0;
  bof_ = false;
  if (n > 0) {
    if (Eof()) return 0;
    const bool recordOrder = order_ == recordNumberOrder_.get();
    while (moved < n) {
      const uint32_t next = recordOrder && recno_ < count_ ? recno_ + 1 : NextInOrder();
      if (next == 0) {
        LoadBlank();
        break;
      }
      LoadRecord(next);
      ++moved;
    }
    return moved;
  }
  if (Eof()) {
    if (!exclusive_) RefreshHeader();
    const uint32_t last = order_->Last();
    if (last == 0) {
      bof_ = true;
      return 0;
    }
    LoadRecord(last);
    moved = -1;
  }
  while (moved > n) {
    const uint32_t prior = PriorInOrder();
    if (prior == 0) {
      bof_ = true;
      break;
    }
    LoadRecord(prior);
    --moved;
  }
  return moved;
}

bool Table::Go(uint32_t recno) {
  RequireOpen("go to a record");
  WriteIfChanged();
  bof_ = false;
  if (recno > count_ && !exclusive_) RefreshHeader();
  if (recno < 1 || recno > count_) {
    LoadBlank();
    return false;
  }
  LoadRecord(recno);
  return true;
}

void Table::GoEof() {
  RequireOpen("go to the end");
  WriteIfChanged();
  bof_ = false;
  LoadBlank();
}

void Table::GoBof() {
  Top();
  bof_ = true;
}

void Table::SetOrder(RecordOrder* order) {
  RequireOpen("change the order");
  order_ = order ? order : recordNumberOrder_.get();
}

void Table::Refresh() {
  RequireOpen("re-read a record");
  if (appending_) {
    Blank();
    return;
  }
  if (recno_ == 0) {
    LoadBlank();
    return;
  }
  FlushPendingAppends();
  if (recno_ > count_) RefreshHeader();
  if (recno_ > count_) {
    LoadBlank();
    return;
  }
  ReadRecords(recno_, 1, record_.data());
  current_ = record_.data();
  const size_t length = static_cast<size_t>(RecordLength());
  if (recno_ >= cacheFirst_ && recno_ < cacheFirst_ + cacheCount_) {
    std::memcpy(cache_.data() + (recno_ - cacheFirst_) * length, record_.data(), length);
  }
  changed_ = false;
}

// --- reading fields

double Table::AsDouble(int field) const {
  const FieldInfo& f = CheckedField(field);
  const std::string_view text = StoredText(field);
  switch (f.type) {
    case 'D':
      return ParseStoredDate(text).Serial();
    case 'L':
      return ParseStoredLogical(text) ? 1.0 : 0.0;
    default:
      return ParseStoredNumber(text);
  }
}

int64_t Table::AsInteger(int field) const {
  const double value = std::round(AsDouble(field));
  if (!(value > -9.2e18)) return std::numeric_limits<int64_t>::min();
  if (!(value < 9.2e18)) return std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(value);
}

bool Table::AsLogical(int field) const {
  return ParseStoredLogical(StoredText(field));
}

Date Table::AsDate(int field) const {
  return ParseStoredDate(StoredText(field));
}

std::string Table::MemoText(int field) {
  RequireOpen("read a memo");
  const FieldInfo& f = CheckedField(field);
  if (f.type != 'M') {
    Throw(FieldError(kErrorField, "Field " + f.name + " of " + path_ + " is not a memo field."));
  }
  const uint32_t block = MemoBlockOf(std::string(StoredText(field)), path_);
  if (block == 0) return {};
  if (!memo_)
    Fail(kErrorOpen,
         "Memo file " + MemoFile::PathFor(path_) + " of table " + path_ + " is missing.");
  try {
    return memo_->Read(block);
  } catch (const Error& e) {
    context_.Raise(e);
    throw;
  }
}

// --- changing fields

void Table::Delete() {
  BeginChange();
  record_[0] = '*';
}

void Table::Recall() {
  BeginChange();
  record_[0] = ' ';
}

void Table::AssignBytes(int field, std::string_view bytes) {
  const FieldInfo& f = CheckedField(field);
  BeginChange();
  const size_t width = static_cast<size_t>(f.width);
  const std::string_view cut = bytes.substr(0, std::min(bytes.size(), width));
  char* out = record_.data() + f.offset;
  std::memset(out, ' ', width);
  const bool rightAligned = f.type == 'N' || f.type == 'F';
  std::memcpy(out + (rightAligned ? width - cut.size() : 0), cut.data(), cut.size());
}

void Table::AssignNumber(int field, double value) {
  const FieldInfo& f = CheckedField(field);
  if (f.type != 'N' && f.type != 'F') {
    Throw(FieldError(kErrorField, "Field " + f.name + " of " + path_ + " is not numeric."));
  }
  if (!std::isfinite(value)) {
    Throw(FieldError(kErrorField, "Field " + FieldDescription(f) + " of " + path_ +
                                      " cannot hold a value that is not a finite number."));
  }
  const std::optional<std::string> text = FormatNumber(value, f.width, f.decimals);
  if (!text) {
    Throw(FieldError(kErrorField, "Value " + RoundedDecimal(value, f.decimals) +
                                      " does not fit field " + FieldDescription(f) + " of " +
                                      path_ + "."));
  }
  BeginChange();
  std::memcpy(record_.data() + f.offset, text->data(), text->size());
}

void Table::AssignDate(int field, Date date) {
  const FieldInfo& f = CheckedField(field);
  if (f.type != 'D') {
    Throw(FieldError(kErrorField, "Field " + f.name + " of " + path_ + " is not a date field."));
  }
  BeginChange();
  char* out = record_.data() + f.offset;
  if (date.IsNull()) {
    std::memset(out, ' ', 8);
    return;
  }
  int y, m, d;
  date.ToYmd(y, m, d);
  const int digits[8] = {y / 1000 % 10, y / 100 % 10, y / 10 % 10, y % 10,
                         m / 10,        m % 10,       d / 10,      d % 10};
  for (int i = 0; i < 8; ++i) out[i] = static_cast<char>('0' + digits[i]);
}

void Table::AssignLogical(int field, bool value) {
  const FieldInfo& f = CheckedField(field);
  if (f.type != 'L') {
    Throw(FieldError(kErrorField, "Field " + f.name + " of " + path_ + " is not a logical field."));
  }
  BeginChange();
  record_[static_cast<size_t>(f.offset)] = value ? 'T' : 'F';
}

void Table::AssignBlank(int field) {
  const FieldInfo& f = CheckedField(field);
  BeginChange();
  std::memset(record_.data() + f.offset, ' ', static_cast<size_t>(f.width));
}

void Table::DiscardChanges() {
  RequireOpen("discard changes");
  if (appending_) {
    Blank();
    return;
  }
  if (changed_) {
    record_ = original_;
    current_ = record_.data();
    changed_ = false;
  }
}

// --- locks

bool Table::TryLockRange(uint64_t offset, uint64_t length) {
  const int attempts = std::max(1, context_.Get().lockAttempts);
  for (int attempt = 1; attempt <= attempts; ++attempt) {
    if (file_->TryLock(offset, length)) return true;
    if (attempt < attempts) platform::SleepMilliseconds(context_.Get().lockDelayMs);
  }
  return false;
}

bool Table::HoldsRecordLock(uint32_t recno) const {
  return std::find(lockedRecords_.begin(), lockedRecords_.end(), recno) != lockedRecords_.end();
}

bool Table::LockRecord(uint32_t recno) {
  RequireOpen("lock a record");
  if (exclusive_ || fileLocked_ || HoldsRecordLock(recno)) return true;
  if (recno < 1 || recno > lockscheme::kMaxRecords) return false;
  if (!TryLockRange(lockscheme::RecordOffset(recno), 1)) {
    context_.Raise(LockError(kErrorLock, "Record " + std::to_string(recno) + " of " + path_ +
                                             " is locked by another user."));
    return false;
  }
  lockedRecords_.push_back(recno);
  // What we read before the lock may be stale; from now on nobody else changes the record.
  if (recno >= cacheFirst_ && recno < cacheFirst_ + cacheCount_) cacheCount_ = 0;
  if (recno == recno_ && !changed_ && !appending_) Refresh();
  return true;
}

bool Table::LockFile() {
  RequireOpen("lock the file");
  if (exclusive_ || fileLocked_) return true;
  if (!TryLockRange(lockscheme::kFileOffset, lockscheme::kFileLength)) {
    context_.Raise(LockError(kErrorLock, "Table " + path_ + " is locked by another user."));
    return false;
  }
  fileLocked_ = true;
  lockedRecords_.clear();  // the file lock covers (and merged with) every record lock
  cacheCount_ = 0;
  RefreshHeader();
  return true;
}

void Table::Unlock() {
  RequireOpen("unlock");
  WriteIfChanged();
  if (!exclusive_ && !readOnly_) {
    FlushPendingAppends();
    if (headerDirty_) WriteHeaderDate();
  }
  for (uint32_t recno : lockedRecords_) file_->Unlock(lockscheme::RecordOffset(recno), 1);
  lockedRecords_.clear();
  if (fileLocked_) file_->Unlock(lockscheme::kFileOffset, lockscheme::kFileLength);
  fileLocked_ = false;
}

// --- writing

WriteResult Table::Write() {
  RequireOpen("write a record");
  if (appending_) return Append();
  if (!changed_) return WriteResult::kOk;
  RequireWritable("write a record");
  RequireRecord("write");
  const bool lockHere = !exclusive_ && !fileLocked_ && !HoldsRecordLock(recno_);
  if (lockHere && !TryLockRange(lockscheme::RecordOffset(recno_), 1)) {
    Throw(LockError(kErrorLock, "Record " + std::to_string(recno_) + " of " + path_ +
                                    " is locked by another user; it was not written."));
  }
  struct Release {
    Table* t;
    bool on;
    ~Release() {
      if (on) t->file_->Unlock(lockscheme::RecordOffset(t->recno_), 1);
    }
  } release{this, lockHere};
  const RecordView before{&layout_, original_, recno_};
  const RecordView after{&layout_, record_, recno_};
  WriteResult result = WriteResult::kOk;
  if (maintainer_) {
    result = maintainer_->BeforeWrite(before, after, context_.Get().uniqueMode);
    if (result == WriteResult::kUniqueRefused) return result;
  }
  WriteRecordBytes(recno_, record_);
  if (maintainer_) maintainer_->AfterWrite(before, after);
  original_ = record_;
  changed_ = false;
  return result;
}

void Table::StartAppend() {
  RequireWritable("append a record");
  WriteIfChanged();
  LoadBlank();
  appending_ = true;
  bof_ = false;
}

void Table::Blank() {
  RequireWritable("blank a record");
  RequireRecord("blank");
  if (!changed_ && !appending_) original_.assign(current_, record_.size());
  record_.assign(static_cast<size_t>(RecordLength()), ' ');
  current_ = record_.data();
  changed_ = true;
}

WriteResult Table::AppendBlank() {
  StartAppend();
  return Append();
}

WriteResult Table::Append() {
  RequireWritable("append a record");
  if (!appending_) Fail(kErrorPosition, "Table " + path_ + ": Append() without StartAppend().");
  const bool lockHere = !exclusive_ && !fileLocked_;
  if (lockHere && !TryLockRange(lockscheme::kHeaderOffset, 1)) {
    Throw(LockError(kErrorLock, "Table " + path_ +
                                    " is being appended to by another user; the "
                                    "record was not appended."));
  }
  struct Release {
    platform::File* file;
    bool on;
    ~Release() {
      if (on) file->Unlock(lockscheme::kHeaderOffset, 1);
    }
  } release{file_.get(), lockHere};
  if (!exclusive_) RefreshHeader();
  if (count_ >= lockscheme::kMaxRecords) Fail(kErrorWrite, "Table " + path_ + " is full.");
  const uint32_t recno = count_ + 1;
  const RecordView view{&layout_, record_, recno};
  WriteResult result = WriteResult::kOk;
  if (maintainer_) {
    result = maintainer_->BeforeAppend(view, context_.Get().uniqueMode);
    if (result == WriteResult::kUniqueRefused) return result;
  }
  if (exclusive_) {
    // Exclusive tables gather appended records and write them in blocks; the header follows at
    // flush or close.
    if (pending_.empty()) pendingFirst_ = recno;
    pending_ += record_;
    ++count_;
    headerDirty_ = true;
    if (pending_.size() >= kBlockBytes) FlushPendingAppends();
  } else {
    // The record and the end marker first, then the count: a crash in between loses only the
    // new record, never an old one.
    std::string bytes = record_;
    bytes += kEndOfFile;
    WriteAt(static_cast<uint64_t>(headerLength_) +
                static_cast<uint64_t>(recno - 1) * static_cast<uint64_t>(RecordLength()),
            bytes.data(), bytes.size());
    ++count_;
    WriteHeaderCounters();
  }
  appending_ = false;
  recno_ = recno;
  original_ = record_;
  changed_ = false;
  bof_ = false;
  if (maintainer_) maintainer_->AfterAppend(view);
  return result;
}

void Table::Zap(uint32_t first, uint32_t last) {
  RequireWritable("remove records");
  WriteIfChanged();
  FlushPendingAppends();
  if (!exclusive_ && !fileLocked_) RefreshHeader();
  first = std::max<uint32_t>(first, 1);
  last = std::min(last, count_);
  if (first > last) {
    if (headerDirty_ && (exclusive_ || fileLocked_)) WriteHeaderCounters();
    return;  // nothing to remove, so no lock is needed either
  }
  if (!exclusive_ && !fileLocked_) {
    Throw(LockError(kErrorLock,
                    "Table " + path_ + " must be opened exclusively or locked to remove records."));
  }
  const uint64_t length = static_cast<uint64_t>(RecordLength());
  const uint32_t perBlock = static_cast<uint32_t>(cache_.size() / length);
  cacheCount_ = 0;
  uint32_t from = last + 1, to = first;
  while (from <= count_) {
    const uint32_t n = std::min(perBlock, count_ - from + 1);
    ReadRecords(from, n, cache_.data());
    WriteAt(static_cast<uint64_t>(headerLength_) + (to - 1) * length, cache_.data(), n * length);
    from += n;
    to += n;
  }
  count_ -= last - first + 1;
  // The smaller count goes first: a failure or crash before the file is cut leaves records past
  // the count, which every reader passes over; a count beyond the file's end would refuse it.
  WriteHeaderCounters();
  const uint64_t end = static_cast<uint64_t>(headerLength_) + count_ * length;
  try {
    file_->Truncate(end + 1);
  } catch (const volarin::Error& e) {
    Fail(kErrorWrite, e.what());
  }
  const char marker = kEndOfFile;
  WriteAt(end, &marker, 1);
  if (count_ == 0 && memo_) memo_->Reset();
  if (maintainer_) {
    try {
      maintainer_->AfterZap(first, last);
    } catch (...) {
      // An index that failed while it was being rebuilt must not be walked again; the table
      // goes on in record order and the index is rebuilt when the table is next opened.
      SetOrder(nullptr);
      maintainer_.reset();
      throw;
    }
  }
  LoadBlank();
  Top();
}

WriteResult Table::Flush() {
  RequireOpen("flush");
  WriteResult result = WriteResult::kOk;
  if (appending_) {
    // A record that was started but not appended stays in memory.
  } else if (changed_) {
    result = Write();
    if (result == WriteResult::kUniqueRefused) return result;
  }
  // Records, then their index, then the header count that makes the records count: a failure
  // or a crash in between leaves records past the count, never a count or an index that
  // promises records not on the disk.
  if (!readOnly_ && !pending_.empty()) FlushPendingAppends();
  if (maintainer_) maintainer_->Flush();
  if (!readOnly_ && headerDirty_) {
    if (exclusive_ || fileLocked_) {
      WriteHeaderCounters();
    } else {
      WriteHeaderDate();
    }
  }
  return result;
}

WriteResult Table::Sync() {
  const WriteResult result = Flush();
  if (readOnly_) return result;
  // The index first: the table's count must not reach the disk ahead of the keys.
  if (maintainer_) maintainer_->Sync();
  file_->Sync();
  return result;
}

void Table::SetIndexMaintainer(std::unique_ptr<IndexMaintainer> maintainer) {
  maintainer_ = std::move(maintainer);
}

}  // namespace volarin::dbf
