#pragma once
// The settings every table opened through it shares (open modes, locking, unique-key handling,
// date picture) and the pending error code of the last failed operation.
// A context is used by one thread; it must outlive every table opened through it.

#include <string>
#include <utility>

#include "dbf/codepage.h"
#include "dbf/errors.h"

namespace volarin::dbf {

class IndexOpener;

// Results of writing and appending: 0 done, 20 refused because a unique tag already holds the key
// (nothing was written), 25 written while the unique tag kept its existing entry for the key.
enum class WriteResult : int { kOk = 0, kUniqueRefused = 20, kUniquePassedOver = 25 };

// What a unique tag does with a key it already holds.
enum class UniqueMode { kRefuse, kPassOver };

struct Settings {
  bool exclusive = false;  // open mode of tables opened without an explicit one
  bool readOnly = false;
  // Record and file locks are tried this many times (at least once), waiting lockDelayMs between
  // two tries, before a lock fails.
  int lockAttempts = 5;
  int lockDelayMs = 100;
  UniqueMode uniqueMode = UniqueMode::kPassOver;
  // Picture used by CTOD() and DTOC(): MM month, DD day, CC century, YY year, other characters
  // kept. "MM/DD/YY" is dBASE's default.
  std::string datePicture = "MM/DD/YY";
  // Open the production index named in a table's header together with the table (through the
  // context's index opener).
  bool autoOpen = false;
  // Refuse to create a table over an existing file.
  bool safety = false;
  // Code page assumed for tables whose language byte says nothing (0x00).
  CodePage defaultCodePage = CodePage::kOem437;
  // Read records ahead in blocks. In a shared table another program's change to a record is then
  // seen after Table::Refresh() or a lock of that record, as in every caching xBase engine.
  bool readAhead = true;
};

class Context {
 public:
  Settings& Configure() { return settings_; }
  const Settings& Get() const { return settings_; }

  // How tables opened through this context open their production index (indexhooks.h); none
  // when nullptr. Not owned: the opener outlives the context.
  void SetIndexOpener(const IndexOpener* opener) { indexOpener_ = opener; }
  const IndexOpener* ProductionIndexOpener() const { return indexOpener_; }

  // The code of the last failure (negative), or 0.
  int ErrorCode() const { return errorCode_; }
  void ClearError() { errorCode_ = kNoError; }
  // The one place a failure becomes the pending error. A table records every failure it raises
  // (Throw), those of the engine parts it runs while opening, creating or reading a memo
  // (Recording), and the lock failures it reports by a result.
  void Record(const Error& error) { errorCode_ = error.Code(); }
  // Records the failure and throws it.
  template <typename E>
  [[noreturn]] void Throw(const E& error) {
    Record(error);
    throw error;
  }
  // Runs a step of another part of the engine (header, memo file, index); a failure it throws
  // is recorded and goes on as thrown, so a FormatError stays one.
  template <typename Step>
  decltype(auto) Recording(Step&& step) {
    try {
      return std::forward<Step>(step)();
    } catch (const Error& e) {
      Record(e);
      throw;
    }
  }

 private:
  Settings settings_;
  int errorCode_ = kNoError;
  const IndexOpener* indexOpener_ = nullptr;
};

}  // namespace volarin::dbf
