// The fault seam itself, and the file helpers that must leave no partial file under a final
// name whichever write fails or is the last before a crash.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/files.h"
#include "common/pendingfile.h"
#include "common/platform.h"
#include "support/fault_sweep.h"
#include "support/temp_folder.h"

namespace volarin::testing {
namespace {

namespace fs = std::filesystem;
using faults::Fault;
using faults::Operation;

TEST(FaultSeam, CountsEachOperationAndFailsOnlyTheChosenOne) {
  TempFolder dir;
  auto work = [&] {
    {
      auto file = platform::File::Create(dir / "f.bin");  // its emptying counts as a truncate
      file->WriteAt(0, "abcdef", 6);
      file->Sync();
    }  // closed before the rename, which Windows refuses for an open file
    platform::MakeFolder(dir / "sub");
    platform::ReplaceFile(dir / "f.bin", dir / "sub/g.bin");
  };
  const std::vector<faults::Seen> seen = WritePoints(work);
  std::vector<Operation> kinds;
  for (const faults::Seen& s : seen) kinds.push_back(s.operation);
  EXPECT_EQ(kinds,
            (std::vector<Operation>{Operation::kTruncate, Operation::kWrite, Operation::kSync,
                                    Operation::kMakeFolder, Operation::kRename}));
  EXPECT_EQ(seen[1].path, dir / "f.bin");
  fs::remove_all(dir / "sub");

  // A short write leaves part of the bytes and reports a full disk.
  const auto message = FailAt(2, Fault::kShortWrite, work);
  ASSERT_TRUE(message);
  EXPECT_EQ(*message, "Cannot write file " + (dir / "f.bin") + ": No space left on device");
  EXPECT_EQ(ReadBytes(dir / "f.bin"), "abc");

  // A failed folder creation reports false; the rename after it then fails on the missing folder.
  // The cause is the system's own text ("No such file or directory", "Path not found").
  const std::string missingFolder = FailAt(4, Fault::kIoError, work).value_or("");
  const std::string prefix =
      "Cannot rename file " + (dir / "f.bin") + " to " + (dir / "sub/g.bin") + ": ";
  EXPECT_TRUE(missingFolder.starts_with(prefix) && missingFolder.size() > prefix.size())
      << missingFolder;
  EXPECT_FALSE(fs::exists(dir / "sub"));

  EXPECT_EQ(FailAt(5, Fault::kIoError, work).value_or(""), "Cannot rename file " + (dir / "f.bin") +
                                                               " to " + (dir / "sub/g.bin") +
                                                               ": Input/output error");
  fs::remove_all(dir / "sub");

  // Unarmed, nothing is recorded or injected.
  faults::StartCounting();
  faults::Disarm();
  work();
  EXPECT_TRUE(faults::OperationsSeen().empty());
  EXPECT_EQ(ReadBytes(dir / "sub/g.bin"), "abcdef");
}

TEST(FaultSeam, AStopEndsTheProcessRightAfterTheOperation) {
  if (!kCutOffInChild) GTEST_SKIP() << "cutting a run off in a child process needs fork";
  TempFolder dir;
  auto work = [&] {
    auto file = platform::File::Create(dir / "f.bin");
    file->WriteAt(0, "first", 5);
    file->WriteAt(5, "second", 6);
  };
  EXPECT_TRUE(StoppedInChildAfter(2, work));
  EXPECT_EQ(ReadBytes(dir / "f.bin"), "first");
  EXPECT_FALSE(StoppedInChildAfter(4, work));  // the work has only three points
  EXPECT_EQ(ReadBytes(dir / "f.bin"), "firstsecond");
}

// The copy into the pickup folder at every write point: the target is the earlier file or the
// complete new one, never anything between, and every failure names its file and cause.
TEST(CopyFileTo, EveryFailureOrStopLeavesTheEarlierTargetOrTheWholeCopy) {
  TempFolder dir;
  std::string bytes(8192 * 2 + 17, 'x');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>('a' + i % 26);
  const std::string source = dir.Write("a.txt", bytes);
  const std::string target = dir / "pickup/a.txt";
  const std::string part = PendingFile::TemporaryPathFor(target);
  auto reset = [&] {
    dir.Write("pickup/a.txt", "earlier");
    fs::remove(part);
  };
  auto copy = [&] { CopyFileTo(source, target); };
  reset();
  const int points = static_cast<int>(WritePoints(copy).size());
  ASSERT_GE(points, 6);  // emptying, three writes, sync, rename, folder sync

  for (int n = 1; n <= points; ++n) {
    for (const Fault fault : kFailures) {
      reset();
      const auto message = FailAt(n, fault, copy);
      ASSERT_TRUE(message) << n;
      EXPECT_NE(message->find(CauseText(fault)), std::string::npos) << *message;
      EXPECT_NE(message->find(target), std::string::npos) << *message;
      const std::string now = ReadBytes(target);
      EXPECT_TRUE(now == "earlier" || now == bytes) << "point " << n;
      EXPECT_FALSE(fs::exists(part)) << "point " << n;
    }
    if (!kCutOffInChild) continue;
    reset();
    EXPECT_TRUE(StoppedInChildAfter(n, copy)) << n;
    const std::string now = ReadBytes(target);
    EXPECT_TRUE(now == "earlier" || now == bytes) << "point " << n;
  }
}

}  // namespace
}  // namespace volarin::testing
