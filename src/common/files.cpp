#include "common/files.h"

#include <functional>
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

namespace {

// The pending copy of `source` at `target` (a folder takes the source's name), its bytes put in
// by `fill`, then completed with the source's modification time.
std::unique_ptr<PendingFile> PendingCopy(
    const std::string& source, const std::string& target,
    const std::function<void(platform::File& in, PendingFile& out)>& fill) {
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
  // The rename would replace a read-only target or one another program holds; refuse those
  // as creating the file in place would.
  if (platform::FileIsInUse(to)) throw FileError("Cannot create file " + to);
  std::unique_ptr<PendingFile> out;
  try {
    out = std::make_unique<PendingFile>(to);
  } catch (const FileError& e) {
    throw FileError("Cannot create file " + to, e.Cause());
  }
  fill(*in, *out);
  try {
    out->Complete();
  } catch (const FileError& e) {
    throw FileError(std::string("Stream write error: ") + e.what());
  }
  platform::SetModificationTime(out->TemporaryPath(), platform::ModificationTime(source));
  return out;
}

void WriteCopied(PendingFile& out, const char* data, size_t n) {
  try {
    out.Write(data, n);
  } catch (const FileError& e) {
    throw FileError(std::string("Stream write error: ") + e.what());
  }
}

}  // namespace

std::unique_ptr<PendingFile> CopyToPendingFile(const std::string& source,
                                               const std::string& target) {
  return PendingCopy(source, target, [&](platform::File& in, PendingFile& out) {
    constexpr size_t kBlock = 8192;
    std::vector<char> block(kBlock);
    uint64_t offset = 0;
    for (;;) {
      size_t got;
      try {
        got = in.ReadAt(offset, block.data(), kBlock);
      } catch (const FileError& e) {
        throw FileError(std::string("Stream read error: ") + e.what());
      }
      WriteCopied(out, block.data(), got);
      offset += got;
      if (got < kBlock) break;
    }
  });
}

std::unique_ptr<PendingFile> CopyToPendingFile(const std::string& source, const std::string& target,
                                               std::string_view sourceBytes) {
  return PendingCopy(source, target, [&](platform::File&, PendingFile& out) {
    WriteCopied(out, sourceBytes.data(), sourceBytes.size());
  });
}

void CopyFileTo(const std::string& source, const std::string& target) {
  CopyToPendingFile(source, target)->PutInPlace();
}

std::string DeleteFilesByMaskReportingFailure(const std::string& mask, bool* anyMatched,
                                              const std::string& keptName) {
  const std::string full = AbsolutePath(mask);
  const std::string folder = FolderPart(full);
  const std::string pattern = FileNamePart(full);
  const std::string folderAsPassed = FolderPart(mask);
  *anyMatched = false;
  for (const platform::FolderEntry& entry : platform::ListFolder(folder.empty() ? "/" : folder)) {
    if (entry.isFolder || !MatchesMask(entry.name, pattern) || entry.name == keptName) continue;
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
