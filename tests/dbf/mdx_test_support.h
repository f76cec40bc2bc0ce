#pragma once
// Shared pieces of the index tests: the example files, a reference model of a tag, file pokes.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dbf/mdx/mdxfile.h"
#include "dbf/mdx/tagcursor.h"
#include "support/example_files.h"
#include "support/perl_script.h"
#include "support/temp_folder.h"

namespace volarin::dbf::mdxtest {

using ::volarin::testing::CopyExample;
using ::volarin::testing::ExampleFile;
using ::volarin::testing::ReadBytes;
using ::volarin::testing::TempFolder;
using ::volarin::testing::WriteBytes;

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

// Key bytes as lowercase hex, the form the independent reader prints.
inline std::string Hex(std::string_view bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// "hexkey recno" lines as Perl's XBase::Index (an independent reader) walks the tag.
inline std::string ReadWithXBase(const TempFolder& dir, const std::string& index,
                                 const std::string& tag) {
  static constexpr const char* kReader = R"(use strict; use XBase::Index;
my $i = XBase::Index->new($ARGV[0], tag => $ARGV[1]) or die XBase::Index->errstr;
$i->prepare_select;
while (my ($key, $recno) = $i->fetch) { print unpack("H*", $key), " ", $recno, "\n"; }
)";
  return ::volarin::testing::RunPerlScript(dir.Path(), kReader, {index, tag}).output;
}

inline void PutU32At(std::string& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

}  // namespace volarin::dbf::mdxtest
