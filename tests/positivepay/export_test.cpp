#include "positivepay/export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "common/paths.h"
#include "common/pendingfile.h"
#include "common/platform.h"
#include "extraction/extraction_test_support.h"
#include "positivepay/layoutsettings.h"
#include "positivepay/layoutwriter.h"
#include "positivepay/registerchecks.h"
#include "positivepay/worked_example.h"
#include "support/fault_sweep.h"

namespace volarin::testing {
namespace {

namespace fs = std::filesystem;

const Date kMarch15 = kWorkedExampleDate;

class ExportTest : public ::testing::Test {
 protected:
  explicit ExportTest(const fixtures::DataFolderRows& rows = WorkedExample()) : w(rows) {
    SetShortDateFormat("MM/DD/YYYY");
    savedFolder_ = platform::CurrentFolder();
    pickup = fs::path(w.Path("home/VOLARINC/POSPAY")).make_preferred().string();
    fs::create_directories(pickup);
    w.folder.Write("home/VOLARINC/POSPAY/old.txt", "yesterday");
    w.folder.Write("home/VOLARINC/POSPAY/OLDER.TXT", "before");
    w.folder.Write("home/VOLARINC/POSPAY/keep.csv", "other");
  }
  ~ExportTest() override { platform::SetCurrentFolder(savedFolder_); }

  void OpenRegister() {
    w.checkRegister->Open();
    w.checkRegister->SetTag("date");
    w.checkRegister->GoTop();
  }

  std::string Export(Date date = kMarch15) {
    return CreatePositivePayFile(*w.checkRegister, {date, w.folder.Path(), pickup, {}});
  }

  std::string Archive(const std::string& name) const { return w.Path("POSPAY/PP200503/" + name); }

  MainWindowCursors w;
  std::string pickup;

