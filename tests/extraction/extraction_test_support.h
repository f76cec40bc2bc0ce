#pragma once
// The main window's four cursors over a fixture data folder, as the extraction and the export
// use them.

#include <string>
#include <tuple>
#include <vector>

#include "extraction/extraction.h"
#include "storage/checkregister.h"
#include "storage/storage_test_support.h"

namespace volarin::testing {

struct RegisterRow {
  std::string account;
  int64_t checkNo;
  std::string date;  // CCYYMMDD
  std::string status;
  double amount;
  std::string company;
  std::string bankCode;
  bool operator==(const RegisterRow&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const RegisterRow& r) {
  return out << "{" << r.account << "," << r.checkNo << "," << r.date << "," << r.status << ","
             << r.amount << "," << r.company << "," << r.bankCode << "}";
}

struct MainWindowCursors : StorageSetup {
  std::unique_ptr<TableCursor> checkRegister = Cursor("zorppay", /*exclusive=*/true);
  std::unique_ptr<TableCursor> accountMap = Cursor("zorppsub");
  std::unique_ptr<TableCursor> escrow = Cursor("zordis");
  std::unique_ptr<TableCursor> closing = Cursor("rpsdis");

  explicit MainWindowCursors(const fixtures::DataFolderRows& rows) : StorageSetup(rows) {
    DeclareCheckRecord(*checkRegister);
    accountMap->repairIndexOnOpen = true;
    accountMap->Open();
    accountMap->SetTag("accountnr");
  }

  ExtractionCursors Cursors() { return {*checkRegister, *accountMap, *escrow, *closing}; }

  ExtractionRequest Request(const std::string& account, Date date, bool outstanding = false) {
    return {account, date, outstanding, folder.Path()};
  }

  // The register as the grid shows it: its current order and filter, from the top.
  std::vector<RegisterRow> Register() {
    std::vector<RegisterRow> rows;
    TableCursor& r = *checkRegister;
    for (r.GoTop(); !r.Eof(); r.Skip(1)) {
      rows.push_back({r.FieldAsString("ACCOUNTNR"), r.FieldAsInt64("CHECKNO"),
                      r.FieldAsDate("DATE").Digits(), r.FieldAsString("STATUSCODE"),
                      r.FieldAsFloat("AMOUNT"), r.FieldAsString("COMPANY"),
                      r.FieldAsString("BANKCODE")});
    }
    return rows;
  }
};

}  // namespace volarin::testing
