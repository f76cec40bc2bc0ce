#include "report/band.h"

#include "common/text.h"

namespace volarin {

std::string ExpandTokens(const std::string& caption, const TokenValues& values) {
  std::string text = ReplaceAll(caption, "{DATE}", values.date);
  text = ReplaceAll(text, "{TIME}", values.time);
  text = ReplaceAll(text, "{PAGE}", std::to_string(values.page));
  return ReplaceAll(text, "{NUMPAGES}", std::to_string(values.pageCount));
}

}  // namespace volarin
