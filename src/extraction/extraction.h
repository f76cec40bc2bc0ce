#pragma once
// The extraction run: empties the check register and refills it with the checks of one suite
// account, translated to its bank account, from the escrow and closing tables. No window: the
// extraction dialog drives it and shows its progress and its notice.

#include <cstdint>
#include <string>

#include "common/date.h"

namespace volarin {

class TableCursor;

inline constexpr const char* kExtractingFromEscrow = "Extracting checks from Escrow";
inline constexpr const char* kExtractingFromClosing = "Extracting checks from VOLARINclose";
inline constexpr const char* kAccountMissingMessage =
    "Record for selected account number is missing from setup table";

// The main window's cursors the run works on. The account map is open with its tag
// "accountnr" selected; the others are opened by the run as needed.
struct ExtractionCursors {
  TableCursor& checkRegister;
  TableCursor& accountMap;
  TableCursor& escrow;
  TableCursor& closing;
};

struct ExtractionRequest {
  std::string selectedAccount;  // the account drop-down's selected item
  Date positivePayDate;
  bool allOutstanding = false;
  std::string dataDir;  // where SequenceTotal finds zordis.dbf
};

// Told of the run's progress so a window can show it and repaint.
class ExtractionProgress {
 public:
  virtual ~ExtractionProgress() = default;
  // The source being read (kExtractingFromEscrow, then kExtractingFromClosing).
  virtual void SourceChanged(const std::string& text) = 0;
  // The check number of each source record as it is visited.
  virtual void CheckVisited(int64_t checkNumber) = 0;
  // The account map has no record for the selected account: the register has just been
  // emptied and the run ends right after, with kAccountMissing. A window tells the operator
  // kAccountMissingMessage here.
  virtual void AccountMissing() = 0;
};

enum class ExtractionResult { kCompleted, kAccountMissing };

// Runs one extraction. On every ending the register is left on its tag "date" at its first
// record. An error ends the run where it occurred and is re-raised; the checks posted before it
// stay in the register, which keeps its "not finished" mark so the export refuses it.
// A starting-number filter on the register is lifted for the run (so no check is written
// twice) and put back afterwards.
ExtractionResult RunExtraction(const ExtractionCursors& cursors, const ExtractionRequest& request,
                               ExtractionProgress* progress);

// The sum of the amounts of a check's sequence lines in the escrow table (tag "accchecks"),
// read through the direct reader; 0 when there is none or the table cannot be opened.
double SequenceTotal(const std::string& dataDir, const std::string& suiteAccountKey,
                     int64_t checkNumber);

// True when the register's last extraction did not finish.
bool RegisterIncomplete(TableCursor& checkRegister);

}  // namespace volarin
