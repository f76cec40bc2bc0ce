// TableCursor: field reads and assignments, calculated fields, the filter, views.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "common/errors.h"
#include "common/text.h"
#include "dbf/codepage.h"
#include "storage/errors.h"
#include "storage/storedform.h"
#include "storage/tablecursor.h"

namespace volarin {

namespace {

// No byte from 0x80 up; eight bytes at a time.
bool IsPlainAscii(std::string_view text) {
  constexpr uint64_t kHighBits = 0x8080808080808080ULL;
  size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, text.data() + i, sizeof word);
    if (word & kHighBits) return false;
  }
  for (; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
  }
  return true;
}

}  // namespace

// --- fields

int TableCursor::FieldPosition(std::string_view name) const {
  const int i = fieldNames_.Find(name);
  if (i < 0) FieldNotFound(name);
  return i;
}

int TableCursor::CalculatedPosition(std::string_view name) const {
  return calculatedValues_.empty() ? -1 : calculatedNames_.Find(name);
}

void TableCursor::FieldNotFound(std::string_view name) const {
  throw EFieldError(FillIn("Field '%s' not found", {std::string(name)}));
}

void TableCursor::FieldNumberNotFound(int field) {
  throw EFieldError("Field number " + std::to_string(field) + " not found");
}

int TableCursor::FieldIndex(std::string_view name) const {
  Table("FieldByName");
  return FieldPosition(name);
}

std::string TableCursor::FieldAsString(std::string_view name) {
  Table("FieldAsString");
  const int i = fieldNames_.Find(name);
  if (i < 0) {
    const int c = CalculatedPosition(name);
    if (c < 0) FieldNotFound(name);
    return CalculatedValue(static_cast<size_t>(c));
  }
  return TextAt(i);
}

std::string TableCursor::TextAt(int i) {
  dbf::Table& t = Table("FieldAsString");
  const dbf::FieldInfo& field = CheckedField(t, i);
  const std::string_view stored = StoredOf(field);
  if (stored.empty()) return {};
  if (field.type == 'M') {
    // The record holds the memo's block number; the text is in the memo file.
    if (state_ != EditState::kBrowse) return {};
    std::string text = t.MemoText(i);
    if (transliterate_) {
      for (char& c : text) c = dbf::OemToWindows(c);
    }
    return text;
  }
  if (field.type == 'C') {
    // Plain ASCII text reads as stored, but for its trailing blanks.
    const std::string_view text = WithoutTrailingSpaces(stored);
    if (!transliterate_ || IsPlainAscii(text)) return std::string(text);
  }
  return ReadAsString(field, stored, transliterate_);
}

std::string_view TableCursor::TextViewAt(int i, std::string& scratch) {
  const dbf::FieldInfo& field = CheckedField(Table("FieldAsString"), i);
  if (field.type == 'C') {
    // Plain ASCII text reads as stored: only bytes from 0x80 up change with the code page.
    const std::string_view text = WithoutTrailingSpaces(StoredOf(field));
    if (!transliterate_ || IsPlainAscii(text)) return text;
  }
  scratch = TextAt(i);
  return scratch;
}

std::string_view TableCursor::TrimmedTextAt(int i, std::string& scratch) {
  const dbf::FieldInfo& field = CheckedField(Table("FieldAsString"), i);
  if (field.type == 'C') {
    // Trimmed before any conversion, in one pass: the code page turns no byte into a blank or out
    // of one, and plain ASCII text needs no conversion.
    const std::string_view text = TrimView(StoredOf(field));
    if (!transliterate_ || IsPlainAscii(text)) return text;
  }
  return TrimView(TextViewAt(i, scratch));
}

double TableCursor::FieldAsFloat(std::string_view name) {
  Table("FieldAsFloat");
  return FloatAt(FieldPosition(name));
}

