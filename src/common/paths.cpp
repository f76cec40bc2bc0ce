#include "common/paths.h"

namespace volarin {

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == kPathSeparator) return folder + name;
  return folder + kPathSeparator + name;
}

std::string FileNamePart(const std::string& path) {
  const size_t p = path.find_last_of(kPathSeparator);
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string FolderPart(const std::string& path) {
  const size_t p = path.find_last_of(kPathSeparator);
  return p == std::string::npos ? std::string() : path.substr(0, p);
}

}  // namespace volarin