 private:
  std::string savedFolder_;
};

TEST_F(ExportTest, TheWorkedExampleByteForByte) {
  OpenRegister();
  bool repainted = false;
  const std::string path = CreatePositivePayFile(
      *w.checkRegister, {kMarch15, w.folder.Path(), pickup, [&] { repainted = true; }});
  EXPECT_TRUE(repainted);
  EXPECT_EQ(path, JoinPath(pickup, "20050315_123456789.txt"));
  EXPECT_EQ(ReadBytes(Archive("20050315_123456789.txt")), kWorkedExampleBytes);
  EXPECT_EQ(ReadBytes(path), kWorkedExampleBytes);
  EXPECT_EQ(platform::ModificationTime(path),
            platform::ModificationTime(Archive("20050315_123456789.txt")));
  // Only the new file is left of the .txt files; other files stay.
  EXPECT_FALSE(fs::exists(JoinPath(pickup, "old.txt")));
  EXPECT_FALSE(fs::exists(JoinPath(pickup, "OLDER.TXT")));
  EXPECT_TRUE(fs::exists(JoinPath(pickup, "keep.csv")));
  EXPECT_EQ(platform::CurrentFolder(), fs::canonical(w.folder.Path()).string());
}

TEST_F(ExportTest, RunningTwiceReplacesBothFiles) {
  OpenRegister();
  Export();
  w.checkRegister->GoTop();
  w.checkRegister->StartEdit();
  w.checkRegister->AssignString("STATUSCODE", "03");  // a stop payment: negative, not counted
  w.checkRegister->SaveEdit();
  const std::string path = Export();
  const std::string expected =
      "03/15/2005,1001,\"ACME SUPPLY CO\",-1250.5\r\n"
      "03/15/2005,1002,\"NORTH GARAGE\",300.00\r\n"
      "03/15/2005,1003,\"CITY WATER DEPT\",-75.25\r\n"
      "1,-1025.75\r\n";
  EXPECT_EQ(ReadBytes(path), expected);
  EXPECT_EQ(ReadBytes(Archive("20050315_123456789.txt")), expected);
}

TEST_F(ExportTest, AStartingNumberLimitsTheFileAndNamesItByTheFirstCheck) {
  OpenRegister();
  w.checkRegister->SetFilter("checkno>=1002");
  w.checkRegister->FilterOn(true);
  const std::string path = Export();
  EXPECT_EQ(ReadBytes(path),
            "03/15/2005,1002,\"NORTH GARAGE\",300.00\r\n"
            "03/15/2005,1003,\"CITY WATER DEPT\",-75.25\r\n"
            "1,224.75\r\n");
}

// The reader takes each check's own date, account and bank code, also where they change and come
// back, and keeps the payee as the register shows it only where blanks stand at its ends.
TEST(RegisterChecks, EachCheckAsTheRegisterHoldsIt) {
  const Date other = Ymd(2005, 3, 14);
  fixtures::DataFolderRows rows;
  rows.checkRegister = {WorkedExampleCheck(1, 1, "00", "A"),
                        WorkedExampleCheck(2, 2, "00", "B"),
                        WorkedExampleCheck(3, 3, "02", " LEADING"),
                        WorkedExampleCheck(4, 4, "00", "TAB\t"),
                        WorkedExampleCheck(5, 5, "03", ""),
                        WorkedExampleCheck(6, 6, "00", "FIFTEEN LETTERS\x82S"),
                        WorkedExampleCheck(7, 7, "00", "\x82T\xC9 \x01")};
  rows.checkRegister[2].date = other;
  rows.checkRegister[3].date = Date();
  rows.checkRegister[4].date = other;
  // Accounts and bank codes change and come back, as dates do.
  rows.checkRegister[3].accountNr = " 55";
  rows.checkRegister[4].bankCode = "B2";
  MainWindowCursors w(rows);
  w.checkRegister->Open();
  const std::vector<PositivePayCheck> checks = ReadRegisterChecks(*w.checkRegister);
  ASSERT_EQ(checks.size(), 7u);
  const Date dates[] = {kWorkedExampleDate, kWorkedExampleDate, other, Date(), other,
                        kWorkedExampleDate, kWorkedExampleDate};
  const char* shown[] = {"", "", " LEADING", "TAB\t", "", "", "\xE9T+ \x01"};
  for (size_t i = 0; i < checks.size(); ++i) {
    EXPECT_EQ(checks[i].checkNumber, static_cast<int64_t>(i + 1));
    EXPECT_EQ(checks[i].issueDate, dates[i]) << i;
    EXPECT_EQ(checks[i].shownPayee, shown[i]) << i;
    EXPECT_EQ(checks[i].bankAccount, i == 3 ? "55" : "123456789") << i;
    EXPECT_EQ(checks[i].bankNumber, i == 4 ? "B2" : "BNK") << i;
  }
  EXPECT_EQ(checks[2].payee, "LEADING");
  EXPECT_EQ(checks[3].payee, "TAB");
  EXPECT_EQ(checks[5].payee, "FIFTEEN LETTERS\xE9S") << "converted from the OEM code page";
  EXPECT_EQ(checks[6].payee, "\xE9T+") << "converted, with a control character at its end";
  EXPECT_EQ(checks[2].statusCode, "02");
}

TEST_F(ExportTest, ARegisterNeverOpenedTouchesNothingInThePickupFolder) {
  try {
    Export();
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot perform this operation on a closed dataset");
  }
  EXPECT_TRUE(fs::exists(JoinPath(pickup, "old.txt")));
  EXPECT_EQ(platform::CurrentFolder(), fs::canonical(w.folder.Path()).string());
}

TEST_F(ExportTest, AnUnfinishedExtractionIsRefused) {
  OpenRegister();
  w.checkRegister->MarkIncomplete(true);
  EXPECT_THROW(Export(), Error);
  EXPECT_TRUE(fs::exists(JoinPath(pickup, "old.txt")));
  EXPECT_FALSE(fs::exists(Archive("20050315_123456789.txt")));
}

TEST_F(ExportTest, APickupFileThatCannotBeDeletedStopsTheExportNamingIt) {
  OpenRegister();
  const std::string stuck = JoinPath(pickup, "old.txt");
  testing::MakeReadOnly(stuck);
  try {
    Export();
    FAIL();
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find(stuck), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs::exists(JoinPath(pickup, "20050315_123456789.txt")));
  EXPECT_EQ(ReadBytes(Archive("20050315_123456789.txt")), kWorkedExampleBytes);
  EXPECT_EQ(platform::CurrentFolder(), fs::canonical(w.folder.Path()).string());
}

TEST_F(ExportTest, AMissingPickupFolderIsCreated) {
  OpenRegister();
  fs::remove_all(w.Path("home/VOLARINC"));
  EXPECT_EQ(ReadBytes(Export()), kWorkedExampleBytes);
}

// What the bank's uploader and the archive may see at any instant: the earlier pickup files as
// they were, or the new file complete; never a partial file under a final name.
class ExportFaults : public ExportTest {
 protected:
  const std::string kName = "20050315_123456789.txt";

