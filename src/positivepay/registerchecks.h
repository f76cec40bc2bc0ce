#pragma once
// The one reader of the check register's visible checks, in the cursor's order and filter: the
// export, the bank layouts and the report all take their checks from it.

#include <functional>
#include <string>
#include <vector>

#include "positivepay/positivepayfile.h"

namespace volarin {

class TableCursor;

class RegisterChecks {
 public:
  explicit RegisterChecks(TableCursor& checkRegister) : reg_(checkRegister) {}

  // The first visible check on the first call (from the register's top), the next one on each
  // call after; false at the end. An error of the register (a closed one fails on the first
  // call) comes out as it is.
  bool Next(PositivePayCheck& check);

 private:
  void Read(PositivePayCheck& check);

  TableCursor& reg_;
  bool started_ = false;
  // The fields' positions, looked up once.
  int accountNr_ = -1;
  int bankCode_ = -1;
  int checkNo_ = -1;
  int date_ = -1;
  int amount_ = -1;
  int statusCode_ = -1;
  int company_ = -1;
  // A field's value kept with the stored bytes it was read from, so a run of checks with the same
  // bytes reads it once: the account and bank code of a register are one account's, and in the
  // register's date order checks come in runs of one date.
  template <typename Value>
  struct LastRead {
    std::string stored;
    Value value{};
    bool read = false;
  };
  const std::string& TrimmedText(int field, LastRead<std::string>& last);

  LastRead<std::string> lastAccount_;
  LastRead<std::string> lastBankNumber_;
  LastRead<Date> lastDate_;
  std::string scratch_;
};

// Calls `visit` with each visible check from the first, reusing one check's room, so a long
// register is read without a string built per check.
void ForEachRegisterCheck(TableCursor& checkRegister,
                          const std::function<void(const PositivePayCheck&)>& visit);
// Every visible check.
std::vector<PositivePayCheck> ReadRegisterChecks(TableCursor& checkRegister);

}  // namespace volarin
