#pragma once
// The three-check register of the documented worked example (two issued, one void, all dated
// March 15, 2005 on account 123456789) and the Positive Pay file it gives, shared by the tests
// that export or send it.

#include <cstdint>

#include "storage/fixtures/rows.h"
#include "storage/storage_test_support.h"

namespace volarin::testing {

inline const Date kWorkedExampleDate = Ymd(2005, 3, 15);

// A register row of the example's account and date.
inline fixtures::CheckRecordRow WorkedExampleCheck(int64_t number, double amount,
                                                   const char* status, const char* payee) {
  fixtures::CheckRecordRow row;
  row.accountNr = "123456789";
  row.checkNo = number;
  row.date = kWorkedExampleDate;
  row.statusCode = status;
  row.amount = amount;
  row.company = payee;
  row.bankCode = "BNK";
  return row;
}

inline fixtures::DataFolderRows WorkedExample() {
  fixtures::DataFolderRows rows;
  rows.checkRegister = {WorkedExampleCheck(1001, 1250.5, "00", "ACME SUPPLY CO"),
                        WorkedExampleCheck(1002, 300, "00", "NORTH GARAGE"),
                        WorkedExampleCheck(1003, 75.25, "02", "CITY WATER DEPT")};
  return rows;
}

inline constexpr const char* kWorkedExampleBytes =
    "03/15/2005,1001,\"ACME SUPPLY CO\",1250.5\r\n"
    "03/15/2005,1002,\"NORTH GARAGE\",300.00\r\n"
    "03/15/2005,1003,\"CITY WATER DEPT\",-75.25\r\n"
    "2,1475.25\r\n";

}  // namespace volarin::testing
