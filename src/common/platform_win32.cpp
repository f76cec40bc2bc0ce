// The Windows side of the platform layer: UTF-8 paths handed to the wide Win32 calls, share
// modes for shared and exclusive opens, LockFileEx byte-range locks.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>
// windows.h names ReplaceFileW "ReplaceFile"; ours is the platform layer's own.
#undef ReplaceFile

#include <algorithm>
#include <climits>

#include "common/faultinjection.h"
#include "common/paths.h"
#include "common/platform.h"

namespace volarin::platform {
namespace {

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string text(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n,
                      nullptr, nullptr);
  return text;
}

// The system's own words for an error code, without the closing line break.
std::string ErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = n && buffer ? Narrow(std::wstring(buffer, n)) : std::string();
  if (buffer) LocalFree(buffer);
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text.empty() ? "Windows error " + std::to_string(code) : text;
}

std::string LastErrorText() {
  return ErrorText(GetLastError());
}

using faults::Fault;
using faults::Operation;

// The text of the error an injected fault stands for, worded as on POSIX so that the fault
// sweeps read the same cause on both platforms.
std::string FaultText(Fault fault) {
  return fault == Fault::kIoError ? "Input/output error" : "No space left on device";
}

DWORD Attributes(const std::string& path) {
  return GetFileAttributesW(Wide(path).c_str());
}

bool IsReadOnlyFile(const std::string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
         (a & FILE_ATTRIBUTE_READONLY) != 0;
}

OVERLAPPED At(uint64_t offset) {
  OVERLAPPED o{};
  o.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFull);
  o.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return o;
}

// Windows file times count 100 ns steps from 1601; ours count nanoseconds from 1970.
constexpr int64_t kEpochDifference100ns = 116444736000000000ll;

