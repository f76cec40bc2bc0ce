#include "storage/indexrepair.h"

#include "common/files.h"
#include "common/paths.h"
#include "common/platform.h"
#include "common/text.h"
#include "dbf/context.h"
#include "dbf/mdx/mdxfile.h"
#include "dbf/mdx/tableindex.h"
#include "storage/errors.h"
#include "storage/tablefiles.h"

namespace volarin {
namespace {

dbf::TagSpec Tag(const char* name, const char* keyExpression) {
  dbf::TagSpec tag;
  tag.name = name;
  tag.keyExpression = keyExpression;
  return tag;
}

}  // namespace

std::vector<dbf::TagSpec> KnownTags(const std::string& tablePath) {
  const std::string name = UpperAscii(FileNamePart(tablePath));
  if (name == UpperAscii(tables::kRegisterFile)) {
    return {Tag(tables::kRegisterAccountTag, "ACCOUNTNR+STR(CHECKNO,10)"),
            Tag(tables::kRegisterDateTag, "DATE")};
  }
  if (name == UpperAscii(tables::kAccountMapFile)) {
    return {Tag(tables::kAccountMapTag, "UPPER(ORGACCNR)")};
  }
  if (name == UpperAscii(tables::kAccountListFile)) return {Tag("accountnr", "UPPER(ACCOUNTNR)")};
  if (name == UpperAscii(tables::kEscrowFile)) {
    return {Tag(tables::kEscrowPrintDateTag, "PRNDATE"),
            Tag(tables::kEscrowVoidDateTag, "VOIDDATE"),
            Tag(tables::kEscrowCheckTag, "UPPER(ACCOUNTNR)+CHECKNO"),
            Tag(tables::kEscrowCheckLinesTag, "UPPER(ACCOUNTNR)+CHECKNO+SEQ")};
  }
  if (name == UpperAscii(tables::kClosingFile)) return {Tag(tables::kClosingDateTag, "DATE")};
  return {};
}

std::vector<dbf::TagSpec> TagsToRebuild(const dbf::Table& table) {
  if (dbf::IndexOf(table) == nullptr) return KnownTags(table.Path());
  std::vector<dbf::TagSpec> tags;
  for (const dbf::TagInfo& info : dbf::Tags(table)) {
    tags.push_back(
        {info.name, info.keyExpression, info.forExpression, info.unique, info.descending});
  }
  return tags;
}

void RebuildIndex(dbf::Table& table, const std::vector<dbf::TagSpec>& tags) {
  if (tags.empty()) {
    throw EStorageError("No tags are known for " + table.Path() + "; its index cannot be rebuilt.");
  }
  dbf::CreateProductionIndex(table, tags);
  table.Sync();
}

namespace {

// The tag definitions in the header of an index whose trees are too damaged to open; empty when
// even its header does not serve.
std::vector<dbf::TagSpec> TagsInFile(const std::string& indexPath) {
  std::vector<dbf::TagSpec> tags;
  try {
    for (const dbf::TagDefinition& def : dbf::MdxFile::ReadTagDefinitions(indexPath)) {
      tags.push_back({def.name, def.keyExpression, def.forExpression, def.unique, def.descending});
    }
  } catch (const Error&) {
    tags.clear();
  }
  return tags;
}

}  // namespace

IndexRebuild RebuildIndexOfTable(const std::string& tablePath) {
  dbf::Context context;
  auto table = dbf::Table::Open(context, tablePath, {true, false});
  IndexRebuild result;
  result.indexPath = dbf::ProductionIndexPath(tablePath);
  std::vector<dbf::TagSpec> tags;
  if (platform::FileExists(result.indexPath)) {
    try {
      dbf::OpenIndex(*table, result.indexPath);
      tags = TagsToRebuild(*table);
    } catch (const Error&) {
      context.ClearError();
      tags = TagsInFile(result.indexPath);
    }
    table->SetIndexMaintainer(nullptr);
  }
  result.tagSource = "the index file";
  if (tags.empty()) {
    tags = KnownTags(tablePath);
    result.tagSource = "the tags known for this table";
  }
  if (tags.empty()) {
    throw EStorageError("No tags are known for " + tablePath + "; its index cannot be rebuilt.");
  }
  if (platform::FileExists(result.indexPath)) {
    result.backupPath = result.indexPath + ".bak";
    CopyFileTo(result.indexPath, result.backupPath);
  }
  RebuildIndex(*table, tags);
  result.tagCount = tags.size();
  result.recordCount = table->RecordCount();
  table->Close();
  return result;
}

std::string IndexRebuiltNotice(const std::string& indexPath) {
  return "The index " + indexPath +
         " did not agree with its table (after a crash or a full disk) and was rebuilt from "
         "the table's records.";
}

}  // namespace volarin