double TableCursor::FloatAt(int i) {
  dbf::Table& t = Table("FieldAsFloat");
  const dbf::FieldInfo& field = CheckedField(t, i);
  const std::string_view stored = StoredOf(field);
  return stored.empty() ? 0 : ReadAsFloat(field, stored);
}

int64_t TableCursor::FieldAsInt64(std::string_view name) {
  Table("FieldAsInteger");
  return Int64At(FieldPosition(name));
}

int64_t TableCursor::Int64At(int i) {
  dbf::Table& t = Table("FieldAsInteger");
  const dbf::FieldInfo& field = CheckedField(t, i);
  const std::string_view stored = StoredOf(field);
  return stored.empty() ? 0 : ReadAsInt64(field, stored);
}

int32_t TableCursor::FieldAsInteger(std::string_view name) {
  const int64_t value = FieldAsInt64(name);
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    throw EFieldError("Value " + std::to_string(value) + " of field '" + std::string(name) +
                      "' is outside the 32-bit range; read it as a 64-bit number");
  }
  return static_cast<int32_t>(value);
}

Date TableCursor::FieldAsDate(std::string_view name) {
  Table("FieldAsDate");
  return DateAt(FieldPosition(name));
}

Date TableCursor::DateAt(int i) {
  dbf::Table& t = Table("FieldAsDate");
  const dbf::FieldInfo& field = CheckedField(t, i);
  const std::string_view stored = StoredOf(field);
  return stored.empty() ? Date() : ReadAsDate(field, stored);
}

int TableCursor::FieldCount() const {
  return Table("FieldCount").FieldCount();
}

std::vector<std::string> TableCursor::FieldNames() const {
  const dbf::Table& t = Table("FieldCount");
  std::vector<std::string> names;
  for (const dbf::FieldInfo& f : t.Layout().Fields()) names.push_back(f.name);
  for (const CalculatedField& f : calculatedFields) names.push_back(f.name);
  return names;
}

void TableCursor::AssignStored(
    std::string_view name, const std::function<std::string(const dbf::FieldInfo&)>& storedForm) {
  dbf::Table& t = Table("FieldAsVariant");
  RequireEditing();
  const int i = FieldPosition(name);
  const dbf::FieldInfo& field = t.Field(i);
  const std::string stored = storedForm(field);
  // While editing, calculated fields keep the values of the record as the edit started.
  SettleCalculated();
  editRecord_.replace(static_cast<size_t>(field.offset), static_cast<size_t>(field.width), stored);
  modified_[static_cast<size_t>(i)] = true;
}

void TableCursor::AssignString(std::string_view name, std::string_view value) {
  AssignStored(name, [&](const dbf::FieldInfo& f) { return StoredText(f, value, transliterate_); });
}

void TableCursor::AssignFloat(std::string_view name, double value) {
  AssignStored(name, [&](const dbf::FieldInfo& f) { return StoredNumber(f, value); });
}

void TableCursor::AssignInteger(std::string_view name, int32_t value) {
  AssignInt64(name, value);
}

void TableCursor::AssignInt64(std::string_view name, int64_t value) {
  AssignStored(name, [&](const dbf::FieldInfo& f) { return StoredInteger(f, value); });
}

void TableCursor::AssignDate(std::string_view name, Date value) {
  AssignStored(name, [&](const dbf::FieldInfo& f) { return StoredDate(f, value); });
}

// --- calculated fields

namespace {

// A calculated field's value as kept: cut to the field's size when it has one.
void KeepCalculated(const CalculatedField& field, const std::string& value, std::string& kept) {
  if (field.size > 0 && value.size() > static_cast<size_t>(field.size)) {
    kept.assign(value, 0, static_cast<size_t>(field.size));
  } else {
    kept = value;
  }
}

}  // namespace

void TableCursor::SetCalculated(std::string_view name, const std::string& value) {
  const int c = CalculatedPosition(name);
  if (c < 0) FieldNotFound(name);
  const auto i = static_cast<size_t>(c);
  KeepCalculated(calculatedFields[i], value, calculatedValues_[i]);
  calculatedKnown_[i] = 1;
}

