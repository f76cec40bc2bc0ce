// libFuzzer target: any bytes as an .MDX file. Opening and reading either fail with an
// IndexError or walk every tag inside the file; a file that checks sound must stay sound
// through inserts and removals.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dbf/mdx/indexerror.h"
#include "dbf/mdx/mdxfile.h"
#include "dbf/mdx/tagcursor.h"

namespace {

std::string FuzzFile() {
  static const std::string path = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "mdx-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern + "/input.mdx";
  }();
  return path;
}

using volarin::dbf::IndexTag;
using volarin::dbf::MdxFile;
using volarin::dbf::TagCursor;
using volarin::platform::File;

std::vector<std::pair<std::string, uint32_t>> ReadTag(IndexTag& tag) {
  std::vector<std::pair<std::string, uint32_t>> entries;
  TagCursor cursor(tag);
  for (bool ok = cursor.First(); ok && entries.size() < 100000; ok = cursor.Next()) {
    entries.emplace_back(std::string(cursor.Key()), cursor.RecNo());
  }
  size_t back = 0;
  for (bool ok = cursor.Last(); ok && back < 100000; ok = cursor.Prev()) ++back;
  for (size_t i = 0; i < entries.size() && i < 8; ++i) {
    cursor.Seek(entries[i].first);
    cursor.Seek(std::string_view(entries[i].first).substr(0, 1));
  }
  return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = FuzzFile();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  try {
    auto file = MdxFile::Open(path, File::Access::ReadWrite, File::Share::Exclusive);
    for (size_t t = 0; t < file->TagCount(); ++t) ReadTag(file->Tag(t));
    if (!file->Check().empty()) return 0;
    // A sound file takes changes and stays sound.
    for (size_t t = 0; t < file->TagCount(); ++t) {
      IndexTag& tag = file->Tag(t);
      auto entries = ReadTag(tag);
      const std::string key(static_cast<size_t>(tag.KeyLength()), static_cast<char>(size & 0x7F));
      for (uint32_t r = 1; r <= 40; ++r)
        tag.Insert(entries.empty() ? key : entries[r % entries.size()].first, 100000 + r);
      for (size_t i = 0; i < entries.size(); i += 2) {
        if (!tag.Remove(entries[i].first, entries[i].second)) std::abort();
      }
    }
    const std::string fault = file->Check();
    if (!fault.empty()) {
      fprintf(stderr, "sound file damaged by changes: %s\n", fault.c_str());
      std::abort();
    }
  } catch (const volarin::Error&) {
    // The expected outcome for damaged input.
  }
  return 0;
}
