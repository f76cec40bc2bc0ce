#include "storage/enginecontext.h"

#include "dbf/mdx/tableindex.h"

namespace volarin {

namespace {
constexpr int kSettingCount = static_cast<int>(ContextSetting::kDateFormat) + 1;
}

const char* SettingName(ContextSetting setting) {
  switch (setting) {
    case ContextSetting::kAccessMode:
      return "AccessMode";
    case ContextSetting::kReadOnly:
      return "ReadOnly";
    case ContextSetting::kAutoOpen:
      return "AutoOpen";
    case ContextSetting::kSafety:
      return "Safety";
    case ContextSetting::kSingleOpen:
      return "SingleOpen";
    case ContextSetting::kLockEnforce:
      return "LockEnforce";
    case ContextSetting::kLockAttempts:
      return "LockAttempts";
    case ContextSetting::kLockAttemptsSingle:
      return "LockAttemptsSingle";
    case ContextSetting::kLockDelay:
      return "LockDelay";
    case ContextSetting::kReadLock:
      return "ReadLock";
    case ContextSetting::kAutoUnlock:
      return "AutoUnlock";
    case ContextSetting::kCompatibility:
      return "Compatibility";
    case ContextSetting::kCodePage:
      return "CodePage";
    case ContextSetting::kCollation:
      return "Collation";
    case ContextSetting::kErrOff:
      return "ErrOff";
    case ContextSetting::kErrFieldName:
      return "ErrFieldName";
    case ContextSetting::kErrTagName:
      return "ErrTagName";
    case ContextSetting::kErrGo:
      return "ErrGo";
    case ContextSetting::kErrOpen:
      return "ErrOpen";
    case ContextSetting::kErrSkip:
      return "ErrSkip";
    case ContextSetting::kOptimize:
      return "Optimize";
    case ContextSetting::kOptimizeWrite:
      return "OptimizeWrite";
    case ContextSetting::kLargeFiles:
      return "LargeFiles";
    case ContextSetting::kUniqueDefault:
      return "UniqueDefault";
    case ContextSetting::kDateFormat:
      return "DateFormat";
  }
  return "?";
}

EngineContext::EngineContext() : values_(kSettingCount, 0) {
  engine_.SetIndexOpener(&dbf::ProductionIndexOpener());
  dbf::Settings& s = engine_.Configure();
  s.autoOpen = false;
  s.safety = false;
  dateFormat_ = s.datePicture;
}

void EngineContext::Set(ContextSetting setting, int value) {
  values_[static_cast<size_t>(setting)] = value;
  passed_.push_back({setting, value, {}});
  Apply(setting, value);
}

void EngineContext::SetDateFormat(const std::string& picture) {
  dateFormat_ = picture;
  passed_.push_back({ContextSetting::kDateFormat, 0, picture});
  engine_.Configure().datePicture = picture;
}

int EngineContext::Value(ContextSetting setting) const {
  return values_[static_cast<size_t>(setting)];
}

void EngineContext::Apply(ContextSetting setting, int value) {
  dbf::Settings& s = engine_.Configure();
  switch (setting) {
    case ContextSetting::kAccessMode:
      s.exclusive = value == 1;
      break;
    case ContextSetting::kReadOnly:
      s.readOnly = value != 0;
      break;
    case ContextSetting::kAutoOpen:
      s.autoOpen = value != 0;
      break;
    case ContextSetting::kSafety:
      s.safety = value != 0;
      break;
    case ContextSetting::kLockAttempts:
      s.lockAttempts = value < 1 ? 1 : value;
      break;
    case ContextSetting::kLockDelay:
      s.lockDelayMs = value < 0 ? 0 : value;
      break;
    case ContextSetting::kUniqueDefault:
      s.uniqueMode = value == 20 ? dbf::UniqueMode::kRefuse : dbf::UniqueMode::kPassOver;
      break;
    case ContextSetting::kOptimize:
      s.readAhead = value != 0;
      break;
    default:
      break;  // kept for callers; nothing in our engine depends on it
  }
}

}  // namespace volarin
