#pragma once
// The table object behind a cursor: holds the engine table and answers every request with it, or
// with the "not opened" error when the table was closed under the cursor (its database object
// closes its tables when a folder changes or the engine stops).

#include <memory>
#include <string>

#include "dbf/table.h"

namespace volarin {

class StorageDataBase;
class StorageEngine;

class TableObject {
 public:
  explicit TableObject(std::string fileAlias) : fileAlias_(std::move(fileAlias)) {}
  ~TableObject();
  TableObject(const TableObject&) = delete;
  TableObject& operator=(const TableObject&) = delete;

  const std::string& FileAlias() const { return fileAlias_; }
  void SetFileAlias(std::string alias) { fileAlias_ = std::move(alias); }

  // Takes the opened engine table and registers with the database object.
  void Attach(std::unique_ptr<dbf::Table> table, StorageEngine& engine, StorageDataBase& database);
  // Closes the engine table (writing nothing the cursor did not change) and unregisters.
  void Close();
  bool IsOpen() const { return table_ != nullptr; }

  // The engine table for a request; throws EStorageError "The <alias> file is not opened for this
  // <request> request." when it is closed.
  dbf::Table& Require(const char* request) const;
  dbf::Table* Get() const { return table_.get(); }
  StorageEngine* Engine() const { return engine_; }

  // The database object is being destroyed.
  void ForgetDatabase() { database_ = nullptr; }

 private:
  std::string fileAlias_;
  std::unique_ptr<dbf::Table> table_;
  StorageEngine* engine_ = nullptr;      // not owned
  StorageDataBase* database_ = nullptr;  // not owned
};

}  // namespace volarin
