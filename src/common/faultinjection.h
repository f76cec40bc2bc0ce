#pragma once
// A seam for faults at the operating-system door: a test makes the Nth write, sync, truncate,
// rename or folder creation fail (disk full, a short write, an I/O error) or ends the process
// right after it, without changing the code under test. Each OS side of the platform layer asks
// BeforeOperation / AfterOperation around every such call; unarmed, that is one relaxed load.

#include <atomic>
#include <string>
#include <vector>

namespace volarin::platform::faults {

enum class Operation { kWrite, kSync, kTruncate, kRename, kMakeFolder };
enum class Fault {
  kNone,
  kDiskFull,    // fails with "no space left"
  kShortWrite,  // a write puts part of its bytes on the disk, then fails with "no space left"
  kIoError,     // fails with an input/output error
  kStopAfter,   // the operation completes and the process ends at once, as in a crash
};

// The exit status of a process ended by kStopAfter.
inline constexpr int kStoppedExitStatus = 86;

struct Seen {
  Operation operation;
  std::string path;
};

namespace detail {
extern std::atomic<bool> armed;
Fault Before(Operation operation, const std::string& path);
void After();
}  // namespace detail

// The fault to raise instead of the operation (kNone: go ahead); never kStopAfter.
inline Fault BeforeOperation(Operation operation, const std::string& path) {
  if (!detail::armed.load(std::memory_order_relaxed)) return Fault::kNone;
  return detail::Before(operation, path);
}
// Called once the operation has succeeded; ends the process when it was to stop right after.
inline void AfterOperation() {
  if (detail::armed.load(std::memory_order_relaxed)) detail::After();
}

// For tests. Counting starts afresh with each call; operations are numbered from 1.
// Records every operation from now on and injects nothing.
void StartCounting();
// The nth operation from now on gets the fault (kShortWrite on an operation that is not a write
// acts as kDiskFull); every operation is still recorded.
void InjectAt(int n, Fault fault);
// Stops recording and injecting.
void Disarm();
// The operations recorded since the last StartCounting or InjectAt.
std::vector<Seen> OperationsSeen();
const char* OperationName(Operation operation);

// Disarms when the test's scope ends, whatever way it ends.
class ArmedScope {
 public:
  ArmedScope() = default;
  ~ArmedScope() { Disarm(); }
  ArmedScope(const ArmedScope&) = delete;
  ArmedScope& operator=(const ArmedScope&) = delete;
};

}  // namespace volarin::platform::faults
