#pragma once
// Field positions by name without regard to case, found without allocating: cursors look a
// field up by name on every read, so this sits on the hottest path of a scan.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace volarin {

class FieldNameIndex {
 public:
  FieldNameIndex() = default;
  explicit FieldNameIndex(const std::vector<std::string>& names);
  // The position of the name in the list given, or -1.
  int Find(std::string_view name) const {
    // Callers read the same few fields record after record, spelled the same way each time:
    // an exact match of a recent spelling skips hashing and case folding.
    if (name.size() <= kCachedLength) {
      for (const CacheEntry& entry : cache_) {
        if (entry.size == name.size() && entry.size != 0 && SameBytes(entry.name, name)) {
          return entry.index;
        }
      }
    }
    return FindAndRemember(name);
  }

 private:
  static constexpr size_t kCachedLength = 15;
  struct CacheEntry {
    char name[kCachedLength] = {};
    size_t size = 0;
    int index = -1;
  };
  int FindAndRemember(std::string_view name) const;
  // Field names are a few bytes long: a plain loop beats a library call.
  static bool SameBytes(const char* a, std::string_view b) {
    for (size_t i = 0; i < b.size(); ++i) {
      if (a[i] != b[i]) return false;
    }
    return true;
  }
  mutable std::array<CacheEntry, 8> cache_{};
  mutable size_t nextEntry_ = 0;

  static size_t Hash(std::string_view name);
  std::vector<std::string> upperNames_;
  std::vector<int> slots_;  // open addressing: position + 1, 0 = empty
};

}  // namespace volarin
