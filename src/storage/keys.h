#pragma once
// The three keys the program builds to seek in the tables, compared byte for byte with the keys
// of the tags. Check numbers have at most ten digits; a longer or negative number has no key
// (it would silently miss or match the wrong check), so the builders refuse it.

#include <cstdint>
#include <string>
#include <string_view>

namespace volarin {

// The account upper-cased, blank-padded or cut to 15 characters (account map key).
std::string AccountKey(const std::string& account);
// AccountKey(account) == key without building the key: the extraction asks it of every source
// record, and most belong to other accounts.
bool HasAccountKey(std::string_view account, std::string_view key);
// The bank account as an account key, then the check number right-aligned in 10 with blanks.
std::string RegisterKey(const std::string& bankAccount, int64_t checkNumber);
// The suite account as an account key, then the check number in 10 digits with leading zeros.
std::string EscrowCheckKey(const std::string& suiteAccount, int64_t checkNumber);

}  // namespace volarin
