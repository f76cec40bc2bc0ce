#pragma once
// The five tables of the suite that the program uses: file names, the fields it reads or writes,
// the tags it selects and the status codes of the check register. Names are matched without
// regard to case everywhere, so the spellings here are the ones the suite uses.

namespace volarin::tables {

// Lengths of the parts of the keys the program builds.
inline constexpr int kAccountKeyWidth = 15;
inline constexpr int kCheckNumberWidth = 10;

// Check register: the checks selected for the bank; held exclusively while the program runs.
inline constexpr const char* kRegisterAlias = "zorppay";
inline constexpr const char* kRegisterFile = "zorppay.dbf";
inline constexpr const char* kRegisterAccountTag = "ACCOUNTNR";  // account + check number
inline constexpr const char* kRegisterDateTag = "date";
namespace reg {
inline constexpr const char* kAccountNr = "ACCOUNTNR";
inline constexpr const char* kCheckNo = "CHECKNO";
inline constexpr const char* kDate = "DATE";
inline constexpr const char* kStatusCode = "STATUSCODE";
inline constexpr const char* kAmount = "AMOUNT";
inline constexpr const char* kCompany = "COMPANY";
inline constexpr const char* kBankCode = "BANKCODE";
inline constexpr const char* kDummy1 = "DUMMY1";
inline constexpr const char* kStatus = "status";  // calculated, memory only
inline constexpr int kStatusSize = 5;
}  // namespace reg

inline constexpr const char* kStatusIssued = "00";
inline constexpr const char* kStatusVoid = "02";
inline constexpr const char* kStatusStop = "03";

// Account map: which suite account is which bank account and bank number.
inline constexpr const char* kAccountMapAlias = "zorppsub";
inline constexpr const char* kAccountMapFile = "zorppsub.dbf";
inline constexpr const char* kAccountMapTag = "accountnr";
namespace map {
inline constexpr const char* kOrgAccNr = "ORGACCNR";
inline constexpr const char* kNewAccNr = "NEWACCNR";
inline constexpr const char* kBankCode = "BANKCODE";
}  // namespace map

// Account list: the suite's accounts, read in record order by the direct reader.
inline constexpr const char* kAccountListFile = "ZORACC.DBF";
namespace list {
inline constexpr const char* kAccountNr = "ACCOUNTNR";
}

// Escrow table: checks of the escrow module, one record per check line (read only).
inline constexpr const char* kEscrowAlias = "zordis";
inline constexpr const char* kEscrowFile = "zordis.dbf";
inline constexpr const char* kEscrowPrintDateTag = "prndate";
inline constexpr const char* kEscrowVoidDateTag = "VOIDDATE";
inline constexpr const char* kEscrowCheckTag = "acccheck";        // account + check number
inline constexpr const char* kEscrowCheckLinesTag = "accchecks";  // the same, then the line
namespace escrow {
inline constexpr const char* kCheckNo = "checkno";  // ten digits with leading zeros
inline constexpr const char* kAccountNr = "accountnr";
inline constexpr const char* kClrStatus = "clrstatus";
inline constexpr const char* kVoid = "void";
inline constexpr const char* kPrnDate = "prndate";
inline constexpr const char* kVoidDate = "voiddate";
inline constexpr const char* kSeq = "seq";
inline constexpr const char* kAmount = "amount";
inline constexpr const char* kCompany = "company";
}  // namespace escrow

// Closing table: checks of the closing module (read only).
inline constexpr const char* kClosingAlias = "rpsdis";
inline constexpr const char* kClosingFile = "rpsdis.dbf";
inline constexpr const char* kClosingDateTag = "date";
namespace closing {
inline constexpr const char* kCheckNo = "checkno";
inline constexpr const char* kAccountNr = "accountnr";
inline constexpr const char* kDate = "date";
inline constexpr const char* kAmount = "amount";
inline constexpr const char* kVoidAmount = "voidamount";
inline constexpr const char* kCompany = "company";
}  // namespace closing

}  // namespace volarin::tables
