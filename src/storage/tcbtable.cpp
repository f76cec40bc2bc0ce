#include "storage/tcbtable.h"

#include "storage/errors.h"
#include "storage/tcbdatabase.h"

namespace volarin {

TCBTable::~TCBTable() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; Close() is called explicitly where errors matter.
  }
}

void TCBTable::Attach(std::unique_ptr<dbf::Table> table, TCBEngine& engine, TCBDataBase& database) {
  Close();
  table_ = std::move(table);
  engine_ = &engine;
  database_ = &database;
  database_->AddOpenTable(*this);
}

void TCBTable::Close() {
  if (database_) database_->RemoveOpenTable(*this);
  database_ = nullptr;
  engine_ = nullptr;
  std::unique_ptr<dbf::Table> table = std::move(table_);
  if (table) table->Close();
}

dbf::Table& TCBTable::Require(const char* request) const {
  if (!table_) {
    throw ECBError("The " + fileAlias_ + " file is not opened for this " + request + " request.");
  }
  return *table_;
}

}  // namespace volarin
