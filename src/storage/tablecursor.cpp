// TableCursor: opening, closing, moving, tags, scopes and seeks.
#include "storage/tablecursor.h"

#include <cstring>

#include "common/confirmbox.h"
#include "common/errors.h"
#include "common/text.h"
#include "dbf/mdx/tableindex.h"
#include "storage/environment.h"
#include "storage/errors.h"
#include "storage/filecase.h"
#include "storage/indexrepair.h"
#include "storage/storagedatabase.h"
#include "storage/storageengine.h"
#include "storage/storedform.h"

namespace volarin {

TableCursor::TableCursor(Environment& environment, std::string componentName)
    : environment_(environment), componentName_(std::move(componentName)) {}

TableCursor::~TableCursor() {
  // Views may be gone already; a cursor being destroyed tells no one.
  observers_.clear();
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; an unsaved edit is dropped as Close() drops it.
  }
}

void TableCursor::RequireOpen() const {
  if (!open_) throw EDatabaseError(kClosedDatasetMessage);
}

dbf::Table& TableCursor::ClosedTable(const char* request) const {
  RequireOpen();
  return table_.Require(request);
}

// --- opening and closing

void TableCursor::Open() {
  if (open_) return;
  const ResolvedTable resolved = ResolveTable(environment_, database, dataBaseName, fileAlias);
  StorageEngine& engine = *resolved.engine;
  EngineContext& context = *engine.Context();
  const GlobalSettings& globals = environment_.Globals();
  const bool exclusiveOpen = exclusive == ExclusiveMode::kTrue ||
                             (exclusive == ExclusiveMode::kDefault && globals.defaultExclusive);
  const bool readOnlyOpen =
      openMode == OpenMode::kReadOnly ||
      (openMode == OpenMode::kDefault && globals.defaultOpenMode == DefaultOpenMode::kReadOnly);
  const bool refuseDuplicates =
      uniqueTagHandling == UniqueTagHandling::kException ||
      (uniqueTagHandling == UniqueTagHandling::kDefault &&
       globals.defaultUniqueTagHandling == DefaultUniqueTagHandling::kException);
  // An open starts afresh: an earlier failure was thrown, and so reported, when it happened.
  context.Engine().ClearError();
  context.Set(ContextSetting::kAccessMode, exclusiveOpen ? 1 : 0);
  context.Set(ContextSetting::kReadOnly, readOnlyOpen ? 1 : 0);
  context.Set(ContextSetting::kUniqueDefault, refuseDuplicates ? 20 : 25);

  std::unique_ptr<dbf::Table> table;
  try {
    std::string path = FindFileIgnoringCase(resolved.dataFile);
    if (path.empty()) path = resolved.dataFile;
    try {
      table = dbf::Table::Open(context.Engine(), path, {exclusiveOpen, readOnlyOpen});
    } catch (const dbf::InvalidFieldType&) {
      throw EDataSetError("Invalid field type.");
    } catch (const dbf::FormatError& e) {
      throw EOpenError("Error opening: " + resolved.dataFile + ". (" + std::to_string(e.Code()) +
                       ")\n" + e.what());
    } catch (const dbf::Error& e) {
      throw EOpenError("Error opening: " + resolved.dataFile + ". (" + std::to_string(e.Code()) +
                       ")");
    }
    const std::string indexPath = autoOpenIndex ? FindFileIgnoringCase(resolved.indexFile) : "";
    if (!indexPath.empty()) {
      // An index another user is changing all the time we wait for it is busy, not damaged:
      // the open fails with that, and nothing is rebuilt.
      const auto busy = [&](const volarin::Error& e) {
        const auto* engineError = dynamic_cast<const dbf::Error*>(&e);
        if (engineError == nullptr || engineError->Code() != dbf::kErrorLock) return;
        table.reset();
        throw EOpenError("Error opening index (" + std::to_string(dbf::kErrorLock) +
                         "): " + resolved.indexFile + "\n" + e.what());
      };
      try {
        dbf::OpenIndex(*table, indexPath);
      } catch (const volarin::Error& e) {
        busy(e);
        const int code =
            context.Engine().ErrorCode() != 0 ? context.Engine().ErrorCode() : dbf::kErrorFormat;
        if (!RepairIndex(*table, indexPath)) {
          table.reset();
          throw EOpenError("Error opening index (" + std::to_string(code) +
                           "): " + resolved.indexFile + "\n" + e.what());
        }
        context.Engine().ClearError();
      }
      try {
        if (NeedsIndexCheck(*table) && !dbf::CheckIndex(*table).empty()) {
          RepairIndex(*table, indexPath);
        }
      } catch (const dbf::Error& e) {
        busy(e);
        throw;
      }
    }
  } catch (...) {
    context.Engine().ClearError();
    engine.PassContextDefaults();
    throw;
  }
  engine.PassContextDefaults();

  try {
    BindDeclaredFields(*table);
  } catch (...) {
    table->Close();
    throw;
  }
  dataFile_ = resolved.dataFile;
  isExclusive_ = table->Exclusive();
  isReadOnly_ = table->ReadOnly();
  transliterate_ = engine.Transliterates();
  ignoreCase_ = engine.Collation() == CollationSequence::kGeneral;
  uniqueMode_ = refuseDuplicates ? dbf::UniqueMode::kRefuse : dbf::UniqueMode::kPassOver;
  table_.SetFileAlias(fileAlias);
  table_.Attach(std::move(table), engine, *resolved.database);
  dbf::Table& t = *table_.Get();
  LoadTags(t);

  std::vector<std::string> names;
  for (const dbf::FieldInfo& f : t.Layout().Fields()) names.push_back(f.name);
  fieldNames_ = FieldNameIndex(names);
  names.clear();
  for (const CalculatedField& f : calculatedFields) names.push_back(f.name);
  calculatedNames_ = FieldNameIndex(names);
  calculatedValues_.assign(calculatedFields.size(), std::string());
  calculatedKnown_.assign(calculatedFields.size(), 0);

  filter_.reset();
  selectedTag_ = -1;
  state_ = EditState::kBrowse;
  held_ = false;
  lockedOnEdit_ = false;
  bof_ = false;
  position_ = Position{};
  open_ = true;
  if (FindFirstVisible(t)) {
    LandOn(t);
  } else {
    LandAtEnd(t);
  }
  NotifyChanged();
}

