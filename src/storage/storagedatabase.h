#pragma once
// The database component: names the folders of the data and index files, and keeps the list of
// the tables opened through it so that changing a folder (or stopping the engine) closes them.

#include <string>
#include <vector>

namespace volarin {

class Environment;
class StorageEngine;
class TableObject;

class StorageDataBase {
 public:
  StorageDataBase(Environment& environment, std::string name);
  ~StorageDataBase();
  StorageDataBase(const StorageDataBase&) = delete;
  StorageDataBase& operator=(const StorageDataBase&) = delete;

  const std::string& Name() const { return name_; }
  Environment& GetEnvironment() const { return environment_; }

  StorageEngine* Engine() const { return engine_; }
  void SetEngine(StorageEngine* engine);

  // Stored with a trailing separator unless empty. A different value closes the open tables.
  const std::string& DataPath() const { return dataPath_; }
  void SetDataPath(const std::string& folder);
  const std::string& IndexPath() const { return indexPath_; }
  void SetIndexPath(const std::string& folder);

  void CloseAll();
  void AddOpenTable(TableObject& table);
  void RemoveOpenTable(TableObject& table);
  size_t OpenTableCount() const { return tables_.size(); }

 private:
  void AssignFolder(std::string& target, const std::string& folder);

  Environment& environment_;
  std::string name_;
  StorageEngine* engine_ = nullptr;  // not owned
  std::string dataPath_;
  std::string indexPath_;
  std::vector<TableObject*> tables_;  // not owned: each removes itself when closed
};

// Where a cursor's files are, and the engine that opens them.
struct ResolvedTable {
  StorageEngine* engine = nullptr;
  StorageDataBase* database = nullptr;
  std::string dataFile;
  std::string indexFile;
};

// The cursor's own database object when it has one, else the one registered under
// dataBaseName. Starts and connects the engine when needed. Throws EOpenError.
ResolvedTable ResolveTable(Environment& environment, StorageDataBase* database,
                           const std::string& dataBaseName, const std::string& fileAlias);

}  // namespace volarin
