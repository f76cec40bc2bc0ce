#pragma once
// The operator's bank layouts and which bank account uses which, kept in the data folder beside
// the tables, in a text file of the program's own (PPLAYOUT.INI): a few small records that
// nest a field list each, which a person can read, back up and mend with an editor, and which
// no other program of the suite touches.
//
//   [Layout]
//   Name=First National
//   Kind=Fixed
//   RecordLength=100
//   Detail=BankAccount @1+12 zero digits; Code @13+1; CheckNumber @16+10 zero; ...
//   [Accounts]
//   123456789=First National

#include <map>
#include <string>
#include <vector>

#include "positivepay/banklayout.h"

namespace volarin {

inline constexpr const char* kLayoutFileName = "PPLAYOUT.INI";

struct LayoutSettings {
  // The operator's own layouts; the built-in ones are not stored.
  std::vector<BankLayout> layouts;
  // Trimmed bank account -> layout name.
  std::map<std::string, std::string> accountLayouts;

  // A layout of the operator's or a built-in one; nullptr when none has the name.
  const BankLayout* Find(const std::string& name) const;
  // The bank account's layout (valid while these settings live): its choice, else the
  // standard layout. A choice naming a layout that no longer exists is refused rather than
  // silently replaced.
  const BankLayout& LayoutFor(const std::string& bankAccount) const;

  friend bool operator==(const LayoutSettings&, const LayoutSettings&) = default;
};

// A record's fields as the file writes them: "Kind [@start+length] [zero] [digits] ["text"]",
// separated by "; ".
std::string FieldListText(const std::vector<LayoutField>& fields);
// Throws LayoutRefusal saying what is wrong.
std::vector<LayoutField> ParseFieldList(const std::string& text);

std::string LayoutSettingsText(const LayoutSettings& settings);
// Throws LayoutRefusal naming the file and the line of the first fault.
LayoutSettings ParseLayoutSettings(const std::string& text, const std::string& fileName);

// Nothing chosen when the file does not exist yet.
LayoutSettings ReadLayoutSettings(const std::string& dataDir);
// Writes the whole file anew; a failure leaves the earlier file as it was.
void WriteLayoutSettings(const std::string& dataDir, const LayoutSettings& settings);

}  // namespace volarin