void TableCursor::ClearCalculated() {
  for (size_t i = 0; i < calculatedValues_.size(); ++i) {
    calculatedValues_[i].clear();
    calculatedKnown_[i] = 0;
  }
}

const std::string& TableCursor::CalculatedValue(size_t field) {
  if (!calculatedKnown_[field]) {
    const CalculatedField& declared = calculatedFields[field];
    if (declared.value && (position_.hasRecord || state_ != EditState::kBrowse)) {
      KeepCalculated(declared, declared.value(*this), calculatedValues_[field]);
    }
    calculatedKnown_[field] = 1;
  }
  return calculatedValues_[field];
}

void TableCursor::CalcFields() {
  ClearCalculated();
  if (onCalcFields && (position_.hasRecord || state_ != EditState::kBrowse)) onCalcFields(*this);
}

void TableCursor::SettleCalculated() {
  for (size_t i = 0; i < calculatedKnown_.size(); ++i) {
    if (!calculatedKnown_[i]) CalculatedValue(i);
  }
}

// --- filter

void TableCursor::SetFilter(const std::string& expression) {
  Table("SetFilter");
  filterText_ = expression;
  if (filter_) {
    filter_.reset();
    FilterOn(true);
  }
}

void TableCursor::FilterOn(bool on) {
  dbf::Table& t = Table("SetFilter");
  FinishPendingEdit();
  if (on) {
    if (filterText_.empty()) return;
    dbf::ParseResult parsed = dbf::Expression::Parse(filterText_, t);
    t.GetContext().ClearError();
    if (!parsed) {
      filter_.reset();
      throw EFilterError("Could not parse filter expression: " + filterText_);
    }
    if (!parsed.expression->IsLogical()) {
      filter_.reset();
      throw EFilterError("Expression: " + filterText_ + " does not evaluate to a Boolean type.");
    }
    filter_ = std::move(parsed.expression);
  } else {
    filter_.reset();
  }
  Resettle(t);
  NotifyChanged();
}

// --- views

void TableCursor::AddObserver(CursorObserver& observer) {
  if (std::find(observers_.begin(), observers_.end(), &observer) == observers_.end()) {
    observers_.push_back(&observer);
  }
}

void TableCursor::RemoveObserver(CursorObserver& observer) {
  std::erase(observers_, &observer);
}

void TableCursor::TellMoved() {
  // The copy guards against observers leaving during the call.
  for (CursorObserver* observer : std::vector<CursorObserver*>(observers_)) {
    observer->CurrentMoved(*this);
  }
}

void TableCursor::NotifyChanged() {
  if (suspendCount_ > 0 || observers_.empty()) return;
  for (CursorObserver* observer : std::vector<CursorObserver*>(observers_)) {
    observer->RecordsChanged(*this);
  }
}

void TableCursor::SuspendDisplay() {
  if (suspendCount_++ > 0) return;
  for (CursorObserver* observer : std::vector<CursorObserver*>(observers_)) {
    observer->DisplaySuspended(*this);
  }
}

void TableCursor::ResumeDisplay() {
  if (suspendCount_ == 0) return;
  if (--suspendCount_ > 0) return;
  for (CursorObserver* observer : std::vector<CursorObserver*>(observers_)) {
    observer->DisplayResumed(*this);
  }
  NotifyChanged();
}

std::vector<uint32_t> TableCursor::VisibleRecordNumbers() {
  dbf::Table& t = Table("GoTop");
  CheckFlushed(t, "CheckFlushed");
  const Position saved = position_;
  std::vector<uint32_t> records;
  if (FindFirstVisible(t)) {
    do {
      records.push_back(t.RecNo());
      t.Skip(1);
    } while (SettleForward(t));
  }
  RestorePosition(t, saved);
  return records;
}

