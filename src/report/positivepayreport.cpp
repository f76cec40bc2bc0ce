#include "report/positivepayreport.h"

#include "common/text.h"
#include "positivepay/registerchecks.h"
#include "storage/checkregister.h"
#include "storage/directreader.h"

namespace volarin {

namespace {

constexpr float kNextLine = -1.0f;
constexpr float kSameLine = 0.0f;
constexpr float kHeaderTop = 0.5f;
constexpr float kCaptionsTop = 2.0f;
constexpr double kFooterGap = 0.02;

// The columns: where each caption starts and where its rule and right-aligned values end.
struct Column {
  const char* caption;
  float left;
  float right;
};
constexpr Column kColumns[] = {
    {"Print Date", 0.5f, 1.4f}, {"Check No.", 1.5f, 2.4f}, {"Amount", 2.5f, 3.4f},
    {"Payee", 3.5f, 7.4f},      {"Status", 7.5f, 8.0f},
};
constexpr float kCheckNoRight = 2.4f;
constexpr float kAmountRight = 3.4f;
constexpr float kPageNoRight = 8.0f;

}  // namespace

std::string ReportAccountKey(const std::string& accountNr) {
  return PadRight(' ', TrimText(accountNr), kAccountKeyWidth);
}

PositivePayReport::PositivePayReport(ReportHost& host, ReportSettings settings)
    : host_(host),
      surface_(host.Surface()),
      settings_(std::move(settings)),
      todayText_(LongDateText(settings_.today)) {}

void PositivePayReport::SetFont(double points) {
  FontRecord& font = surface_.Canvas().font;
  font.name = "Arial";
  font.pointSize = points;
  font.bold = font.italic = font.underline = font.strikeOut = false;
}

void PositivePayReport::DrawReport(const ReportCheckSource& nextCheck) {
  host_.ProcessPendingEvents();
  host_.SetFitToWidth(true);
  SetFont(10);
  surface_.Canvas().pen.color = kBgrBlack;
  surface_.Canvas().SetBrushColor(kBgrWhite);

  pageNo_ = 1;
  PositivePayCheck check;
  bool more = nextCheck(check);
  // Drawing starts on the page the surface already holds.
  while (more) {
    groupKey_ = ReportAccountKey(check.bankAccount);
    DrawPageHeader(check.bankAccount);
    amountTotal_ = Money();
    checkCount_ = 0;
    while (more && ReportAccountKey(check.bankAccount) == groupKey_) {
      DrawDetailLine(check);
      more = nextCheck(check);
    }
    DrawAccountFooter();
    if (more) {
      surface_.NewPage();
      ++pageNo_;
    }
  }
  // NewPage made each new page current, so the window shows the last page.
  host_.SetPageLabel(PageLabelText(surface_.CurrentPageNumber(), surface_.PageCount()));
}

void PositivePayReport::DrawPageHeader(const std::string& accountNumber) {
  sectionAccount_ = accountNumber;
  SetFont(16);
  surface_.TextCenter("Positive Pay Report", kHeaderTop);
  surface_.TextCenter(accountNumber, kNextLine);
  SetFont(8);
  // The date goes back up to the title's line; the page number shares it on the right.
  surface_.TextLeft(todayText_, 0.3f, kHeaderTop);
  SetFont(10);
  surface_.TextRight("Page " + std::to_string(pageNo_), kPageNoRight, kSameLine);
  surface_.Canvas().pen.style = PenStyle::Solid;
  surface_.Canvas().pen.width = 1;

  // Each rule lies one step below its caption without moving CurrentY, so every caption stays
  // on the first one's line; the empty text then steps down onto the rules.
  bool first = true;
  for (const Column& column : kColumns) {
    surface_.TextLeft(column.caption, column.left, first ? kCaptionsTop : kSameLine);
    if (first) surface_.SetPen_color(kBgrBlack);
    surface_.DrawLine(column.left, kNextLine, column.right, kNextLine);
    first = false;
  }
  surface_.TextLeft("", kPageNoRight, kNextLine);
}

void PositivePayReport::BreakPageIfFull() {
  if (surface_.CurrentY() > kPageBreakY) {
    surface_.NewPage();
    ++pageNo_;
    DrawPageHeader(sectionAccount_);
  }
}

void PositivePayReport::DrawDetailLine(const PositivePayCheck& check) {
  // A section continued on a new page is headed by the check about to be listed.
  sectionAccount_ = check.bankAccount;
  BreakPageIfFull();
  surface_.TextLeft(DateToText(check.issueDate), 0.5f, kNextLine);
  // Check numbers run to ten digits, past the 32-bit range.
  surface_.TextRight(Int64ToText(check.checkNumber), kCheckNoRight, kSameLine);
  amountTotal_ += check.amount;
  surface_.TextRight(MoneyText(check.amount, settings_.separators), kAmountRight, kSameLine);
  surface_.TextLeft(check.PayeeAsShown(), 3.5f, kSameLine);
  surface_.TextLeft(StatusText(check.statusCode), 7.5f, kSameLine);
  ++checkCount_;
}

void PositivePayReport::DrawAccountFooter() {
  BreakPageIfFull();
  surface_.SetPen_color(kBgrBlack);
  surface_.DrawLine(1.5f, kNextLine, kCheckNoRight, kNextLine);
  surface_.DrawLine(2.5f, kNextLine, kAmountRight, kNextLine);
  // Steps down onto the rules; the count and the total sit just below them.
  surface_.TextLeft(" ", kAmountRight, kNextLine);
  const auto totalsY = static_cast<float>(static_cast<double>(surface_.CurrentY()) + kFooterGap);
  surface_.TextRight(std::to_string(checkCount_), kCheckNoRight, totalsY);
  surface_.TextRight(MoneyText(amountTotal_, settings_.separators), kAmountRight, kSameLine);
}

void DrawReport(ReportHost& host, TableCursor& checks, ReportSettings settings) {
  RegisterChecks reader(checks);
  PositivePayReport(host, std::move(settings)).DrawReport([&](PositivePayCheck& check) {
    return reader.Next(check);
  });
}

void DrawReport(ReportHost& host, const std::vector<PositivePayCheck>& checks,
                ReportSettings settings) {
  size_t next = 0;
  PositivePayReport(host, std::move(settings)).DrawReport([&](PositivePayCheck& check) {
    if (next == checks.size()) return false;
    check = checks[next++];
    return true;
  });
}

}  // namespace volarin
