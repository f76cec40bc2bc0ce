#pragma once
// A dBASE III/IV table (.DBF, with its .DBT memo file when it has memo fields).
//
// The table keeps one current record in memory. Reads come from it; Assign... change it and mark
// it changed; Write() (or any move) stores it. Appends go to the end of the file and keep the
// header's record count, update date and 0x1A end marker right. Locks follow the dBASE/BDE
// offsets (see lockscheme.h). Every failure is a dbf::Error naming the file and is also left in
// the context as its pending error code.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/date.h"
#include "dbf/context.h"
#include "dbf/indexhooks.h"
#include "dbf/record.h"
#include "dbf/recordchunks.h"

namespace volarin::platform {
class File;
}

namespace volarin::dbf {

class MemoFile;

struct OpenOptions {
  std::optional<bool> exclusive;  // unset: the context's setting
  std::optional<bool> readOnly;
};

// A field for a new table. Widths: C 1-254, N and F 1-20 with decimals 0-18 (at most width - 2
// when not 0), D 8, L 1, M 10; a width of 0 takes the fixed width of D, L and M.
struct FieldSpec {
  std::string name;
  char type = 'C';
  int width = 0;
  int decimals = 0;
};

struct CreateOptions {
  uint8_t languageByte = 0x01;  // code page 437
  OpenOptions open;             // how the new table is opened afterwards
};

class Table {
 public:
  // Opens an existing table. Throws FormatError for a damaged or foreign file (including a field
  // type outside C N F D L M: "Invalid field type."), Error with kErrorOpen when the file cannot
  // be opened in the wanted mode.
  static std::unique_ptr<Table> Open(Context& context, const std::string& path,
                                     OpenOptions options = {});
  // Creates an empty table (and its .DBT when a memo field is given), then opens it.
  static std::unique_ptr<Table> Create(Context& context, const std::string& path,
                                       const std::vector<FieldSpec>& fields,
                                       CreateOptions options = {});

  ~Table();  // closes; errors while closing are swallowed, call Close() to see them
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // Writes a pending change, flushes, releases locks and closes the files.
  void Close();
  bool IsOpen() const;

  // --- header
  const std::string& Path() const { return path_; }
  bool Exclusive() const { return exclusive_; }
  bool ReadOnly() const { return readOnly_; }
  uint32_t RecordCount() const { return count_; }
  int RecordLength() const { return layout_.RecordLength(); }
  int HeaderLength() const { return headerLength_; }
  const RecordLayout& Layout() const { return layout_; }
  int FieldCount() const { return layout_.FieldCount(); }
  const FieldInfo& Field(int index) const { return layout_.Field(index); }
  // Position of a field by name without regard to case, or -1.
  int FindField(std::string_view name) const { return layout_.FindField(name); }
  // Same, but throws FieldError naming the field when there is none.
  int FieldIndex(std::string_view name) const;
  Date LastUpdate() const { return lastUpdate_; }
  uint8_t LanguageByte() const { return languageByte_; }
  CodePage TextCodePage() const;
  // Header byte 28: a production index <name>.MDX belongs to this table. With the context's
  // autoOpen setting, Open() opens it through the context's index opener (indexhooks.h).
  bool HasProductionIndex() const { return productionIndex_; }
  // Writes header byte 28 (done when a production index is created or dropped).
  void SetProductionIndexFlag(bool on);
  bool HasMemoFile() const;
  // Re-reads the record count from the file (another program may have appended).
  void RefreshHeader();
  // Header byte 14, dBASE IV's "transaction not finished" flag. A writer sets it before a change
  // that spans many records and clears it when the change is complete, so that a half-done
  // table can be told from a finished one, also after a crash. Written to the file at once.
  bool IncompleteTransaction() const { return incompleteTransaction_; }
  void SetIncompleteTransaction(bool incomplete);

