#pragma once
// A check of a Positive Pay file as the history records it, and the recorded check back as the
// report draws it (a reprint shows the checks as they were sent, not as the register holds
// them now).

#include <vector>

#include "history/historyrecords.h"
#include "positivepay/positivepayfile.h"

namespace volarin::history {

SentCheck SentCheckOf(const PositivePayCheck& check);
PositivePayCheck PositivePayCheckOf(const SentCheck& sent);
std::vector<PositivePayCheck> PositivePayChecksOf(const std::vector<SentCheck>& sent);

}  // namespace volarin::history
