#pragma once
// Rebuilding a production index from its table's records: after a crash or a full disk the
// program does it on its own for its two tables (register and account map); the suite's own
// tables are rebuilt only when someone asks (dbfdump --rebuild).

#include <string>
#include <vector>

#include "dbf/mdx/productionindex.h"
#include "dbf/table.h"

namespace volarin {

// The tags the program knows for each of the five tables, by the table's file name (any case,
// any folder); empty for any other table.
std::vector<dbf::TagSpec> KnownTags(const std::string& tablePath);

// The tag definitions of the index open on the table; the known ones when none is open.
std::vector<dbf::TagSpec> TagsToRebuild(const dbf::Table& table);

// Replaces the table's production index with one built from its records and these tags.
// Throws when the tags are empty or the index cannot be written.
void RebuildIndex(dbf::Table& table, const std::vector<dbf::TagSpec>& tags);

// What an explicit repair did.
struct IndexRebuild {
  std::string indexPath;
  std::string backupPath;  // empty when there was no old index to keep
  size_t tagCount = 0;
  uint32_t recordCount = 0;
  std::string tagSource;  // "the index file" or "the tags known for this table"
};

// Rebuilds the production index of the table at that path, opened exclusively: the tags are read
// from the present index where its header still serves, else taken from KnownTags; the old
// file is kept beside it as "<index>.bak". Throws when no tags can be found or a write fails.
IndexRebuild RebuildIndexOfTable(const std::string& tablePath);

// The notice shown when the program rebuilt an index on its own.
std::string IndexRebuiltNotice(const std::string& indexPath);

}  // namespace volarin
