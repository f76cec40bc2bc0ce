#pragma once
// The Positive Pay report: one section per account of the check register, each under a page
// header, with one line per check and a footer with the number of checks and their total.
// Sections start on a page of their own; a long section continues under a repeated header.

#include <functional>
#include <string>
#include <vector>

#include "common/date.h"
#include "common/money.h"
#include "positivepay/positivepayfile.h"
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

// Gives the report its checks one at a time: fills the check and returns true, or returns
// false after the last.
using ReportCheckSource = std::function<bool(PositivePayCheck&)>;

class PositivePayReport {
 public:
  explicit PositivePayReport(ReportHost& host, ReportSettings settings = {});

  // Draws every check the source gives, then sets the page label. An error from the source
  // ends the run there, with the pages drawn so far.
  void DrawReport(const ReportCheckSource& nextCheck);

  void DrawPageHeader(const std::string& accountNumber);
  void DrawDetailLine(const PositivePayCheck& check);
  void DrawAccountFooter();

  int PageNo() const { return pageNo_; }
  int CheckCount() const { return checkCount_; }
  Money AmountTotal() const { return amountTotal_; }
  const std::string& GroupKey() const { return groupKey_; }

 private:
  // Starts a new page under a repeated header when the last line's top lies below the break.
  void BreakPageIfFull();
  void SetFont(double points);

  ReportHost& host_;
  ReportSurface& surface_;
  ReportSettings settings_;
  std::string todayText_;
  int pageNo_ = 1;
  int checkCount_ = 0;
  Money amountTotal_;
  std::string groupKey_;
  // The account number of the section's last line drawn: a footer pushed onto a new page
  // repeats it, whatever record the cursor has moved on to.
  std::string sectionAccount_;
};

// The report of the register's visible checks, as the report window runs it; the register is
// read as the pages are drawn.
void DrawReport(ReportHost& host, TableCursor& checks, ReportSettings settings = {});
// The report of a list of checks (those a Positive Pay file was made of).
void DrawReport(ReportHost& host, const std::vector<PositivePayCheck>& checks,
                ReportSettings settings = {});

}  // namespace volarin