  // --- navigation in the current order
  bool Top();     // false when there is no record (then at end)
  bool Bottom();  // false when there is no record (then at end)
  // Moves n records forward (n < 0: back). Past the last record the table is at end; before the
  // first it stays on the first with Bof() set. Returns how many records it moved.
  int64_t Skip(int64_t n = 1);
  // Goes to record number recno; false (and at end) when there is no such record.
  bool Go(uint32_t recno);
  void GoEof();
  void GoBof();  // on the first record with Bof() set (at end when the table is empty)
  bool Eof() const { return recno_ == 0; }
  bool Bof() const { return bof_; }
  // The current record number; RecordCount() + 1 at end, as dBASE reports it.
  uint32_t RecNo() const { return recno_ == 0 ? count_ + 1 : recno_; }
  // Navigation order; nullptr returns to record-number order. The order must outlive its use.
  void SetOrder(RecordOrder* order);
  RecordOrder* Order() const { return order_; }
  // The key the current order holds for the current record, when the table reached the record
  // through that order and nothing changed since; empty otherwise. Valid until the table moves.
  std::string_view HeldKey() const {
    return recno_ == 0 || changed_ || appending_ ? std::string_view() : order_->HeldKey(recno_);
  }
  // Re-reads the current record from the file, dropping unwritten changes.
  void Refresh();

  // --- the current record (at end: a blank record)
  RecordView Current() const {
    return RecordView{&layout_, std::string_view(current_, record_.size()), recno_};
  }
  bool Deleted() const { return current_[0] == '*'; }
  std::string_view StoredText(int field) const {
    const FieldInfo& f = CheckedField(field);
    return std::string_view(current_ + f.offset, static_cast<size_t>(f.width));
  }
  double AsDouble(int field) const;
  // The value rounded half away from zero, saturated to the 64-bit range.
  int64_t AsInteger(int field) const;
  bool AsLogical(int field) const;
  Date AsDate(int field) const;
  // Text of a memo field (empty for no memo). Throws FormatError for a damaged .DBT.
  std::string MemoText(int field);

  // --- changing the current record (then Write(), or a move writes it)
  void Delete();  // sets the deletion mark
  void Recall();  // clears it
  // The bytes cut or blank-padded to the field width: left-aligned, numeric fields right-aligned.
  void AssignBytes(int field, std::string_view bytes);
  // N and F: rounded half away from zero to the field's decimals and right-aligned. Throws
  // FieldError when the integer digits do not fit the width (never stores another number) or
  // the value is not finite.
  void AssignNumber(int field, double value);
  void AssignDate(int field, Date date);  // D: CCYYMMDD, the null date as blanks
  void AssignLogical(int field, bool value);
  void AssignBlank(int field);
  bool Changed() const { return changed_; }
  // Drops unwritten changes and re-reads the record.
  void DiscardChanges();
  // Stores the changed current record (nothing when unchanged). On a shared table the record is
  // locked for the write unless this table already holds its lock.
  WriteResult Write();

  // --- appending
  // Appends a blank record and makes it current.
  WriteResult AppendBlank();
  // Starts a new record in memory, blank; assign fields and call Append() to store it.
  void StartAppend();
  // Blanks the current record buffer (the new record after StartAppend()).
  void Blank();
  WriteResult Append();
  bool Appending() const { return appending_; }

  // Removes records first..last; later records move down. Needs an exclusive open or the file
  // lock. A range outside the table is cut to it; an empty range changes nothing.
  void Zap(uint32_t first, uint32_t last);
  // Writes a pending change and every buffered record, asks the index to flush, then writes the
  // header.
  // The result is that of writing the pending change.
  WriteResult Flush();
  // Flush, and the table and its index made durable (index first), so that a mark written
  // after it describes what is on the disk.
  WriteResult Sync();

  // --- locks (no-ops that succeed on an exclusive table)
  bool LockRecord(uint32_t recno);
  bool LockFile();
  bool HoldsRecordLock(uint32_t recno) const;
  bool HoldsFileLock() const { return fileLocked_; }
  void Unlock();  // writes a pending change, then releases every lock of this table