bool TableCursor::NeedsIndexCheck(const dbf::Table& table) const {
  // A register left marked unfinished was cut off mid-run; a small table costs little to check
  // on every open. A large finished one was synced before its mark was cleared.
  constexpr uint32_t kAlwaysChecked = 10000;
  return repairIndexOnOpen && !table.ReadOnly() && dbf::IndexOf(table) != nullptr &&
         (table.IncompleteTransaction() || table.RecordCount() <= kAlwaysChecked);
}

bool TableCursor::RepairIndex(dbf::Table& table, const std::string& indexPath) {
  if (!repairIndexOnOpen || table.ReadOnly()) return false;
  const std::vector<dbf::TagSpec> tags = TagsToRebuild(table);
  if (tags.empty()) return false;
  RebuildIndex(table, tags);
  ConfirmBox(IndexRebuiltNotice(indexPath));
  return true;
}

void TableCursor::BindDeclaredFields(const dbf::Table& table) {
  for (const DeclaredField& declared : declaredFields) {
    const int i = table.FindField(declared.name);
    if (i < 0) throw EFieldError(FillIn("Field '%s' not found", {declared.name}));
    const std::string actual = FieldKindName(table.Field(i).type);
    if (actual != declared.kind) {
      throw EFieldError(FillIn("Type mismatch for field '%s', expecting: %s actual: %s",
                               {declared.name, declared.kind, actual}));
    }
  }
}

void TableCursor::LoadTags(dbf::Table& table) {
  tags_.clear();
  if (!dbf::IndexOf(table)) return;
  for (const dbf::TagInfo& info : dbf::Tags(table)) {
    CursorTag tag;
    tag.name = info.name;
    tag.keyExpression = info.keyExpression;
    tag.keyType = info.keyType;
    tag.keyLength = info.keyLength;
    tag.descending = info.descending;
    tag.key = dbf::Expression::Parse(info.keyExpression, table).expression;
    tags_.push_back(std::move(tag));
  }
}

