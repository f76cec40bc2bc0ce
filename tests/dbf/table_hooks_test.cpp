// The index plug-in points, with a fake index: the table calls it with the right record images
// around every change, honours its unique-key verdicts, and navigates through a replaced order.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

#include "dbf/expression.h"
#include "dbf/table.h"
#include "dbf_test_util.h"

namespace volarin::dbf {
namespace {

using testing::TempFolder;

// A unique index on one key expression kept as a map key -> recno, plus a log of the calls.
struct FakeIndexState {
  std::map<std::string, uint32_t> keys;
  std::vector<std::string> log;
};

class FakeUniqueIndex : public IndexMaintainer {
 public:
  FakeUniqueIndex(std::shared_ptr<FakeIndexState> state, std::unique_ptr<Expression> key)
      : state_(std::move(state)), key_(std::move(key)) {}

  WriteResult BeforeWrite(const RecordView& before, const RecordView& after,
                          UniqueMode mode) override {
    const std::string oldKey = key_->Text(before), newKey = key_->Text(after);
    state_->log.push_back("before-write " + std::to_string(after.recno) + " " + oldKey + "->" +
                          newKey);
    if (oldKey == newKey) return WriteResult::kOk;
    return Verdict(newKey, after.recno, mode);
  }
  void AfterWrite(const RecordView& before, const RecordView& after) override {
    const std::string oldKey = key_->Text(before), newKey = key_->Text(after);
    state_->log.push_back("after-write " + std::to_string(after.recno));
    if (oldKey == newKey) return;
    auto it = state_->keys.find(oldKey);
    if (it != state_->keys.end() && it->second == before.recno) state_->keys.erase(it);
    state_->keys.emplace(newKey, after.recno);  // a passed-over key keeps its first owner
  }
  WriteResult BeforeAppend(const RecordView& record, UniqueMode mode) override {
    state_->log.push_back("before-append " + std::to_string(record.recno));
    return Verdict(key_->Text(record), record.recno, mode);
  }
  void AfterAppend(const RecordView& record) override {
    state_->log.push_back("after-append " + std::to_string(record.recno));
    state_->keys.emplace(key_->Text(record), record.recno);
  }
  void AfterZap(uint32_t first, uint32_t last) override {
    state_->log.push_back("zap " + std::to_string(first) + "-" + std::to_string(last));
  }
  void Flush() override { state_->log.push_back("flush"); }

 private:
  WriteResult Verdict(const std::string& key, uint32_t recno, UniqueMode mode) const {
    auto it = state_->keys.find(key);
    if (it == state_->keys.end() || it->second == recno) return WriteResult::kOk;
    return mode == UniqueMode::kRefuse ? WriteResult::kUniqueRefused
                                       : WriteResult::kUniquePassedOver;
  }
  std::shared_ptr<FakeIndexState> state_;
  std::unique_ptr<Expression> key_;
};

class HooksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table_ = Table::Create(context_, dir_ / "h.dbf", {{"CODE", 'C', 4, 0}, {"N", 'N', 5, 0}});
    table_->SetIndexMaintainer(std::make_unique<FakeUniqueIndex>(
        state_, Expression::ParseOrThrow("UPPER(CODE)", table_->Layout())));
  }
  WriteResult AppendCode(const std::string& code) {
    table_->StartAppend();
    table_->AssignBytes(0, code);
    return table_->Append();
  }
  TempFolder dir_;
  Context context_;
  std::shared_ptr<FakeIndexState> state_ = std::make_shared<FakeIndexState>();
  std::unique_ptr<Table> table_;
};

TEST_F(HooksTest, AppendsAndWritesReachTheIndexWithOldAndNewImages) {
  ASSERT_EQ(AppendCode("ab"), WriteResult::kOk);
  ASSERT_EQ(AppendCode("cd"), WriteResult::kOk);
  table_->Go(1);
  table_->AssignBytes(0, "xy");
  ASSERT_EQ(table_->Write(), WriteResult::kOk);
  EXPECT_EQ(state_->log, (std::vector<std::string>{"before-append 1", "after-append 1",
                                                   "before-append 2", "after-append 2",
                                                   "before-write 1 AB  ->XY  ", "after-write 1"}));
  EXPECT_EQ(state_->keys, (std::map<std::string, uint32_t>{{"CD  ", 2}, {"XY  ", 1}}));
  // The deletion mark is a change like any other; the key stays.
  table_->Delete();
  table_->Write();
  EXPECT_EQ(state_->log.back(), "after-write 1");
  table_->Flush();
  EXPECT_EQ(state_->log.back(), "flush");
}

TEST_F(HooksTest, RefusedUniqueKeyWritesNothing) {
  context_.Configure().uniqueMode = UniqueMode::kRefuse;
  ASSERT_EQ(AppendCode("ab"), WriteResult::kOk);
  EXPECT_EQ(AppendCode("AB"), WriteResult::kUniqueRefused);
  EXPECT_EQ(table_->RecordCount(), 1u);
  EXPECT_TRUE(table_->Appending());  // the new record is still there to be corrected
  table_->AssignBytes(0, "ef");
  EXPECT_EQ(table_->Append(), WriteResult::kOk);
  EXPECT_EQ(table_->RecordCount(), 2u);

  table_->Go(2);
  table_->AssignBytes(0, "Ab");
  EXPECT_EQ(table_->Write(), WriteResult::kUniqueRefused);
  EXPECT_TRUE(table_->Changed());
  table_->DiscardChanges();
  table_->Refresh();
  EXPECT_EQ(table_->StoredText(0), "ef  ");
  // A move cannot silently drop a refused change.
  table_->AssignBytes(0, "AB");
  EXPECT_THROW(table_->Skip(1), Error);
  EXPECT_EQ(table_->RecNo(), 2u);
}