HANDLE OpenHandle(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  return CreateFileW(Wide(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

bool IsSharingFailure(DWORD code) {
  return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
}

}  // namespace

std::unique_ptr<File> File::Open(const std::string& path, Access access, Share share) {
  if (access == Access::ReadWrite && IsReadOnlyFile(path)) {
    throw FileError("Cannot open file " + path + ": it is read-only");
  }
  const DWORD rights = GENERIC_READ | (access == Access::ReadWrite ? GENERIC_WRITE : 0);
  const DWORD mode = share == Share::Exclusive ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE h = OpenHandle(path, rights, mode, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (IsSharingFailure(code)) throw InUse("File " + path + " is in use by another program");
    throw FileError("Cannot open file " + path + ": " + ErrorText(code));
  }
  return std::unique_ptr<File>(new File(h, path, access));
}

std::unique_ptr<File> File::Create(const std::string& path) {
  if (IsReadOnlyFile(path)) throw FileError("Cannot create file " + path + ": it is read-only");
  // Truncate only once the file is held with share mode none, so a file another program has
  // open is refused intact rather than emptied under it.
  HANDLE h = OpenHandle(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (IsSharingFailure(code)) throw InUse("File " + path + " is in use by another program");
    throw FileError("Cannot create file " + path + ": " + ErrorText(code));
  }
  std::unique_ptr<File> file(new File(h, path, Access::ReadWrite));
  file->Truncate(0);
  return file;
}

File::~File() {
  if (fd_ != INVALID_HANDLE_VALUE) CloseHandle(static_cast<HANDLE>(fd_));
}

size_t File::ReadAt(uint64_t offset, void* buffer, size_t n) const {
  size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < n) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
    OVERLAPPED at = At(offset + done);
    DWORD got = 0;
    if (!ReadFile(static_cast<HANDLE>(fd_), out + done, want, &got, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      throw FileError("Cannot read file " + path_ + ": " + LastErrorText());
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

namespace {

void WriteAll(HANDLE h, uint64_t offset, const char* in, size_t n, const std::string& path) {
  size_t done = 0;
  while (done < n) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
    OVERLAPPED at = At(offset + done);
    DWORD put = 0;
    if (!WriteFile(h, in + done, want, &put, &at) || put == 0) {
      throw FileError("Cannot write file " + path, LastErrorText());
    }
    done += put;
  }
}

// The first half of the bytes meant for offset, as a write cut short by a full disk leaves.
void WriteHalf(HANDLE h, uint64_t offset, const void* data, size_t n) {
  if (n < 2) return;
  OVERLAPPED at = At(offset);
  DWORD put = 0;
  WriteFile(h, data, static_cast<DWORD>(std::min<size_t>(n / 2, 1u << 30)), &put, &at);
}

}  // namespace

void File::WriteAt(uint64_t offset, const void* data, size_t n) {
  const auto h = static_cast<HANDLE>(fd_);
  if (const Fault fault = faults::BeforeOperation(Operation::kWrite, path_);
      fault != Fault::kNone) {
    if (fault == Fault::kShortWrite) WriteHalf(h, offset, data, n);
    throw FileError("Cannot write file " + path_, FaultText(fault));
  }
  WriteAll(h, offset, static_cast<const char*>(data), n, path_);
  faults::AfterOperation();
}

void File::WritePiecesAt(uint64_t offset, const std::vector<Piece>& pieces) {
  const auto h = static_cast<HANDLE>(fd_);
  if (const Fault fault = faults::BeforeOperation(Operation::kWrite, path_);
      fault != Fault::kNone) {
    if (fault == Fault::kShortWrite && !pieces.empty()) {
      WriteHalf(h, offset, pieces.front().data, pieces.front().size);
    }
    throw FileError("Cannot write file " + path_, FaultText(fault));
  }
  for (const Piece& p : pieces) {
    WriteAll(h, offset, static_cast<const char*>(p.data), p.size, path_);
    offset += p.size;
  }
  faults::AfterOperation();
}

uint64_t File::Size() const {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(static_cast<HANDLE>(fd_), &size)) {
    throw FileError("Cannot read file " + path_ + ": " + LastErrorText());
  }
  return static_cast<uint64_t>(size.QuadPart);
}

void File::Truncate(uint64_t size) {
  if (const Fault fault = faults::BeforeOperation(Operation::kTruncate, path_);
      fault != Fault::kNone) {
    throw FileError("Cannot write file " + path_, FaultText(fault));
  }
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  if (!SetFileInformationByHandle(static_cast<HANDLE>(fd_), FileEndOfFileInfo, &end, sizeof end)) {
    throw FileError("Cannot write file " + path_, LastErrorText());
  }
  faults::AfterOperation();
}

void File::Sync() {
  if (const Fault fault = faults::BeforeOperation(Operation::kSync, path_); fault != Fault::kNone) {
    throw FileError("Cannot write file " + path_, FaultText(fault));
  }
  if (!FlushFileBuffers(static_cast<HANDLE>(fd_))) {
    throw FileError("Cannot write file " + path_, LastErrorText());
  }
  faults::AfterOperation();
}

namespace {

bool LockPieceOf(HANDLE h, uint64_t offset, uint64_t length, bool shared) {
  OVERLAPPED at = At(offset);
  const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (shared ? 0 : LOCKFILE_EXCLUSIVE_LOCK);
  return LockFileEx(h, flags, 0, static_cast<DWORD>(length & 0xFFFFFFFFull),
                    static_cast<DWORD>(length >> 32), &at) != 0;
}

void UnlockPieceOf(HANDLE h, uint64_t offset, uint64_t length) {
  OVERLAPPED at = At(offset);
  UnlockFileEx(h, 0, static_cast<DWORD>(length & 0xFFFFFFFFull), static_cast<DWORD>(length >> 32),
               &at);
}

}  // namespace

// Locks the parts of the range this open does not hold yet (or holds only shared when an
// exclusive lock is asked for), all or nothing. Pieces already held stay as they are, so the
// open's locks cover the range as one POSIX lock would.
bool File::LockRange(uint64_t offset, uint64_t length, bool shared) {
  if (length == 0) return true;
  const HANDLE h = static_cast<HANDLE>(fd_);
  const uint64_t end = offset + length;
  std::vector<LockPiece> owned;  // own pieces inside the range, sorted
  for (const LockPiece& p : locks_) {
    if (p.offset < end && offset < p.offset + p.length) owned.push_back(p);
  }
  std::sort(owned.begin(), owned.end(),
            [](const LockPiece& a, const LockPiece& b) { return a.offset < b.offset; });
  std::vector<LockPiece> taken;
  std::vector<LockPiece> upgraded;
  auto rollBack = [&] {
    for (const LockPiece& p : taken) UnlockPieceOf(h, p.offset, p.length);
    for (const LockPiece& p : upgraded) LockPieceOf(h, p.offset, p.length, true);
    return false;
  };
  uint64_t at = offset;
  for (const LockPiece& p : owned) {
    if (p.offset > at) {
      if (!LockPieceOf(h, at, p.offset - at, shared)) return rollBack();
      taken.push_back({at, p.offset - at, shared});
    }
    if (p.shared && !shared) {
      // An exclusive lock over a byte held shared: let go of the shared piece and take it anew.
      UnlockPieceOf(h, p.offset, p.length);
      if (!LockPieceOf(h, p.offset, p.length, false)) {
        LockPieceOf(h, p.offset, p.length, true);
        return rollBack();
      }
      upgraded.push_back(p);
    }
    at = std::max(at, p.offset + p.length);
  }
  if (at < end) {
    if (!LockPieceOf(h, at, end - at, shared)) return rollBack();
    taken.push_back({at, end - at, shared});
  }
  for (LockPiece& p : locks_) {
    for (const LockPiece& u : upgraded) {
      if (p.offset == u.offset && p.length == u.length) p.shared = false;
    }
  }
  locks_.insert(locks_.end(), taken.begin(), taken.end());
  return true;
}

bool File::TryLock(uint64_t offset, uint64_t length) {
  return LockRange(offset, length, access_ != Access::ReadWrite);
}

bool File::TryLockShared(uint64_t offset, uint64_t length) {
  return LockRange(offset, length, true);
}

void File::Unlock(uint64_t offset, uint64_t length) {
  const HANDLE h = static_cast<HANDLE>(fd_);
  const uint64_t end = offset + length;
  std::vector<LockPiece> kept;
  std::vector<LockPiece> remainders;
  for (const LockPiece& p : locks_) {
    const uint64_t pEnd = p.offset + p.length;
    if (pEnd <= offset || p.offset >= end) {
      kept.push_back(p);
      continue;
    }
    UnlockPieceOf(h, p.offset, p.length);
    // Windows cannot unlock part of a lock: the parts outside the range are taken again.
    if (p.offset < offset) remainders.push_back({p.offset, offset - p.offset, p.shared});
    if (pEnd > end) remainders.push_back({end, pEnd - end, p.shared});
  }
  for (const LockPiece& r : remainders) {
    if (LockPieceOf(h, r.offset, r.length, r.shared)) kept.push_back(r);
  }
  locks_ = std::move(kept);
}

bool FileExists(const std::string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileIsInUse(const std::string& path) {
  if (!FileExists(path)) return false;
  // The attribute is read first: a superuser's open for writing may ignore it (Wine as root).
  if (IsReadOnlyFile(path)) return true;
  // An exclusive open for reading and writing: a sharing violation means another open holds the
  // file, access denied means the rights forbid writing it.
  HANDLE h = OpenHandle(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return true;
  CloseHandle(h);
  return false;
}

std::string CurrentFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n == 0) return ".";
    if (n < buffer.size()) {
      buffer.resize(n);
      return Narrow(buffer);
    }
    buffer.resize(n);
  }
}

std::string ProgramFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  const std::string path = Narrow(buffer);
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return {};
  // A program at a drive's root keeps the backslash: "C:" alone names the drive's current folder.
  return path.substr(0, slash == 2 && path[1] == ':' ? 3 : slash);
}

