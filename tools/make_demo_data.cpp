// make-demo-data FOLDER [--date MM/DD/YYYY]
// Builds a complete demo data folder: the suite's account list, escrow and closing tables and
// the program's own account map and (empty) check register, each with its production index.
// The data is the same for the same anchor date (default: today), and the anchor date always
// has checks, so a fresh demo shows something at once.

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/date.h"
#include "common/errors.h"
#include "storage/fixtures/datafolder.h"

namespace {

using namespace volarin;
using fixtures::ClosingRow;
using fixtures::EscrowRow;

const char* const kAccounts[] = {"ESC1001", "ESC1002", "TRUST300", "OPER450", "CLOSE900"};
const char* const kBankAccounts[] = {"4417250091", "4417250105", "8830014477", "2290045512",
                                     "7701188230"};
const char* const kBankNumbers[] = {"021000021", "021000021", "026009593", "011000138",
                                    "026009593"};

const char* const kPayees[] = {
    "ACME SUPPLY CO",         "NORTH GARAGE",
    "CITY WATER DEPT",        "HARBOR TITLE AGENCY",
    "GREENLEAF LANDSCAPING",  "MERIDIAN INSURANCE",
    "COUNTY TAX COLLECTOR",   "BLUE RIDGE APPRAISALS",
    "SUMMIT ROOFING LLC",     "PINE STREET HOA",
    "OAKWOOD PROPERTY MGMT",  "FIRST STATE RECORDER",
    "DELTA PEST CONTROL",     "J. MARTINEZ",
    "R. & L. THOMPSON",       "WESTSIDE PLUMBING INC",
    "LAKESHORE ELECTRIC",     "ALLIED MOVING & STORAGE",
    "HOMESTEAD SURVEY GROUP", "CASCADE UTILITIES",
    "O'NEILL CONSTRUCTION",   "BRIGHTON HOME WARRANTY",
    "VALLEY FLOOD INSURANCE", "SMITH, JONES & PARTNERS",
};

// Amounts in cents, spread like disbursements are: many small, some large.
double Amount(std::mt19937& rng) {
  std::uniform_int_distribution<int> kind(0, 9);
  const int k = kind(rng);
  int64_t cents;
  if (k < 5) {
    cents = std::uniform_int_distribution<int64_t>(1500, 95000)(rng);
  } else if (k < 8) {
    cents = std::uniform_int_distribution<int64_t>(95000, 650000)(rng);
  } else {
    cents = std::uniform_int_distribution<int64_t>(650000, 48000000)(rng);
  }
  return static_cast<double>(cents) / 100.0;
}

// A weekday on or before the date.
Date Weekday(Date d) {
  while (d.Weekday() == 0 || d.Weekday() == 6) d = d - 1;
  return d;
}

fixtures::DataFolderRows Build(Date anchor) {
  std::mt19937 rng(static_cast<uint32_t>(anchor.Serial()) * 2654435761u);
  fixtures::DataFolderRows rows;
  const size_t accounts = std::size(kAccounts);
  for (size_t a = 0; a < accounts; ++a) {
    rows.accountList.push_back({kAccounts[a]});
    // The last suite account has no bank mapping yet, as happens when one is new.
    if (a + 1 < accounts)
      rows.accountMap.push_back({kAccounts[a], kBankAccounts[a], kBankNumbers[a]});
  }
  fixtures::AccountListRow closedAccount{"OLD0001"};
  closedAccount.deleted = true;  // a retired account: never offered
  rows.accountList.push_back(closedAccount);

  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  const Date first = anchor - 91;
  std::vector<int64_t> nextCheck = {10001, 20001, 30001, 40001, 50001};
  for (Date day = first; day <= anchor; day = day + 1) {
    if (day.Weekday() == 0 || day.Weekday() == 6) continue;
    const int age = anchor.Serial() - day.Serial();
    for (size_t a = 0; a < accounts; ++a) {
      const int checksToday =
          (day == anchor || day == Weekday(anchor - 1)) ? 6 + pick(4) : pick(14);
      for (int i = 0; i < checksToday; ++i) {
        EscrowRow check;
        check.checkNo = nextCheck[a]++;
        check.accountNr = kAccounts[a];
        check.prnDate = day;
        check.company = kPayees[pick(static_cast<int>(std::size(kPayees)))];
        // Older checks have mostly reached the bank.
        const int roll = pick(100);
        if (age > 10 && roll < 70) check.clrStatus = "C";
        if (roll >= 95) {
          check.voidFlag = 1;
          const int daysLater = std::min(age, pick(12));
          check.voidDate = Weekday(day + daysLater) < day ? day : Weekday(day + daysLater);
        }
        if (pick(12) == 0) {
          // Paid in several lines: the check's total is the sum of its lines.
          const int lines = 2 + pick(3);
          for (int line = 1; line <= lines; ++line) {
            EscrowRow part = check;
            part.seq = std::to_string(line);
            part.amount = Amount(rng) / 4;
            part.amount = static_cast<double>(static_cast<int64_t>(part.amount * 100)) / 100;
            rows.escrow.push_back(part);
          }
        } else {
          check.amount = Amount(rng);
          rows.escrow.push_back(check);
        }
      }
    }
  }
  // Some of today's checks are voided today, and one printed earlier is voided today too.
  for (EscrowRow& row : rows.escrow) {
    if (row.prnDate == Weekday(anchor - 3) && row.voidFlag == 0 && row.clrStatus.empty()) {
      row.voidFlag = 1;
      row.voidDate = anchor;
      break;
    }
  }

  // Closing checks: a few hundred over the same months, some also written in escrow.
  int64_t closingNumber = 70001;
  for (Date day = first; day <= anchor; day = day + 1) {
    if (day.Weekday() == 0 || day.Weekday() == 6) continue;
    const int count = day == anchor ? 4 : pick(12);
    for (int i = 0; i < count; ++i) {
      ClosingRow check;
      check.checkNo = closingNumber++;
      check.accountNr = kAccounts[pick(static_cast<int>(accounts) - 1)];
      check.date = day;
      check.company = kPayees[pick(static_cast<int>(std::size(kPayees)))];
      if (pick(15) == 0) {
        check.amount = 0;
        check.voidAmount = Amount(rng);
      } else {
        check.amount = Amount(rng);
      }
      rows.closing.push_back(check);
    }
  }
  return rows;
}

bool HoldsTables(const std::string& folder) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    std::string ext = entry.path().extension().string();
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ext == ".DBF" || ext == ".MDX") return true;
  }
  return false;
}

int Usage() {
  std::fprintf(stderr, "usage: make-demo-data FOLDER [--date MM/DD/YYYY]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) return Usage();
  const std::string folder = argv[1];
  Date anchor = Date::Today();
  if (argc == 4) {
    if (std::string(argv[2]) != "--date") return Usage();
    const std::optional<Date> date = TextToDate(argv[3]);
    if (!date) {
      std::fprintf(stderr, "make-demo-data: '%s' is not a date (MM/DD/YYYY)\n", argv[3]);
      return 2;
    }
    anchor = *date;
  }
  if (HoldsTables(folder)) {
    std::fprintf(stderr, "make-demo-data: %s already holds tables; nothing was changed\n",
                 folder.c_str());
    return 1;
  }
  try {
    const fixtures::DataFolderRows rows = Build(anchor);
    fixtures::BuildDataFolder(folder, rows);
    SetShortDateFormat("MM/DD/YYYY");
    std::printf("Demo data for %s in %s: %zu accounts, %zu escrow lines, %zu closing checks\n",
                DateToText(anchor).c_str(), folder.c_str(), rows.accountList.size(),
                rows.escrow.size(), rows.closing.size());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make-demo-data: %s\n", e.what());
    return 1;
  }
  return 0;
}