CursorRow TableCursor::ReadRow(uint32_t recno) {
  dbf::Table& t = Table("Go");
  CheckFlushed(t, "CheckFlushed");
  const Position saved = position_;
  if (!t.Go(recno)) {
    RestorePosition(t, saved);
    throw EStorageError("Record " + std::to_string(recno) + " of " + fileAlias +
                        " does not exist.");
  }
  CursorRow row(*this, t.Layout(), std::string(t.Current().bytes), recno);
  RestorePosition(t, saved);
  if (onCalcFields) onCalcFields(row);
  return row;
}

// --- CursorRow

CursorRow::CursorRow(const TableCursor& cursor, const dbf::RecordLayout& layout, std::string bytes,
                     uint32_t recno)
    : cursor_(&cursor),
      layout_(&layout),
      bytes_(std::move(bytes)),
      recno_(recno),
      calculatedValues_(cursor.calculatedFields.size()),
      calculatedKnown_(cursor.calculatedFields.size(), 0) {}

const dbf::FieldInfo& CursorRow::Field(std::string_view name, int* calculated) const {
  *calculated = -1;
  const int i = cursor_->fieldNames_.Find(name);
  if (i >= 0) return layout_->Field(i);
  *calculated = cursor_->CalculatedPosition(name);
  if (*calculated < 0) cursor_->FieldNotFound(name);
  static const dbf::FieldInfo kNone;
  return kNone;
}

std::string CursorRow::FieldAsString(std::string_view name) {
  int c = -1;
  const dbf::FieldInfo& f = Field(name, &c);
  if (c >= 0) {
    const auto i = static_cast<size_t>(c);
    const CalculatedField& declared = cursor_->calculatedFields[i];
    if (!calculatedKnown_[i]) {
      if (declared.value) KeepCalculated(declared, declared.value(*this), calculatedValues_[i]);
      calculatedKnown_[i] = 1;
    }
    return calculatedValues_[i];
  }
  return ReadAsString(
      f,
      std::string_view(bytes_).substr(static_cast<size_t>(f.offset), static_cast<size_t>(f.width)),
      cursor_->transliterate_);
}

double CursorRow::FieldAsFloat(std::string_view name) {
  int c = -1;
  const dbf::FieldInfo& f = Field(name, &c);
  if (c >= 0) return 0;
  return ReadAsFloat(f, std::string_view(bytes_).substr(static_cast<size_t>(f.offset),
                                                        static_cast<size_t>(f.width)));
}

int64_t CursorRow::FieldAsInt64(std::string_view name) {
  int c = -1;
  const dbf::FieldInfo& f = Field(name, &c);
  if (c >= 0) return 0;
  return ReadAsInt64(f, std::string_view(bytes_).substr(static_cast<size_t>(f.offset),
                                                        static_cast<size_t>(f.width)));
}

int32_t CursorRow::FieldAsInteger(std::string_view name) {
  const int64_t value = FieldAsInt64(name);
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    throw EFieldError("Value " + std::to_string(value) + " of field '" + std::string(name) +
                      "' is outside the 32-bit range; read it as a 64-bit number");
  }
  return static_cast<int32_t>(value);
}

Date CursorRow::FieldAsDate(std::string_view name) {
  int c = -1;
  const dbf::FieldInfo& f = Field(name, &c);
  if (c >= 0) return Date();
  return ReadAsDate(f, std::string_view(bytes_).substr(static_cast<size_t>(f.offset),
                                                       static_cast<size_t>(f.width)));
}

void CursorRow::SetCalculated(std::string_view name, const std::string& value) {
  const int c = cursor_->CalculatedPosition(name);
  if (c < 0) cursor_->FieldNotFound(name);
  const auto i = static_cast<size_t>(c);
  KeepCalculated(cursor_->calculatedFields[i], value, calculatedValues_[i]);
  calculatedKnown_[i] = 1;
}

}  // namespace volarin
