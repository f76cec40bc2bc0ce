// The extraction at every write point on a small data folder: each write failed (disk full, a
// short write, an I/O error) and, separately, the process ended right after it as in a crash.
// Whatever happened, the suite's tables are unchanged, the register and its index agree (after
// the repair an open makes), the register is complete or marked unfinished, and a rerun is right.
#include <gtest/gtest.h>

#include <map>

#include "common/confirmbox.h"
#include "common/paths.h"
#include "common/platform.h"
#include "dbf/context.h"
#include "dbf/mdx/tableindex.h"
#include "dbf/table.h"
#include "extraction/extraction_test_support.h"
#include "support/fault_sweep.h"

namespace volarin::testing {
namespace {

const Date kDay = Ymd(2024, 3, 15);

fixtures::DataFolderRows SmallFolder() {
  fixtures::DataFolderRows rows;
  rows.accountMap = {{"ESC100", "777", "BNK01"}};
  rows.accountList = {{"ESC100"}};
  const char* payees[] = {"ACME", "NORTH GARAGE", "CITY WATER", "PAPER CO", "GAS CO"};
  for (int i = 0; i < 5; ++i) {
    fixtures::EscrowRow row;
    row.checkNo = 1001 + i;
    row.accountNr = "ESC100";
    row.prnDate = kDay;
    row.amount = 10.5 * (i + 1);
    row.company = payees[i];
    rows.escrow.push_back(row);
  }
  fixtures::ClosingRow closing;
  closing.checkNo = 2001;
  closing.accountNr = "ESC100";
  closing.date = kDay;
  closing.amount = 500;
  closing.company = "CLOSING PAYEE";
  rows.closing.push_back(closing);
  // An earlier run's register, replaced by the extraction.
  fixtures::CheckRecordRow old;
  old.accountNr = "777";
  old.checkNo = 900;
  old.date = kDay - 1;
  old.statusCode = "00";
  old.amount = 1;
  old.company = "YESTERDAY";
  rows.checkRegister = {old, old};
  rows.checkRegister[1].checkNo = 901;
  return rows;
}

class ExtractionFaults : public ::testing::Test {
 protected:
  // The files the extraction must never change.
  static void UntouchedFiles(const MainWindowCursors& w,
                             std::map<std::string, std::string>& files) {
    for (const char* name : {"zordis.dbf", "rpsdis.dbf", "ZORACC.DBF", "zorppsub.dbf"}) {
      const std::string table = w.Path(name);
      const std::string index = dbf::ProductionIndexPath(table);
      ASSERT_TRUE(platform::FileExists(table) && platform::FileExists(index)) << index;
      files[name] = ReadBytes(table);
      files[FileNamePart(index)] = ReadBytes(index);
    }
  }

  static void Run(MainWindowCursors& w) {
    RunExtraction(w.Cursors(), w.Request("ESC100", kDay), nullptr);
  }

  // Closes everything as the program does at its end, then opens the register again as the
  // program does at its next start and checks what it finds.
  void ExpectSafeState(MainWindowCursors& w, const std::string& when) {
    for (TableCursor* c : {w.checkRegister.get(), w.accountMap.get()}) {
      try {
        c->Close();
      } catch (const Error&) {
        // A close after a failed run may fail again; what reaches the disk is checked below.
      }
    }
    std::vector<std::string> notices;
    ScopedConfirmPresenter presenter([&](const std::string&, const std::string& message) {
      notices.push_back(message);
      return true;
    });
    ASSERT_NO_THROW(w.checkRegister->Open()) << when;
    w.checkRegister->SetTag("date");
    const bool unfinished = w.checkRegister->MarkedIncomplete();
    if (!unfinished) {
      // The new register complete, or the earlier one untouched (the run failed at once).
      const std::vector<RegisterRow> rows = w.Register();
      EXPECT_TRUE(rows == expected || rows == earlier) << when << ": finished but not complete";
    }
    w.checkRegister->Close();
    {
      dbf::Context context;
      auto table = dbf::Table::Open(context, w.Path("zorppay.dbf"));
      dbf::OpenIndex(*table, dbf::ProductionIndexPath(table->Path()));
      EXPECT_EQ(dbf::CheckIndex(*table), "") << when;
    }
    for (const std::string& notice : notices) {
      EXPECT_NE(notice.find("rebuilt"), std::string::npos) << notice;
    }
    if (!notices.empty()) ++rebuilds;
    std::map<std::string, std::string> now;
    UntouchedFiles(w, now);
    for (const auto& [name, bytes] : untouched) EXPECT_TRUE(now[name] == bytes) << when << name;

    // A rerun gives the complete register, finished.
    w.accountMap->Open();
    w.accountMap->SetTag("accountnr");
    try {
      Run(w);
    } catch (const Error& e) {
      ADD_FAILURE() << when << ": rerun failed: " << e.what();
      return;
    }
    EXPECT_EQ(w.Register(), expected) << when << ": rerun";
    EXPECT_FALSE(w.checkRegister->MarkedIncomplete()) << when;
  }

  std::vector<RegisterRow> expected;
  std::vector<RegisterRow> earlier;
  int rebuilds = 0;  // states in which the open had to rebuild the register's index
  std::map<std::string, std::string> untouched;
};

TEST_F(ExtractionFaults, EveryWritePointFailedOrCutOffLeavesASafeRegister) {
  std::vector<faults::Seen> points;
  {
    MainWindowCursors w(SmallFolder());
    UntouchedFiles(w, untouched);
    w.checkRegister->Open();
    w.checkRegister->SetTag("date");
    earlier = w.Register();
    points = WritePoints([&] { Run(w); });
    expected = w.Register();
  }
  ASSERT_EQ(expected.size(), 6u);
  ASSERT_GE(points.size(), 8u);

  for (int n = 1; n <= static_cast<int>(points.size()); ++n) {
    const std::string where = PointName(points, n);
    SCOPED_TRACE(where);
    for (const faults::Fault fault : kFailures) {
      MainWindowCursors w(SmallFolder());
      const auto message = FailAt(n, fault, [&] { Run(w); });
      ASSERT_TRUE(message) << where;
      EXPECT_NE(message->find(CauseText(fault)), std::string::npos) << where << ": " << *message;
      ExpectSafeState(w, where);
    }
    if (!kCutOffInChild) continue;
    MainWindowCursors w(SmallFolder());
    EXPECT_TRUE(StoppedInChildAfter(n, [&] { Run(w); })) << where;
    ExpectSafeState(w, where + " then stopped");
  }
  // Some states, those cut off while the index was being rewritten, needed the repair.
  if (kCutOffInChild) {
    EXPECT_GT(rebuilds, 0);
  }
}

}  // namespace
}  // namespace volarin::testing