TEST_F(HooksTest, PassedOverUniqueKeyIsWrittenAndReported) {
  ASSERT_EQ(AppendCode("ab"), WriteResult::kOk);
  EXPECT_EQ(AppendCode("AB"), WriteResult::kUniquePassedOver);
  EXPECT_EQ(table_->RecordCount(), 2u);
  EXPECT_EQ(state_->keys.at("AB  "), 1u);  // the first owner keeps the key
}

TEST_F(HooksTest, ZapTellsTheIndexTheRange) {
  for (const char* code : {"a", "b", "c", "d"}) AppendCode(code);
  table_->Close();
  table_ = Table::Open(context_, dir_ / "h.dbf", OpenOptions{true, false});
  table_->SetIndexMaintainer(std::make_unique<FakeUniqueIndex>(
      state_, Expression::ParseOrThrow("CODE", table_->Layout())));
  table_->Zap(2, 3);
  EXPECT_EQ(state_->log.back(), "zap 2-3");
}

// An order that walks the records backwards: what a descending tag would do.
class ReverseOrder : public RecordOrder {
 public:
  explicit ReverseOrder(const Table& table) : table_(table) {}
  uint32_t First() override { return table_.RecordCount(); }
  uint32_t Last() override { return table_.RecordCount() > 0 ? 1 : 0; }
  uint32_t Next(const RecordView& current) override { return current.recno - 1; }
  uint32_t Prior(const RecordView& current) override {
    return current.recno < table_.RecordCount() ? current.recno + 1 : 0;
  }

 private:
  const Table& table_;
};

TEST_F(HooksTest, NavigationFollowsAReplacedOrder) {
  for (const char* code : {"a", "b", "c"}) AppendCode(code);
  ReverseOrder reverse(*table_);
  table_->SetOrder(&reverse);
  std::string seen;
  for (table_->Top(); !table_->Eof(); table_->Skip()) seen += table_->StoredText(0)[0];
  EXPECT_EQ(seen, "cba");
  table_->Bottom();
  EXPECT_EQ(table_->RecNo(), 1u);
  EXPECT_EQ(table_->Skip(-5), -2);
  EXPECT_TRUE(table_->Bof());
  EXPECT_EQ(table_->RecNo(), 3u);
  table_->SetOrder(nullptr);
  table_->Top();
  EXPECT_EQ(table_->RecNo(), 1u);
}

// An order over a shared table whose first and last records are appended through a second open
// of the file just before it names them: the table has read its header already, so the record
// lies past the count it knows, as when another program appends between the two reads.
class AppendingOrder : public RecordOrder {
 public:
  AppendingOrder(Table& other, int appends) : other_(other), appends_(appends) {}
  uint32_t First() override {
    for (int i = 0; i < appends_; ++i) {
      other_.StartAppend();
      other_.AssignBytes(0, "new" + std::to_string(++appended_));
      other_.Append();
    }
    return other_.RecordCount();
  }
  uint32_t Last() override { return First(); }
  uint32_t Next(const RecordView&) override { return 0; }
  uint32_t Prior(const RecordView&) override { return 0; }

 private:
  Table& other_;
  int appends_;
  int appended_ = 0;
};

TEST(TableOrder, ARecordAppendedElsewhereAfterTheCountIsReadShowsItsOwnBytes) {
  const struct {
    const char* name;
    uint32_t readBefore;  // a record read first (0: none), so the block read ahead holds it
    int appends;
    bool fromBottom;
  } cases[] = {
      {"nothing read yet", 0, 1, false},
      {"after the last record", 3, 1, false},
      {"two appended", 3, 2, false},
      {"two appended, nothing read yet", 0, 2, false},
      {"from the bottom", 3, 1, true},
      {"from the bottom, away from the block read", 1, 2, true},
  };
  for (const auto& c : cases) {
    TempFolder dir;
    Context context;
    const std::string path = dir / "shared.dbf";
    auto reader = Table::Create(context, path, {{"CODE", 'C', 4, 0}}, {0x01, {false, false}});
    for (const char* code : {"old1", "old2", "old3"}) {
      reader->StartAppend();
      reader->AssignBytes(0, code);
      reader->Append();
    }
    auto writer = Table::Open(context, path, {false, false});
    AppendingOrder order(*writer, c.appends);
    if (c.readBefore > 0) {
      ASSERT_TRUE(reader->Go(c.readBefore)) << c.name;
    }
    reader->SetOrder(&order);
    ASSERT_TRUE(c.fromBottom ? reader->Bottom() : reader->Top()) << c.name;
    EXPECT_EQ(reader->RecNo(), 3u + static_cast<uint32_t>(c.appends)) << c.name;
    EXPECT_EQ(reader->StoredText(0), "new" + std::to_string(c.appends)) << c.name;
    reader->SetOrder(nullptr);
  }
}

}  // namespace
}  // namespace volarin::dbf
