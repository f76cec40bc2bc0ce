#pragma once
// What the report layout needs from the window it draws in: the page surface, a chance to let
// the window paint before a long run, the fit choice, and the page label.

#include <string>

#include "report/reportsurface.h"

namespace volarin {

class ReportHost {
 public:
  virtual ~ReportHost() = default;

  virtual ReportSurface& Surface() = 0;
  // Lets pending window events run, so that the window is painted before drawing starts.
  virtual void ProcessPendingEvents() = 0;
  // True: the window refits to the page width when a move or resize ends; false: to the page.
  virtual void SetFitToWidth(bool on) = 0;
  virtual void SetPageLabel(const std::string& text) = 0;
};

// "Page 3 of 5".
inline std::string PageLabelText(int current, int count) {
  return "Page " + std::to_string(current) + " of " + std::to_string(count);
}

}  // namespace volarin
