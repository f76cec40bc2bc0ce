// dbfdump: a table, its records and every tag of its production index as plain text lines.
//   dbfdump TABLE.DBF           TABLE, RECORDS, FIELD, REC, then TAG and KEY lines per tag
//   dbfdump --check TABLE.DBF   verifies every tag against the table; exit 1 with the first fault
//   dbfdump --rebuild TABLE.DBF rebuilds the production index from the records, the old one kept
//                               beside it as INDEX.bak
#include <cstdio>
#include <iostream>
#include <string>

#include "common/paths.h"
#include "common/platform.h"
#include "dbf/mdx/tableindex.h"
#include "dbf/mdx/tagcursor.h"
#include "dbf/table.h"
#include "storage/indexrepair.h"

namespace {

using namespace volarin;
using namespace volarin::dbf;

void DumpTable(Table& table, std::ostream& out) {
  out << "TABLE " << FileNamePart(table.Path()) << "\n";
  out << "RECORDS " << table.RecordCount() << "\n";
  for (int f = 0; f < table.FieldCount(); ++f) {
    const FieldInfo& field = table.Field(f);
    out << "FIELD " << field.name << " " << field.type << " " << field.width << " "
        << field.decimals << "\n";
  }
  for (uint32_t recno = 1; recno <= table.RecordCount(); ++recno) {
    if (!table.Go(recno)) break;
    out << "REC " << recno << " " << (table.Deleted() ? '*' : ' ') << " ";
    for (int f = 0; f < table.FieldCount(); ++f) {
      if (f > 0) out << "|";
      out << table.StoredText(f);
    }
    out << "\n";
  }
}

void DumpTags(ProductionIndex& index, std::ostream& out) {
  for (size_t t = 0; t < index.TagCount(); ++t) {
    IndexTag& tag = index.Tag(t);
    const TagDefinition& def = tag.Definition();
    out << "TAG " << def.name << " " << static_cast<char>(def.type) << " " << def.keyLength << " "
        << (def.unique ? 1 : 0) << " " << (def.descending ? 1 : 0) << " " << def.keyExpression
        << "\n";
    TagCursor cursor(tag);
    for (bool ok = cursor.First(); ok; ok = cursor.Next()) {
      out << "KEY " << cursor.RecNo() << " " << KeyToText(def.type, cursor.Key()) << "\n";
    }
  }
}

int Usage() {
  std::cerr << "usage: dbfdump [--check | --rebuild] TABLE.DBF\n";
  return 2;
}

int Rebuild(const std::string& path) {
  try {
    const IndexRebuild done = RebuildIndexOfTable(path);
    std::cout << "REBUILT " << done.indexPath << ": " << done.tagCount << " tags from "
              << done.recordCount << " records, tags read from " << done.tagSource << "\n";
    if (!done.backupPath.empty()) std::cout << "BACKUP " << done.backupPath << "\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "dbfdump: " << e.what() << "\n";
    return 2;
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool check = false;
  bool rebuild = false;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--check" && !rebuild) {
      check = true;
    } else if (arg == "--rebuild" && !check) {
      rebuild = true;
    } else if (path.empty() && !arg.empty() && arg[0] != '-') {
      path = arg;
    } else {
      return Usage();
    }
  }
  if (path.empty()) return Usage();
  if (rebuild) return Rebuild(path);
  try {
    Context context;
    auto table = Table::Open(context, path, OpenOptions{false, true});
    const std::string indexPath = ProductionIndexPath(path);
    ProductionIndex* index = nullptr;
    if (platform::FileExists(indexPath)) {
      index = &OpenIndex(*table, indexPath);
    } else if (table->HasProductionIndex()) {
      std::cerr << "dbfdump: the production index " << indexPath << " is missing\n";
      return 2;
    }
    if (check) {
      if (index == nullptr) return 0;
      const std::string fault = CheckIndex(*table);
      if (!fault.empty()) {
        std::cout << "FAULT " << fault << "\n";
        return 1;
      }
      std::cout << "OK " << index->TagCount() << " tags agree with " << table->RecordCount()
                << " records\n";
      return 0;
    }
    DumpTable(*table, std::cout);
    if (index != nullptr) DumpTags(*index, std::cout);
    std::cout.flush();
    return std::cout ? 0 : 2;
  } catch (const std::exception& e) {
    if (check) {
      // A file too damaged to open fails the check as well.
      std::cout << "FAULT " << e.what() << "\n";
      return 1;
    }
    std::cerr << "dbfdump: " << e.what() << "\n";
    return 2;
  }
}
