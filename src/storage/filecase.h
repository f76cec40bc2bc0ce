#pragma once
// The suite spells its file names in several cases ("ZORACC.DBF", "zorppay" + ".DBF"); on a
// file system that tells case apart we look the name up in its folder without regard to case.

#include <string>

namespace volarin {

// The path of the existing file whose name matches the last part of `path` without regard to
// case (the exact name wins); empty when there is none.
std::string FindFileIgnoringCase(const std::string& path);

}  // namespace volarin
