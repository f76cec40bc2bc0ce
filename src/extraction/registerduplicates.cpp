#include "extraction/registerduplicates.h"

#include "common/text.h"
#include "storage/keys.h"
#include "storage/tablecursor.h"

namespace volarin {
namespace {

// Numbers with a key of ten digits or fewer; any other number goes to the seek, whose key
// builder refuses it as it always did.
constexpr int64_t kFirstUnkeyedNumber = 10'000'000'000;

}  // namespace

RegisterDuplicates::RegisterDuplicates(TableCursor& checkRegister, std::string bankAccount,
                                       bool keyRuleKnown, size_t limit)
    : checkRegister_(checkRegister),
      bankAccount_(std::move(bankAccount)),
      keyRuleKnown_(keyRuleKnown),
      limit_(limit) {}

bool RegisterDuplicates::Holds(int64_t number) {
  // A full-length key matches only a stored key equal to it byte for byte, and the stored key
  // of a saved check holds its own number in the last ten places: a number never saved in this
  // run cannot be found.
  const bool keyed = number > 0 && number < kFirstUnkeyedNumber;
  if (keyRuleKnown_ && keyed && !saved_.contains(number)) return false;
  return checkRegister_.Seek(RegisterKey(bankAccount_, number));
}

void RegisterDuplicates::Saved(int64_t number) {
  if (!keyRuleKnown_) return;
  if (saved_.size() >= limit_) {
    // The seek knows every saved check, so it can take over at any point.
    keyRuleKnown_ = false;
    saved_ = {};
    return;
  }
  saved_.insert(number);
}

bool IsRegisterKeyRule(const std::string& keyExpression, int keyLength) {
  return keyLength == kRegisterKeyLength && UpperAscii(keyExpression) == kRegisterKeyExpression;
}

}  // namespace volarin
