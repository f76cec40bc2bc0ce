#include "storage/fieldnameindex.h"

#include <cstring>

#include "common/text.h"

namespace volarin {

namespace {
inline unsigned char Upper(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 32) : u;
}
}  // namespace

size_t FieldNameIndex::Hash(std::string_view name) {
  size_t h = 2166136261u;
  for (char c : name) h = (h ^ Upper(c)) * 16777619u;
  return h;
}

FieldNameIndex::FieldNameIndex(const std::vector<std::string>& names) {
  size_t size = 16;
  while (size < names.size() * 3) size *= 2;
  slots_.assign(size, 0);
  for (size_t i = 0; i < names.size(); ++i) {
    upperNames_.push_back(UpperAscii(names[i]));
    size_t slot = Hash(names[i]) & (size - 1);
    while (slots_[slot] != 0) {
      if (upperNames_[static_cast<size_t>(slots_[slot] - 1)] == upperNames_.back()) break;
      slot = (slot + 1) & (size - 1);
    }
    if (slots_[slot] == 0) slots_[slot] = static_cast<int>(i) + 1;  // the first of a name wins
  }
}

int FieldNameIndex::FindAndRemember(std::string_view name) const {
  if (slots_.empty()) return -1;
  const size_t mask = slots_.size() - 1;
  for (size_t slot = Hash(name) & mask;; slot = (slot + 1) & mask) {
    const int entry = slots_[slot];
    if (entry == 0) return -1;
    const std::string& candidate = upperNames_[static_cast<size_t>(entry - 1)];
    if (candidate.size() == name.size()) {
      size_t k = 0;
      while (k < name.size() && static_cast<unsigned char>(candidate[k]) == Upper(name[k])) ++k;
      if (k == name.size()) {
        if (name.size() <= kCachedLength && !name.empty()) {
          CacheEntry& slotEntry = cache_[nextEntry_++ % cache_.size()];
          std::memcpy(slotEntry.name, name.data(), name.size());
          slotEntry.size = name.size();
          slotEntry.index = entry - 1;
        }
        return entry - 1;
      }
    }
  }
}

}  // namespace volarin
