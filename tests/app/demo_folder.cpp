// Builds a data folder with a few accounts, an account map and a check register, to start the
// program in and look at its window:  app_demo_folder <folder>
#include <cstdio>

#include "storage/fixtures/datafolder.h"

int main(int argc, char** argv) {
  using namespace volarin;
  if (argc != 2) {
    std::fprintf(stderr, "usage: app_demo_folder <folder>\n");
    return 2;
  }
  auto day = [](int d) { return Date::FromYmd(2024, 3, d).value(); };
  fixtures::DataFolderRows rows;
  rows.accountList = {{"ESC001"}, {"ESC002"}, {"CLS010"}};
  rows.accountMap = {{"ESC001", "4410023187", "021000021"},
                     {"ESC002", "4410023195", "021000021"},
                     {"CLS010", "7700981200", "026009593"}};
  rows.checkRegister = {
      {"4410023187", 10231, day(4), "00", 1250.00, "Harbor Title Services", "021000021"},
      {"4410023187", 10232, day(4), "02", 310.75, "County Recorder", "021000021"},
      {"4410023187", 10233, day(5), "00", 98000.50, "Lakeside Mortgage Co.", "021000021"},
      {"4410023187", 10234, day(5), "03", 45.00, "Overnight Courier", "021000021"},
      {"4410023187", 10235, day(6), "00", 2200.00, "J. Alvarez", "021000021"},
  };
  // Checks of today, so that "Show Checks for Selected Date" finds them at once.
  const Date today = Date::Today();
  rows.escrow = {
      {20417, "ESC001", today, 1250.00, "Harbor Title Services"},
      {20418, "ESC001", today, 310.75, "County Recorder", "", 1, today},
      {20419, "ESC001", today, 98000.50, "Lakeside Mortgage Co."},
      {20420, "ESC001", today - 3, 45.00, "Overnight Courier"},
      {20421, "ESC001", today, 2200.00, "J. Alvarez"},
      {20422, "ESC002", today, 75.00, "Other Account Payee"},
  };
  try {
    fixtures::BuildDataFolder(argv[1], rows);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "app_demo_folder: %s\n", error.what());
    return 1;
  }
  return 0;
}
