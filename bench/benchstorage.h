#pragma once
// The main window's storage objects over a data folder, for the benchmarks that run the
// extraction and the export without a window.

#include <string>
#include <utility>

#include "storage/checkregister.h"
#include "storage/environment.h"
#include "storage/storagedatabase.h"
#include "storage/storageengine.h"
#include "storage/tablecursor.h"

namespace volarin::bench {

struct Storage {
  Environment environment;
  StorageEngine engine{environment, "Engine1"};
  StorageDataBase database{environment, "DataBase1"};
  TableCursor checkRegister{environment, "zorppay"};
  TableCursor accountMap{environment, "zorppsub"};
  TableCursor escrow{environment, "zordis"};
  TableCursor closing{environment, "rpsdis"};

  explicit Storage(const std::string& folder) {
    database.SetEngine(&engine);
    database.SetDataPath(folder);
    database.SetIndexPath(folder);
    for (auto [cursor, alias] : {std::pair{&checkRegister, "zorppay"},
                                 {&accountMap, "zorppsub"},
                                 {&escrow, "zordis"},
                                 {&closing, "rpsdis"}}) {
      cursor->fileAlias = alias;
      cursor->dataBaseName = "DataBase1";
    }
    checkRegister.exclusive = ExclusiveMode::kTrue;
    DeclareCheckRecord(checkRegister);
    accountMap.Open();
    accountMap.SetTag("accountnr");
  }
};

}  // namespace volarin::bench