void TableCursor::Close() {
  if (!open_) return;
  state_ = EditState::kBrowse;  // an unsaved edit is dropped
  editRecord_.clear();
  modified_.clear();
  filter_.reset();
  tags_.clear();
  selectedTag_ = -1;
  open_ = false;
  position_ = Position{};
  held_ = false;
  lockedOnEdit_ = false;
  if (table_.IsOpen()) {
    dbf::Table& t = *table_.Get();
    try {
      CheckFlushed(t, "CheckFlushed");
    } catch (...) {
      table_.Close();
      NotifyChanged();
      throw;
    }
    table_.Close();
  }
  NotifyChanged();
}

// --- visibility and positions

bool TableCursor::HideDeleted() const {
  return setDeleted == SetDeletedMode::kTrue ||
         (setDeleted == SetDeletedMode::kDefault && environment_.Globals().defaultDeleted);
}

ScopePosition TableCursor::PlaceInTagScope(const dbf::Table& table, CursorTag& tag) {
  // The tag's entry that led to the record often tells its place already; the key expression
  // is evaluated only where it does not.
  const std::string_view held = table.HeldKey();
  if (!held.empty()) {
    if (tag.keyType == 'C' && HeldTextKeyPlaces(held, tag.scope)) {
      return PlaceTextKey(held, tag.scope, tag.descending, ignoreCase_);
    }
    if (tag.keyType == 'D' && held == tag.placedKey) return tag.placedAt;
    if (tag.keyType == 'N') {
      const std::optional<ScopePosition> place =
          PlaceHeldNumberKey(held, tag.numberBounds, tag.descending);
      if (place) return *place;
    }
  }
  if (tag.keyType == 'N') {
    return PlaceNumberKey(tag.key->Number(table.Current()), tag.scope, tag.descending);
  }
  tag.key->TextInto(table.Current(), keyBuffer_);
  const ScopePosition place = PlaceTextKey(keyBuffer_, tag.scope, tag.descending, ignoreCase_);
  if (tag.keyType == 'D' && !held.empty()) {
    tag.placedKey.assign(held);
    tag.placedAt = place;
  }
  return place;
}

bool TableCursor::Visible(dbf::Table& table) {
  if (table.Eof()) return false;
  if (HideDeleted() && table.Deleted()) return false;
  if (filter_ && !filter_->IsTrue(table.Current())) return false;
  return PlaceInScope(table) == ScopePosition::kInside;
}

bool TableCursor::SettleForward(dbf::Table& table) {
  const bool hideDeleted = HideDeleted();
  while (!table.Eof()) {
    const ScopePosition place = PlaceInScope(table);
    if (place == ScopePosition::kAbove) return false;
    if (place == ScopePosition::kInside && !(hideDeleted && table.Deleted()) &&
        (!filter_ || filter_->IsTrue(table.Current()))) {
      return true;
    }
    table.Skip(1);
  }
  return false;
}

bool TableCursor::SettleBackward(dbf::Table& table) {
  const bool hideDeleted = HideDeleted();
  while (!table.Eof()) {
    const ScopePosition place = PlaceInScope(table);
    if (place == ScopePosition::kBelow) return false;
    if (place == ScopePosition::kInside && !(hideDeleted && table.Deleted()) &&
        (!filter_ || filter_->IsTrue(table.Current()))) {
      return true;
    }
    if (table.Skip(-1) == 0) return false;
  }
  return false;
}

bool TableCursor::FindFirstVisible(dbf::Table& table) {
  if (!table.Top()) return false;
  const CursorTag* tag = CurrentTag();
  if (tag && tag->scope.on && PlaceInScope(table) == ScopePosition::kBelow) {
    SeekLowBound(table, *tag);
  }
  return SettleForward(table);
}