  void Reset() {
    for (const auto& entry : fs::directory_iterator(pickup)) fs::remove(entry.path());
    w.folder.Write("home/VOLARINC/POSPAY/old.txt", "yesterday");
    w.folder.Write("home/VOLARINC/POSPAY/OLDER.TXT", "before");
    w.folder.Write("home/VOLARINC/POSPAY/" + kName, "an earlier run");
    fs::remove_all(w.Path("POSPAY"));
  }

  void ExpectNoPartialFile(const std::string& when, bool temporaryFilesAllowed) {
    const std::map<std::string, std::string> earlier = {
        {"old.txt", "yesterday"}, {"OLDER.TXT", "before"}, {kName, "an earlier run"}};
    for (const auto& entry : fs::directory_iterator(pickup)) {
      const std::string name = entry.path().filename().string();
      const std::string bytes = ReadBytes(entry.path().string());
      if (name.ends_with(".part")) {
        EXPECT_TRUE(temporaryFilesAllowed) << when << ": " << name << " left behind";
      } else if (name == kName) {
        EXPECT_TRUE(bytes == kWorkedExampleBytes || bytes == "an earlier run") << when;
      } else {
        EXPECT_EQ(bytes, earlier.at(name)) << when;
      }
    }
    // The file of the same name is the earlier one or the new one, never missing; the older
    // files go only once the new one is complete (in place, or under its temporary name when
    // the run was cut off before the rename).
    ASSERT_TRUE(fs::exists(pickup + "/" + kName)) << when;
    if (!fs::exists(pickup + "/old.txt") && temporaryFilesAllowed &&
        ReadBytes(pickup + "/" + kName) != kWorkedExampleBytes) {
      EXPECT_EQ(ReadBytes(PendingFile::TemporaryPathFor(pickup + "/" + kName)), kWorkedExampleBytes)
          << when << ": older files removed before the new one was complete";
    }
    const std::string archive = Archive(kName);
    if (fs::exists(archive)) {
      EXPECT_EQ(ReadBytes(archive), kWorkedExampleBytes) << when;
    }
  }

