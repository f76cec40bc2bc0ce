#pragma once
// Running a small Perl script: the independent dBASE readers (Debian's XBase modules) that the
// cross-checks compare our files against.

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace volarin::testing {

// Debian's Perl and its XBase modules exist for the Linux build only; the Windows build's tests
// run under Wine, where no Perl is installed.
#ifdef _WIN32
inline constexpr bool kPerlReaderAvailable = false;
#else
inline constexpr bool kPerlReaderAvailable = true;
#endif

#define VPP_SKIP_WITHOUT_PERL_READER()           \
  if (!::volarin::testing::kPerlReaderAvailable) \
  GTEST_SKIP() << "the independent Perl dBASE reader is not available on Windows"

struct ScriptRun {
  bool ok = false;     // perl ran and exited with 0
  std::string output;  // what it printed, error messages included
};

// Writes the script into the folder and runs it with the arguments, each quoted for the shell.
inline ScriptRun RunPerlScript(const std::string& folder, const std::string& script,
                               const std::vector<std::string>& arguments) {
  const std::string path = folder + "/script.pl";
  std::ofstream(path, std::ios::binary | std::ios::trunc) << script;
  std::string command = "perl '" + path + "'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  command += " 2>&1";
  ScriptRun run;
#ifdef _WIN32
  FILE* pipe = nullptr;  // never reached: the callers skip first
#else
  FILE* pipe = popen(command.c_str(), "r");
#endif
  if (pipe == nullptr) {
    run.output = "cannot run perl";
    return run;
  }
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
#ifndef _WIN32
  run.ok = pclose(pipe) == 0;
#endif
  return run;
}

// Every record of a table as Perl's XBase reads it, one line each: the deletion flag, then the
// fields, joined by "|" (an empty field for what XBase gives as undefined).
inline ScriptRun ReadRecordsWithPerl(const std::string& folder, const std::string& table) {
  const char* reader = R"(use strict; use XBase;
my $t = XBase->new(name => $ARGV[0]) or die XBase->errstr;
for my $i (0 .. $t->last_record) {
  my @r = $t->get_record($i);
  print join("|", map { defined $_ ? $_ : "" } @r), "\n";
}
)";
  return RunPerlScript(folder, reader, {table});
}

}  // namespace volarin::testing
