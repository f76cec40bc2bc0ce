#pragma once
// The storage objects of the program over one data folder, set up as every road of the program
// (the window, the command line) uses them: engine settings, global defaults, and the four
// cursors on the check register (exclusive), the account map, the escrow and closing tables.

#include <string>

#include "storage/environment.h"
#include "storage/storagedatabase.h"
#include "storage/storageengine.h"
#include "storage/storageglobals.h"
#include "storage/tablecursor.h"

namespace volarin {

// The component names of the program's storage objects; cursors find the database by its name.
inline constexpr const char* kProgramEngineName = "Engine1";
inline constexpr const char* kProgramDatabaseName = "DataBase1";
inline constexpr const char* kProgramGlobalsName = "Globals1";
inline constexpr const char* kAccountMapCursorName = "ZORPPSUB";
inline constexpr const char* kRegisterInUseMessage = "zorppay.dbf is open by another user";

struct ProgramCursors {
  TableCursor& checkRegister;
  TableCursor& accountMap;
  TableCursor& escrow;
  TableCursor& closing;
};

// Sets the engine, the database, the global defaults and the cursors' tables.
void ConfigureProgramStorage(StorageEngine& engine, StorageDataBase& database,
                             StorageGlobals& globals, const ProgramCursors& cursors);

// The table's path in the folder: the existing file whatever the case of its name, else the
// name as given.
std::string ExistingOrGiven(const std::string& folder, const std::string& fileName);

// True when another program holds the data folder's check register (or it may not be written).
bool RegisterHeldElsewhere(const std::string& dataDir);

}  // namespace volarin
