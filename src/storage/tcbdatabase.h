#pragma once
// The database component: names the folders of the data and index files, and keeps the list of
// the tables opened through it so that changing a folder (or stopping the engine) closes them.

#include <string>
#include <vector>

namespace volarin {

class Environment;
class TCBEngine;
class TCBTable;

class TCBDataBase {
 public:
  TCBDataBase(Environment& environment, std::string name);
  ~TCBDataBase();
  TCBDataBase(const TCBDataBase&) = delete;
  TCBDataBase& operator=(const TCBDataBase&) = delete;

  const std::string& Name() const { return name_; }
  Environment& GetEnvironment() const { return environment_; }

  TCBEngine* Engine() const { return engine_; }
  void SetEngine(TCBEngine* engine);

  // Stored with a trailing separator unless empty. A different value closes the open tables.
  const std::string& DataPath() const { return dataPath_; }
  void SetDataPath(const std::string& folder);
  const std::string& IndexPath() const { return indexPath_; }
  void SetIndexPath(const std::string& folder);

  void CloseAll();
  void AddOpenTable(TCBTable& table);
  void RemoveOpenTable(TCBTable& table);
  size_t OpenTableCount() const { return tables_.size(); }

 private:
  void AssignFolder(std::string& target, const std::string& folder);

  Environment& environment_;
  std::string name_;
  TCBEngine* engine_ = nullptr;  // not owned
  std::string dataPath_;
  std::string indexPath_;
  std::vector<TCBTable*> tables_;  // not owned: each removes itself when closed
};

// Where a cursor's files are, and the engine that opens them.
struct ResolvedTable {
  TCBEngine* engine = nullptr;
  TCBDataBase* database = nullptr;
  std::string dataFile;
  std::string indexFile;
};

// The cursor's own database object when it has one, else the one registered under
// dataBaseName. Starts and connects the engine when needed. Throws ECBOpenError.
ResolvedTable ResolveTable(Environment& environment, TCBDataBase* database,
                           const std::string& dataBaseName, const std::string& fileAlias);

}  // namespace volarin
