#include "storage/keys.h"

#include "common/text.h"
#include "storage/errors.h"
#include "storage/tablefiles.h"

namespace volarin {

namespace {
std::string CheckNumberText(int64_t checkNumber) {
  const std::string text = Int64ToText(checkNumber);
  if (checkNumber < 0 || static_cast<int>(text.size()) > tables::kCheckNumberWidth) {
    throw EStorageError("Check number " + text + " cannot be part of a key: it must be a whole " +
                        "number of at most 10 digits.");
  }
  return text;
}
}  // namespace

std::string AccountKey(const std::string& account) {
  return PadRight(' ', UpperAscii(account), tables::kAccountKeyWidth);
}

std::string RegisterKey(const std::string& bankAccount, int64_t checkNumber) {
  return AccountKey(bankAccount) +
         PadLeft(' ', CheckNumberText(checkNumber), tables::kCheckNumberWidth);
}

std::string EscrowCheckKey(const std::string& suiteAccount, int64_t checkNumber) {
  return AccountKey(suiteAccount) +
         PadLeft('0', CheckNumberText(checkNumber), tables::kCheckNumberWidth);
}

}  // namespace volarin
