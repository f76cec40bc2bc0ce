#include "common/paths.h"

#include <cstring>

namespace volarin {

bool IsPathSeparator(char c) {
  return c != '\0' && std::strchr(kPathSeparators, c) != nullptr;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && IsPathSeparator(folder.back())) return folder + name;
  return folder + kPathSeparator + name;
}

std::string FileNamePart(const std::string& path) {
  const size_t p = path.find_last_of(kPathSeparators);
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string FolderPart(const std::string& path) {
  const size_t p = path.find_last_of(kPathSeparators);
  return p == std::string::npos ? std::string() : path.substr(0, p);
}

bool IsAbsolutePath(const std::string& path) {
  if (!path.empty() && IsPathSeparator(path.front())) return true;
#ifdef _WIN32
  return path.size() >= 3 && path[1] == ':' && IsPathSeparator(path[2]);
#else
  return false;
#endif
}

std::string NativeFolderPath(const std::string& folder) {
  std::string path = folder;
  for (char& c : path) {
    if (IsPathSeparator(c)) c = kPathSeparator;
  }
  auto atDriveRoot = [&] { return kPathSeparator == '\\' && path.size() == 3 && path[1] == ':'; };
  while (path.size() > 1 && path.back() == kPathSeparator && !atDriveRoot()) path.pop_back();
  return path;
}

}  // namespace volarin
