#pragma once
// The process-wide storage environment: the global defaults and the registries of database
// objects and started engines. The program creates one when it starts and passes it to every
// storage object it builds; tests create their own, so nothing here is a hidden global.

#include <string>
#include <vector>

#include "storage/globalsettings.h"

namespace volarin {

class StorageDataBase;
class StorageEngine;

class Environment {
 public:
  Environment() = default;
  ~Environment() = default;
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;

  const GlobalSettings& Globals() const { return globals_; }

  // The first four are context defaults: a change reaches every started engine at once.
  void SetDefaultExclusive(bool value);
  void SetDefaultOpenMode(DefaultOpenMode value);
  void SetDefaultUniqueTagHandling(DefaultUniqueTagHandling value);
  void SetDateFormat(const std::string& picture);
  void SetDefaultDeleted(bool value) { globals_.defaultDeleted = value; }
  void SetTransliterateEnable(bool value) { globals_.transliterateEnable = value; }
  void SetDefaultProvideDefaults(bool value) { globals_.defaultProvideDefaults = value; }
  void SetDefaultAutoFormatFields(bool value) { globals_.defaultAutoFormatFields = value; }
  void SetOnGetMessageText(MessageTextHook hook) { globals_.onGetMessageText = std::move(hook); }
  // The message as the hook gives it back, or unchanged without a hook.
  std::string MessageText(const std::string& message) const;

  // Database objects register for their whole life; lookup ignores case.
  void RegisterDatabase(StorageDataBase& database);
  void UnregisterDatabase(StorageDataBase& database);
  StorageDataBase* FindDatabase(const std::string& name) const;

  void AddStartedEngine(StorageEngine& engine);
  void RemoveStartedEngine(StorageEngine& engine);
  const std::vector<StorageEngine*>& StartedEngines() const { return startedEngines_; }

 private:
  void PassDefaultsToStartedEngines();

  GlobalSettings globals_;
  std::vector<StorageDataBase*> databases_;     // not owned: each unregisters itself
  std::vector<StorageEngine*> startedEngines_;  // not owned: each removes itself when it stops
};

}  // namespace volarin
