#include "common/platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "common/files.h"
#include "common/paths.h"
#include "support/other_process.h"
#include "support/temp_folder.h"

namespace volarin::platform {
namespace {

using testing::TempFolder;

VPP_OTHER_PROCESS_ROLE(HoldFileExclusively) {
  return testing::OtherProcess::Held(
      File::Open(role.Argument(0), File::Access::ReadWrite, File::Share::Exclusive));
}

TEST(FileIsInUse, FreeMissingHeldAndReadOnlyFiles) {
  TempFolder dir;
  const std::string path = dir.Write("zorppay.dbf", "data");
  EXPECT_FALSE(FileIsInUse(path));
  EXPECT_FALSE(FileIsInUse(dir / "missing.dbf"));
  {
    auto shared = File::Open(path, File::Access::ReadWrite, File::Share::Shared);
    EXPECT_TRUE(FileIsInUse(path));
  }
  EXPECT_FALSE(FileIsInUse(path));
  testing::MakeReadOnly(path);  // read-only counts as in use, even for the superuser
  EXPECT_TRUE(FileIsInUse(path));
}

TEST(FileIsInUse, SeesAnotherProcessHoldingTheFile) {
  TempFolder dir;
  const std::string path = dir.Write("zorppay.dbf", "data");
  {
    testing::OtherProcess other("HoldFileExclusively", {path});
    ASSERT_TRUE(other.WaitUntilHolding());
    EXPECT_TRUE(FileIsInUse(path));
    EXPECT_THROW(File::Open(path, File::Access::ReadOnly, File::Share::Shared), File::InUse);
#ifdef _WIN32
    // Share mode none: any other Windows program's open fails too, not only ours.
    EXPECT_FALSE(std::ifstream(path).is_open());
#endif
  }
  EXPECT_FALSE(FileIsInUse(path));
}

TEST(File, SharedOpensCoexistAndExcludeAnExclusiveOne) {
  TempFolder dir;
  const std::string path = dir.Write("t.dbf", "0123456789");
  auto a = File::Open(path, File::Access::ReadWrite, File::Share::Shared);
  auto b = File::Open(path, File::Access::ReadOnly, File::Share::Shared);
  EXPECT_THROW(File::Open(path, File::Access::ReadWrite, File::Share::Exclusive), File::InUse);
  char buf[4] = {};
  EXPECT_EQ(b->ReadAt(8, buf, 4), 2u);  // short read at the end of the file
  EXPECT_EQ(std::string(buf, 2), "89");
}

TEST(File, ByteRangeLocksExcludeOtherOpensInTheSameProcess) {
  TempFolder dir;
  const std::string path = dir.Write("t.dbf", "x");
  auto a = File::Open(path, File::Access::ReadWrite, File::Share::Shared);
  auto b = File::Open(path, File::Access::ReadWrite, File::Share::Shared);
  const uint64_t record1 = 0xEFFFFFFEull - 1;
  EXPECT_TRUE(a->TryLock(record1, 1));
  EXPECT_FALSE(b->TryLock(record1, 1));
  EXPECT_TRUE(b->TryLock(record1 - 1, 1));
  a->Unlock(record1, 1);
  EXPECT_TRUE(b->TryLock(record1, 1));
}

TEST(File, SharedByteRangeLocksCoexistButExcludeAnExclusiveOne) {
  TempFolder dir;
  const std::string path = dir.Write("t.mdx", "x");
  auto reader1 = File::Open(path, File::Access::ReadWrite, File::Share::Shared);
  auto reader2 = File::Open(path, File::Access::ReadOnly, File::Share::Shared);
  auto writer = File::Open(path, File::Access::ReadWrite, File::Share::Shared);
  const uint64_t update = 0xEFFFFFFEull;
  EXPECT_TRUE(reader1->TryLockShared(update, 1));
  EXPECT_TRUE(reader2->TryLockShared(update, 1));
  EXPECT_FALSE(writer->TryLock(update, 1));
  reader1->Unlock(update, 1);
  EXPECT_FALSE(writer->TryLock(update, 1));  // one reader still holds it
  reader2->Unlock(update, 1);
  EXPECT_TRUE(writer->TryLock(update, 1));
  EXPECT_FALSE(reader1->TryLockShared(update, 1));
}

// One open's locks behave as one set: a range over bytes it already holds is had, a shared byte
// it holds can be made exclusive, and one unlock over the range lets go of all of it.
TEST(File, AnOpensOwnLocksMergeAndAreReleasedTogether) {
  TempFolder dir;
  const std::string path = dir.Write("t.dbf", "x");
  auto a = File::Open(path, File::Access::ReadWrite, File::Share::Shared);
  auto b = File::Open(path, File::Access::ReadWrite, File::Share::Shared);
  const uint64_t base = 0xEFFFFFFEull;
  const uint64_t fileStart = base - 1000000000ull;
  const uint64_t fileLength = 1000000002ull;
  ASSERT_TRUE(a->TryLock(base - 2, 1));            // record 2
  ASSERT_TRUE(a->TryLock(fileStart, fileLength));  // the file lock over it
  EXPECT_FALSE(b->TryLock(base - 7, 1));
  EXPECT_FALSE(b->TryLock(base - 2, 1));
  EXPECT_FALSE(b->TryLockShared(base, 1));
  a->Unlock(fileStart, fileLength);
  EXPECT_TRUE(b->TryLock(base - 2, 1));  // record 2 went with the file lock
  b->Unlock(base - 2, 1);

  ASSERT_TRUE(a->TryLockShared(base, 1));
  EXPECT_TRUE(a->TryLock(base, 1));  // made exclusive: no other open shares it
  EXPECT_FALSE(b->TryLockShared(base, 1));
  a->Unlock(base, 1);
  EXPECT_TRUE(b->TryLockShared(base, 1));
  EXPECT_FALSE(a->TryLock(base, 1));  // now another open shares it
}

TEST(Files, RenameIfAbsentNeverReplacesAFile) {
  TempFolder dir;
  const std::string first = dir.Write("first.new", "first");
  const std::string second = dir.Write("second.new", "second");
  const std::string target = dir / "TARGET.DBF";
  EXPECT_TRUE(RenameIfAbsent(first, target));
  EXPECT_FALSE(FileExists(first));
  EXPECT_FALSE(RenameIfAbsent(second, target));
  EXPECT_EQ(testing::ReadBytes(target), "first");
  EXPECT_EQ(testing::ReadBytes(second), "second");
  EXPECT_THROW(RenameIfAbsent(dir / "missing.new", dir / "OTHER.DBF"), FileError);
}

TEST(Clock, TheTimeOfDayIsAPlausibleClockReading) {
  int hour = -1, minute = -1, second = -1;
  LocalTimeOfDay(hour, minute, second);
  EXPECT_TRUE(hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second <= 60)
      << hour << ":" << minute << ":" << second;
}

TEST(Folders, ProgramFolderHoldsTheRunningProgram) {
#ifdef _WIN32
  const char* program = "common_tests.exe";
#else
  const char* program = "common_tests";
#endif
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(IsAbsolutePath(folder)) << folder;
  EXPECT_TRUE(FileExists(JoinPath(folder, program))) << folder;
}

TEST(Folders, CurrentFolder) {
  TempFolder dir;
  const std::string saved = CurrentFolder();
  SetCurrentFolder(dir.Path());
  EXPECT_EQ(CurrentFolder(), std::filesystem::canonical(dir.Path()).string());
  SetCurrentFolder(saved);
  EXPECT_THROW(SetCurrentFolder(dir / "missing"), FileError);
}

TEST(Folders, ListFolderTellsFoldersFromFilesThroughLinks) {
  TempFolder dir;
  dir.Write("zordis.dbf", "data");
  ASSERT_TRUE(MakeFolder(dir / "sub"));
  std::map<std::string, bool> expected = {{"zordis.dbf", false}, {"sub", true}};
#ifndef _WIN32
  // A link is what it points at.
  std::filesystem::create_directory_symlink(dir / "sub", dir / "sublink");
  std::filesystem::create_symlink(dir / "zordis.dbf", dir / "filelink");
  expected["sublink"] = true;
  expected["filelink"] = false;
#endif
  std::map<std::string, bool> listed;
  for (const FolderEntry& entry : ListFolder(dir.Path())) listed[entry.name] = entry.isFolder;
  EXPECT_EQ(listed, expected);
}

#ifdef _WIN32
// A drive's root keeps its backslash ("C:" alone would name the drive's current folder); below
// it, folders come without a trailing one.
TEST(Folders, DriveRootsKeepTheirBackslash) {
  const std::string saved = CurrentFolder();
  SetCurrentFolder("C:\\");
  EXPECT_EQ(CurrentFolder(), "C:\\");
  SetCurrentFolder("C:\\windows\\");
  EXPECT_EQ(CurrentFolder(), "C:\\windows");
  SetCurrentFolder(saved);
}

TEST(Folders, ForceFoldersMakesAChainUnderADriveAndLeavesTheDriveAlone) {
  TempFolder dir;
  ForceFolders("C:\\");
  ForceFolders("C:");
  const std::string drive = dir.Path().substr(0, 2);
  ASSERT_EQ(drive[1], ':');
  const std::string chain = dir.Path() + "\\a\\b/c";
  ForceFolders(chain);
  EXPECT_TRUE(FolderExists(chain));
  EXPECT_TRUE(FolderExists(dir.Path() + "\\a\\b"));
}

TEST(File, AnOpenFileCannotBeDeletedNorAReadOnlyOne) {
  TempFolder dir;
  const std::string path = dir.Write("zorppay.dbf", "data");
  {
    auto open = File::Open(path, File::Access::ReadOnly, File::Share::Shared);
    EXPECT_FALSE(RemoveFile(path));
    EXPECT_TRUE(FileExists(path));
  }
  testing::MakeReadOnly(path);
  EXPECT_FALSE(RemoveFile(path));
  EXPECT_TRUE(FileExists(path));
}

TEST(PickupFolder, IsTheUploadersFolderOnDriveC) {
  EXPECT_EQ(PickupFolder(), "C:\\VOLARINC\\POSPAY");
}
#else
TEST(PickupFolder, LiesUnderTheHomeFolder) {
  TempFolder home;
  const char* saved = getenv("HOME");
  const std::string savedHome = saved ? saved : "";
  setenv("HOME", home.Path().c_str(), 1);
  EXPECT_EQ(PickupFolder(), home.Path() + "/VOLARINC/POSPAY");
  setenv("HOME", savedHome.c_str(), 1);
}
#endif

}  // namespace
}  // namespace volarin::platform
