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

bool HasAccountKey(std::string_view account, std::string_view key) {
  if (key.size() != static_cast<size_t>(tables::kAccountKeyWidth)) return false;
  for (size_t i = 0; i < key.size(); ++i) {
    char c = i < account.size() ? account[i] : ' ';
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != key[i]) return false;
  }
  return true;
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
