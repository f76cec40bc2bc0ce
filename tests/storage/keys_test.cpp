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

// The in-place comparison must agree with the key builder on every kind of account text.
TEST(Keys, HasAccountKeyAgreesWithTheBuiltKey) {
  const std::string nonAscii = "caf\xe9 \x8e\xff";
  const std::string accounts[] = {"acc1",
                                  "ACC1",
                                  "Acc1   ",
                                  "",
                                  " acc1",
                                  "123456789012345",
                                  "123456789012345X",
                                  "abcdefghijklmnopqrstuvwxyz",
                                  nonAscii,
                                  "CAF\xc9 \x8e\xff",
                                  std::string("nul\0in", 6),
                                  "acc2",
                                  "ac"};
  for (const std::string& account : accounts) {
    for (const std::string& other : accounts) {
      const std::string key = AccountKey(other);
      EXPECT_EQ(HasAccountKey(account, key), AccountKey(account) == key)
          << "account '" << account << "' key '" << key << "'";
    }
  }
  // A key of another width is never an account key.
  EXPECT_FALSE(HasAccountKey("ACC1", "ACC1"));
  EXPECT_FALSE(HasAccountKey("ACC1", AccountKey("ACC1") + " "));
  // Non-ASCII bytes are compared as they are, never upper-cased.
  EXPECT_FALSE(HasAccountKey(nonAscii, AccountKey("CAF\xc9 \x8e\xff")));
  EXPECT_TRUE(HasAccountKey(nonAscii, AccountKey("CAF\xe9 \x8e\xff")));
}

TEST(Keys, CheckNumbersWithoutAKeyAreRefused) {
  EXPECT_THROW(RegisterKey("A", 10000000000), EStorageError);
  EXPECT_THROW(EscrowCheckKey("A", -5), EStorageError);
  EXPECT_THROW(RegisterKey("A", -1), EStorageError);
}

}  // namespace
}  // namespace volarin
