#pragma once
// A piece of a test run in a forked child process, as a second program sharing the files.
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <stdexcept>

namespace volarin::dbf {

// Runs `work` in a child process; the child may hold its tables until Release() closes the pipe
// whose reading end it was given. Wait() gives its exit status: 0 when work() returned true.
class ChildProcess {
 public:
  explicit ChildProcess(const std::function<bool(int releaseFd)>& work) {
    int release[2];
    if (pipe(release) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
      close(release[1]);
      bool ok = false;
      try {
        ok = work(release[0]);
      } catch (...) {
        ok = false;
      }
      _exit(ok ? 0 : 1);
    }
    close(release[0]);
    releaseFd_ = release[1];
  }
  ~ChildProcess() {
    Release();
    Wait();
  }
  void Release() {
    if (releaseFd_ >= 0) close(releaseFd_);
    releaseFd_ = -1;
  }
  int Wait() {
    if (pid_ > 0) {
      int status = 0;
      waitpid(pid_, &status, 0);
      pid_ = -1;
      exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : 99;
    }
    return exit_;
  }

 private:
  pid_t pid_ = -1;
  int releaseFd_ = -1;
  int exit_ = -1;
};

}  // namespace volarin::dbf