  // --- index plug-in: the table owns it and calls it on every change
  void SetIndexMaintainer(std::unique_ptr<IndexMaintainer> maintainer);
  IndexMaintainer* Maintainer() const { return maintainer_.get(); }
  Context& GetContext() const { return context_; }

 private:
  Table(Context& context, std::string path);
  void ReadHeader();
  void LoadRecord(uint32_t recno);
  void LoadBlank();
  void ReadRecords(uint32_t first, uint32_t count, char* out);
  // Moves store a pending change first; the test is inline because every Skip makes it.
  void WriteIfChanged() {
    if (changed_ || appending_) WritePendingChange();
  }
  void WritePendingChange();
  void WriteRecordBytes(uint32_t recno, std::string_view bytes);
  void WriteHeaderCounters();
  void WriteHeaderDate();
  void BeginChange();
  void UseOwnBuffer();
  void ReadAt(uint64_t offset, void* out, size_t n);
  void WriteAt(uint64_t offset, const void* data, size_t n);
  // Runs a write, truncate or sync of the file; its failure becomes the table's write error.
  template <typename FileChange>
  void Writing(FileChange change) {
    try {
      change();
    } catch (const volarin::Error& e) {
      context_.Throw(Error(kErrorWrite, e.what()));
    }
  }
  void FlushPendingAppends();
  bool TryLockRange(uint64_t offset, uint64_t length);
  void RequireOpen(const char* operation) const;
  void RequireWritable(const char* operation) const;
  void RequireRecord(const char* operation) const;
  const FieldInfo& CheckedField(int field) const {
    if (static_cast<unsigned>(field) >= static_cast<unsigned>(layout_.FieldCount())) {
      NoSuchField(field);
    }
    return layout_.Fields()[static_cast<size_t>(field)];
  }
  [[noreturn]] void NoSuchField(int field) const;
  uint32_t NextInOrder();
  uint32_t PriorInOrder();
  friend class RecordNumberOrder;

  // Size of the read-ahead block and of the appends gathered on an exclusive table.
  static constexpr size_t kBlockBytes = 64 * 1024;

  Context& context_;
  std::string path_;
  std::unique_ptr<platform::File> file_;
  std::unique_ptr<MemoFile> memo_;
  RecordLayout layout_;
  int headerLength_ = 0;
  uint32_t count_ = 0;
  uint8_t version_ = 0x03;
  uint8_t languageByte_ = 0;
  bool productionIndex_ = false;
  bool incompleteTransaction_ = false;
  Date lastUpdate_;
  bool exclusive_ = false;
  bool readOnly_ = false;
  bool headerDirty_ = false;

  uint32_t recno_ = 0;  // 0 = at end (or appending a record not stored yet)
  bool bof_ = false;
  // The current record: in the read-ahead block while it is only read, in record_ once changed.
  const char* current_ = nullptr;
  std::string record_;    // the current record's own copy (changes, appends, no read-ahead)
  std::string original_;  // the same record as last read from the file
  bool changed_ = false;
  bool appending_ = false;

  // Read-ahead block: records cacheFirst_ .. cacheFirst_ + cacheCount_ - 1.
  std::vector<char> cache_;
  uint32_t cacheFirst_ = 0;
  uint32_t cacheCount_ = 0;
  // Runs of records from reads that jumped about the file.
  RecordChunks chunks_;
  // Appended records not yet written (exclusive tables only): they follow record pendingFirst_-1.
  std::string pending_;
  uint32_t pendingFirst_ = 0;

  std::vector<uint32_t> lockedRecords_;
  bool fileLocked_ = false;

  RecordOrder* order_ = nullptr;
  std::unique_ptr<RecordOrder> recordNumberOrder_;
  std::unique_ptr<IndexMaintainer> maintainer_;
};

}  // namespace volarin::dbf
