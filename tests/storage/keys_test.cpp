// The keys the program builds to seek in the tables.
#include <gtest/gtest.h>

#include "storage/errors.h"
#include "storage/keys.h"

namespace volarin {
namespace {

TEST(Keys, RegisterEscrowAndAccountKeys) {
  const struct {
    const char* account;
    int64_t check;
    const char* registerKey;
    const char* escrowKey;
  } cases[] = {
      {"acc1", 1234, "ACC1                 1234", "ACC1           0000001234"},
      // Only the first 15 characters of a longer account take part.
      {"1234567890abcdefXYZ", 7, "1234567890ABCDE         7", "1234567890ABCDE0000000007"},
      {"", 9999999999, "               9999999999", "               9999999999"},
      {"Mixed Case 12", 2147483648, "MIXED CASE 12  2147483648", "MIXED CASE 12  2147483648"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RegisterKey(c.account, c.check), c.registerKey) << c.account;
    EXPECT_EQ(EscrowCheckKey(c.account, c.check), c.escrowKey) << c.account;
    EXPECT_EQ(RegisterKey(c.account, c.check).size(), 25u);
    EXPECT_EQ(AccountKey(c.account), std::string(c.registerKey).substr(0, 15));
  }
}

TEST(Keys, CheckNumbersWithoutAKeyAreRefused) {
  EXPECT_THROW(RegisterKey("A", 10000000000), EStorageError);
  EXPECT_THROW(EscrowCheckKey("A", -5), EStorageError);
  EXPECT_THROW(RegisterKey("A", -1), EStorageError);
}

}  // namespace
}  // namespace volarin
