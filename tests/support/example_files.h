#pragma once
// The example tables and indexes of tests/dbf/data, made by other programs, and writable copies
// of them for tests that change them.

#include <filesystem>
#include <string>

#include "support/temp_folder.h"

namespace volarin::testing {

inline std::string ExampleFile(const std::string& name) {
  return std::string(VPP_EXAMPLE_DATA) + "/" + name;
}

// A writable copy of the example file in the folder, under the same name; returns its path.
inline std::string CopyExample(const TempFolder& folder, const std::string& name) {
  const std::string target = folder / name;
  std::filesystem::copy_file(ExampleFile(name), target,
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(
      target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  return target;
}

}  // namespace volarin::testing
