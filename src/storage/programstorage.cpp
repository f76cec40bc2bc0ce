#include "storage/programstorage.h"

#include "common/paths.h"
#include "common/platform.h"
#include "storage/checkregister.h"
#include "storage/filecase.h"
#include "storage/tablefiles.h"

namespace volarin {

void ConfigureProgramStorage(StorageEngine& engine, StorageDataBase& database,
                             StorageGlobals& globals, const ProgramCursors& cursors) {
  engine.SetLockEnforce(true);
  engine.SetLockAttempts(5);
  engine.SetLockDelay(100);
  engine.SetSingleOpen(true);
  engine.SetFoxProVersion(FoxProVersion::k26);
  engine.SetCodePage(EngineCodePage::kNone);
  engine.SetCollation(CollationSequence::kMachine);
  engine.SetErrorEnable(false);
  database.SetEngine(&engine);

  globals.SetDefaultExclusive(false);
  globals.SetDefaultOpenMode(DefaultOpenMode::kReadWrite);
  globals.SetDefaultDeleted(true);
  globals.SetDateFormat("MM/DD/CCYY");

  for (TableCursor* cursor :
       {&cursors.checkRegister, &cursors.accountMap, &cursors.escrow, &cursors.closing}) {
    cursor->dataBaseName = kProgramDatabaseName;
  }
  cursors.checkRegister.fileAlias = tables::kRegisterAlias;
  cursors.checkRegister.exclusive = ExclusiveMode::kTrue;
  DeclareCheckRecord(cursors.checkRegister);
  cursors.accountMap.fileAlias = tables::kAccountMapAlias;
  // The program's own tables: an index left inconsistent by a crash is rebuilt on open.
  cursors.accountMap.repairIndexOnOpen = true;
  cursors.escrow.fileAlias = tables::kEscrowAlias;
  cursors.closing.fileAlias = tables::kClosingAlias;
}

std::string ExistingOrGiven(const std::string& folder, const std::string& fileName) {
  const std::string path = JoinPath(folder, fileName);
  const std::string found = FindFileIgnoringCase(path);
  return found.empty() ? path : found;
}

bool RegisterHeldElsewhere(const std::string& dataDir) {
  return platform::FileIsInUse(ExistingOrGiven(dataDir, "ZORPPAY.DBF"));
}

}  // namespace volarin
