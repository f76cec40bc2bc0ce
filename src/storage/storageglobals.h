#pragma once
// The global settings component of a window: its properties are the environment's defaults.

#include <string>

#include "storage/environment.h"

namespace volarin {

class StorageGlobals {
 public:
  StorageGlobals(Environment& environment, std::string name)
      : environment_(environment), name_(std::move(name)) {}

  const std::string& Name() const { return name_; }

  bool DefaultExclusive() const { return Get().defaultExclusive; }
  void SetDefaultExclusive(bool v) { environment_.SetDefaultExclusive(v); }
  DefaultOpenMode GetDefaultOpenMode() const { return Get().defaultOpenMode; }
  void SetDefaultOpenMode(DefaultOpenMode v) { environment_.SetDefaultOpenMode(v); }
  DefaultUniqueTagHandling GetDefaultUniqueTagHandling() const {
    return Get().defaultUniqueTagHandling;
  }
  void SetDefaultUniqueTagHandling(DefaultUniqueTagHandling v) {
    environment_.SetDefaultUniqueTagHandling(v);
  }
  const std::string& DateFormat() const { return Get().dateFormat; }
  void SetDateFormat(const std::string& v) { environment_.SetDateFormat(v); }
  bool DefaultDeleted() const { return Get().defaultDeleted; }
  void SetDefaultDeleted(bool v) { environment_.SetDefaultDeleted(v); }
  bool TransliterateEnable() const { return Get().transliterateEnable; }
  void SetTransliterateEnable(bool v) { environment_.SetTransliterateEnable(v); }
  bool DefaultProvideDefaults() const { return Get().defaultProvideDefaults; }
  void SetDefaultProvideDefaults(bool v) { environment_.SetDefaultProvideDefaults(v); }
  bool DefaultAutoFormatFields() const { return Get().defaultAutoFormatFields; }
  void SetDefaultAutoFormatFields(bool v) { environment_.SetDefaultAutoFormatFields(v); }
  void SetOnGetMessageText(MessageTextHook hook) {
    environment_.SetOnGetMessageText(std::move(hook));
  }

 private:
  const GlobalSettings& Get() const { return environment_.Globals(); }
  Environment& environment_;
  std::string name_;
};

}  // namespace volarin
