#pragma once
// The defaults every cursor falls back on, held once per process by the Environment.

#include <functional>
#include <string>

namespace volarin {

enum class DefaultOpenMode { kReadWrite, kReadOnly };
enum class DefaultUniqueTagHandling { kContinue, kException };

// May replace the text of a record-lock message before it is raised.
using MessageTextHook = std::function<std::string(const std::string& message)>;

struct GlobalSettings {
  bool defaultExclusive = false;
  DefaultOpenMode defaultOpenMode = DefaultOpenMode::kReadWrite;
  DefaultUniqueTagHandling defaultUniqueTagHandling = DefaultUniqueTagHandling::kContinue;
  std::string dateFormat = "MM/DD/CCYY";  // the engine's date picture
  bool defaultDeleted = true;             // hide records that carry the deletion mark
  bool transliterateEnable = true;        // OEM text in the files, Windows text in memory
  // Kept for the grids: stored-blank fields read as empty whatever this says, and no display
  // formats are derived from field widths.
  bool defaultProvideDefaults = false;
  bool defaultAutoFormatFields = false;
  MessageTextHook onGetMessageText;
};

}  // namespace volarin
