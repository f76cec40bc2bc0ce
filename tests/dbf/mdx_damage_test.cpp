// Damaged index files: every fault is an IndexError naming the file, never a crash or a hang.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "dbf/mdx/indexerror.h"
#include "mdx_test_support.h"

namespace volarin::dbf {
namespace {

// Opens the file and reads everything in it: every tag walked both ways, checked and sought.
void ReadEverything(const std::string& path) {
  auto file = mdxtest::OpenForReading(path);
  for (size_t t = 0; t < file->TagCount(); ++t) {
    IndexTag& tag = file->Tag(t);
    const auto entries = mdxtest::Walk(tag);
    mdxtest::WalkBackwards(tag);
    for (size_t i = 0; i < entries.size() && i < 20; ++i) {
      TagCursor cursor(tag);
      cursor.Seek(entries[i].key);
    }
  }
  (void)file->Check();
}

std::string ErrorOf(const std::string& path) {
  try {
    ReadEverything(path);
  } catch (const IndexError& e) {
    return e.what();
  }
  return "";
}

class DamagedIndex : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = mdxtest::CopyExample(dir_, "tree2.mdx");
    bytes_ = mdxtest::ReadBytes(path_);
  }
  void Save() { mdxtest::WriteBytes(path_, bytes_); }

  mdxtest::TempFolder dir_;
  std::string path_;
  std::string bytes_;
};

// tree2.mdx: tag NAME has its header at page 4 and its root at page 16 (byte 8192), whose first
// child is the leaf at page 8 (byte 4096); the second child is page 26.
TEST_F(DamagedIndex, EachFaultIsReportedWithTheFileName) {
  struct Case {
    const char* label;
    std::function<void(std::string&)> damage;
    const char* words;
  };
  const std::vector<Case> cases = {
      {"truncated header", [](std::string& b) { b.resize(1000); }, "truncated"},
      {"truncated block", [](std::string& b) { b.resize(b.size() - 700); }, "truncated"},
      {"wrong version", [](std::string& b) { b[0] = 7; }, "version"},
      {"dBASE 7 file", [](std::string& b) { b[0] = 3; }, "dBASE 7"},
      {"block size zero", [](std::string& b) { b[20] = 0; }, "block size"},
      {"root outside", [](std::string& b) { mdxtest::PutU32At(b, 2048, 9999); },
       "outside the file"},
      {"child outside", [](std::string& b) { mdxtest::PutU32At(b, 8192 + 8 + 36, 70000); },
       "outside the file"},
      {"root loops to itself", [](std::string& b) { mdxtest::PutU32At(b, 8192 + 8, 16); }, "loop"},
      {"leaf count too large", [](std::string& b) { mdxtest::PutU32At(b, 4096, 1000); },
       "more than a block holds"},
      {"root count too large", [](std::string& b) { mdxtest::PutU32At(b, 8192, 0x7FFFFFFF); },
       "more than a block holds"},
      {"unknown key type", [](std::string& b) { b[2048 + 9] = 'X'; }, "key type"},
      {"impossible key length", [](std::string& b) { b[2048 + 12] = 0; }, "key length"},
      {"tag header outside", [](std::string& b) { mdxtest::PutU32At(b, 544, 5000); },
       "outside the file"},
      {"tags share a header", [](std::string& b) { mdxtest::PutU32At(b, 576, 4); }, "share"},
  };
  for (const Case& c : cases) {
    std::string damaged = bytes_;
    c.damage(damaged);
    mdxtest::WriteBytes(path_, damaged);
    const std::string error = ErrorOf(path_);
    EXPECT_NE(error.find(path_), std::string::npos) << c.label << ": " << error;
    EXPECT_NE(error.find(c.words), std::string::npos) << c.label << ": " << error;
  }
}

