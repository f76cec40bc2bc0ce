#include "common/platform.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/other_process.h"
#include "support/temp_folder.h"

namespace volarin::platform {
namespace {

using testing::TempFolder;

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
  chmod(path.c_str(), 0444);  // read-only counts as in use, even for the superuser
  EXPECT_TRUE(FileIsInUse(path));
}

TEST(FileIsInUse, SeesAnotherProcessHoldingTheFile) {
  TempFolder dir;
  const std::string path = dir.Write("zorppay.dbf", "data");
  {
    testing::OtherProcess other([&] {
      return testing::OtherProcess::Held(
          File::Open(path, File::Access::ReadWrite, File::Share::Exclusive));
    });
    ASSERT_TRUE(other.WaitUntilHolding());
    EXPECT_TRUE(FileIsInUse(path));
    EXPECT_THROW(File::Open(path, File::Access::ReadOnly, File::Share::Shared), File::InUse);
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

TEST(Folders, CurrentFolderAndPickupRoot) {
  TempFolder dir;
  const std::string saved = CurrentFolder();
  SetCurrentFolder(dir.Path());
  EXPECT_EQ(CurrentFolder(), std::filesystem::canonical(dir.Path()).string());
  SetCurrentFolder(saved);
  EXPECT_THROW(SetCurrentFolder(dir / "missing"), FileError);

  const char* home = getenv("HOME");
  const std::string savedHome = home ? home : "";
  setenv("HOME", dir.Path().c_str(), 1);
  EXPECT_EQ(PickupRoot(), dir.Path());
  setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
}  // namespace volarin::platform
