#include "storage/filecase.h"

#include "common/paths.h"
#include "common/platform.h"
#include "common/text.h"

namespace volarin {

std::string FindFileIgnoringCase(const std::string& path) {
  if (path.empty()) return {};
  if (platform::FileExists(path)) return path;
  const size_t slash = path.find_last_of(kPathSeparators);
  const std::string folder = slash == std::string::npos ? std::string(".")
                             : slash == 0               ? std::string(1, kPathSeparator)
                                                        : path.substr(0, slash);
  const std::string wanted = UpperAscii(FileNamePart(path));
  for (const platform::FolderEntry& entry : platform::ListFolder(folder)) {
    if (!entry.isFolder && UpperAscii(entry.name) == wanted) {
      return slash == std::string::npos ? entry.name : path.substr(0, slash + 1) + entry.name;
    }
  }
  return {};
}

}  // namespace volarin
