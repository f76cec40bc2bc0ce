#pragma once
// Another program sharing our files, played by a second process: the test program starts itself
// again with the name of a role, registered with VPP_OTHER_PROCESS_ROLE. The role takes hold of
// something (opens a file, locks a record, or does its work), tells the parent, and keeps what
// it holds until the parent lets go. Starting a fresh program instead of forking works on every
// platform, and the child shares nothing with the parent but the files.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace volarin::testing {

// What a role receives in the child process.
class ChildRole {
 public:
  explicit ChildRole(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {}
  const std::string& Argument(size_t i) const { return arguments_.at(i); }
  // Tells the parent now, before the role returns, that the child holds what it should; for a
  // role that keeps working while the parent reads. Such a child ends as soon as its work is
  // done, without waiting for the parent to let go.
  void Ready() const;

 private:
  std::vector<std::string> arguments_;
};

class OtherProcess {
 public:
  // What the child holds, kept alive until the parent lets go; empty when it failed.
  using Held = std::shared_ptr<void>;
  using Role = std::function<Held(const ChildRole&)>;
  // For a child that only does its work: holds nothing, and says whether the work succeeded.
  static Held Finished(bool ok) { return ok ? std::make_shared<bool>(true) : nullptr; }

  // Starts the test program again, playing the named role with the arguments.
  OtherProcess(const std::string& role, const std::vector<std::string>& arguments);
  ~OtherProcess();
  OtherProcess(const OtherProcess&) = delete;
  OtherProcess& operator=(const OtherProcess&) = delete;

  // Blocks until the child holds what it should; false when it failed first.
  bool WaitUntilHolding();
  void Release();
  // True once the child has ended; does not wait.
  bool Exited();
  // Lets go and waits for the child's end: 0 when it held and let go, 1 when it failed to hold,
  // 2 when it raised an error.
  int Wait();

  // In the test program's main: when the program was started to play a role, plays it and
  // returns true with the exit code; false for a normal test run.
  static bool PlayRoleIfAsked(int argc, char** argv, int* exitCode);
  // Registers a role under its name; VPP_OTHER_PROCESS_ROLE does this.
  static bool Register(const char* name, Role role);

 private:
  struct Child;
  std::unique_ptr<Child> child_;
  int holding_ = -1;
  int exit_ = -1;
};

}  // namespace volarin::testing

// Defines a role at namespace scope:
//   VPP_OTHER_PROCESS_ROLE(HoldExclusively) { return Held(File::Open(role.Argument(0), ...)); }
#define VPP_OTHER_PROCESS_ROLE(name)                                                      \
  ::volarin::testing::OtherProcess::Held name(const ::volarin::testing::ChildRole& role); \
  [[maybe_unused]] const bool name##Registered =                                          \
      ::volarin::testing::OtherProcess::Register(#name, &name);                           \
  ::volarin::testing::OtherProcess::Held name(const ::volarin::testing::ChildRole& role)
