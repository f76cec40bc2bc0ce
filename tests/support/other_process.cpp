#include "support/other_process.h"

#include "support/run_program.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <stdexcept>

namespace volarin::testing {
namespace {

constexpr const char* kRoleOption = "--play-other-process";

std::map<std::string, OtherProcess::Role>& Roles() {
  static std::map<std::string, OtherProcess::Role> roles;
  return roles;
}

// The child's side of the two pipes: its standard output tells, its standard input ends when the
// parent lets go.
bool toldParent = false;

void TellParent(char holding) {
  if (toldParent) return;
  toldParent = true;
#ifdef _WIN32
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), &holding, 1, &written, nullptr);
#else
  (void)!write(STDOUT_FILENO, &holding, 1);
#endif
}

void AwaitRelease() {
  char c = 0;
#ifdef _WIN32
  DWORD got = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &got, nullptr) && got > 0) {
  }
#else
  while (read(STDIN_FILENO, &c, 1) > 0) {
  }
#endif
}

}  // namespace

void ChildRole::Ready() const {
  TellParent(1);
}

bool OtherProcess::Register(const char* name, Role role) {
  return Roles().emplace(name, std::move(role)).second;
}

bool OtherProcess::PlayRoleIfAsked(int argc, char** argv, int* exitCode) {
  if (argc < 3 || std::strcmp(argv[1], kRoleOption) != 0) return false;
  const auto role = Roles().find(argv[2]);
  if (role == Roles().end()) {
    std::fprintf(stderr, "other process: no role %s\n", argv[2]);
    *exitCode = 3;
    return true;
  }
  // The child holds, tells, waits, exits; it never enters the test framework.
  try {
    const Held held = role->second(ChildRole(std::vector<std::string>(argv + 3, argv + argc)));
    const bool toldEarly = toldParent;
    TellParent(held ? 1 : 0);
    if (held && !toldEarly) AwaitRelease();
    *exitCode = held ? 0 : 1;
    return true;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "other process: %s\n", e.what());
  } catch (...) {
  }
  TellParent(0);
  *exitCode = 2;
  return true;
}

#ifdef _WIN32

struct OtherProcess::Child {
  HANDLE process = nullptr;
  HANDLE ready = nullptr;    // read end: the child's standard output
  HANDLE release = nullptr;  // write end: the child's standard input
};

OtherProcess::OtherProcess(const std::string& role, const std::vector<std::string>& arguments)
    : child_(std::make_unique<Child>()) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readyWrite = nullptr;
  HANDLE releaseRead = nullptr;
  if (!CreatePipe(&child_->ready, &readyWrite, &inherit, 0) ||
      !CreatePipe(&releaseRead, &child_->release, &inherit, 0)) {
    throw std::runtime_error("cannot make the pipes to the other process");
  }
  SetHandleInformation(child_->ready, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(child_->release, HANDLE_FLAG_INHERIT, 0);

  std::wstring program(32768, L'\0');
  program.resize(GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size())));
  std::vector<std::string> words = {kRoleOption, role};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::wstring commandLine = L"\"" + program + L"\" " + WindowsCommandLine(words);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = releaseRead;
  startup.hStdOutput = readyWrite;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                      0, nullptr, nullptr, &startup, &info);
  CloseHandle(readyWrite);
  CloseHandle(releaseRead);
  if (!started) throw std::runtime_error("cannot start the other process");
  CloseHandle(info.hThread);
  child_->process = info.hProcess;
}

OtherProcess::~OtherProcess() {
  Wait();
  if (child_->ready) CloseHandle(child_->ready);
}

bool OtherProcess::WaitUntilHolding() {
  if (holding_ < 0) {
    char c = 0;
    DWORD got = 0;
    holding_ = ReadFile(child_->ready, &c, 1, &got, nullptr) && got == 1 && c == 1 ? 1 : 0;
  }
  return holding_ == 1;
}

void OtherProcess::Release() {
  if (child_->release) CloseHandle(child_->release);
  child_->release = nullptr;
}

bool OtherProcess::Exited() {
  return !child_->process || WaitForSingleObject(child_->process, 0) == WAIT_OBJECT_0;
}

int OtherProcess::Wait() {
  Release();
  if (child_->process) {
    WaitForSingleObject(child_->process, INFINITE);
    DWORD code = 99;
    GetExitCodeProcess(child_->process, &code);
    CloseHandle(child_->process);
    child_->process = nullptr;
    exit_ = static_cast<int>(code);
  }
  return exit_;
}

#else

struct OtherProcess::Child {
  pid_t pid = -1;
  int ready = -1;    // read end: the child's standard output
  int release = -1;  // write end: the child's standard input
  int status = 0;
  bool reaped = false;
};

OtherProcess::OtherProcess(const std::string& role, const std::vector<std::string>& arguments)
    : child_(std::make_unique<Child>()) {
  int ready[2];
  int release[2];
  if (pipe2(ready, O_CLOEXEC) != 0 || pipe2(release, O_CLOEXEC) != 0) {
    throw std::runtime_error("cannot make the pipes to the other process");
  }
  std::string program(4096, '\0');
  const ssize_t n = readlink("/proc/self/exe", program.data(), program.size() - 1);
  if (n <= 0) throw std::runtime_error("cannot find the test program");
  program.resize(static_cast<size_t>(n));
  std::vector<std::string> words = {program, kRoleOption, role};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  child_->pid = fork();
  if (child_->pid == 0) {
    dup2(release[0], STDIN_FILENO);
    dup2(ready[1], STDOUT_FILENO);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(ready[1]);
  close(release[0]);
  child_->ready = ready[0];
  child_->release = release[1];
  if (child_->pid < 0) {
    close(child_->release);
    close(child_->ready);
    throw std::runtime_error("cannot start the other process");
  }
}

OtherProcess::~OtherProcess() {
  Wait();
  if (child_->ready >= 0) close(child_->ready);
}

bool OtherProcess::WaitUntilHolding() {
  if (holding_ < 0) {
    char c = 0;
    ssize_t got;
    do {
      got = read(child_->ready, &c, 1);
    } while (got < 0 && errno == EINTR);
    holding_ = got == 1 && c == 1 ? 1 : 0;
  }
  return holding_ == 1;
}

void OtherProcess::Release() {
  if (child_->release >= 0) close(child_->release);
  child_->release = -1;
}

bool OtherProcess::Exited() {
  if (child_->pid <= 0 || child_->reaped) return true;
  if (waitpid(child_->pid, &child_->status, WNOHANG) == child_->pid) child_->reaped = true;
  return child_->reaped;
}

int OtherProcess::Wait() {
  Release();
  if (child_->pid > 0) {
    if (!child_->reaped) {
      while (waitpid(child_->pid, &child_->status, 0) < 0 && errno == EINTR) {
      }
    }
    exit_ = WIFEXITED(child_->status) ? WEXITSTATUS(child_->status) : 99;
    child_->pid = -1;
  }
  return exit_;
}

#endif

}  // namespace volarin::testing
