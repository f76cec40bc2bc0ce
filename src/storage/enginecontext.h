#pragma once
// An engine context as the storage objects configure it: our dbf::Context, plus every setting
// passed to it, in order. Settings our local engine acts on (open modes, locking, unique-key
// handling, date picture, automatic index opening, read-ahead) are mapped onto dbf::Settings;
// the others (lock enforcement, code page, collation, message switches, ...) have no effect here
// but are kept, so the values and their order stay visible to callers and tests.

#include <string>
#include <vector>

#include "dbf/context.h"

namespace volarin {

enum class ContextSetting {
  kAccessMode,  // 0 shared, 1 exclusive
  kReadOnly,
  kAutoOpen,
  kSafety,
  kSingleOpen,
  kLockEnforce,
  kLockAttempts,
  kLockAttemptsSingle,
  kLockDelay,  // milliseconds between lock attempts
  kReadLock,
  kAutoUnlock,
  kCompatibility,
  kCodePage,
  kCollation,
  kErrOff,
  kErrFieldName,
  kErrTagName,
  kErrGo,
  kErrOpen,
  kErrSkip,
  kOptimize,
  kOptimizeWrite,
  kLargeFiles,
  kUniqueDefault,  // 20 refuse a duplicate key of a unique tag, 25 pass over it
  kDateFormat,     // text value
};

const char* SettingName(ContextSetting setting);

struct PassedSetting {
  ContextSetting setting;
  int value = 0;
  std::string text;  // kDateFormat only
  bool operator==(const PassedSetting&) const = default;
};

class EngineContext {
 public:
  EngineContext();

  void Set(ContextSetting setting, int value);
  void SetDateFormat(const std::string& picture);
  // The last value passed for the setting (0 when never passed).
  int Value(ContextSetting setting) const;
  const std::string& DateFormat() const { return dateFormat_; }

  // Every setting passed since creation (or since ForgetPassed), in order.
  const std::vector<PassedSetting>& Passed() const { return passed_; }
  void ForgetPassed() { passed_.clear(); }

  // The index files this engine keeps: always dBASE IV production indexes.
  std::string IndexExtension() const { return "MDX"; }

  dbf::Context& Engine() { return engine_; }
  const dbf::Context& Engine() const { return engine_; }

 private:
  void Apply(ContextSetting setting, int value);

  dbf::Context engine_;
  std::vector<int> values_;
  std::string dateFormat_;
  std::vector<PassedSetting> passed_;
};

}  // namespace volarin
