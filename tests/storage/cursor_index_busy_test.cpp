// A cursor opening a shared table while another user is in the middle of a change of its index:
// the open reports the index busy and rebuilds nothing, and opens once the change is done.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/confirmbox.h"
#include "common/platform.h"
#include "dbf/mdx/blockstore.h"
#include "dbf/mdx/tableindex.h"
#include "storage/errors.h"
#include "storage_test_support.h"
#include "support/half_written_index.h"

namespace volarin::testing {
namespace {

fixtures::DataFolderRows Rows() {
  fixtures::DataFolderRows rows;
  rows.accountMap = {{"ESC200", "888", "BNK02"}, {"ESC100", "777", "BNK01"}};
  return rows;
}

// The account numbers in the order of the cursor's tag, read through a fresh open.
std::vector<std::string> AccountsInTagOrder(StorageSetup& s) {
  auto cursor = s.Cursor("zorppsub");
  cursor->repairIndexOnOpen = true;
  cursor->Open();
  cursor->SetTag("accountnr");
  std::vector<std::string> accounts;
  for (cursor->GoTop(); !cursor->Eof(); cursor->Skip(1)) {
    accounts.push_back(cursor->FieldAsString("NEWACCNR"));
  }
  return accounts;
}

TEST(CursorIndexBusy, AnIndexAnotherUserIsChangingIsReportedBusyNotRebuilt) {
  struct Case {
    const char* what;
    bool halfWritten;  // the other user's change has left the tag's tree half written
  };
  for (const Case c : {Case{"the open meets the half-written tree", true},
                       Case{"the open's check cannot wait for the change", false}}) {
    SCOPED_TRACE(c.what);
    StorageSetup s(Rows());
    const std::string indexPath = dbf::ProductionIndexPath(s.Path("zorppsub.dbf"));
    std::vector<std::string> shown;
    ScopedConfirmPresenter presenter([&](const std::string&, const std::string& message) {
      shown.push_back(message);
      return true;
    });
    {
      std::unique_ptr<HalfWrittenIndex> changing;
      std::unique_ptr<platform::File> holding;
      if (c.halfWritten) {
        changing = std::make_unique<HalfWrittenIndex>(indexPath, "ACCOUNTNR");
      } else {
        holding = platform::File::Open(indexPath, platform::File::Access::ReadWrite,
                                       platform::File::Share::Shared);
        ASSERT_TRUE(holding->TryLock(dbf::mdx::kUpdateLockOffset, 1));
      }
      const std::string before = ReadBytes(indexPath);
      auto cursor = s.Cursor("zorppsub");
      cursor->repairIndexOnOpen = true;
      try {
        cursor->Open();
        ADD_FAILURE() << "the table opened while its index was being changed";
      } catch (const EOpenError& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("Error opening index (-50)", 0), 0u) << text;
        EXPECT_NE(text.find("being changed by another user"), std::string::npos) << text;
      }
      EXPECT_TRUE(shown.empty()) << shown.front();
      EXPECT_EQ(ReadBytes(indexPath), before);
    }
    EXPECT_EQ(AccountsInTagOrder(s), (std::vector<std::string>{"777", "888"}));
    EXPECT_TRUE(shown.empty());
  }
}

}  // namespace
}  // namespace volarin::testing
