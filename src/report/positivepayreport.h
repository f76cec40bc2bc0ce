#pragma once
// The Positive Pay report: one section per account of the check register, each under a page
// header, with one line per check and a footer with the number of checks and their total.
// Sections start on a page of their own; a long section continues under a repeated header.

#include <string>

#include "common/date.h"
#include "report/moneytext.h"
#include "report/reporthost.h"

namespace volarin {

class TableCursor;

struct ReportSettings {
  Date today = Date::Today();
  NumberSeparators separators = SystemNumberSeparators();
};

// Report inches: a line whose top lies below this starts a new page.
inline constexpr float kPageBreakY = 10.0f;
inline constexpr int kAccountKeyWidth = 15;

// The section a record belongs to: ACCOUNTNR trimmed, then cut or blank-filled to 15, case
// kept (unlike the storage layer's upper-cased account key).
std::string ReportAccountKey(const std::string& accountNr);

class PositivePayReport {
 public:
  PositivePayReport(ReportHost& host, TableCursor& checks, ReportSettings settings = {});

  // Draws every visible record of the register, from its first, then sets the page label.
  // An error from the cursor ends the run there, with the pages drawn so far.
  void DrawReport();

  void DrawPageHeader(const std::string& accountNumber);
  void DrawDetailLine();
  void DrawAccountFooter();

  int PageNo() const { return pageNo_; }
  int CheckCount() const { return checkCount_; }
  double AmountTotal() const { return amountTotal_; }
  const std::string& GroupKey() const { return groupKey_; }

 private:
  // Starts a new page under a repeated header when the last line's top lies below the break.
  void BreakPageIfFull();
  void SetFont(double points);

  ReportHost& host_;
  ReportSurface& surface_;
  TableCursor& checks_;
  ReportSettings settings_;
  std::string todayText_;
  int pageNo_ = 1;
  int checkCount_ = 0;
  double amountTotal_ = 0;
  std::string groupKey_;
  // The account number of the section's last line drawn: a footer pushed onto a new page
  // repeats it, whatever record the cursor has moved on to.
  std::string sectionAccount_;
};

// The report as the report window runs it.
void DrawReport(ReportHost& host, TableCursor& checks, ReportSettings settings = {});

}  // namespace volarin
