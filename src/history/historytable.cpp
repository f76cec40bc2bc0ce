#include "history/historytable.h"

#include <random>

#include "common/errors.h"
#include "common/paths.h"
#include "common/platform.h"
#include "dbf/errors.h"
#include "dbf/mdx/tableindex.h"
#include "history/historytables.h"

namespace volarin::history {
namespace {

// Runs the open again while the table is in use by another program.
template <typename OpenTable>
std::unique_ptr<dbf::Table> OpenRetrying(const std::string& path, OpenTable open) {
  for (int attempt = 1;; ++attempt) {
    try {
      return open();
    } catch (const dbf::Error& e) {
      if (e.Code() != dbf::kErrorOpen || attempt >= kOpenAttempts || !platform::FileExists(path)) {
        throw;
      }
    }
    platform::SleepMilliseconds(kOpenDelayMs);
  }
}

std::string FreshName(const std::string& path) {
  std::random_device random;
  return path + "." + std::to_string(random() % 100000000) + ".new";
}

void CreateIfMissing(const std::string& dataDir, const TableSchema& schema) {
  const std::string path = JoinPath(dataDir, schema.fileName);
  if (platform::FileExists(path)) return;
  const std::string fresh = FreshName(path);
  try {
    dbf::Context context;
    auto table = dbf::Table::Create(context, fresh, schema.fields, {0x01, {true, false}});
    table->Sync();
    table->Close();
    if (platform::RenameIfAbsent(fresh, path)) platform::SyncFolder(dataDir);
  } catch (...) {
    platform::RemoveFile(fresh);
    throw;
  }
  platform::RemoveFile(fresh);  // another program's table came first
}

bool IndexAgrees(dbf::Table& table, const TableSchema& schema) {
  const std::string indexPath = dbf::ProductionIndexPath(table.Path());
  if (!table.HasProductionIndex() || !platform::FileExists(indexPath)) return false;
  try {
    dbf::OpenIndex(table, indexPath);
    const std::vector<dbf::TagInfo> tags = dbf::Tags(table);
    if (tags.size() != schema.tags.size()) return false;
    for (size_t i = 0; i < tags.size(); ++i) {
      if (tags[i].name != schema.tags[i].name) return false;
    }
    return dbf::CheckIndex(table).empty();
  } catch (const dbf::Error&) {
    return false;
  }
}

}  // namespace

const TableSchema& SubmissionSchema() {
  using namespace submission;
  static const TableSchema schema{
      kSubmissionFile,
      {{kId, 'N', 10, 0},
       {kCreatedDate, 'D', 8, 0},
       {kCreatedTime, 'C', 8, 0},
       {kOsUser, 'C', 30, 0},
       {kSuiteAccount, 'C', 15, 0},
       {kBankAccount, 'C', kBankAccountWidth, 0},
       {kPositivePayDate, 'D', 8, 0},
       {kMode, 'C', 1, 0},
       {kStartingCheck, 'N', kCheckNumberWidth, 0},
       {kCheckCount, 'N', 10, 0},
       {kNetTotal, 'N', 15, 2},
       {kArchiveFile, 'C', 60, 0},
       {kSha256, 'C', 64, 0}},
      {{kSubmissionIdTag, kId, "", false, false},
       {kBankDateTag, std::string(kBankAccount) + "+DTOS(" + kPositivePayDate + ")", "", false,
        false}}};
  return schema;
}

const TableSchema& SentCheckSchema() {
  using namespace sent;
  static const TableSchema schema{
      kSentCheckFile,
      {{kSubmissionId, 'N', 10, 0},
       {kBankAccount, 'C', kBankAccountWidth, 0},
       {kCheckNo, 'N', kCheckNumberWidth, 0},
       {kCheckDate, 'D', 8, 0},
       {kAmount, 'N', 12, 2},
       {kStatus, 'C', 2, 0},
       {kPayee, 'C', 60, 0}},
      {{kSentSubmissionTag, kSubmissionId, "", false, false},
       {kBankCheckTag, std::string(kBankAccount) + "+STR(" + kCheckNo + ",10)", "", false, false}}};
  return schema;
}

std::unique_ptr<dbf::Table> OpenForWriting(dbf::Context& context, const std::string& dataDir,
                                           const TableSchema& schema) {
  CreateIfMissing(dataDir, schema);
  const std::string path = JoinPath(dataDir, schema.fileName);
  auto table = OpenRetrying(path, [&] {
    return dbf::Table::Open(context, path, dbf::OpenOptions{true, false});
  });
  if (!IndexAgrees(*table, schema)) dbf::CreateProductionIndex(*table, schema.tags);
  return table;
}

std::unique_ptr<dbf::Table> OpenForReading(dbf::Context& context, const std::string& dataDir,
                                           const TableSchema& schema, bool& indexed) {
  indexed = false;
  const std::string path = JoinPath(dataDir, schema.fileName);
  if (!platform::FileExists(path)) return nullptr;
  auto table = OpenRetrying(path, [&] {
    return dbf::Table::Open(context, path, dbf::OpenOptions{false, true});
  });
  const std::string indexPath = dbf::ProductionIndexPath(path);
  if (table->HasProductionIndex() && platform::FileExists(indexPath)) {
    try {
      dbf::OpenIndex(*table, indexPath);
      indexed = true;
    } catch (const dbf::Error&) {
      table->SetIndexMaintainer(nullptr);
    }
  }
  return table;
}

}  // namespace volarin::history
