#pragma once
// File operations of the Positive Pay export: copying, deleting by mask, creating folder chains.

#include <memory>
#include <string>
#include <string_view>

#include "common/pendingfile.h"

namespace volarin {

// Copies source to target (into it, under the source's name, when target is a folder), creating
// the target's folders and giving it the source's modification time. The copy is written under a
// temporary name and renamed over the target only when complete, so a failure leaves an earlier
// target as it was. Throws FileError with "Cannot open file %s", "Cannot create file %s" (also
// for a target that is read-only or in use), "Stream read error" or "Stream write error", the
// last two followed by the file and the cause.
void CopyFileTo(const std::string& source, const std::string& target);
// The same copy, complete and synced under its temporary name but not yet put in place.
std::unique_ptr<PendingFile> CopyToPendingFile(const std::string& source,
                                               const std::string& target);
// The same, from the source's bytes as the caller holds them (it has just written the source):
// the source is not read again, but must be there, and its time is taken over.
std::unique_ptr<PendingFile> CopyToPendingFile(const std::string& source, const std::string& target,
                                               std::string_view sourceBytes);
// Deletes every file matching the mask ("folder/*.txt"); folders are left alone. False when
// nothing matched or a deletion failed (it stops at the first failure).
bool DeleteFilesByMask(const std::string& mask);
// The first file matching the mask that could not be deleted, or empty when all were deleted.
// Used where a failure must be named to the operator. A file named exactly keptName is left.
std::string DeleteFilesByMaskReportingFailure(const std::string& mask, bool* anyMatched,
                                              const std::string& keptName = {});
// Creates the folder and every missing parent; failures are not reported.
void ForceFolders(const std::string& path);
// Wildcard match with "*" and "?", letters compared without regard to case, as masks do on
// the suite's home platform.
bool MatchesMask(const std::string& name, const std::string& pattern);

}  // namespace volarin
