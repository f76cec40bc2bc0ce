#pragma once
// Path helpers. Paths use the platform's own separator.

#include <string>

namespace volarin {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// folder + separator + name, never doubling the separator; an empty folder gives "/name".
std::string JoinPath(const std::string& folder, const std::string& name);
// The part after the last separator.
std::string FileNamePart(const std::string& path);
// The part before the last separator (without it); empty when there is none.
std::string FolderPart(const std::string& path);

}  // namespace volarin
