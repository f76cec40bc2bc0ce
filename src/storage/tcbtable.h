#pragma once
// The table object behind a cursor: holds the engine table and answers every request with it, or
// with the "not opened" error when the table was closed under the cursor (its database object
// closes its tables when a folder changes or the engine stops).

#include <memory>
#include <string>

#include "dbf/table.h"

namespace volarin {

class TCBDataBase;
class TCBEngine;

class TCBTable {
 public:
  explicit TCBTable(std::string fileAlias) : fileAlias_(std::move(fileAlias)) {}
  ~TCBTable();
  TCBTable(const TCBTable&) = delete;
  TCBTable& operator=(const TCBTable&) = delete;

  const std::string& FileAlias() const { return fileAlias_; }
  void SetFileAlias(std::string alias) { fileAlias_ = std::move(alias); }

  // Takes the opened engine table and registers with the database object.
  void Attach(std::unique_ptr<dbf::Table> table, TCBEngine& engine, TCBDataBase& database);
  // Closes the engine table (writing nothing the cursor did not change) and unregisters.
  void Close();
  bool IsOpen() const { return table_ != nullptr; }

  // The engine table for a request; throws ECBError "The <alias> file is not opened for this
  // <request> request." when it is closed.
  dbf::Table& Require(const char* request) const;
  dbf::Table* Get() const { return table_.get(); }
  TCBEngine* Engine() const { return engine_; }

  // The database object is being destroyed.
  void ForgetDatabase() { database_ = nullptr; }

 private:
  std::string fileAlias_;
  std::unique_ptr<dbf::Table> table_;
  TCBEngine* engine_ = nullptr;      // not owned
  TCBDataBase* database_ = nullptr;  // not owned
};

}  // namespace volarin
