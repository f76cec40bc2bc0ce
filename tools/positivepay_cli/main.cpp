// volarin-positivepay-cli: the Positive Pay file of one account for a scheduled run, without a
// window.
#include <iostream>

#include "common/platform.h"
#include "dailyrun.h"

int main(int argc, char** argv) {
  using namespace volarin;
  const ParsedOptions parsed = ParseDailyRunOptions(platform::CommandLineArguments(argc, argv));
  if (parsed.options.help) {
    std::cout << DailyRunUsage();
    return kExitDone;
  }
  if (!parsed.error.empty()) {
    std::cerr << parsed.error << "\n\n" << DailyRunUsage();
    return kExitUsage;
  }
  return RunDaily(parsed.options, std::cout, std::cerr);
}
