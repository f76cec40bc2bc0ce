#pragma once
// One unattended run along the window's road: start-up checks, the extraction for one account,
// the optional starting check number, the Positive Pay file with its archive and pickup copies.

#include <ostream>

#include "dailyrunoptions.h"

namespace volarin {

// Does the run; tells what it did on `out` and every failure on `err`; returns the exit code.
int RunDaily(const DailyRunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace volarin
