// Date pictures for CTOD(), DTOC() and long date texts.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "dbf/expression.h"

namespace volarin::dbf {
namespace {

struct Run {
  char letter;  // M, D, C, Y or 0 for a literal character
  size_t length;
  char literal;
};

std::vector<Run> Runs(const std::string& picture) {
  std::vector<Run> runs;
  for (size_t i = 0; i < picture.size();) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(picture[i])));
    if (c == 'M' || c == 'D' || c == 'C' || c == 'Y') {
      size_t j = i;
      while (j < picture.size() && std::toupper(static_cast<unsigned char>(picture[j])) == c) ++j;
      runs.push_back({c, j - i, 0});
      i = j;
    } else {
      runs.push_back({0, 1, picture[i]});
      ++i;
    }
  }
  return runs;
}

constexpr const char* kMonths[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

std::string Digits(int value, size_t width) {
  std::string s = std::to_string(value);
  if (s.size() < width) s.insert(0, width - s.size(), '0');
  return s.substr(s.size() - width);
}

}  // namespace

std::string FormatDate(Date date, const std::string& picture) {
  int y = 0, m = 0, d = 0;
  if (!date.IsNull()) date.ToYmd(y, m, d);
  const std::vector<Run> runs = Runs(picture);
  const bool hasCentury =
      std::any_of(runs.begin(), runs.end(), [](const Run& r) { return r.letter == 'C'; });
  std::string out;
  for (const Run& r : runs) {
    if (r.letter == 0) {
      out += r.literal;
      continue;
    }
    if (date.IsNull()) {
      out.append(r.length, ' ');
      continue;
    }
    switch (r.letter) {
      case 'M':
        if (r.length <= 2) {
          out += Digits(m, 2);
        } else {
          std::string name = kMonths[m - 1];
          name.resize(r.length, ' ');
          out += name;
        }
        break;
      case 'D':
        out += Digits(d, 2);
        break;
      case 'C':
        out += Digits(y / 100, 2);
        break;
      default:
        out += (!hasCentury && r.length >= 4) ? Digits(y, 4) : Digits(y % 100, 2);
    }
  }
  return out;
}

std::optional<Date> ParseDate(std::string_view text, const std::string& picture) {
  const std::vector<Run> runs = Runs(picture);
  // The order in which month, day and year appear in the picture.
  std::vector<char> order;
  for (const Run& r : runs) {
    const char part = r.letter == 'C' ? 'Y' : r.letter;
    if (part != 0 && (order.empty() || order.back() != part)) {
      if (std::find(order.begin(), order.end(), part) == order.end()) order.push_back(part);
    }
  }
  if (order.size() != 3) return std::nullopt;
  std::vector<std::string> groups;
  std::string current;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      current += c;
    } else if (!current.empty()) {
      groups.push_back(current);
      current.clear();
    }
  }
  if (!current.empty()) groups.push_back(current);
  if (groups.size() != 3) return std::nullopt;
  int y = -1, m = -1, d = -1;
  bool shortYear = false;
  for (size_t i = 0; i < 3; ++i) {
    if (groups[i].size() > 4) return std::nullopt;
    const int value = std::stoi(groups[i]);
    if (order[i] == 'M') m = value;
    if (order[i] == 'D') d = value;
    if (order[i] == 'Y') {
      y = value;
      shortYear = groups[i].size() <= 2;
    }
  }
  if (shortYear) y += 1900;
  return Date::FromYmd(y, m, d);
}

}  // namespace volarin::dbf
