#include "storage/environment.h"

#include <algorithm>

#include "common/text.h"
#include "storage/storagedatabase.h"
#include "storage/storageengine.h"

namespace volarin {

void Environment::SetDefaultExclusive(bool value) {
  globals_.defaultExclusive = value;
  PassDefaultsToStartedEngines();
}

void Environment::SetDefaultOpenMode(DefaultOpenMode value) {
  globals_.defaultOpenMode = value;
  PassDefaultsToStartedEngines();
}

void Environment::SetDefaultUniqueTagHandling(DefaultUniqueTagHandling value) {
  globals_.defaultUniqueTagHandling = value;
  PassDefaultsToStartedEngines();
}

void Environment::SetDateFormat(const std::string& picture) {
  globals_.dateFormat = picture;
  for (StorageEngine* engine : startedEngines_) engine->PassDateFormat();
}

void Environment::PassDefaultsToStartedEngines() {
  for (StorageEngine* engine : startedEngines_) engine->PassContextDefaults();
}

std::string Environment::MessageText(const std::string& message) const {
  return globals_.onGetMessageText ? globals_.onGetMessageText(message) : message;
}

void Environment::RegisterDatabase(StorageDataBase& database) {
  if (std::find(databases_.begin(), databases_.end(), &database) == databases_.end()) {
    databases_.push_back(&database);
  }
}

void Environment::UnregisterDatabase(StorageDataBase& database) {
  std::erase(databases_, &database);
}

StorageDataBase* Environment::FindDatabase(const std::string& name) const {
  const std::string wanted = UpperAscii(name);
  for (StorageDataBase* database : databases_) {
    if (UpperAscii(database->Name()) == wanted) return database;
  }
  return nullptr;
}

void Environment::AddStartedEngine(StorageEngine& engine) {
  if (std::find(startedEngines_.begin(), startedEngines_.end(), &engine) == startedEngines_.end()) {
    startedEngines_.push_back(&engine);
  }
}

void Environment::RemoveStartedEngine(StorageEngine& engine) {
  std::erase(startedEngines_, &engine);
}

}  // namespace volarin
