#pragma once
// Field positions by name without regard to case, found without allocating: cursors look a
// field up by name on every read, so this sits on the hottest path of a scan.

#include <string>
#include <string_view>
#include <vector>

namespace volarin {

class FieldNameIndex {
 public:
  FieldNameIndex() = default;
  explicit FieldNameIndex(const std::vector<std::string>& names);
  // The position of the name in the list given, or -1.
  int Find(std::string_view name) const;

 private:
  static size_t Hash(std::string_view name);
  std::vector<std::string> upperNames_;
  std::vector<int> slots_;  // open addressing: position + 1, 0 = empty
};

}  // namespace volarin
