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
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace volarin::testing {
namespace {

// Output goes into files rather than pipes, so a program that fills both streams never blocks.
struct OutputFiles {
  std::filesystem::path out;
  std::filesystem::path err;
  OutputFiles() {
    std::random_device random;
    const std::string stem = "vpp-run-" + std::to_string(random() % 100000000);
    out = std::filesystem::temp_directory_path() / (stem + ".out");
    err = std::filesystem::temp_directory_path() / (stem + ".err");
  }
  ~OutputFiles() {
    std::error_code ec;
    std::filesystem::remove(out, ec);
    std::filesystem::remove(err, ec);
  }
  static std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
};

}  // namespace

#ifdef _WIN32

// Text streams end lines with CR LF on Windows; the tests compare lines.
std::string WithoutCarriageReturns(std::string text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

std::wstring WideText(const std::string& text) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::wstring WindowsCommandLine(const std::vector<std::string>& words) {
  std::wstring line;
  for (const std::string& word : words) {
    if (!line.empty()) line += L' ';
    // Backslashes are written once their meaning is known: doubled before a quote.
    line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : WideText(word)) {
      if (c == L'\\') {
        ++backslashes;
        continue;
      }
      line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
      backslashes = 0;
      line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
  }
  return line;
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& folder) {
  OutputFiles files;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  auto create = [&](const std::filesystem::path& path) {
    return CreateFileW(path.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE out = create(files.out);
  HANDLE err = create(files.err);
  std::vector<std::string> words = {program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::wstring commandLine = WindowsCommandLine(words);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION info{};
  const std::wstring wideFolder = WideText(folder);
  const BOOL started =
      CreateProcessW(WideText(program).c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                     nullptr, folder.empty() ? nullptr : wideFolder.c_str(), &startup, &info);
  CloseHandle(out);
  CloseHandle(err);
  ProgramRun run;
  if (!started) {
    run.errors = "cannot start " + program;
    return run;
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  run.exitCode = static_cast<int>(code);
  run.output = WithoutCarriageReturns(OutputFiles::Read(files.out));
  run.errors = WithoutCarriageReturns(OutputFiles::Read(files.err));
  return run;
}

#else

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& folder) {
  OutputFiles files;
  std::vector<std::string> words = {program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const std::string outPath = files.out.string();
  const std::string errPath = files.err.string();
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int none = ::open("/dev/null", O_RDONLY);
    if (out < 0 || err < 0 || none < 0) _exit(127);
    dup2(none, STDIN_FILENO);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(127);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  ProgramRun run;
  if (pid < 0) {
    run.errors = "cannot start " + program;
    return run;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.output = OutputFiles::Read(files.out);
  run.errors = OutputFiles::Read(files.err);
  return run;
}

#endif

}  // namespace volarin::testing