TEST_F(DamagedIndex, CheckNamesTheFirstFault) {
  struct Case {
    const char* label;
    std::function<void(std::string&)> damage;
    const char* words;
  };
  const std::vector<Case> cases = {
      // Two separators lead to the same leaf: its keys would be walked twice.
      {"block used twice", [](std::string& b) { mdxtest::PutU32At(b, 8192 + 8 + 36, 8); },
       "used twice"},
      {"keys out of order",
       [](std::string& b) { b[4096 + 8 + 4 + 3] = '9'; },  // KEY000 -> KEY900 in the first leaf
       "out of order"},
      {"separator not the highest key", [](std::string& b) { b[8192 + 8 + 4 + 5] = '9'; },
       "separator"},
      {"record number zero", [](std::string& b) { mdxtest::PutU32At(b, 4096 + 8, 0); },
       "record number 0"},
      {"free list count without list", [](std::string& b) { mdxtest::PutU32At(b, 40, 3); },
       "free block list"},
      {"pages in file too large", [](std::string& b) { mdxtest::PutU32At(b, 32, 40); },
       "truncated"},
  };
  for (const Case& c : cases) {
    std::string damaged = bytes_;
    c.damage(damaged);
    mdxtest::WriteBytes(path_, damaged);
    std::string fault;
    try {
      fault = mdxtest::OpenForReading(path_)->Check();
    } catch (const IndexError& e) {
      fault = e.what();
    }
    EXPECT_NE(fault.find(c.words), std::string::npos) << c.label << ": " << fault;
  }
}

TEST_F(DamagedIndex, RandomByteDamageNeverCrashes) {
  std::mt19937 random(42);
  int refused = 0;
  for (int round = 0; round < 400; ++round) {
    std::string damaged = bytes_;
    const int hits = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < hits; ++i) {
      // Mostly the places that steer reading: header, tag headers, node counts and pointers.
      const size_t at =
          random() % 2 == 0 ? random() % 64 + (random() % 4) * 2048 : random() % damaged.size();
      damaged[at % damaged.size()] = static_cast<char>(random());
    }
    mdxtest::WriteBytes(path_, damaged);
    try {
      ReadEverything(path_);
    } catch (const volarin::Error&) {
      ++refused;  // a clear error is what damage must give; anything else fails the test
    }
  }
  EXPECT_GT(refused, 0);
}

// Another program rewrites a shared index with another block size while a reader holds blocks
// of the old size: the reader's next look at the file reports it instead of reading the larger
// blocks into the room of the smaller ones.
TEST(RewrittenIndex, AnotherBlockSizeIsReportedToAReaderHoldingOldBlocks) {
  mdxtest::TempFolder dir;
  TagDefinition def;
  def.name = "K";
  def.keyExpression = "K";
  def.keyLength = 10;
  const auto make = [&](const std::string& path, uint16_t blockPages) {
    auto file = MdxFile::Create(path, {def}, {"t", 0, blockPages});
    for (uint32_t r = 1; r <= 600; ++r) {
      file->Tag(0).Insert(CharacterKey("K" + std::to_string(r * 7919 % 1000), 10), r);
    }
    file->Flush();
  };
  const std::string path = dir / "t.mdx";
  const std::string other = dir / "other.mdx";
  make(path, 2);
  make(other, 8);
  auto reader = mdxtest::OpenForReading(path);
  ASSERT_EQ(mdxtest::Walk(reader->Tag(0)).size(), 600u);  // every block of the tag cached
  const std::string bytes = mdxtest::ReadBytes(other);
  {
    auto writer = platform::File::Open(path, platform::File::Access::ReadWrite,
                                       platform::File::Share::Shared);
    writer->WriteAt(0, bytes.data(), bytes.size());
    writer->Truncate(bytes.size());
  }
  try {
    reader->Refresh();
    mdxtest::Walk(reader->Tag(0));
    FAIL() << "the changed block size went unnoticed";
  } catch (const IndexError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("block size"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace volarin::dbf
