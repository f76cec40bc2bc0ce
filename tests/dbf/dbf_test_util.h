#pragma once
// Helpers of the engine tests: a temporary folder, file bytes, the example tables.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "support/temp_folder.h"

namespace volarin::dbf::testing {

// A fresh folder under the system's temporary folder, removed with its contents at the end.
using TempDir = ::volarin::testing::TempFolder;

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Path of an example table copied into tests/dbf/data.
inline std::string DataFile(const std::string& name) {
  return std::string(DBF_TEST_DATA) + "/" + name;
}

// Copies an example table (and its memo file) into dir so a test may change it.
inline std::string CopyExample(const TempDir& dir, const std::string& name) {
  std::filesystem::copy_file(DataFile(name), dir / name);
  const std::string base = name.substr(0, name.size() - 4);
  if (std::filesystem::exists(DataFile(base + ".dbt"))) {
    std::filesystem::copy_file(DataFile(base + ".dbt"), dir / (base + ".dbt"));
  }
  return dir / name;
}

}  // namespace volarin::dbf::testing
