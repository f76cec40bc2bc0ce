#pragma once
// Path helpers. Paths use the platform's own separator; on Windows "/" is read as one too.

#include <string>

namespace volarin {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr const char* kPathSeparators = "\\/";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr const char* kPathSeparators = "/";
#endif

bool IsPathSeparator(char c);
// folder + separator + name, never doubling the separator; an empty folder gives "/name".
std::string JoinPath(const std::string& folder, const std::string& name);
// The part after the last separator.
std::string FileNamePart(const std::string& path);
// The part before the last separator (without it); empty when there is none.
std::string FolderPart(const std::string& path);
// True for a path that does not depend on the current folder: "/x"; on Windows "C:\x", "\x"
// and "\\server\share\x".
bool IsAbsolutePath(const std::string& path);

// A folder as the user typed it, in the platform's spelling: on Windows "/" becomes "\"; a
// trailing separator goes, except at a root ("/", "C:\").
std::string NativeFolderPath(const std::string& folder);

}  // namespace volarin