void SetCurrentFolder(const std::string& path) {
  if (!SetCurrentDirectoryW(Wide(path).c_str())) {
    throw FileError("Cannot change to folder " + path);
  }
}

std::string PickupFolder() {
  return "C:\\VOLARINC\\POSPAY";
}

int64_t ModificationTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) {
    throw FileError("Cannot open file " + path);
  }
  const int64_t ticks =
      static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                           data.ftLastWriteTime.dwLowDateTime);
  return (ticks - kEpochDifference100ns) * 100;
}

void SetModificationTime(const std::string& path, int64_t nanoseconds) {
  HANDLE h = CreateFileW(Wide(path).c_str(), FILE_WRITE_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw FileError("Cannot set the time of file " + path);
  const uint64_t ticks = static_cast<uint64_t>(nanoseconds / 100 + kEpochDifference100ns);
  FILETIME time{};
  time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFull);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  const bool ok = SetFileTime(h, nullptr, nullptr, &time) != 0;
  CloseHandle(h);
  if (!ok) throw FileError("Cannot set the time of file " + path);
}

bool MakeFolder(const std::string& path) {
  if (faults::BeforeOperation(Operation::kMakeFolder, path) != Fault::kNone) return false;
  if (!CreateDirectoryW(Wide(path).c_str(), nullptr)) return false;
  faults::AfterOperation();
  return true;
}

