#pragma once
// A data folder with the system's storage objects set up over it, as the main window sets them
// up: engine started with the program's settings, database pointed at the folder.

#include <memory>
#include <string>

#include "storage/environment.h"
#include "storage/fixtures/datafolder.h"
#include "storage/storagedatabase.h"
#include "storage/storageengine.h"
#include "storage/tablecursor.h"
#include "support/temp_folder.h"

namespace volarin::testing {

inline Date Ymd(int y, int m, int d) {
  return *Date::FromYmd(y, m, d);
}

struct StorageSetup {
  TempFolder folder;
  Environment environment;
  StorageEngine engine{environment, "Engine1"};
  StorageDataBase database{environment, "DataBase1"};

  explicit StorageSetup(const fixtures::DataFolderRows& rows = {}) {
    fixtures::BuildDataFolder(folder.Path(), rows);
    engine.SetAutoUnlock(AutoUnlock::kOff);
    engine.SetLockAttempts(2);  // locks held elsewhere fail quickly in tests
    engine.SetLockDelay(10);
    database.SetEngine(&engine);
    database.SetDataPath(folder.Path());
    database.SetIndexPath(folder.Path());
  }

  // A cursor as the main window declares it: shared unless said otherwise, through "DataBase1".
  std::unique_ptr<TableCursor> Cursor(const std::string& alias, bool exclusive = false) {
    auto cursor = std::make_unique<TableCursor>(environment, alias);
    cursor->fileAlias = alias;
    cursor->dataBaseName = "DataBase1";
    cursor->exclusive = exclusive ? ExclusiveMode::kTrue : ExclusiveMode::kDefault;
    return cursor;
  }

  std::string Path(const std::string& name) const { return folder / name; }
};

}  // namespace volarin::testing

#include <functional>
#include <vector>

#include "dbf/mdx/tableindex.h"
#include "dbf/table.h"

namespace volarin::testing {

// A table of any layout for the cases the suite's tables do not show (numeric and descending
// tags, odd field types): rows of stored texts, one per field; a leading '*' in the first text
// marks the record deleted.
inline void MakeTable(const std::string& path, const std::vector<dbf::FieldSpec>& fields,
                      const std::vector<std::vector<std::string>>& rows,
                      const std::vector<dbf::TagSpec>& tags) {
  dbf::Context context;
  dbf::CreateOptions options;
  options.open.exclusive = true;
  auto table = dbf::Table::Create(context, path, fields, options);
  for (const auto& row : rows) {
    table->StartAppend();
    bool deleted = false;
    for (size_t i = 0; i < row.size(); ++i) {
      std::string text = row[i];
      if (i == 0 && !text.empty() && text[0] == '*') {
        deleted = true;
        text.erase(0, 1);
      }
      table->AssignBytes(static_cast<int>(i), text);
    }
    if (deleted) table->Delete();
    table->Append();
  }
  table->Flush();
  if (!tags.empty()) dbf::CreateProductionIndex(*table, tags);
  table->Close();
}

inline dbf::TagSpec TagOf(const std::string& name, const std::string& key,
                          bool descending = false) {
  dbf::TagSpec tagSpec;
  tagSpec.name = name;
  tagSpec.keyExpression = key;
  tagSpec.descending = descending;
  return tagSpec;
}

// Every visible record from the top, as the values of one field read as whole numbers.
inline std::vector<int64_t> Walk(TableCursor& cursor, const std::string& field) {
  std::vector<int64_t> values;
  for (cursor.GoTop(); !cursor.Eof(); cursor.Skip(1)) values.push_back(cursor.FieldAsInt64(field));
  return values;
}

using Checks = std::vector<int64_t>;

}  // namespace volarin::testing
