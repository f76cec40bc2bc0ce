#include "common/files.h"

#include <vector>

#include "common/paths.h"
#include "common/platform.h"
#include "common/text.h"

namespace volarin {

namespace {

char Fold(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string AbsolutePath(const std::string& path) {
  if (IsAbsolutePath(path)) return path;
  return JoinPath(platform::CurrentFolder(), path);
}

}  // namespace

bool MatchesMask(const std::string& name, const std::string& pattern) {
  // Iterative match with one backtrack point for the last "*".
  size_t n = 0, p = 0, starP = std::string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || Fold(pattern[p]) == Fold(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

void ForceFolders(const std::string& path) {
  if (path.empty()) return;
  std::string folder = path;
  if (IsPathSeparator(folder.back())) folder.pop_back();
  // The root, or a drive such as "C:" (two characters or fewer count as a drive).
  if (folder.empty() || (kPathSeparator == '\\' && folder.size() <= 2)) return;
  if (platform::FolderExists(folder)) return;
  const std::string parent = FolderPart(folder);
  if (!parent.empty() && parent != folder) ForceFolders(parent);
  platform::MakeFolder(folder);
}

void CopyFileTo(const std::string& source, const std::string& target) {
  std::string to = target;
  if (platform::FolderExists(to)) {
    if (!IsPathSeparator(to.back())) to += kPathSeparator;
    to += FileNamePart(source);
  }

  std::unique_ptr<platform::File> in;
  try {
    in = platform::File::Open(source, platform::File::Access::ReadOnly,
                              platform::File::Share::Shared);
  } catch (const FileError&) {
    throw FileError("Cannot open file " + source);
  }
  ForceFolders(FolderPart(to));
  std::unique_ptr<platform::File> out;
  try {
    out = platform::File::Create(to);
  } catch (const FileError&) {
    throw FileError("Cannot create file " + to);
  }

  constexpr size_t kBlock = 8192;
  std::vector<char> block(kBlock);
  uint64_t offset = 0;
  for (;;) {
    size_t got;
    try {
      got = in->ReadAt(offset, block.data(), kBlock);
    } catch (const FileError&) {
      throw FileError("Stream read error");
    }
    try {
      out->WriteAt(offset, block.data(), got);
    } catch (const FileError&) {
      throw FileError("Stream write error");
    }
    offset += got;
    if (got < kBlock) break;
  }
  out.reset();
  platform::SetModificationTime(to, platform::ModificationTime(source));
}

std::string DeleteFilesByMaskReportingFailure(const std::string& mask, bool* anyMatched) {
  const std::string full = AbsolutePath(mask);
  const std::string folder = FolderPart(full);
  const std::string pattern = FileNamePart(full);
  const std::string folderAsPassed = FolderPart(mask);
  *anyMatched = false;
  for (const platform::FolderEntry& entry : platform::ListFolder(folder.empty() ? "/" : folder)) {
    if (entry.isFolder || !MatchesMask(entry.name, pattern)) continue;
    *anyMatched = true;
    const std::string path =
        folderAsPassed.empty() && mask.find_first_of(kPathSeparators) == std::string::npos
            ? entry.name
            : JoinPath(folderAsPassed, entry.name);
    if (!platform::RemoveFile(path)) return path;
  }
  return {};
}

bool DeleteFilesByMask(const std::string& mask) {
  bool anyMatched = false;
  const std::string failed = DeleteFilesByMaskReportingFailure(mask, &anyMatched);
  return anyMatched && failed.empty();
}

}  // namespace volarin
