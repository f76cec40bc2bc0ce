#pragma once
// The table the index-sharing tests share between two opens: names in scrambled order under one
// tag and numbers under another, so the two trees differ.

#include <memory>
#include <string>
#include <vector>

#include "dbf/mdx/tableindex.h"
#include "dbf/table.h"
#include "support/temp_folder.h"

namespace volarin::dbf::sharingtest {

inline const std::vector<FieldSpec> kFields = {{"NAME", 'C', 20, 0}, {"N", 'N', 10, 0}};
inline const std::vector<TagSpec> kTags = {{"NAME", "NAME", "", false, false},
                                           {"N", "N", "", false, false}};

// The name of the record numbered i + 1; every name differs.
inline std::string NameOf(int i) {
  return "K" + std::to_string(i * 7919 % 100000);
}

inline std::string MakeIndexedTable(const testing::TempFolder& dir, int records) {
  const std::string path = dir / "shared.dbf";
  Context context;
  auto table = Table::Create(context, path, kFields);
  for (int i = 0; i < records; ++i) {
    table->StartAppend();
    table->AssignBytes(0, NameOf(i));
    table->AssignNumber(1, i);
    table->Append();
  }
  CreateProductionIndex(*table, kTags);
  return path;
}

inline std::unique_ptr<Table> OpenShared(Context& context, const std::string& path) {
  auto table = Table::Open(context, path, OpenOptions{false, false});
  OpenIndex(*table, ProductionIndexPath(path));
  return table;
}

}  // namespace volarin::dbf::sharingtest