bool RemoveFile(const std::string& path) {
  // Windows refuses a file another program holds open; the read-only attribute is read here
  // too, as a superuser's deletion may ignore it (Wine as root).
  if (IsReadOnlyFile(path)) return false;
  return DeleteFileW(Wide(path).c_str()) != 0;
}

void ReplaceFile(const std::string& from, const std::string& to) {
  if (const Fault fault = faults::BeforeOperation(Operation::kRename, to); fault != Fault::kNone) {
    throw FileError("Cannot rename file " + from + " to " + to, FaultText(fault));
  }
  if (!MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    throw FileError("Cannot rename file " + from + " to " + to, LastErrorText());
  }
  faults::AfterOperation();
}

bool RenameIfAbsent(const std::string& from, const std::string& to) {
  if (const Fault fault = faults::BeforeOperation(Operation::kRename, to); fault != Fault::kNone) {
    throw FileError("Cannot rename file " + from + " to " + to, FaultText(fault));
  }
  // Without MOVEFILE_REPLACE_EXISTING the move fails when the target exists.
  if (!MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH)) {
    const DWORD code = GetLastError();
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) return false;
    throw FileError("Cannot rename file " + from + " to " + to, ErrorText(code));
  }
  faults::AfterOperation();
  return true;
}

void SyncFolder(const std::string& path) {
  // A rename done with MOVEFILE_WRITE_THROUGH is on the disk when it returns; the seam still
  // counts this step, so a fault sweep numbers the same operations on both platforms.
  const std::string folder = path.empty() ? "." : path;
  if (const Fault fault = faults::BeforeOperation(Operation::kSync, folder);
      fault != Fault::kNone) {
    throw FileError("Cannot write folder " + folder, FaultText(fault));
  }
  faults::AfterOperation();
}

std::vector<FolderEntry> ListFolder(const std::string& path) {
  std::vector<FolderEntry> entries;
  const std::string pattern = path.empty() ? "*" : JoinPath(path, "*");
  WIN32_FIND_DATAW found{};
  HANDLE h = FindFirstFileW(Wide(pattern).c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return entries;
  do {
    const std::string name = Narrow(found.cFileName);
    if (name == "." || name == "..") continue;
    entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileW(h, &found));
  FindClose(h);
  return entries;
}

std::vector<std::string> CommandLineArguments(int, char**) {
  std::vector<std::string> arguments;
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!words) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(Narrow(words[i]));
  LocalFree(words);
  return arguments;
}

void LocalToday(int& year, int& month, int& day) {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  year = local.wYear;
  month = local.wMonth;
  day = local.wDay;
}

void LocalTimeOfDay(int& hour, int& minute, int& second) {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  hour = local.wHour;
  minute = local.wMinute;
  second = local.wSecond;
}

std::string CurrentUserName() {
  wchar_t name[257];
  DWORD size = static_cast<DWORD>(std::size(name));
  if (!GetUserNameW(name, &size) || size == 0) return {};
  return Narrow(std::wstring(name, size - 1));
}

void SleepMilliseconds(int milliseconds) {
  if (milliseconds > 0) Sleep(static_cast<DWORD>(milliseconds));
}

}  // namespace volarin::platform
