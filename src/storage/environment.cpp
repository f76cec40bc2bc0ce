#include "storage/environment.h"

#include <algorithm>

#include "common/text.h"
#include "storage/tcbdatabase.h"
#include "storage/tcbengine.h"

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
  for (TCBEngine* engine : startedEngines_) engine->PassDateFormat();
}

void Environment::PassDefaultsToStartedEngines() {
  for (TCBEngine* engine : startedEngines_) engine->PassContextDefaults();
}

std::string Environment::MessageText(const std::string& message) const {
  return globals_.onGetMessageText ? globals_.onGetMessageText(message) : message;
}

void Environment::RegisterDatabase(TCBDataBase& database) {
  if (std::find(databases_.begin(), databases_.end(), &database) == databases_.end()) {
    databases_.push_back(&database);
  }
}

void Environment::UnregisterDatabase(TCBDataBase& database) {
  std::erase(databases_, &database);
}

TCBDataBase* Environment::FindDatabase(const std::string& name) const {
  const std::string wanted = UpperAscii(name);
  for (TCBDataBase* database : databases_) {
    if (UpperAscii(database->Name()) == wanted) return database;
  }
  return nullptr;
}

void Environment::AddStartedEngine(TCBEngine& engine) {
  if (std::find(startedEngines_.begin(), startedEngines_.end(), &engine) == startedEngines_.end()) {
    startedEngines_.push_back(&engine);
  }
}

void Environment::RemoveStartedEngine(TCBEngine& engine) {
  std::erase(startedEngines_, &engine);
}

}  // namespace volarin