void TableCursor::SeekLowBound(dbf::Table& table, const CursorTag& tag) {
  // A seek skips the keys below the range; where the tag's order and the bound's comparison may
  // differ (descending tags, comparison without case, bounds that are no key) the walk from the
  // top does it instead.
  const std::string& low = tag.scope.low;
  if (tag.descending || ignoreCase_) return;
  std::string key;
  if (tag.keyType == 'C') {
    if (static_cast<int>(low.size()) > tag.keyLength) return;
    key = low;
  } else if (tag.keyType == 'D') {
    if (low.size() != 8 || low.find_first_not_of("0123456789") != std::string::npos) return;
    key = low;
  } else if (tag.keyType == 'N') {
    key = GeneralNumberText(ScopeNumber(low));
  } else {
    return;
  }
  try {
    dbf::Seek(table, key);
  } catch (const dbf::Error&) {
    table.GetContext().ClearError();
    table.Top();
  }
}

void TableCursor::LandOn(dbf::Table& table) {
  const uint32_t before = position_.hasRecord ? position_.recno : 0;
  position_ = Position{true, false, table.RecNo()};
  RunCalcFields();
  if (before != position_.recno) NotifyMoved();
}

void TableCursor::LandAtEnd(dbf::Table& table) {
  const bool moved = position_.hasRecord || !position_.eof;
  position_ = Position{false, true, 0};
  table.GoEof();
  ClearCalculated();
  if (moved) NotifyMoved();
}

void TableCursor::RestorePosition(dbf::Table& table, const Position& position) {
  position_ = position;
  if (position.hasRecord) {
    table.Go(position.recno);
  } else {
    table.GoEof();
  }
}

void TableCursor::Resettle(dbf::Table& table) {
  if (!position_.hasRecord) return;
  const uint32_t here = position_.recno;
  table.Go(here);
  if (SettleForward(table)) {
    LandOn(table);
    return;
  }
  table.Go(here);
  if (SettleBackward(table)) {
    LandOn(table);
  } else {
    LandAtEnd(table);
  }
}

// --- moving

void TableCursor::GoTop() {
  dbf::Table& t = Table("GoTop");
  FinishPendingEdit();
  CheckFlushed(t, "CheckFlushed");
  bof_ = false;
  if (FindFirstVisible(t)) {
    LandOn(t);
  } else {
    LandAtEnd(t);
  }
}

void TableCursor::Skip(int64_t n) {
  dbf::Table& t = Table("Skip");
  FinishPendingEdit();
  CheckFlushed(t, "CheckFlushed");
  if (!position_.hasRecord) return;
  if (n == 0) {
    t.Refresh();
    RunCalcFields();
    return;
  }
  const uint32_t start = position_.recno;
  if (n > 0) {
    bof_ = false;
    for (int64_t i = 0; i < n && !position_.eof; ++i) {
      const uint32_t last = position_.recno;
      t.Skip(1);
      if (SettleForward(t)) {
        position_.recno = t.RecNo();
      } else {
        t.Go(last);
        position_.eof = true;
      }
    }
  } else {
    for (int64_t i = 0; i < -n; ++i) {
      position_.eof = false;
      if (t.Skip(-1) == 0 || !SettleBackward(t)) {
        bof_ = true;
        if (!FindFirstVisible(t)) {
          LandAtEnd(t);
          return;
        }
        position_.recno = t.RecNo();
        break;
      }
      position_.recno = t.RecNo();
    }
  }
  if (position_.recno != start) {
    RunCalcFields();
    NotifyMoved();
  }
}

bool TableCursor::Eof() const {
  Table("EOF");
  return position_.eof;
}

bool TableCursor::Bof() const {
  Table("BOF");
  return bof_;
}

uint32_t TableCursor::RecNo() const {
  Table("RecNo");
  return position_.hasRecord ? position_.recno : 0;
}

uint32_t TableCursor::RecCount() {
  dbf::Table& t = Table("RecCount");
  // Another program may have appended to a shared table since we last looked.
  if (!t.Exclusive()) t.RefreshHeader();
  return t.RecordCount();
}

bool TableCursor::GoToRecord(uint32_t recno) {
  dbf::Table& t = Table("Go");
  FinishPendingEdit();
  CheckFlushed(t, "CheckFlushed");
  const Position saved = position_;
  if (t.Go(recno) && Visible(t)) {
    bof_ = false;
    LandOn(t);
    return true;
  }
  RestorePosition(t, saved);
  return false;
}

