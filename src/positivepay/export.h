#pragma once
// Creating the Positive Pay file: written into the monthly archive folder under the data folder,
// then copied into the pickup folder, which the bank's uploader empties.

#include <functional>
#include <string>

#include "common/date.h"
#include "positivepay/positivepayfile.h"

namespace volarin {

class TableCursor;

struct ExportRequest {
  Date positivePayDate;
  std::string dataDir;
  std::string pickupFolder;  // platform::PickupFolder() in the program; a temporary folder in tests
  // Lets pending window messages be processed, so the pressed button repaints.
  std::function<void()> processEvents;
  // Told each check as it goes into the file, in the file's order (what the history records).
  std::function<void(const PositivePayCheck&)> onCheckWritten{};
};

// The archive copy of a Positive Pay file: POSPAY/PPyyyymm/<file name> under the data folder.
std::string ArchiveFilePath(const std::string& dataDir, Date positivePayDate,
                            const std::string& fileName);

// Goes to the register's top and refuses (Error) a register whose last extraction did not
// finish; a register never opened fails here too.
void RequireCompleteRegister(TableCursor& checkRegister);

// The archive file CreatePositivePayFile would write for the register and the date (named by
// the bank account's layout); refuses what it refuses before writing anything.
std::string PlannedArchiveFile(TableCursor& checkRegister, const ExportRequest& request);

// Writes the register's visible checks (in the cursor's order and filter) to the archive file
// and places a copy in the pickup folder; returns the pickup file's path. Both files are written
// under temporary names and renamed into place complete and synced; the older pickup files go
// only once the new copy is complete, a register whose last extraction did not finish is
// refused, and the current folder is the data folder again on every ending.
std::string CreatePositivePayFile(TableCursor& checkRegister, const ExportRequest& request);

}  // namespace volarin
