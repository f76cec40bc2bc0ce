#include "dbf/mdx/productionindex.h"

#include <algorithm>

#include <unordered_map>
#include "common/platform.h"

#include "common/text.h"
#include "dbf/mdx/indexerror.h"
#include "dbf/mdx/tagcursor.h"
#include "dbf/mdx/tagorder.h"

namespace volarin::dbf {
namespace {

// Keys gathered from appends before they are put into their tags: each put-in meets most leaves
// of a large tag once, so fewer, larger batches cost less (about 8 MB for the register's tags).
constexpr size_t kGatheredKeysLimit = 262144;

KeyType KeyTypeOf(char expressionType) {
  switch (expressionType) {
    case 'N':
      return KeyType::Numeric;
    case 'D':
      return KeyType::Date;
    default:
      return KeyType::Character;
  }
}

std::string Quote(const std::string& text) {
  return "\"" + text + "\"";
}

}  // namespace

TagDefinition DefineTag(const TagSpec& tagSpec, const RecordLayout& layout,
                        const ExpressionOptions& expressions) {
  TagDefinition def;
  def.name = UpperAscii(TrimText(tagSpec.name));
  def.keyExpression = TrimText(tagSpec.keyExpression);
  def.forExpression = TrimText(tagSpec.forExpression);
  def.unique = tagSpec.unique;
  def.descending = tagSpec.descending;
  ParseResult key = Expression::Parse(def.keyExpression, layout, expressions);
  if (!key) {
    throw IndexError("Tag " + def.name + ": the key expression " + Quote(def.keyExpression) +
                         " cannot be parsed: " + key.error,
                     kErrorExpression);
  }
  if (key.expression->Type() == 'L') {
    throw IndexError("Tag " + def.name + ": a logical expression cannot be a key",
                     kErrorExpression);
  }
  def.type = KeyTypeOf(key.expression->Type());
  def.keyLength = def.type == KeyType::Numeric ? kNumericKeyLength
                  : def.type == KeyType::Date  ? kDateKeyLength
                                               : key.expression->Length();
  if (!def.forExpression.empty()) {
    ParseResult filter = Expression::Parse(def.forExpression, layout, expressions);
    if (!filter || !filter.expression->IsLogical()) {
      throw IndexError("Tag " + def.name + ": the FOR expression " + Quote(def.forExpression) +
                           " is not a valid condition" + (filter ? "" : ": " + filter.error),
                       kErrorExpression);
    }
  }
  return def;
}

ProductionIndex::ProductionIndex(std::unique_ptr<MdxFile> file, bool exclusive)
    : file_(std::move(file)), exclusive_(exclusive) {}

ProductionIndex::~ProductionIndex() {
  try {
    EndChange();
  } catch (const std::exception&) {
    // Closing the file releases the lock as well.
  }
  try {
    SettleAppends();  // the file flushes what is pending as it closes
  } catch (const std::exception&) {
    // A destructor must not throw; Flush reports the failure to callers that care.
  }
}

void ProductionIndex::PutGatheredKeys() {
  lastGathered_ = 0;
  for (size_t t = 0; t < appended_.size(); ++t) {
    const KeyList& keys = appended_[t];
    if (keys.Size() == 0) continue;
    IndexTag& tag = *tags_[t].tag;
    // Equal keys keep their record numbers rising, so each is still above every number the tag
    // holds for its key when it is put in.
    const std::vector<uint32_t> order = tag.RunOrder(keys);
    size_t done = 0;
    try {
      tag.InsertAppendedRun(keys, order, done);
    } catch (...) {
      // What was put in stays; the rest stays gathered, so the failure is met again.
      KeyList rest(static_cast<int>(keys.KeyLength()));
      for (size_t j = done; j < order.size(); ++j) {
        rest.Add(
            std::string_view(reinterpret_cast<const char*>(keys.Key(order[j])), keys.KeyLength()),
            keys.RecNo(order[j]));
      }
      gathered_ -= keys.Size() - rest.Size();
      appended_[t] = std::move(rest);
      throw;
    }
    gathered_ -= keys.Size();
    appended_[t] = KeyList(static_cast<int>(keys.KeyLength()));
    file_->TrimCache();
  }
}

void ProductionIndex::DropGatheredKeys() {
  appended_.clear();
  gathered_ = 0;
  lastGathered_ = 0;
}

void ProductionIndex::SetLocking(int attempts, int delayMs) {
  lockAttempts_ = std::max(1, attempts);
  lockDelayMs_ = std::max(0, delayMs);
}

void ProductionIndex::SyncForReading() {
  if (exclusive_ || updating_) return;
  file_->RefreshForReading();
  ++generation_;
}

bool ProductionIndex::LockForReading() {
  return file_->LockForReading({lockAttempts_, lockDelayMs_});
}

void ProductionIndex::UnlockForReading() {
  file_->UnlockForReading();
}

void ProductionIndex::BeginChange() {
  if (exclusive_ || updating_ || !file_->Writable()) return;
  for (int attempt = 1;; ++attempt) {
    if (file_->TryLockForUpdate()) break;
    if (attempt >= lockAttempts_) {
      throw IndexError("Index file " + file_->Path() + " is being changed by another user; " +
                           "the record was not written.",
                       kErrorLock);
    }
    platform::SleepMilliseconds(lockDelayMs_);
  }
  updating_ = true;
  file_->Refresh();
  ++generation_;
}

void ProductionIndex::EndChange() {
  if (!updating_) return;
  updating_ = false;
  struct Unlock {
    MdxFile& file;
    ~Unlock() { file.UnlockForUpdate(); }
  } unlock{*file_};
  file_->Flush();
}

TagOrder& ProductionIndex::OrderOf(size_t tag) {
  if (tag >= tags_.size())
    ThrowIndexError(file_->Path(), "there is no tag number " + std::to_string(tag + 1));
  orders_.resize(tags_.size());
  if (!orders_[tag]) orders_[tag] = std::make_unique<TagOrder>(*this, tag);
  return *orders_[tag];
}

std::unique_ptr<ProductionIndex> ProductionIndex::Open(const std::string& path,
                                                       const RecordLayout& layout,
                                                       const ExpressionOptions& expressions,
                                                       bool readOnly, bool exclusive,
                                                       const ReadLockWait& wait) {
  using platform::File;
  auto file = MdxFile::Open(path, readOnly ? File::Access::ReadOnly : File::Access::ReadWrite,
                            exclusive ? File::Share::Exclusive : File::Share::Shared, wait);
  std::unique_ptr<ProductionIndex> index(new ProductionIndex(std::move(file), exclusive));
  index->Compile(layout, expressions);
  return index;
}

std::unique_ptr<ProductionIndex> ProductionIndex::Create(const std::string& path,
                                                         const RecordLayout& layout,
                                                         const ExpressionOptions& expressions,
                                                         const std::vector<TagSpec>& tags,
                                                         const MdxCreateOptions& options,
                                                         const RecordSource& records) {
  std::vector<TagDefinition> defs;
  for (const TagSpec& tagSpec : tags) defs.push_back(DefineTag(tagSpec, layout, expressions));
  // A new file is open exclusively until it is closed.
  std::unique_ptr<ProductionIndex> index(
      new ProductionIndex(MdxFile::Create(path, defs, options), true));
  index->Compile(layout, expressions);
  index->Rebuild(records);
  return index;
}

void ProductionIndex::Compile(const RecordLayout& layout, const ExpressionOptions& expressions) {
  tags_.clear();
  for (size_t i = 0; i < file_->TagCount(); ++i) {
    IndexTag& tag = file_->Tag(i);
    const TagDefinition& def = tag.Definition();
    const auto fail = [&](const std::string& what) {
      ThrowIndexError(file_->Path(), "tag " + def.name + " does not fit the table: " + what);
    };
    CompiledTag compiled;
    compiled.tag = &tag;
    ParseResult key = Expression::Parse(def.keyExpression, layout, expressions);
    if (!key)
      fail("its key expression " + Quote(def.keyExpression) + " cannot be parsed (" + key.error +
           ")");
    if (key.expression->Type() == 'L' || KeyTypeOf(key.expression->Type()) != def.type) {
      fail(std::string("its key type is ") + static_cast<char>(def.type) + " but the expression " +
           Quote(def.keyExpression) + " gives type " + key.expression->Type());
    }
    if (def.type == KeyType::Character && key.expression->Length() != def.keyLength) {
      fail("its keys are " + std::to_string(def.keyLength) + " bytes long but the expression " +
           Quote(def.keyExpression) + " gives " + std::to_string(key.expression->Length()));
    }
    compiled.key = std::move(key.expression);
    if (!def.forExpression.empty()) {
      ParseResult filter = Expression::Parse(def.forExpression, layout, expressions);
      if (!filter || !filter.expression->IsLogical()) {
        fail("its FOR expression " + Quote(def.forExpression) + " is not a valid condition");
      }
      compiled.filter = std::move(filter.expression);
    }
    tags_.push_back(std::move(compiled));
  }
}

int ProductionIndex::FindTag(const std::string& name) const {
  const std::string wanted = UpperAscii(TrimText(name));
  for (size_t i = 0; i < tags_.size(); ++i) {
    if (UpperAscii(tags_[i].tag->Name()) == wanted) return static_cast<int>(i);
  }
  return -1;
}

bool ProductionIndex::HasKey(size_t tag, const RecordView& record) const {
  const CompiledTag& t = tags_.at(tag);
  return !t.filter || t.filter->IsTrue(record);
}

std::string ProductionIndex::KeyOf(size_t tag, const RecordView& record) const {
  const CompiledTag& t = tags_.at(tag);
  switch (t.tag->Type()) {
    case KeyType::Numeric:
      // Through the shortest decimal of the value, so 99.99 gives the digits 9999.
      return NumericKey(t.key->Number(record));
    case KeyType::Date: {
      const Date date = t.key->DateValue(record);
      // Day 0 of Date also means "no date"; the digits tell 1899-12-30 from a blank.
      return date.IsNull() ? DateKeyFromDigits(t.key->Text(record)) : DateKey(date);
    }
    case KeyType::Character:
      break;
  }
  std::string key;
  KeyInto(tag, record, key);
  return key;
}

void ProductionIndex::KeyInto(size_t tag, const RecordView& record, std::string& key) const {
  const CompiledTag& t = tags_.at(tag);
  if (t.tag->Type() != KeyType::Character) {
    key = KeyOf(tag, record);
    return;
  }
  // Made in the caller's string, blank-padded or cut to the key length, as CharacterKey does.
  t.key->TextInto(record, key);
  key.resize(static_cast<size_t>(t.tag->KeyLength()), ' ');
}

std::string ProductionIndex::SearchKeyOf(size_t tag, std::string_view text) const {
  const IndexTag& t = *tags_.at(tag).tag;
  return SearchKey(t.Type(), t.KeyLength(), text);
}

void ProductionIndex::Rebuild(const RecordSource& records) {
  // The records hold every key gathered from appends too.
  DropGatheredKeys();
  // Start from a packed file: every tag an empty root, no free blocks.
  file_->Zap();
  ++generation_;
  for (size_t i = 0; i < tags_.size(); ++i) tags_[i].tag = &file_->Tag(i);
  std::vector<KeyList> keys;
  for (const CompiledTag& t : tags_) keys.emplace_back(t.tag->KeyLength());
  std::string text;
  records([&](const RecordView& record) {
    for (size_t i = 0; i < tags_.size(); ++i) {
      const CompiledTag& t = tags_[i];
      if (t.filter && !t.filter->IsTrue(record)) continue;
      if (t.tag->Type() == KeyType::Character) {
        t.key->TextInto(record, text);
        keys[i].Add(text, record.recno);
      } else {
        keys[i].Add(KeyOf(i, record), record.recno);
      }
    }
  });
  for (size_t i = 0; i < tags_.size(); ++i) {
    tags_[i].tag->Build(keys[i]);
    keys[i] = KeyList(1);  // release the memory before the next tag is built
    file_->TrimCache();
  }
  file_->Flush();
}

bool ProductionIndex::KeyHeldByOther(size_t tag, const std::string& key, uint32_t recno) {
  TagCursor cursor(file_->Tag(tag));
  return cursor.Seek(key) == SeekResult::Found && cursor.RecNo() != recno;
}

bool ProductionIndex::KeysStillGathered(const RecordView& record) const {
  if (record.recno == 0 || record.recno != lastGathered_ || appended_.size() != tags_.size()) {
    return false;
  }
  for (size_t i = 0; i < tags_.size(); ++i) {
    if (tags_[i].tag->Definition().unique || !HasKey(i, record)) continue;
    const KeyList& keys = appended_[i];
    if (keys.Size() == 0 || keys.RecNo(keys.Size() - 1) != record.recno) return false;
  }
  return true;
}

WriteResult ProductionIndex::BeforeWrite(const RecordView& before, const RecordView& after,
                                         UniqueMode mode) {
  // A record appended blank and filled in at once (as the register's refill does) changes its
  // keys where they wait, so no tag is read or changed between appends. Any other change of a
  // record may take out a key that is still gathered: those are put in first.
  const bool gatheredRecord = KeysStillGathered(before);
  if (before.recno != 0 && !gatheredRecord) SettleAppends();
  BeginChange();
  WriteResult result = WriteResult::kOk;
  // The plan's storage is kept from write to write; only its contents are replaced.
  std::vector<Change>& plan = plan_;
  plan.resize(tags_.size());
  planRecno_ = 0;
  for (size_t i = 0; i < tags_.size(); ++i) {
    Change& c = plan[i];
    c.gathered = gatheredRecord && !tags_[i].tag->Definition().unique;
    c.remove = before.recno != 0 && HasKey(i, before);
    c.add = HasKey(i, after);
    if (c.remove && c.gathered) {
      // The key waiting last in the list is the one this record was gathered under; it is only
      // compared with the new key, never looked up in the tag.
      const KeyList& keys = appended_[i];
      c.oldKey.assign(reinterpret_cast<const char*>(keys.Key(keys.Size() - 1)), keys.KeyLength());
    } else if (c.remove) {
      KeyInto(i, before, c.oldKey);
    }
    if (c.add) KeyInto(i, after, c.newKey);
    if (c.remove && c.add &&
        tags_[i].tag->CompareKeys(reinterpret_cast<const uint8_t*>(c.oldKey.data()),
                                  reinterpret_cast<const uint8_t*>(c.newKey.data()),
                                  c.oldKey.size()) == 0) {
      c.remove = c.add = false;  // the key stays where it is
      continue;
    }
    if (c.add && tags_[i].tag->Definition().unique && KeyHeldByOther(i, c.newKey, after.recno)) {
      if (mode == UniqueMode::kRefuse) {
        EndChange();
        return WriteResult::kUniqueRefused;
      }
      c.add = false;  // the tag keeps the record that holds the key already
      result = WriteResult::kUniquePassedOver;
    }
  }
  planRecno_ = after.recno;
  return result;
}

void ProductionIndex::AfterWrite(const RecordView& before, const RecordView& after) {
  if (planRecno_ == 0 || planRecno_ != after.recno || plan_.size() != tags_.size()) {
    BeforeWrite(before, after, UniqueMode::kPassOver);
  }
  for (size_t i = 0; i < tags_.size(); ++i) {
    const Change& c = plan_[i];
    if (c.gathered) {
      // The record is the last appended, so its key is last in the list and stays there.
      if (c.remove) {
        appended_[i].RemoveLast();
        --gathered_;
      }
      if (c.add) {
        appended_[i].Add(c.newKey, after.recno);
        ++gathered_;
      }
      continue;
    }
    if (c.remove) file_->Tag(i).Remove(c.oldKey, after.recno);
    if (c.add) file_->Tag(i).Insert(c.newKey, after.recno);
  }
  planRecno_ = 0;
  if (gathered_ >= kGatheredKeysLimit) PutGatheredKeys();
  EndChange();
  file_->TrimCache();
}

WriteResult ProductionIndex::BeforeAppend(const RecordView& record, UniqueMode mode) {
  const RecordView none{record.layout, record.bytes, 0};
  WriteResult result = BeforeWrite(none, record, mode);
  return result;
}

void ProductionIndex::AfterAppend(const RecordView& record) {
  if (planRecno_ == 0 || planRecno_ != record.recno || plan_.size() != tags_.size()) {
    BeforeAppend(record, UniqueMode::kPassOver);
  }
  // A new record has no old key to remove, and its number is above every number indexed.
  const bool gather = exclusive_ && !updating_;
  if (gather && appended_.size() != tags_.size()) {
    appended_.clear();
    for (const CompiledTag& t : tags_) appended_.emplace_back(t.tag->KeyLength());
  }
  for (size_t i = 0; i < tags_.size(); ++i) {
    if (!plan_[i].add) continue;
    if (gather && !tags_[i].tag->Definition().unique) {
      appended_[i].Add(plan_[i].newKey, record.recno);
      ++gathered_;
    } else {
      file_->Tag(i).InsertAppended(plan_[i].newKey, record.recno);
    }
  }
  planRecno_ = 0;
  lastGathered_ = gather ? record.recno : 0;
  if (gathered_ >= kGatheredKeysLimit) PutGatheredKeys();
  EndChange();
  file_->TrimCache();
}

void ProductionIndex::AfterZap(uint32_t, uint32_t) {
  // Records after the removed range move down, so every key's record number may change: the
  // tags are built again from what is left.
  if (!records_) {
    ThrowIndexError(file_->Path(), "records were removed but the index cannot read the table");
  }
  BeginChange();
  Rebuild(records_);
  EndChange();
}

void ProductionIndex::Flush() {
  SettleAppends();
  file_->Flush();
}

void ProductionIndex::Sync() {
  SettleAppends();
  file_->Sync();
}

std::string ProductionIndex::CheckAgainst(const RecordSource& records, uint32_t recordCount) {
  SettleAppends();
  SyncForReading();
  std::string fault = file_->Check(recordCount);
  if (!fault.empty()) return fault;
  std::vector<std::vector<std::pair<std::string, uint32_t>>> expected(tags_.size());
  records([&](const RecordView& record) {
    for (size_t i = 0; i < tags_.size(); ++i) {
      if (HasKey(i, record)) expected[i].emplace_back(KeyOf(i, record), record.recno);
    }
  });
  for (size_t i = 0; i < tags_.size(); ++i) {
    IndexTag& tag = file_->Tag(i);
    const std::string name = "tag " + tag.Name() + ": ";
    const auto keyText = [&](const std::string& key) { return Quote(KeyToText(tag.Type(), key)); };
    std::unordered_map<uint32_t, std::string> keyOf;
    for (const auto& [key, recno] : expected[i]) keyOf.emplace(recno, key);
    TagCursor cursor(tag);
    for (bool ok = cursor.First(); ok; ok = cursor.Next()) {
      const auto found = keyOf.find(cursor.RecNo());
      if (found == keyOf.end()) {
        return name + "record " + std::to_string(cursor.RecNo()) +
               " has an entry but should have none";
      }
      if (tag.CompareKeys(reinterpret_cast<const uint8_t*>(found->second.data()),
                          reinterpret_cast<const uint8_t*>(cursor.Key().data()),
                          found->second.size()) != 0) {
        return name + "record " + std::to_string(cursor.RecNo()) + " is indexed under " +
               keyText(std::string(cursor.Key())) + " but its key is " + keyText(found->second);
      }
      keyOf.erase(found);  // a second entry for the record is then reported as one too many
    }
    // A unique tag holds one record per key, the first to get it. When that record takes
    // another key the key leaves the tag even if other records still have it (dBASE adds them
    // back only on a rebuild), so there a key of the records may be missing. Its entries were
    // still checked above: each record has exactly its key, and no key is repeated.
    if (!tag.Definition().unique && !keyOf.empty()) {
      return name + "record " + std::to_string(keyOf.begin()->first) + " has no entry";
    }
  }
  return "";
}

}  // namespace volarin::dbf
