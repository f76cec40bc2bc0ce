// The fields of the current record: read from their stored text, changed by encoding a value
// into it.
#include "dbf/table.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "dbf/memofile.h"
#include "dbf/numbertext.h"
#include "dbf/tableheader.h"

namespace volarin::dbf {

namespace {

std::string FieldDescription(const FieldInfo& f) {
  std::string d = f.name + " (" + std::string(1, f.type) + " " + std::to_string(f.width);
  if (f.decimals > 0) d += "," + std::to_string(f.decimals);
  return d + ")";
}

}  // namespace

void Table::NoSuchField(int field) const {
  context_.Throw(FieldError(
      kErrorField, "Table " + path_ + " has no field number " + std::to_string(field + 1) + "."));
}

int Table::FieldIndex(std::string_view name) const {
  const int index = layout_.FindField(name);
  if (index < 0) {
    context_.Throw(FieldError(
        kErrorField, "Field '" + std::string(name) + "' not found in table " + path_ + "."));
  }
  return index;
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
    context_.Throw(
        FieldError(kErrorField, "Field " + f.name + " of " + path_ + " is not a memo field."));
  }
  const uint32_t block = MemoBlockOf(std::string(StoredText(field)), path_);
  if (block == 0) return {};
  if (!memo_)
    context_.Throw(Error(kErrorOpen, "Memo file " + MemoFile::PathFor(path_) + " of table " +
                                         path_ + " is missing."));
  return context_.Recording([&] { return memo_->Read(block); });
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
    context_.Throw(
        FieldError(kErrorField, "Field " + f.name + " of " + path_ + " is not numeric."));
  }
  if (!std::isfinite(value)) {
    context_.Throw(
        FieldError(kErrorField, "Field " + FieldDescription(f) + " of " + path_ +
                                    " cannot hold a value that is not a finite number."));
  }
  const std::optional<std::string> text = FormatNumber(value, f.width, f.decimals);
  if (!text) {
    context_.Throw(FieldError(kErrorField, "Value " + RoundedDecimal(value, f.decimals) +
                                               " does not fit field " + FieldDescription(f) +
                                               " of " + path_ + "."));
  }
  BeginChange();
  std::memcpy(record_.data() + f.offset, text->data(), text->size());
}

void Table::AssignDate(int field, Date date) {
  const FieldInfo& f = CheckedField(field);
  if (f.type != 'D') {
    context_.Throw(
        FieldError(kErrorField, "Field " + f.name + " of " + path_ + " is not a date field."));
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
    context_.Throw(
        FieldError(kErrorField, "Field " + f.name + " of " + path_ + " is not a logical field."));
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

void Table::Blank() {
  RequireWritable("blank a record");
  RequireRecord("blank");
  if (!changed_ && !appending_) original_.assign(current_, record_.size());
  record_.assign(static_cast<size_t>(RecordLength()), ' ');
  current_ = record_.data();
  changed_ = true;
}

}  // namespace volarin::dbf
