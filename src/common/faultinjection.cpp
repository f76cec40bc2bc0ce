#include "common/faultinjection.h"

#include <cstdlib>
#include <mutex>

namespace volarin::platform::faults {
namespace detail {
std::atomic<bool> armed{false};
}  // namespace detail

namespace {

// Test-only state, touched only while armed.
struct Plan {
  std::mutex mutex;
  int target = 0;  // 0: count only
  Fault fault = Fault::kNone;
  std::vector<Seen> seen;
  bool stopAfterCurrent = false;
};

Plan& ThePlan() {
  static Plan plan;
  return plan;
}

void Arm(int target, Fault fault) {
  Plan& plan = ThePlan();
  std::lock_guard lock(plan.mutex);
  plan.target = target;
  plan.fault = fault;
  plan.seen.clear();
  plan.stopAfterCurrent = false;
  detail::armed.store(true, std::memory_order_relaxed);
}

}  // namespace

Fault detail::Before(Operation operation, const std::string& path) {
  Plan& plan = ThePlan();
  std::lock_guard lock(plan.mutex);
  plan.seen.push_back({operation, path});
  if (plan.target == 0 || static_cast<int>(plan.seen.size()) != plan.target) return Fault::kNone;
  if (plan.fault == Fault::kStopAfter) {
    plan.stopAfterCurrent = true;
    return Fault::kNone;
  }
  if (plan.fault == Fault::kShortWrite && operation != Operation::kWrite) return Fault::kDiskFull;
  return plan.fault;
}

void detail::After() {
  Plan& plan = ThePlan();
  std::lock_guard lock(plan.mutex);
  if (plan.stopAfterCurrent) std::_Exit(kStoppedExitStatus);
}

void StartCounting() {
  Arm(0, Fault::kNone);
}

void InjectAt(int n, Fault fault) {
  Arm(n, fault);
}

void Disarm() {
  detail::armed.store(false, std::memory_order_relaxed);
  Plan& plan = ThePlan();
  std::lock_guard lock(plan.mutex);
  plan.target = 0;
  plan.stopAfterCurrent = false;
}

std::vector<Seen> OperationsSeen() {
  Plan& plan = ThePlan();
  std::lock_guard lock(plan.mutex);
  return plan.seen;
}

const char* OperationName(Operation operation) {
  switch (operation) {
    case Operation::kWrite:
      return "write";
    case Operation::kSync:
      return "sync";
    case Operation::kTruncate:
      return "truncate";
    case Operation::kRename:
      return "rename";
    case Operation::kMakeFolder:
      return "folder creation";
  }
  return "?";
}

}  // namespace volarin::platform::faults
