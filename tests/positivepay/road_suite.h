#pragma once
// A small suite for the whole road: one account with escrow checks (one voided, one with ten
// digits) and a voided closing check, for the Positive Pay date kDay.

#include "extraction/extraction_test_support.h"

namespace volarin::testing {

inline const Date kDay = Ymd(2024, 3, 15);

inline fixtures::DataFolderRows Suite() {
  fixtures::DataFolderRows rows;
  rows.accountMap = {{"ESC100", "987654321", "021000021"}};
  rows.accountList = {{"ESC100"}};
  auto escrow = [](int64_t n, Date printed, double amount, const char* payee, int voidFlag = 0) {
    fixtures::EscrowRow row;
    row.checkNo = n;
    row.accountNr = "ESC100";
    row.prnDate = printed;
    row.amount = amount;
    row.company = payee;
    row.voidFlag = voidFlag;
    row.voidDate = voidFlag ? *Date::FromYmd(2024, 3, 15) : Date();
    return row;
  };
  rows.escrow = {escrow(501, kDay, 1250.5, "ACME SUPPLY CO"),
                 escrow(502, kDay - 3, 99.99, "VOIDED TODAY", 1),
                 escrow(503, kDay - 7, 12.349, "OLD, \"QUOTED\" PAYEE"),
                 escrow(9876543210LL, kDay, 300, "TEN DIGITS")};
  fixtures::ClosingRow closing;
  closing.checkNo = 7001;
  closing.accountNr = "ESC100";
  closing.date = kDay;
  closing.amount = 0;
  closing.voidAmount = 45;
  closing.company = "CLOSING VOID";
  rows.closing = {closing};
  return rows;
}

}  // namespace volarin::testing
