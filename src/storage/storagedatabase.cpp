#include "storage/storagedatabase.h"

#include "common/paths.h"
#include "common/platform.h"
#include "storage/environment.h"
#include "storage/errors.h"
#include "storage/storageengine.h"
#include "storage/tableobject.h"

namespace volarin {

StorageDataBase::StorageDataBase(Environment& environment, std::string name)
    : environment_(environment), name_(std::move(name)) {
  environment_.RegisterDatabase(*this);
}

StorageDataBase::~StorageDataBase() {
  try {
    CloseAll();
  } catch (...) {
    // Closing errors cannot be reported from a destructor.
  }
  for (TableObject* table : std::vector<TableObject*>(tables_)) table->ForgetDatabase();
  SetEngine(nullptr);
  environment_.UnregisterDatabase(*this);
}

void StorageDataBase::SetEngine(StorageEngine* engine) {
  if (engine_ == engine) return;
  if (engine_) engine_->Detach(*this);
  engine_ = engine;
  if (engine_) engine_->Attach(*this);
}

void StorageDataBase::SetDataPath(const std::string& folder) {
  AssignFolder(dataPath_, folder);
}

void StorageDataBase::SetIndexPath(const std::string& folder) {
  AssignFolder(indexPath_, folder);
}

void StorageDataBase::AssignFolder(std::string& target, const std::string& folder) {
  // The same folder with or without its trailing separator is no change: nothing is closed.
  std::string value = folder;
  if (!value.empty() && !IsPathSeparator(value.back())) value += kPathSeparator;
  if (value == target) return;
  CloseAll();
  target = value;
}

void StorageDataBase::CloseAll() {
  // Closing a table unregisters it, so walk a copy.
  for (TableObject* table : std::vector<TableObject*>(tables_)) table->Close();
}

void StorageDataBase::AddOpenTable(TableObject& table) {
  tables_.push_back(&table);
}

void StorageDataBase::RemoveOpenTable(TableObject& table) {
  std::erase(tables_, &table);
}

ResolvedTable ResolveTable(Environment& environment, StorageDataBase* database,
                           const std::string& dataBaseName, const std::string& fileAlias) {
  if (!database) {
    if (dataBaseName.empty()) {
      throw EOpenError("The DataBase and/or DataBaseName property has not been specified.");
    }
    database = environment.FindDatabase(dataBaseName);
    if (!database) throw EOpenError("DataBase: " + dataBaseName + " could not be found.");
  }
  StorageEngine* engine = database->Engine();
  if (!engine) {
    throw EOpenError("The Engine for " + dataBaseName + " has not been specified.");
  }
  if (!engine->Started()) engine->Start();
  if (!engine->Connected()) engine->Connect();
  if (!engine->Context()) {
    throw EOpenError("Engine: " + engine->Name() + " could not be initialized.");
  }
  const IndexKind kind = engine->GetIndexKind();
  if (kind == IndexKind::kNone) throw EOpenError("Index extension unknown.");

  ResolvedTable resolved;
  resolved.engine = engine;
  resolved.database = database;
  std::string dataFolder = database->DataPath();
  if (dataFolder.empty()) {
    dataFolder = platform::ProgramFolder();
    if (!dataFolder.empty() && !IsPathSeparator(dataFolder.back())) dataFolder += kPathSeparator;
  }
  resolved.dataFile = dataFolder + fileAlias + ".DBF";
  std::string indexFolder = database->IndexPath();
  if (indexFolder.empty()) indexFolder = FolderPart(resolved.dataFile) + kPathSeparator;
  const char* extension = kind == IndexKind::kNtx   ? ".CGP"
                          : kind == IndexKind::kCdx ? ".CDX"
                                                    : ".MDX";
  resolved.indexFile = indexFolder + fileAlias + extension;
  return resolved;
}

}  // namespace volarin
