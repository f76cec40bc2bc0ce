#include "storage/tableobject.h"

#include "storage/errors.h"
#include "storage/storagedatabase.h"

namespace volarin {

TableObject::~TableObject() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; Close() is called explicitly where errors matter.
  }
}

void TableObject::Attach(std::unique_ptr<dbf::Table> table, StorageEngine& engine,
                         StorageDataBase& database) {
  Close();
  table_ = std::move(table);
  engine_ = &engine;
  database_ = &database;
  database_->AddOpenTable(*this);
}

void TableObject::Close() {
  if (database_) database_->RemoveOpenTable(*this);
  database_ = nullptr;
  engine_ = nullptr;
  std::unique_ptr<dbf::Table> table = std::move(table_);
  if (table) table->Close();
}

dbf::Table& TableObject::Require(const char* request) const {
  if (!table_) {
    throw EStorageError("The " + fileAlias_ + " file is not opened for this " + request +
                        " request.");
  }
  return *table_;
}

}  // namespace volarin
