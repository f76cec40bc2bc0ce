#pragma once
// Header and footer bands: captions drawn on every page, the only texts whose tokens
// ({DATE}, {TIME}, {PAGE}, {NUMPAGES}) are expanded.

#include <string>

#include "report/graphicsrecords.h"

namespace volarin {

struct Band {
  bool visible = false;
  std::string leftCaption;
  std::string centerCaption;
  std::string rightCaption;
  FontRecord font;
  // A rule under the header or over the footer.
  bool rule = false;
  PenRecord rulePen;
};

struct Margins {
  long double left = 0.5L, top = 0.5L, right = 0.5L, bottom = 0.5L;  // inches
};

// What the tokens stand for on one page.
struct TokenValues {
  std::string date;  // "dd/mm/yyyy"
  std::string time;  // "hh/mm"
  int page = 1;
  int pageCount = 1;
};

// Replaces every occurrence of each token, in the order {DATE}, {TIME}, {PAGE}, {NUMPAGES}.
std::string ExpandTokens(const std::string& caption, const TokenValues& values);

}  // namespace volarin
