#pragma once
// Shared pieces of the index tests: the example files, a reference model of a tag, file pokes.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "dbf/mdx/mdxfile.h"
#include "dbf/mdx/tagcursor.h"

namespace volarin::dbf::mdxtest {

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vpp-mdx-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string ExamplePath(const std::string& name) {
  return std::string(VPP_MDX_TEST_DATA) + "/" + name;
}

// A writable copy of an example file in the folder.
inline std::string CopyExample(const TempDir& dir, const std::string& name) {
  const std::string target = dir / name;
  std::filesystem::copy_file(ExamplePath(name), target,
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(
      target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  return target;
}

inline std::unique_ptr<MdxFile> OpenForWriting(const std::string& path) {
  return MdxFile::Open(path, platform::File::Access::ReadWrite, platform::File::Share::Exclusive);
}

inline std::unique_ptr<MdxFile> OpenForReading(const std::string& path) {
  return MdxFile::Open(path, platform::File::Access::ReadOnly, platform::File::Share::Shared);
}

struct Entry {
  std::string key;
  uint32_t recno;
};

// Every entry of the tag in tag order.
inline std::vector<Entry> Walk(IndexTag& tag) {
  std::vector<Entry> entries;
  TagCursor cursor(tag);
  for (bool ok = cursor.First(); ok; ok = cursor.Next()) {
    entries.push_back({std::string(cursor.Key()), cursor.RecNo()});
  }
  return entries;
}

inline std::vector<Entry> WalkBackwards(IndexTag& tag) {
  std::vector<Entry> entries;
  TagCursor cursor(tag);
  for (bool ok = cursor.Last(); ok; ok = cursor.Prev()) {
    entries.push_back({std::string(cursor.Key()), cursor.RecNo()});
  }
  std::reverse(entries.begin(), entries.end());
  return entries;
}

// The order a tag must have: keys by the tag's comparison, equal keys by record number.
inline void SortLikeTag(IndexTag& tag, std::vector<Entry>& entries) {
  std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
    const int c = tag.CompareKeys(reinterpret_cast<const uint8_t*>(a.key.data()),
                                  reinterpret_cast<const uint8_t*>(b.key.data()), a.key.size());
    return c != 0 ? c < 0 : a.recno < b.recno;
  });
}

inline bool SameEntries(const std::vector<Entry>& a, const std::vector<Entry>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].key != b[i].key || a[i].recno != b[i].recno) return false;
  }
  return true;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline void PutU32At(std::string& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

}  // namespace volarin::dbf::mdxtest
