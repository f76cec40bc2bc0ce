// The table: opening and closing, moving in its order, and the index plug-in.
#include "dbf/table.h"

#include <algorithm>

#include "common/platform.h"
#include "dbf/memofile.h"

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

Table::Table(Context& context, std::string path) : context_(context), path_(std::move(path)) {}

Table::~Table() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; callers who care call Close() themselves.
  }
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
    context.Throw(Error(kErrorOpen, "Table " + path + " is in use by another program; it " +
                                        "cannot be opened " +
                                        (table->exclusive_ ? "exclusively." : "shared.")));
  } catch (const volarin::Error& e) {
    context.Throw(Error(kErrorOpen, std::string(e.what())));
  }
  context.Recording([&] { table->ReadHeader(); });
  table->recordNumberOrder_ = std::make_unique<RecordNumberOrder>(*table);
  table->order_ = table->recordNumberOrder_.get();
  const IndexOpener* opener = context.ProductionIndexOpener();
  if (context.Get().autoOpen && table->productionIndex_ && opener != nullptr) {
    // The header names a production index: it opens with the table when the file is there
    // (a missing one leaves the table usable without it).
    context.Recording([&] { opener->OpenProductionIndex(*table); });
  }
  table->Top();
  return table;
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
  if (!file_)
    context_.Throw(Error(kErrorClosed, "Table " + path_ + " is closed; cannot " + operation + "."));
}

void Table::RequireWritable(const char* operation) const {
  RequireOpen(operation);
  if (readOnly_)
    context_.Throw(
        Error(kErrorWrite, "Table " + path_ + " is open read-only; cannot " + operation + "."));
}

void Table::RequireRecord(const char* operation) const {
  if (recno_ == 0 && !appending_) {
    context_.Throw(
        Error(kErrorPosition, "Table " + path_ + " has no current record to " + operation + "."));
  }
}

CodePage Table::TextCodePage() const {
  const CodePage page = CodePageOfLanguageByte(languageByte_);
  return page == CodePage::kUnknown ? context_.Get().defaultCodePage : page;
}

bool Table::HasMemoFile() const {
  return memo_ != nullptr;
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

void Table::SetIndexMaintainer(std::unique_ptr<IndexMaintainer> maintainer) {
  maintainer_ = std::move(maintainer);
}

}  // namespace volarin::dbf
