#pragma once
// Field positions by name without regard to case, found without allocating: cursors look a
// field up by name on every read, so this sits on the hottest path of a scan.

#include <array>
#include <cstdint>
#include <cstring>
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
  // Field names are a few bytes long: two overlapping words compare them at once (`a` holds at
  // least b.size() bytes).
  static bool SameBytes(const char* a, std::string_view b) {
    const size_t n = b.size();
    if (n >= 8) return SameWords<uint64_t>(a, b.data(), n);
    if (n >= 4) return SameWords<uint32_t>(a, b.data(), n);
    for (size_t i = 0; i < n; ++i) {
      if (a[i] != b[i]) return false;
    }
    return true;
  }
  // The first and the last sizeof(Word) bytes of n (sizeof(Word) <= n <= 2 sizeof(Word)).
  template <typename Word>
  static bool SameWords(const char* a, const char* b, size_t n) {
    Word a0, b0, a1, b1;
    std::memcpy(&a0, a, sizeof(Word));
    std::memcpy(&b0, b, sizeof(Word));
    std::memcpy(&a1, a + n - sizeof(Word), sizeof(Word));
    std::memcpy(&b1, b + n - sizeof(Word), sizeof(Word));
    return ((a0 ^ b0) | (a1 ^ b1)) == 0;
  }
  mutable std::array<CacheEntry, 8> cache_{};
  mutable size_t nextEntry_ = 0;

  static size_t Hash(std::string_view name);
  std::vector<std::string> upperNames_;
  std::vector<int> slots_;  // open addressing: position + 1, 0 = empty
};

}  // namespace volarin
