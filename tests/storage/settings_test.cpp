// The engine, database and global settings objects: what reaches the engine context and when,
// folders, and how cursors find their files.
#include <gtest/gtest.h>

#include "common/paths.h"
#include "common/platform.h"
#include "dbf/mdx/tableindex.h"
#include "storage/errors.h"
#include "storage/storageglobals.h"
#include "storage_test_support.h"

namespace volarin {
namespace {

using testing::StorageSetup;
using CS = ContextSetting;

std::vector<PassedSetting> StartSequence(bool largeFiles) {
  std::vector<PassedSetting> s = {{CS::kAutoOpen, 0, ""},       {CS::kLockAttemptsSingle, 2, ""},
                                  {CS::kSafety, 0, ""},         {CS::kErrFieldName, 0, ""},
                                  {CS::kErrTagName, 0, ""},     {CS::kOptimize, -1, ""},
                                  {CS::kOptimizeWrite, -1, ""}, {CS::kDateFormat, 0, "MM/DD/CCYY"},
                                  {CS::kLockEnforce, 1, ""},    {CS::kLockAttempts, 5, ""},
                                  {CS::kLockDelay, 100, ""},    {CS::kAutoUnlock, 0, ""},
                                  {CS::kSingleOpen, 1, ""},     {CS::kCompatibility, 26, ""},
                                  {CS::kCodePage, 0, ""},       {CS::kCollation, 0, ""},
                                  {CS::kErrOff, 1, ""}};
  if (largeFiles) s.push_back({CS::kLargeFiles, 1, ""});
  for (PassedSetting d : std::vector<PassedSetting>{{CS::kAccessMode, 0, ""},
                                                    {CS::kReadOnly, 0, ""},
                                                    {CS::kUniqueDefault, 25, ""},
                                                    {CS::kAutoOpen, 0, ""},
                                                    {CS::kSafety, 0, ""}}) {
    s.push_back(d);
  }
  return s;
}

std::string Describe(const std::vector<PassedSetting>& settings) {
  std::string text;
  for (const PassedSetting& s : settings) {
    text += std::string(SettingName(s.setting)) + "=" +
            (s.setting == CS::kDateFormat ? s.text : std::to_string(s.value)) + " ";
  }
  return text;
}

// The main window's engine: lock attempts 5, delay 100, no automatic unlock.
void SystemSettings(StorageEngine& engine) {
  engine.SetAutoUnlock(AutoUnlock::kOff);
}

TEST(Engine, StartPassesEverySettingInOrderAndConnects) {
  for (bool largeFiles : {false, true}) {
    Environment environment;
    StorageEngine engine(environment, "Engine1");
    SystemSettings(engine);
    engine.SetLargeFileSupport(largeFiles);
    int connects = 0;
    engine.onConnect = [&](StorageEngine&) { ++connects; };
    EXPECT_EQ(engine.Context(), nullptr);
    engine.Start();
    ASSERT_NE(engine.Context(), nullptr);
    EXPECT_EQ(Describe(engine.Context()->Passed()), Describe(StartSequence(largeFiles)));
    EXPECT_TRUE(engine.Connected());
    EXPECT_EQ(connects, 1);
    ASSERT_EQ(environment.StartedEngines().size(), 1u);

    // A second start passes nothing and connects no more.
    const size_t passed = engine.Context()->Passed().size();
    engine.Start();
    EXPECT_EQ(engine.Context()->Passed().size(), passed);
    EXPECT_EQ(connects, 1);
  }
}

TEST(Engine, TheSettingsOurEngineActsOnReachItsContext) {
  Environment environment;
  StorageEngine engine(environment, "Engine1");
  engine.SetLockAttempts(3);
  engine.SetLockDelay(250);
  engine.Start();
  const dbf::Settings& s = engine.Context()->Engine().Get();
  EXPECT_EQ(s.lockAttempts, 3);
  EXPECT_EQ(s.lockDelayMs, 250);
  EXPECT_EQ(s.datePicture, "MM/DD/CCYY");
  EXPECT_FALSE(s.exclusive);
  EXPECT_FALSE(s.autoOpen);
  // AutoOpen set later opens .MDX production indexes with their tables.
  EXPECT_EQ(engine.Context()->Engine().ProductionIndexOpener(), &dbf::ProductionIndexOpener());
  EXPECT_EQ(s.uniqueMode, dbf::UniqueMode::kPassOver);
}

TEST(Engine, PropertiesChangedWhileStartedArePassedAtOnce) {
  Environment environment;
  StorageEngine engine(environment, "Engine1");
  engine.SetLockAttempts(9);  // not started: kept for the start
  engine.Start();
  engine.Context()->ForgetPassed();
  engine.SetLockAttempts(7);
  engine.SetAutoUnlock(AutoUnlock::kData);
  engine.SetCodePage(EngineCodePage::kAnsi);
  engine.SetFoxProVersion(FoxProVersion::k30);
  engine.SetCollation(CollationSequence::kGeneral);
  engine.SetErrorEnable(true);
  EXPECT_EQ(Describe(engine.Context()->Passed()),
            "LockAttempts=7 AutoUnlock=2 CodePage=3 Compatibility=30 Collation=1 ErrOff=0 ");
  EXPECT_EQ(engine.Context()->Engine().Get().lockAttempts, 7);
}

TEST(Engine, GlobalDefaultsReachEveryStartedEngine) {
  Environment environment;
  StorageGlobals globals(environment, "Globals1");
  StorageEngine first(environment, "E1");
  StorageEngine second(environment, "E2");
  StorageEngine stopped(environment, "E3");
  first.Start();
  second.Start();
  first.Context()->ForgetPassed();
  globals.SetDefaultExclusive(true);
  globals.SetDefaultOpenMode(DefaultOpenMode::kReadOnly);
  globals.SetDefaultUniqueTagHandling(DefaultUniqueTagHandling::kException);
  globals.SetDateFormat("DD.MM.CCYY");
  for (StorageEngine* engine : {&first, &second}) {
    EXPECT_EQ(engine->Context()->Value(CS::kAccessMode), 1);
    EXPECT_EQ(engine->Context()->Value(CS::kReadOnly), 1);
    EXPECT_EQ(engine->Context()->Value(CS::kUniqueDefault), 20);
    EXPECT_EQ(engine->Context()->DateFormat(), "DD.MM.CCYY");
    EXPECT_TRUE(engine->Context()->Engine().Get().exclusive);
    EXPECT_EQ(engine->Context()->Engine().Get().uniqueMode, dbf::UniqueMode::kRefuse);
  }
  EXPECT_EQ(stopped.Context(), nullptr);
  // Defaults that are no context settings pass nothing.
  const size_t passed = first.Context()->Passed().size();
  globals.SetDefaultDeleted(false);
  globals.SetTransliterateEnable(false);
  EXPECT_EQ(first.Context()->Passed().size(), passed);
  // A started engine started later gets the current defaults.
  stopped.Start();
  EXPECT_EQ(stopped.Context()->Value(CS::kAccessMode), 1);
}

TEST(Engine, ErrorCodeIndexKindAndStop) {
  Environment environment;
  StorageEngine engine(environment, "Engine1");
  EXPECT_EQ(engine.GetIndexKind(), IndexKind::kNone);
  EXPECT_EQ(engine.ErrorCode(), 0);
  engine.Start();
  EXPECT_EQ(engine.GetIndexKind(), IndexKind::kMdx);
  engine.Context()->Engine().Record(dbf::Error(dbf::kErrorLock, "held"));
  EXPECT_EQ(engine.ErrorCode(), dbf::kErrorLock);
  engine.ClearError();
  EXPECT_EQ(engine.ErrorCode(), 0);
  engine.Stop();
  EXPECT_FALSE(engine.Started());
  EXPECT_EQ(engine.Context(), nullptr);
  EXPECT_TRUE(environment.StartedEngines().empty());
  EXPECT_EQ(engine.GetIndexKind(), IndexKind::kNone);
}

TEST(Database, FoldersKeepOneTrailingSeparator) {
  Environment environment;
  StorageDataBase database(environment, "DataBase1");
  const std::string sep(1, kPathSeparator);
  const struct {
    std::string given;
    std::string stored;
  } cases[] = {{"data", "data" + sep},
               {"data" + sep, "data" + sep},
               {"", ""},
               {sep + "x" + sep + "y", sep + "x" + sep + "y" + sep}};
  for (const auto& c : cases) {
    database.SetDataPath(c.given);
    database.SetIndexPath(c.given);
    EXPECT_EQ(database.DataPath(), c.stored);
    EXPECT_EQ(database.IndexPath(), c.stored);
  }
}

TEST(Database, ANewFolderClosesOpenTablesTheSameFolderDoesNot) {
  StorageSetup setup({.accountMap = {{"A1", "B1", "K1"}}});
  auto map = setup.Cursor("zorppsub");
  map->Open();
  setup.database.SetDataPath(setup.folder.Path());  // held with the separator already
  setup.database.SetDataPath(setup.folder.Path() + kPathSeparator);
  EXPECT_EQ(setup.database.OpenTableCount(), 1u);
  EXPECT_NO_THROW(map->GoTop());

  setup.database.SetDataPath(setup.folder / "other");
  EXPECT_EQ(setup.database.OpenTableCount(), 0u);
  EXPECT_TRUE(map->IsOpen());
  try {
    map->GoTop();
    FAIL() << "GoTop on a table closed under the cursor";
  } catch (const EStorageError& e) {
    EXPECT_STREQ(e.what(), "The zorppsub file is not opened for this GoTop request.");
  }
  try {
    map->FieldAsString("ORGACCNR");
    FAIL();
  } catch (const EStorageError& e) {
    EXPECT_STREQ(e.what(), "The zorppsub file is not opened for this FieldAsString request.");
  }
  // Closing and opening again finds the table in the new folder: there is none.
  map->Close();
  setup.database.SetDataPath(setup.folder.Path());
  map->Open();
  map->GoTop();
  EXPECT_EQ(map->FieldAsString("NEWACCNR"), "B1");
}

TEST(Database, ResolveTableFindsFilesAndReportsEachMissingPiece) {
  Environment environment;
  StorageEngine engine(environment, "Engine1");
  StorageDataBase database(environment, "DataBase1");
  StorageDataBase orphan(environment, "Orphan");
  database.SetEngine(&engine);

  const struct {
    std::string name;
    std::string message;
  } failures[] = {
      {"", "The DataBase and/or DataBaseName property has not been specified."},
      {"Nowhere", "DataBase: Nowhere could not be found."},
      {"orphan", "The Engine for orphan has not been specified."},
  };
  for (const auto& f : failures) {
    try {
      ResolveTable(environment, nullptr, f.name, "zorppay");
      FAIL() << f.name;
    } catch (const EOpenError& e) {
      EXPECT_EQ(e.what(), f.message);
    }
  }

  // Found without regard to case; the engine is started on the way.
  database.SetDataPath("d1");
  database.SetIndexPath("i1");
  ResolvedTable r = ResolveTable(environment, nullptr, "database1", "zorppay");
  EXPECT_TRUE(engine.Started());
  EXPECT_EQ(r.database, &database);
  EXPECT_EQ(r.dataFile, JoinPath("d1", "zorppay.DBF"));
  EXPECT_EQ(r.indexFile, JoinPath("i1", "zorppay.MDX"));

  // No folders: the program's folder, and the index beside the data file.
  database.SetDataPath("");
  database.SetIndexPath("");
  r = ResolveTable(environment, &database, "", "zordis");
  EXPECT_EQ(r.dataFile, JoinPath(platform::ProgramFolder(), "zordis.DBF"));
  EXPECT_EQ(r.indexFile, JoinPath(platform::ProgramFolder(), "zordis.MDX"));
}

TEST(Engine, ACursorOpenedBeforeStartStartsTheEngineWithTheSameSettings) {
  StorageSetup setup({.accountMap = {{"A1", "B1", "K1"}}});
  ASSERT_FALSE(setup.engine.Started());
  auto map = setup.Cursor("zorppsub");
  map->Open();
  ASSERT_TRUE(setup.engine.Started());
  std::vector<PassedSetting> passed = setup.engine.Context()->Passed();
  std::vector<PassedSetting> expected = StartSequence(false);
  expected[9].value = 2;    // the test setup's lock attempts
  expected[10].value = 10;  // and delay
  ASSERT_GE(passed.size(), expected.size());
  passed.resize(expected.size());
  EXPECT_EQ(Describe(passed), Describe(expected));
}

TEST(Engine, ACursorOpenSetsItsModesThenRestoresTheDefaults) {
  StorageSetup setup;
  setup.engine.Start();
  setup.engine.Context()->ForgetPassed();
  auto reg = setup.Cursor("zorppay", /*exclusive=*/true);
  reg->uniqueTagHandling = UniqueTagHandling::kException;
  reg->Open();
  EXPECT_EQ(Describe(setup.engine.Context()->Passed()),
            "AccessMode=1 ReadOnly=0 UniqueDefault=20 "
            "AccessMode=0 ReadOnly=0 UniqueDefault=25 AutoOpen=0 Safety=0 ");
  EXPECT_FALSE(setup.engine.Context()->Engine().Get().exclusive);
  // A failed open restores them as well.
  setup.engine.Context()->ForgetPassed();
  auto missing = setup.Cursor("nosuch", true);
  EXPECT_THROW(missing->Open(), EOpenError);
  EXPECT_EQ(setup.engine.Context()->Value(CS::kAccessMode), 0);
  EXPECT_FALSE(missing->IsOpen());
}

TEST(Engine, StopClosesTheTablesOfItsDatabases) {
  StorageSetup setup({.accountMap = {{"A1", "B1", "K1"}}});
  auto map = setup.Cursor("zorppsub");
  map->Open();
  setup.engine.Stop();
  EXPECT_EQ(setup.database.OpenTableCount(), 0u);
  EXPECT_THROW(map->GoTop(), EStorageError);
  map->Close();
  map->Open();  // starts the engine again
  EXPECT_TRUE(setup.engine.Started());
  EXPECT_EQ(map->FieldAsString("orgaccnr"), "A1");
}

TEST(Globals, ReadOnlyDefaultOpensCursorsReadOnly) {
  StorageSetup setup({.accountMap = {{"A1", "B1", "K1"}}});
  StorageGlobals globals(setup.environment, "Globals1");
  globals.SetDefaultOpenMode(DefaultOpenMode::kReadOnly);
  auto map = setup.Cursor("zorppsub");
  map->Open();
  try {
    map->StartEdit();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Cannot modify a read-only dataset");
  }
  EXPECT_THROW(map->AppendBlank(), EDatabaseError);
}

}  // namespace
}  // namespace volarin