// --- tags, scopes, seeks

std::string TableCursor::SetTag(const std::string& name) {
  dbf::Table& t = Table("SetTag");
  FinishPendingEdit();
  const std::string previous = SelectedTag();
  int index = -1;
  if (!TrimText(name).empty()) {
    const std::string wanted = UpperAscii(TrimText(name));
    for (size_t i = 0; i < tags_.size(); ++i) {
      if (UpperAscii(tags_[i].name) == wanted) index = static_cast<int>(i);
    }
    if (index < 0) throw ETagError("The Index Tag \"" + name + "\" was not found.");
  }
  bool selected = false;
  try {
    selected =
        dbf::SelectTag(t, index < 0 ? std::string() : tags_[static_cast<size_t>(index)].name);
  } catch (const dbf::Error&) {
    t.GetContext().ClearError();
  }
  if (!selected) throw ETagError("Could not set tag.");
  selectedTag_ = index;
  Resettle(t);
  NotifyChanged();
  return previous;
}

std::string TableCursor::SelectedTag() const {
  const CursorTag* tag = CurrentTag();
  return tag ? tag->name : std::string();
}

std::string TableCursor::SelectedTagKeyExpression() const {
  const CursorTag* tag = CurrentTag();
  return tag ? tag->keyExpression : std::string();
}

int TableCursor::SelectedTagKeyLength() const {
  const CursorTag* tag = CurrentTag();
  return tag ? tag->keyLength : 0;
}

std::vector<std::string> TableCursor::TagNames() const {
  RequireOpen();
  std::vector<std::string> names;
  for (const CursorTag& tag : tags_) names.push_back(tag.name);
  return names;
}

void TableCursor::SetScope(const std::string& low, const std::string& high) {
  Table("SetScope");
  FinishPendingEdit();
  CursorTag* tag = CurrentTag();
  if (!tag) throw EScopeError("No tag set for scope.");
  if (low.empty() || high.empty()) {
    tag->scope.on = false;
    NotifyChanged();
    return;
  }
  if (!std::strchr("CDLNdn", tag->keyType)) {
    throw EScopeError("The tag key value is not of a compatible type to set a scope.");
  }
  if (tag->keyType == 'N' || tag->keyType == 'd') {
    for (const std::string& bound : {low, high}) {
      if (!IsNumericString(bound)) {
        throw EScopeError(bound + " is not a numeric string for the numeric tag key.");
      }
    }
  }
  tag->scope = TagScope{low, high, true};
  tag->placedKey.clear();
  tag->numberBounds = tag->keyType == 'N' ? HeldNumberBoundsOf(tag->scope) : HeldNumberBounds{};
  NotifyChanged();
}

void TableCursor::ClearScope() {
  Table("SetScope");
  FinishPendingEdit();
  CursorTag* tag = CurrentTag();
  if (!tag) return;
  tag->scope.on = false;
  NotifyChanged();
}

bool TableCursor::Seek(const std::string& key) {
  dbf::Table& t = Table("Seek");
  FinishPendingEdit();
  const Position saved = position_;
  CheckFlushed(t, "CheckFlushed");
  if (!CurrentTag()) throw ETagError("No tag set for seek.");
  bool found = false;
  if (key.size() <= 255) {
    try {
      if (dbf::Seek(t, key) == dbf::SeekOutcome::kFound &&
          PlaceInScope(t) == ScopePosition::kInside) {
        const bool hideDeleted = HideDeleted();
        while (true) {
          if (!(hideDeleted && t.Deleted()) && (!filter_ || filter_->IsTrue(t.Current()))) {
            found = true;
            break;
          }
          if (!dbf::SeekNext(t, key)) break;
        }
      }
    } catch (const dbf::Error&) {
      // A key that cannot be a key of this tag (a text for a numeric tag) is not found.
      t.GetContext().ClearError();
      found = false;
    }
  }
  if (found) {
    bof_ = false;
    LandOn(t);
  } else {
    RestorePosition(t, saved);
  }
  return found;
}

}  // namespace volarin
