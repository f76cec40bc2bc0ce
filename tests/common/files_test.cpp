#include "common/files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/errors.h"
#include "common/paths.h"
#include "common/platform.h"
#include "support/temp_folder.h"

namespace volarin {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
namespace fs = std::filesystem;

TEST(PathParts, JoinNeverDoublesTheSeparatorAndPartsSplitAtTheLastOne) {
  struct Case {
    std::string folder, name, joined, folderPart;
  };
#ifdef _WIN32
  // Windows reads "/" as a separator too; a drive's root keeps its backslash.
  const Case cases[] = {
      {"C:\\data", "x.dbf", "C:\\data\\x.dbf", "C:\\data"},
      {"C:\\data\\", "x.dbf", "C:\\data\\x.dbf", "C:\\data"},
      {"C:\\data/", "x.dbf", "C:\\data/x.dbf", "C:\\data"},
      {"C:\\", "x.dbf", "C:\\x.dbf", "C:"},
      {"\\\\server\\share", "x.dbf", "\\\\server\\share\\x.dbf", "\\\\server\\share"},
      {"", "x.dbf", "\\x.dbf", ""},
  };
#else
  const Case cases[] = {
      {"/data", "x.dbf", "/data/x.dbf", "/data"},
      {"/data/", "x.dbf", "/data/x.dbf", "/data"},
      {"", "x.dbf", "/x.dbf", ""},
  };
#endif
  for (const Case& c : cases) {
    const std::string joined = JoinPath(c.folder, c.name);
    EXPECT_EQ(joined, c.joined) << c.folder;
    EXPECT_EQ(FileNamePart(joined), c.name) << joined;
    EXPECT_EQ(FolderPart(joined), c.folderPart) << joined;
  }
}

TEST(PathParts, AbsolutePaths) {
  struct Case {
    std::string path;
    bool absolute;
  };
#ifdef _WIN32
  const Case cases[] = {{"C:\\data", true}, {"c:/data", true}, {"\\\\server\\share", true},
                        {"\\data", true},   {"C:data", false}, {"data\\x.dbf", false},
                        {"", false}};
#else
  const Case cases[] = {{"/data", true}, {"data/x.dbf", false}, {"", false}};
#endif
  for (const Case& c : cases) EXPECT_EQ(IsAbsolutePath(c.path), c.absolute) << c.path;
}

// A folder as typed on a command line: the platform's separators, no trailing one except at a
// root.
TEST(PathParts, NativeFolderPaths) {
  const std::pair<std::string, std::string> cases[] = {
#ifdef _WIN32
      {"C:/data/", "C:\\data"},
      {"C:\\data\\\\", "C:\\data"},
      {"C:\\", "C:\\"},
      {"C:/", "C:\\"},
      {"\\\\server\\share\\", "\\\\server\\share"},
      {"data/x", "data\\x"},
#else
      {"/data/", "/data"},
      {"/data//", "/data"},
      {"/", "/"},
      {"data/x", "data/x"},
#endif
  };
  for (const auto& [typed, native] : cases) EXPECT_EQ(NativeFolderPath(typed), native) << typed;
}

TEST(CopyFileTo, ReplacesTheTargetAndKeepsTheModificationTime) {
  TempFolder dir;
  // Larger than one block and not a multiple of it, so the last short read is exercised.
  std::string bytes(8192 * 2 + 17, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  const std::string source = dir.Write("a.txt", bytes);
  const std::string target = dir.Write("b.txt", "old and longer content than nothing");
  platform::SetModificationTime(source, 1700000000LL * 1000000000LL);

  CopyFileTo(source, target);
  EXPECT_EQ(ReadBytes(target), bytes);
  EXPECT_EQ(platform::ModificationTime(target), 1700000000LL * 1000000000LL);
}

// The copy from the bytes the caller just wrote: the same file as a copy read from the source,
// with its time, and the same refusal of a source that is not there.
TEST(CopyFileTo, FromTheBytesHeldGivesTheSameFile) {
  TempFolder dir;
  const std::string bytes(8192 * 3 + 5, 'y');
  const std::string source = dir.Write("a.txt", bytes);
  platform::SetModificationTime(source, 1700000000LL * 1000000000LL);
  dir.Write("pickup/a.txt", "earlier");
  const std::unique_ptr<PendingFile> copy = CopyToPendingFile(source, dir / "pickup", bytes);
  EXPECT_EQ(ReadBytes(dir / "pickup/a.txt"), "earlier") << "not in place before it is put there";
  copy->PutInPlace();
  EXPECT_EQ(ReadBytes(dir / "pickup/a.txt"), bytes);
  EXPECT_EQ(platform::ModificationTime(dir / "pickup/a.txt"), 1700000000LL * 1000000000LL);
  try {
    CopyToPendingFile(dir / "missing.txt", dir / "pickup", bytes);
    FAIL();
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + (dir / "missing.txt"));
  }
}

TEST(CopyFileTo, ExactBlockMultipleAndEmptyFiles) {
  TempFolder dir;
  for (size_t size : {size_t{0}, size_t{8192}, size_t{16384}}) {
    const std::string source = dir.Write("s.bin", std::string(size, 'x'));
    CopyFileTo(source, dir / "t.bin");
    EXPECT_EQ(ReadBytes(dir / "t.bin").size(), size);
  }
}

TEST(CopyFileTo, OntoAFolderCopiesUnderTheSourceName) {
  TempFolder dir;
  const std::string source = dir.Write("PP202403/20240315123.txt", "line\r\n");
  fs::create_directories(dir / "pickup");
  CopyFileTo(source, dir / "pickup");
  EXPECT_EQ(ReadBytes(dir / "pickup/20240315123.txt"), "line\r\n");
  CopyFileTo(source, dir / "pickup/");
  EXPECT_EQ(ReadBytes(dir / "pickup/20240315123.txt"), "line\r\n");
}

TEST(CopyFileTo, CreatesMissingTargetFolders) {
  TempFolder dir;
  const std::string source = dir.Write("a.txt", "abc");
  CopyFileTo(source, dir / "x/y/z/a.txt");
  EXPECT_EQ(ReadBytes(dir / "x/y/z/a.txt"), "abc");
}

TEST(CopyFileTo, ErrorsNameTheFile) {
  TempFolder dir;
  const std::string source = dir.Write("a.txt", "new");
  const std::string readOnly = dir.Write("ro.txt", "keep");
  testing::MakeReadOnly(readOnly);
  struct Case {
    std::string source, target, message;
  } cases[] = {
      {dir / "missing.txt", dir / "t.txt", "Cannot open file " + (dir / "missing.txt")},
      {source, readOnly, "Cannot create file " + readOnly},
  };
  for (const Case& c : cases) {
    try {
      CopyFileTo(c.source, c.target);
      ADD_FAILURE() << c.message;
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
  EXPECT_EQ(ReadBytes(readOnly), "keep");
}

TEST(DeleteFilesByMask, DeletesMatchingFilesOnly) {
  TempFolder dir;
  dir.Write("pickup/a.txt", "1");
  dir.Write("pickup/B.TXT", "2");
  dir.Write("pickup/keep.csv", "3");
  dir.Write("pickup/a.txt.bak", "4");
  fs::create_directories(dir / "pickup/folder.txt");

  EXPECT_TRUE(DeleteFilesByMask(dir / "pickup/*.txt"));
  EXPECT_FALSE(fs::exists(dir / "pickup/a.txt"));
  EXPECT_FALSE(fs::exists(dir / "pickup/B.TXT"));
  EXPECT_TRUE(fs::exists(dir / "pickup/keep.csv"));
  EXPECT_TRUE(fs::exists(dir / "pickup/a.txt.bak"));
  EXPECT_TRUE(fs::is_directory(dir / "pickup/folder.txt"));
  // Nothing left to match.
  EXPECT_FALSE(DeleteFilesByMask(dir / "pickup/*.txt"));
  EXPECT_FALSE(DeleteFilesByMask(dir / "nowhere/*.txt"));
}

TEST(DeleteFilesByMask, RelativeMaskUsesTheCurrentFolder) {
  TempFolder dir;
  dir.Write("sub/x.txt", "1");
  const std::string saved = platform::CurrentFolder();
  platform::SetCurrentFolder(dir.Path());
  EXPECT_TRUE(DeleteFilesByMask("sub/*.txt"));
  platform::SetCurrentFolder(saved);
  EXPECT_FALSE(fs::exists(dir / "sub/x.txt"));
}

TEST(MatchesMask, Wildcards) {
  EXPECT_TRUE(MatchesMask("a.txt", "*.txt"));
  EXPECT_TRUE(MatchesMask("A.TXT", "*.txt"));
  EXPECT_TRUE(MatchesMask(".txt", "*.txt"));
  EXPECT_FALSE(MatchesMask("a.txt2", "*.txt"));
  EXPECT_TRUE(MatchesMask("abc", "a?c"));
  EXPECT_TRUE(MatchesMask("aXbXc.txt", "a*b*.txt"));
  EXPECT_FALSE(MatchesMask("ab", "a?c"));
}

TEST(ForceFolders, CreatesTheChainAndIgnoresFailures) {
  TempFolder dir;
  ForceFolders(dir / "p/q/r/");
  EXPECT_TRUE(fs::is_directory(dir / "p/q/r"));
  ForceFolders("");
  dir.Write("file", "x");
  ForceFolders(dir / "file/below");  // cannot be made: no error, nothing made
  EXPECT_FALSE(fs::exists(dir / "file/below"));
}

}  // namespace
}  // namespace volarin
