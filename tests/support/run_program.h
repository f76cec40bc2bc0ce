#pragma once
// Running one of our programs from a test and reading what it printed and how it ended.

#include <string>
#include <vector>

namespace volarin::testing {

struct ProgramRun {
  int exitCode = -1;   // -1 when the program could not be started or did not end normally
  std::string output;  // standard output
  std::string errors;  // standard error
};

// Runs the program with the arguments (no shell involved) in the given folder (the current one
// when empty) and waits for its end.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& folder = {});

#ifdef _WIN32
// The command line that hands these words to a program's C runtime unchanged.
std::wstring WindowsCommandLine(const std::vector<std::string>& words);
std::wstring WideText(const std::string& text);
#endif

}  // namespace volarin::testing
