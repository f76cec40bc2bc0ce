#pragma once
// The extraction's test whether a check is in the register already. The run empties the
// register, which it holds exclusively, so the register's seek can only find checks the run
// wrote itself: those are remembered, and a check never written is answered without reading the
// register's index. The keys of the appended checks then wait and go into the register's tags
// together, instead of the index being brought up to date for a seek after every append.

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>

namespace volarin {

class TableCursor;

// The register tag's key that the remembered checks stand for: the bank account as stored (15
// characters) followed by the check number right-aligned in 10, 25 characters in all, as
// RegisterKey builds the search text.
inline constexpr const char* kRegisterKeyExpression = "ACCOUNTNR+STR(CHECKNO,10)";
inline constexpr int kRegisterKeyLength = 25;
// Checks remembered at most (about 10 MB); a run that saves more seeks for the rest of it.
inline constexpr size_t kRememberedChecksLimit = 262144;

class RegisterDuplicates {
 public:
  // `checkRegister` was just emptied and has its account tag selected; `keyRuleKnown` tells
  // whether that tag's expression and key length are the ones above (otherwise every test
  // seeks).
  RegisterDuplicates(TableCursor& checkRegister, std::string bankAccount, bool keyRuleKnown,
                     size_t limit = kRememberedChecksLimit);

  // Answers as checkRegister.Seek(RegisterKey(bankAccount, number)) does. A number never
  // saved is answered without a seek and leaves the cursor where it stands, as a seek that finds
  // nothing does; any other number is sought, so the seek's own rules (the stored account's
  // code page, its cut) decide and the cursor lands where that seek puts it.
  bool Holds(int64_t number);
  // The check was saved to the register.
  void Saved(int64_t number);

 private:
  TableCursor& checkRegister_;
  std::string bankAccount_;
  bool keyRuleKnown_;  // cleared when the limit is reached: from then on every test seeks
  size_t limit_;
  std::unordered_set<int64_t> saved_;
};

// Whether a tag's key expression and length are the register key's, the expression compared
// without regard to case.
bool IsRegisterKeyRule(const std::string& keyExpression, int keyLength);

}  // namespace volarin