  void ExpectRerunRight(const std::string& when) {
    EXPECT_EQ(ReadBytes(Export()), kWorkedExampleBytes) << when;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(pickup)) {
      names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{kName}) << when;
  }
};

TEST_F(ExportFaults, EveryWritePointFailedOrCutOffLeavesNoPartialFileAndAClearMessage) {
  OpenRegister();
  Reset();
  const std::vector<faults::Seen> points = WritePoints([&] { Export(); });
  ASSERT_GE(points.size(), 10u);
  std::map<std::string, std::string> suiteTables;
  for (const char* table : {"zordis.dbf", "rpsdis.dbf", "ZORACC.DBF"}) {
    if (fs::exists(w.Path(table))) suiteTables[table] = ReadBytes(w.Path(table));
  }

  for (int n = 1; n <= static_cast<int>(points.size()); ++n) {
    const std::string where = "point " + std::to_string(n) + " (" +
                              faults::OperationName(points[n - 1].operation) + " " +
                              points[n - 1].path + ")";
    for (const faults::Fault fault : kFailures) {
      Reset();
      const auto message = FailAt(n, fault, [&] { Export(); });
      // A failed folder creation is passed over; the export then succeeds or fails later.
      if (points[n - 1].operation != faults::Operation::kMakeFolder) {
        ASSERT_TRUE(message) << where;
        EXPECT_NE(message->find(CauseText(fault)), std::string::npos) << *message;
      }
      ExpectNoPartialFile(where, /*temporaryFilesAllowed=*/false);
      EXPECT_EQ(platform::CurrentFolder(), fs::canonical(w.folder.Path()).string());
    }
    if (!kCutOffInChild) continue;
    Reset();
    EXPECT_TRUE(StoppedInChildAfter(n, [&] { Export(); })) << where;
    ExpectNoPartialFile(where + " then stopped", /*temporaryFilesAllowed=*/true);
    ExpectRerunRight(where + " then stopped");
  }
  for (const auto& [table, bytes] : suiteTables) EXPECT_EQ(ReadBytes(w.Path(table)), bytes);
}

TEST_F(ExportFaults, APickupFolderFullNamesTheFileAndCauseAndKeepsTheEarlierFiles) {
  OpenRegister();
  Reset();
  const std::vector<faults::Seen> points = WritePoints([&] { Export(); });
  int firstPickupWrite = 0;
  for (size_t i = 0; i < points.size() && !firstPickupWrite; ++i) {
    if (points[i].operation == faults::Operation::kWrite && points[i].path.starts_with(pickup)) {
      firstPickupWrite = static_cast<int>(i) + 1;
    }
  }
  ASSERT_GT(firstPickupWrite, 0);
  Reset();
  const auto message = FailAt(firstPickupWrite, faults::Fault::kShortWrite, [&] { Export(); });
  EXPECT_EQ(message.value_or(""), "Stream write error: Cannot write file " +
                                      JoinPath(pickup, kName) + ".part: No space left on device");
  EXPECT_EQ(ReadBytes(pickup + "/old.txt"), "yesterday");
  EXPECT_EQ(ReadBytes(pickup + "/" + kName), "an earlier run");
  EXPECT_EQ(ReadBytes(Archive(kName)), kWorkedExampleBytes);
}

class EmptyRegisterExport : public ExportTest {
 protected:
  EmptyRegisterExport() : ExportTest(fixtures::DataFolderRows{}) {}
};

TEST_F(EmptyRegisterExport, GivesTheTrailerAloneAndNoAccountInTheName) {
  OpenRegister();
  const std::string path = Export();
  EXPECT_EQ(path, JoinPath(pickup, "20050315_.txt"));
  EXPECT_EQ(ReadBytes(path), "0,0.00\r\n");
}

// Payees the code page changes or that carry blanks around them, a blank status, and enough
// checks that the file goes out in several pieces.
fixtures::DataFolderRows VariedRegister() {
  fixtures::DataFolderRows rows;
  rows.checkRegister = {WorkedExampleCheck(1, 10, "00", "CAF\x82 R\x94SSLI"),
                        WorkedExampleCheck(2, 20.5, "", "  LEADING"),
                        WorkedExampleCheck(3, 0.07, "02",
                                           "\x9A"
                                           "BERALL"),
                        WorkedExampleCheck(4, 1e8, "00", "")};
  for (int i = 0; i < 9000; ++i) {
    rows.checkRegister.push_back(WorkedExampleCheck(10000 + i, 100 + i * 0.25,
                                                    i % 7 == 0 ? "02" : "00",
                                                    ("PAYEE " + std::to_string(i)).c_str()));
  }
  return rows;
}

class VariedRegisterExport : public ExportTest {
 protected:
  VariedRegisterExport() : ExportTest(VariedRegister()) {}
};

TEST_F(VariedRegisterExport, EveryLineAsTheRegisterHoldsIt) {
  OpenRegister();
  std::string expected =
      "03/15/2005,1,\"CAF\xE9 R\xF6SSLI\",10.00\r\n"
      "03/15/2005,2,\"LEADING\",-20.5\r\n"
      "03/15/2005,3,\"\xDC"
      "BERALL\",-0.07\r\n"
      "03/15/2005,4,\"\",100000000.00\r\n";
  int issued = 2;
  double total = 10 - 20.5 - 0.07 + 1e8;
  for (int i = 0; i < 9000; ++i) {
    const bool voided = i % 7 == 0;
    const int quarters = (i % 4) * 25;
    std::string amount = std::to_string(100 + i / 4) + "." + std::to_string(quarters);
    if (quarters == 0) amount += "0";
    if (quarters == 50) amount.pop_back();  // the general form drops the trailing zero
    expected += "03/15/2005," + std::to_string(10000 + i) + ",\"PAYEE " + std::to_string(i) +
                "\"," + (voided ? "-" : "") + amount + "\r\n";
    issued += voided ? 0 : 1;
    total += voided ? -(100 + i * 0.25) : 100 + i * 0.25;
  }
  char trailer[64];
  std::snprintf(trailer, sizeof trailer, "%d,%.2f\r\n", issued, total);
  expected += trailer;
  EXPECT_EQ(ReadBytes(Export()), expected);
}

// A bank account with a layout of its bank gets its file in that layout, under that name.
TEST_F(ExportTest, ABankAccountsLayoutShapesTheFile) {
  LayoutSettings settings;
  BankLayout csv = BuiltInLayouts()[1];
  csv.name = "Bank CSV";
  csv.fileNamePattern = "PP{date}_{bankno}.csv";
  const auto field = [](FieldKind kind, const char* text = "") {
    LayoutField made;
    made.kind = kind;
    made.text = text;
    return made;
  };
  csv.trailer = {field(FieldKind::Constant, "T"), field(FieldKind::Count), field(FieldKind::Total)};
  csv.header = {field(FieldKind::Constant, "H"), field(FieldKind::Count)};
  settings.layouts.push_back(csv);
  settings.accountLayouts["123456789"] = csv.name;
  WriteLayoutSettings(w.folder.Path(), settings);
  w.folder.Write("home/VOLARINC/POSPAY/PP20050314_BNK.csv", "yesterday's");

  OpenRegister();
  const std::string path = Export();
  EXPECT_EQ(path, JoinPath(pickup, "PP20050315_BNK.csv"));
  const std::string expected =
      "H,2\r\n"
      "I,123456789,1001,031505,1250.50,ACME SUPPLY CO\r\n"
      "I,123456789,1002,031505,300.00,NORTH GARAGE\r\n"
      "V,123456789,1003,031505,75.25,CITY WATER DEPT\r\n"
      "T,2,1475.25\r\n";
  EXPECT_EQ(ReadBytes(path), expected);
  EXPECT_EQ(ReadBytes(Archive("PP20050315_BNK.csv")), expected);
  EXPECT_FALSE(fs::exists(JoinPath(pickup, "PP20050314_BNK.csv"))) << "the older file of its kind";
  EXPECT_FALSE(fs::exists(JoinPath(pickup, "old.txt")));

  // Another account of the same folder keeps the standard file.
  settings.accountLayouts.clear();
  settings.accountLayouts["999"] = csv.name;
  WriteLayoutSettings(w.folder.Path(), settings);
  EXPECT_EQ(ReadBytes(Export()), kWorkedExampleBytes);
}

// A check that does not fit the layout, or a layout file that cannot be read, stops the export
// before anything reaches the pickup folder.
TEST_F(ExportTest, ALayoutThatCannotWriteTheFileStopsTheExport) {
  LayoutSettings settings;
  BankLayout narrow = BuiltInLayouts()[3];
  narrow.name = "Narrow";
  narrow.detail[2].length = 3;  // check numbers of three digits
  narrow.detail[3].start = 17;
  narrow.detail[3].length = 8;
  narrow.detail[2].start = 14;
  settings.layouts.push_back(narrow);
  settings.accountLayouts["123456789"] = narrow.name;
  ASSERT_EQ(LayoutProblem(narrow), "");
  WriteLayoutSettings(w.folder.Path(), settings);
  OpenRegister();
  try {
    Export();
    ADD_FAILURE() << "a check number too wide was cut";
  } catch (const LayoutRefusal& refusal) {
    EXPECT_STREQ(refusal.what(),
                 "Check 1001: the CheckNumber 1001 does not fit the 3 positions of its field");
  }
  EXPECT_TRUE(fs::exists(JoinPath(pickup, "old.txt")));

  w.folder.Write(kLayoutFileName, "[Layout]\nName=A\nDetail=Amont\n");
  EXPECT_THROW(Export(), LayoutRefusal);
  EXPECT_TRUE(fs::exists(JoinPath(pickup, "old.txt")));
}

}  // namespace
}  // namespace volarin::testing
