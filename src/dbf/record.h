#pragma once
// The field layout of a table and a record image seen through it. Expressions and index keys are
// computed on a RecordView, so they work on any image: the current record, the record as it was
// before a change, or a record about to be appended.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/date.h"

namespace volarin::dbf {

// A field as the table header describes it. Types: C character, N numeric, F float, D date,
// L logical, M memo (block number of a .DBT entry).
struct FieldInfo {
  std::string name;  // upper case as stored, at most 10 characters
  char type = 'C';
  int width = 0;
  int decimals = 0;
  int offset = 0;  // position inside the record; byte 0 is the deletion mark
};

class RecordLayout {
 public:
  RecordLayout() = default;
  // Offsets are computed from the widths; the record length is 1 + the sum of the widths.
  explicit RecordLayout(std::vector<FieldInfo> fields);

  int FieldCount() const { return static_cast<int>(fields_.size()); }
  const FieldInfo& Field(int index) const { return fields_.at(static_cast<size_t>(index)); }
  const std::vector<FieldInfo>& Fields() const { return fields_; }
  // Position of the field whose name matches without regard to case, or -1.
  int FindField(std::string_view name) const;
  int RecordLength() const { return recordLength_; }
  // A record of blanks: active mark, every field blank.
  std::string BlankRecord() const { return std::string(static_cast<size_t>(recordLength_), ' '); }

 private:
  std::vector<FieldInfo> fields_;
  int recordLength_ = 1;
};

// One record image: the layout, the record bytes (deletion mark first) and the record number
// (0 for an image that is not in the file yet).
struct RecordView {
  const RecordLayout* layout = nullptr;
  std::string_view bytes;
  uint32_t recno = 0;

  bool Deleted() const { return !bytes.empty() && bytes[0] == '*'; }
  // The stored bytes of a field; the view must hold a whole record of its layout.
  std::string_view Stored(int field) const {
    const FieldInfo& f = layout->Field(field);
    return bytes.substr(static_cast<size_t>(f.offset), static_cast<size_t>(f.width));
  }
};

// Readings of stored field text shared by the table and the expressions.
// Leading blanks, a sign, digits and one '.' are read until the first other character; blank
// or unreadable text gives 0.
double ParseStoredNumber(std::string_view text);
// "CCYYMMDD"; blank or impossible dates give the null date.
Date ParseStoredDate(std::string_view text);
// T, t, Y and y are true; F, N, blank and '?' (not set) are false.
bool ParseStoredLogical(std::string_view text);

}  // namespace volarin::dbf
