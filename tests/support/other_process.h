#pragma once
// Another program sharing our files, played by a forked child process: it takes hold of
// something (opens a file, locks a record, or does its work), tells the parent, and keeps what it
// holds until the parent lets go.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>

namespace volarin::testing {

class OtherProcess {
 public:
  // What the child holds, kept alive until the parent lets go; empty when it failed.
  using Held = std::shared_ptr<void>;
  // For a child that only does its work: holds nothing, and says whether the work succeeded.
  static Held Finished(bool ok) { return ok ? std::make_shared<bool>(true) : nullptr; }

  explicit OtherProcess(const std::function<Held()>& hold) {
    int ready[2];
    int release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
      // The child never returns into the test framework: it holds, tells, waits, exits.
      close(ready[0]);
      close(release[1]);
      char holding = 0;
      try {
        const Held held = hold();
        holding = held ? 1 : 0;
        (void)!write(ready[1], &holding, 1);
        if (holding) (void)!read(release[0], &holding, 1);  // returns when the parent lets go
        _exit(held ? 0 : 1);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "other process: %s\n", e.what());
      } catch (...) {
      }
      (void)!write(ready[1], &holding, 1);
      _exit(2);
    }
    close(ready[1]);
    close(release[0]);
    readyFd_ = ready[0];
    releaseFd_ = release[1];
  }
  ~OtherProcess() {
    Wait();
    if (readyFd_ >= 0) close(readyFd_);
  }
  OtherProcess(const OtherProcess&) = delete;
  OtherProcess& operator=(const OtherProcess&) = delete;

  // Blocks until the child holds what it should; false when it failed first.
  bool WaitUntilHolding() {
    if (holding_ < 0) {
      char c = 0;
      holding_ = read(readyFd_, &c, 1) == 1 && c == 1 ? 1 : 0;
    }
    return holding_ == 1;
  }
  void Release() {
    if (releaseFd_ >= 0) close(releaseFd_);
    releaseFd_ = -1;
  }
  // Lets go and waits for the child's end: 0 when it held and let go, 1 when it failed to hold,
  // 2 when it raised an error.
  int Wait() {
    Release();
    if (pid_ > 0) {
      int status = 0;
      waitpid(pid_, &status, 0);
      exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : 99;
      pid_ = -1;
    }
    return exit_;
  }

 private:
  pid_t pid_ = -1;
  int readyFd_ = -1;
  int releaseFd_ = -1;
  int holding_ = -1;
  int exit_ = -1;
};

}  // namespace volarin::testing
