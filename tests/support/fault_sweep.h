#pragma once
// Drives a piece of work through the platform layer's fault seam: once to list its write points,
// then with a fault at one chosen point, or in a child process that ends right after that point
// as a crash would.

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/faultinjection.h"

namespace volarin::testing {

namespace faults = platform::faults;

// The write points of the work, in order (the work must succeed).
inline std::vector<faults::Seen> WritePoints(const std::function<void()>& work) {
  faults::ArmedScope armed;
  faults::StartCounting();
  work();
  return faults::OperationsSeen();
}

// "point 3 of 12 (write <file>)": write point n (from 1) for the test's messages.
inline std::string PointName(const std::vector<faults::Seen>& points, int n) {
  const faults::Seen& point = points.at(static_cast<size_t>(n - 1));
  return "point " + std::to_string(n) + " of " + std::to_string(points.size()) + " (" +
         faults::OperationName(point.operation) + " " + point.path + ")";
}

// Runs the work with the fault at write point n; the message of the error it raised, or nullopt
// when it succeeded.
inline std::optional<std::string> FailAt(int n, faults::Fault fault,
                                         const std::function<void()>& work) {
  faults::ArmedScope armed;
  faults::InjectAt(n, fault);
  try {
    work();
  } catch (const Error& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

// Whether the work can be cut off in a child process: the child runs the same work from the
// parent's memory (fork), which Windows does not have.
#ifdef _WIN32
inline constexpr bool kCutOffInChild = false;
inline bool StoppedInChildAfter(int, const std::function<void()>&) {
  return false;
}
#else
inline constexpr bool kCutOffInChild = true;
// Runs the work in a child process that ends right after write point n. Returns true when the
// child ended there; false when it finished the work (or failed) first.
inline bool StoppedInChildAfter(int n, const std::function<void()>& work) {
  const pid_t pid = fork();
  if (pid == 0) {
    faults::InjectAt(n, faults::Fault::kStopAfter);
    try {
      work();
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == faults::kStoppedExitStatus;
}
#endif

// The faults a write point is failed with in turn.
inline constexpr faults::Fault kFailures[] = {faults::Fault::kDiskFull, faults::Fault::kShortWrite,
                                              faults::Fault::kIoError};

// The system's text for the cause each failure reports.
inline std::string CauseText(faults::Fault fault) {
  return fault == faults::Fault::kIoError ? "Input/output error" : "No space left on device";
}

}  // namespace volarin::testing
