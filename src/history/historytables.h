#pragma once
// The program's own history tables, kept in the data folder beside the suite's tables: one
// record per Positive Pay file created and one per check sent in it. The names are ones the
// suite does not use; fields and tags are matched without regard to case.

namespace volarin::history {

// One record per file created; written last, so its presence marks the checks as committed.
inline constexpr const char* kSubmissionFile = "PPSUBMIT.DBF";
inline constexpr const char* kSubmissionIdTag = "SUBMITID";  // SUBMITID
inline constexpr const char* kBankDateTag = "BANKDATE";      // BANKACCT+DTOS(PPDATE)
namespace submission {
inline constexpr const char* kId = "SUBMITID";
inline constexpr const char* kCreatedDate = "CREATED";
inline constexpr const char* kCreatedTime = "CRTIME";  // HH:MM:SS
inline constexpr const char* kOsUser = "OSUSER";
inline constexpr const char* kSuiteAccount = "SUITEACCT";
inline constexpr const char* kBankAccount = "BANKACCT";
inline constexpr const char* kPositivePayDate = "PPDATE";
inline constexpr const char* kMode = "MODE";  // D: checks of the date, O: all outstanding
inline constexpr const char* kStartingCheck = "STARTCHK";
inline constexpr const char* kCheckCount = "CHECKS";
inline constexpr const char* kNetTotal = "NETTOTAL";
inline constexpr const char* kArchiveFile = "ARCHIVE";
inline constexpr const char* kSha256 = "SHA256";
}  // namespace submission

// One record per check sent, written before its submission record.
inline constexpr const char* kSentCheckFile = "PPSENT.DBF";
inline constexpr const char* kSentSubmissionTag = "SUBMITID";  // SUBMITID
inline constexpr const char* kBankCheckTag = "BANKCHECK";      // BANKACCT+STR(CHECKNO,10)
namespace sent {
inline constexpr const char* kSubmissionId = "SUBMITID";
inline constexpr const char* kBankAccount = "BANKACCT";
inline constexpr const char* kCheckNo = "CHECKNO";
inline constexpr const char* kCheckDate = "CHECKDATE";
inline constexpr const char* kAmount = "AMOUNT";
inline constexpr const char* kStatus = "STATUS";
inline constexpr const char* kPayee = "PAYEE";
}  // namespace sent

inline constexpr int kBankAccountWidth = 15;
inline constexpr int kCheckNumberWidth = 10;

}  // namespace volarin::history
