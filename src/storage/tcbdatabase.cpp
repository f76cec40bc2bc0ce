#include "storage/tcbdatabase.h"

#include "common/paths.h"
#include "common/platform.h"
#include "storage/environment.h"
#include "storage/errors.h"
#include "storage/tcbengine.h"
#include "storage/tcbtable.h"

namespace volarin {

TCBDataBase::TCBDataBase(Environment& environment, std::string name)
    : environment_(environment), name_(std::move(name)) {
  environment_.RegisterDatabase(*this);
}

TCBDataBase::~TCBDataBase() {
  try {
    CloseAll();
  } catch (...) {
    // Closing errors cannot be reported from a destructor.
  }
  for (TCBTable* table : std::vector<TCBTable*>(tables_)) table->ForgetDatabase();
  SetEngine(nullptr);
  environment_.UnregisterDatabase(*this);
}

void TCBDataBase::SetEngine(TCBEngine* engine) {
  if (engine_ == engine) return;
  if (engine_) engine_->Detach(*this);
  engine_ = engine;
  if (engine_) engine_->Attach(*this);
}

void TCBDataBase::SetDataPath(const std::string& folder) {
  AssignFolder(dataPath_, folder);
}

void TCBDataBase::SetIndexPath(const std::string& folder) {
  AssignFolder(indexPath_, folder);
}

void TCBDataBase::AssignFolder(std::string& target, const std::string& folder) {
  // The same folder with or without its trailing separator is no change: nothing is closed.
  std::string value = folder;
  if (!value.empty() && !IsPathSeparator(value.back())) value += kPathSeparator;
  if (value == target) return;
  CloseAll();
  target = value;
}

void TCBDataBase::CloseAll() {
  // Closing a table unregisters it, so walk a copy.
  for (TCBTable* table : std::vector<TCBTable*>(tables_)) table->Close();
}

void TCBDataBase::AddOpenTable(TCBTable& table) {
  tables_.push_back(&table);
}

void TCBDataBase::RemoveOpenTable(TCBTable& table) {
  std::erase(tables_, &table);
}

ResolvedTable ResolveTable(Environment& environment, TCBDataBase* database,
                           const std::string& dataBaseName, const std::string& fileAlias) {
  if (!database) {
    if (dataBaseName.empty()) {
      throw ECBOpenError("The CBDataBase and/or DataBaseName property has not been specified.");
    }
    database = environment.FindDatabase(dataBaseName);
    if (!database) throw ECBOpenError("DataBase: " + dataBaseName + " could not be found.");
  }
  TCBEngine* engine = database->Engine();
  if (!engine) {
    throw ECBOpenError("The CBEngine for " + dataBaseName + " has not been specified.");
  }
  if (!engine->Started()) engine->Start();
  if (!engine->Connected()) engine->Connect();
  if (!engine->Context()) {
    throw ECBOpenError("CBEngine: " + engine->Name() + " could not be initialized.");
  }
  const IndexKind kind = engine->GetIndexKind();
  if (kind == IndexKind::kNone) throw ECBOpenError("Index extension unknown.");

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
