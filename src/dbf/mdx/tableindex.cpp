#include "dbf/mdx/tableindex.h"

#include "common/paths.h"
#include "common/platform.h"
#include "common/text.h"
#include "dbf/mdx/indexerror.h"
#include "dbf/mdx/tagorder.h"

namespace volarin::dbf {
namespace {

ExpressionOptions ExpressionsOf(const Table& table) {
  ExpressionOptions options;
  options.datePicture = table.GetContext().Get().datePicture;
  return options;
}

TagOrder* SelectedOrder(const Table& table) {
  return dynamic_cast<TagOrder*>(table.Order());
}

TagOrder& RequireOrder(const Table& table, const char* operation) {
  TagOrder* order = SelectedOrder(table);
  if (order == nullptr || IndexOf(table) == nullptr) {
    throw Error(kErrorPosition,
                "Table " + table.Path() + ": no tag is selected to " + operation + ".");
  }
  return *order;
}

ProductionIndex& Attach(Table& table, std::unique_ptr<ProductionIndex> index) {
  ProductionIndex& attached = *index;
  const Settings& settings = table.GetContext().Get();
  attached.SetLocking(settings.lockAttempts, settings.lockDelayMs);
  attached.SetRecordSource(RecordsOf(table));
  table.SetIndexMaintainer(std::move(index));
  return attached;
}

class MdxOpener final : public IndexOpener {
 public:
  void OpenProductionIndex(Table& table) const override {
    const std::string path = ProductionIndexPath(table.Path());
    if (platform::FileExists(path)) OpenIndex(table, path);
  }
};

}  // namespace

const IndexOpener& ProductionIndexOpener() {
  static const MdxOpener opener;
  return opener;
}

std::string ProductionIndexPath(const std::string& tablePath) {
  const std::string name = FileNamePart(tablePath);
  const size_t dot = name.rfind('.');
  const std::string base = tablePath.substr(0, tablePath.size() - name.size()) +
                           (dot == std::string::npos ? name : name.substr(0, dot));
  for (const char* extension : {".MDX", ".mdx", ".Mdx"}) {
    if (platform::FileExists(base + extension)) return base + extension;
  }
  // A new file follows the case of the table's own extension.
  const bool lower = dot != std::string::npos && name.size() > dot + 1 && name[dot + 1] >= 'a' &&
                     name[dot + 1] <= 'z';
  return base + (lower ? ".mdx" : ".MDX");
}

RecordSource RecordsOf(Table& table) {
  return [&table](const std::function<void(const RecordView&)>& visit) {
    // Reading goes through the table's own record buffer; the position is put back afterwards.
    const uint32_t here = table.Eof() ? 0 : table.RecNo();
    const uint32_t count = table.RecordCount();
    for (uint32_t recno = 1; recno <= count; ++recno) {
      if (!table.Go(recno)) break;
      visit(table.Current());
    }
    if (here != 0 && here <= table.RecordCount()) {
      table.Go(here);
    } else {
      table.GoEof();
    }
  };
}

ProductionIndex& OpenIndex(Table& table, const std::string& path) {
  // Opened already (by the table itself, say): the one open serves.
  if (ProductionIndex* open = IndexOf(table); open != nullptr && open->Path() == path) return *open;
  if (SelectedOrder(table) != nullptr) table.SetOrder(nullptr);
  table.SetIndexMaintainer(nullptr);  // an index open on the file would hold it
  // A shared file may be met half-written by another program: the open is tried again, as
  // often and as far apart as a lock, before the damage is believed.
  const Settings& settings = table.GetContext().Get();
  for (int attempt = 1;; ++attempt) {
    try {
      auto index =
          ProductionIndex::Open(path, table.Layout(), ExpressionsOf(table), table.ReadOnly(),
                                table.Exclusive(), {settings.lockAttempts, settings.lockDelayMs});
      return Attach(table, std::move(index));
    } catch (const IndexError& e) {
      if (table.Exclusive() || e.Code() != kErrorFormat || attempt >= settings.lockAttempts) throw;
    }
    platform::SleepMilliseconds(settings.lockDelayMs);
  }
}

ProductionIndex& CreateProductionIndex(Table& table, const std::vector<TagSpec>& tags,
                                       uint16_t blockPages) {
  if (SelectedOrder(table) != nullptr) table.SetOrder(nullptr);
  table.SetIndexMaintainer(nullptr);  // closes an index open on the same file
  table.Flush();
  MdxCreateOptions options;
  const std::string name = FileNamePart(table.Path());
  options.tableName = name.substr(0, name.rfind('.'));
  options.language = table.LanguageByte();
  options.blockPages = blockPages;
  const std::string path = ProductionIndexPath(table.Path());
  auto index = ProductionIndex::Create(path, table.Layout(), ExpressionsOf(table), tags, options,
                                       RecordsOf(table));
  if (!table.HasProductionIndex()) table.SetProductionIndexFlag(true);
  if (table.Exclusive()) return Attach(table, std::move(index));
  // The new file is held exclusively; a shared table opens it again as others will.
  index.reset();
  return OpenIndex(table, path);
}

ProductionIndex* IndexOf(const Table& table) {
  return dynamic_cast<ProductionIndex*>(table.Maintainer());
}

std::vector<TagInfo> Tags(const Table& table) {
  std::vector<TagInfo> tags;
  ProductionIndex* index = IndexOf(table);
  if (index == nullptr) return tags;
  for (size_t i = 0; i < index->TagCount(); ++i) {
    const TagDefinition& def = index->Tag(i).Definition();
    tags.push_back({def.name, def.keyExpression, def.forExpression, static_cast<char>(def.type),
                    def.keyLength, def.unique, def.descending});
  }
  return tags;
}

bool SelectTag(Table& table, std::string_view name) {
  const std::string wanted = TrimText(std::string(name));
  if (wanted.empty()) {
    table.SetOrder(nullptr);
    return true;
  }
  ProductionIndex* index = IndexOf(table);
  if (index == nullptr) return false;
  const int tag = index->FindTag(wanted);
  if (tag < 0) return false;
  if (table.Changed()) table.Write();
  table.SetOrder(&index->OrderOf(static_cast<size_t>(tag)));
  return true;
}

std::string_view HeldKey(const Table& table) {
  TagOrder* order = SelectedOrder(table);
  if (order == nullptr || table.Eof() || table.Changed() || table.Appending()) return {};
  return order->HeldKey(table.RecNo());
}

std::string SelectedTag(const Table& table) {
  TagOrder* order = SelectedOrder(table);
  ProductionIndex* index = IndexOf(table);
  if (order == nullptr || index == nullptr) return "";
  return index->Tag(order->TagNumber()).Name();
}

SeekOutcome Seek(Table& table, std::string_view keyText) {
  TagOrder& order = RequireOrder(table, "seek a key");
  if (table.Changed()) table.Write();  // the index must see the record as it will be
  ProductionIndex& index = *IndexOf(table);
  const std::string key = index.SearchKeyOf(order.TagNumber(), keyText);
  bool found = false;
  const uint32_t recno = order.Seek(key, found);
  if (recno == 0) {
    table.GoEof();
    return SeekOutcome::kEndOfFile;
  }
  table.Go(recno);
  return found ? SeekOutcome::kFound : SeekOutcome::kAfterKey;
}

bool SeekNext(Table& table, std::string_view keyText) {
  TagOrder& order = RequireOrder(table, "seek the next key");
  if (table.Changed()) table.Write();
  if (table.Eof()) return false;
  ProductionIndex& index = *IndexOf(table);
  const std::string key = index.SearchKeyOf(order.TagNumber(), keyText);
  const uint32_t recno = order.SeekNext(key, table.Current());
  if (recno == 0) return false;
  table.Go(recno);
  return true;
}

std::string CheckIndex(Table& table) {
  ProductionIndex* index = IndexOf(table);
  if (index == nullptr) return "no index is open for " + table.Path();
  table.Flush();
  // On a shared file the check holds the read lock: no writer of ours is then half way through a
  // change, and the records counted are those the tags were kept for.
  ReadingLock lock(*index);
  if (index->SharedReading() && !lock.Take()) index->ThrowBusy();
  if (!table.Exclusive()) table.RefreshHeader();  // other programs may have appended
  return index->CheckAgainst(RecordsOf(table), table.RecordCount());
}

}  // namespace volarin::dbf
