#include "history/historyrows.h"

#include <optional>

#include "common/text.h"
#include "history/historytables.h"
#include "storage/errors.h"
#include "storage/storedform.h"

namespace volarin::history {
namespace {

class RowBuilder {
 public:
  explicit RowBuilder(const dbf::Table& table)
      : table_(table), row_(static_cast<size_t>(table.FieldCount())) {}
  RowBuilder& Text(const char* name, const std::string& text) {
    return Put(name, [&](const dbf::FieldInfo& f) { return StoredText(f, text, true); });
  }
  RowBuilder& Amount(const char* name, Money amount) {
    return Put(name, [&](const dbf::FieldInfo& f) {
      std::optional<std::string> stored = amount.FieldText(f.width, f.decimals);
      if (!stored) {
        throw EFieldError("Value " + amount.FixedText() + " does not fit field '" + f.name + "'");
      }
      return *stored;
    });
  }
  RowBuilder& Integer(const char* name, int64_t value) {
    return Put(name, [&](const dbf::FieldInfo& f) { return StoredInteger(f, value); });
  }
  RowBuilder& Day(const char* name, Date date) {
    return Put(name, [&](const dbf::FieldInfo& f) { return StoredDate(f, date); });
  }
  StoredRow Take() { return std::move(row_); }

 private:
  template <typename Store>
  RowBuilder& Put(const char* name, Store store) {
    const int field = table_.FieldIndex(name);
    row_[static_cast<size_t>(field)] = store(table_.Field(field));
    return *this;
  }
  const dbf::Table& table_;
  StoredRow row_;
};

std::string TextOf(const dbf::Table& table, const char* name) {
  const int field = table.FieldIndex(name);
  return ReadAsString(table.Field(field), table.StoredText(field), true);
}

Money AmountOf(const dbf::Table& table, const char* name) {
  return Money::FromStoredText(table.StoredText(table.FieldIndex(name)));
}

Date DateOf(const dbf::Table& table, const char* name) {
  const int field = table.FieldIndex(name);
  return ReadAsDate(table.Field(field), table.StoredText(field));
}

}  // namespace

StoredRow StoredSubmission(const dbf::Table& table, const Submission& s) {
  using namespace submission;
  return RowBuilder(table)
      .Integer(kId, s.id)
      .Day(kCreatedDate, s.createdDate)
      .Text(kCreatedTime, s.createdTime)
      .Text(kOsUser, s.osUser)
      .Text(kSuiteAccount, s.suiteAccount)
      .Text(kBankAccount, s.bankAccount)
      .Day(kPositivePayDate, s.positivePayDate)
      .Text(kMode, s.mode == SubmissionMode::kOutstanding ? "O" : "D")
      .Integer(kStartingCheck, s.startingCheckNumber)
      .Integer(kCheckCount, s.checkCount)
      .Amount(kNetTotal, s.netTotal)
      .Text(kArchiveFile, s.archiveFileName)
      .Text(kSha256, s.sha256)
      .Take();
}

StoredRow StoredSentCheck(const dbf::Table& table, const SentCheck& c) {
  using namespace sent;
  return RowBuilder(table)
      .Integer(kSubmissionId, c.submissionId)
      .Text(kBankAccount, c.bankAccount)
      .Integer(kCheckNo, c.checkNumber)
      .Day(kCheckDate, c.checkDate)
      .Amount(kAmount, c.amount)
      .Text(kStatus, c.statusCode)
      .Text(kPayee, c.payee)
      .Take();
}

void AssignRow(dbf::Table& table, const StoredRow& row) {
  for (size_t i = 0; i < row.size(); ++i) table.AssignBytes(static_cast<int>(i), row[i]);
}

int64_t ReadId(const dbf::Table& table, const char* name) {
  const int field = table.FieldIndex(name);
  return ReadAsInt64(table.Field(field), table.StoredText(field));
}

Submission ReadSubmission(const dbf::Table& table) {
  using namespace submission;
  Submission s;
  s.id = ReadId(table, kId);
  s.createdDate = DateOf(table, kCreatedDate);
  s.createdTime = TextOf(table, kCreatedTime);
  s.osUser = TextOf(table, kOsUser);
  s.suiteAccount = TextOf(table, kSuiteAccount);
  s.bankAccount = TextOf(table, kBankAccount);
  s.positivePayDate = DateOf(table, kPositivePayDate);
  s.mode = TextOf(table, kMode) == "O" ? SubmissionMode::kOutstanding : SubmissionMode::kDate;
  s.startingCheckNumber = ReadId(table, kStartingCheck);
  s.checkCount = ReadId(table, kCheckCount);
  s.netTotal = AmountOf(table, kNetTotal);
  s.archiveFileName = TextOf(table, kArchiveFile);
  s.sha256 = TextOf(table, kSha256);
  return s;
}

SentCheck ReadSentCheck(const dbf::Table& table) {
  using namespace sent;
  SentCheck c;
  c.submissionId = ReadId(table, kSubmissionId);
  c.bankAccount = TextOf(table, kBankAccount);
  c.checkNumber = ReadId(table, kCheckNo);
  c.checkDate = DateOf(table, kCheckDate);
  c.amount = AmountOf(table, kAmount);
  c.statusCode = TextOf(table, kStatus);
  c.payee = TextOf(table, kPayee);
  return c;
}

}  // namespace volarin::history
