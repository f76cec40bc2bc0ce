// The POSIX side of the platform layer.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

#include "common/faultinjection.h"
#include "common/paths.h"
#include "common/platform.h"

namespace volarin::platform {
namespace {

using faults::Fault;
using faults::Operation;

std::string ErrnoText() {
  return std::strerror(errno);
}

// The system's own text for the error an injected fault stands for.
std::string FaultText(Fault fault) {
  return std::strerror(fault == Fault::kIoError ? EIO : ENOSPC);
}

// An open-file-description lock: it belongs to this open of the file, so two opens in one
// process exclude each other just as two processes do.
bool SetOfdLock(int fd, short type, uint64_t offset, uint64_t length) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  lock.l_pid = 0;
  while (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    if (errno == EINTR) continue;
    return false;
  }
  return true;
}

bool HasWriteBits(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

}  // namespace

std::unique_ptr<File> File::Open(const std::string& path, Access access, Share share) {
  if (access == Access::ReadWrite && !HasWriteBits(path) && FileExists(path)) {
    throw FileError("Cannot open file " + path + ": it is read-only");
  }
  const int flags = (access == Access::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  int fd = ::open(path.c_str(), flags);
  if (fd < 0) throw FileError("Cannot open file " + path, ErrnoText());
  std::unique_ptr<File> file(new File(fd, path, access));
  // A write lock needs a descriptor open for writing; an exclusive read-only open takes one.
  if (share == Share::Exclusive && access == Access::ReadOnly) {
    const int rw = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (rw < 0) throw FileError("Cannot open file " + path, ErrnoText());
    ::close(file->fd_);
    file->fd_ = rw;
  }
  const short type = share == Share::Exclusive ? F_WRLCK : F_RDLCK;
  if (!SetOfdLock(file->fd_, type, kOpenModeByte, 1)) {
    throw InUse("File " + path + " is in use by another program");
  }
  return file;
}

std::unique_ptr<File> File::Create(const std::string& path) {
  if (FileExists(path) && !HasWriteBits(path)) {
    throw FileError("Cannot create file " + path + ": it is read-only");
  }
  // Truncate only once the exclusive lock is held, so a file another program has open is
  // refused intact rather than emptied under it.
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) throw FileError("Cannot create file " + path, ErrnoText());
  std::unique_ptr<File> file(new File(fd, path, Access::ReadWrite));
  if (!SetOfdLock(fd, F_WRLCK, kOpenModeByte, 1)) {
    throw InUse("File " + path + " is in use by another program");
  }
  file->Truncate(0);
  return file;
}

File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

size_t File::ReadAt(uint64_t offset, void* buffer, size_t n) const {
  size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < n) {
    const ssize_t r = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      throw FileError("Cannot read file " + path_, ErrnoText());
    }
    if (r == 0) break;
    done += static_cast<size_t>(r);
  }
  return done;
}

void File::WriteAt(uint64_t offset, const void* data, size_t n) {
  size_t done = 0;
  const auto* in = static_cast<const char*>(data);
  if (const Fault fault = faults::BeforeOperation(Operation::kWrite, path_);
      fault != Fault::kNone) {
    if (fault == Fault::kShortWrite && n > 1) {
      (void)!::pwrite(fd_, in, n / 2, static_cast<off_t>(offset));
    }
    throw FileError("Cannot write file " + path_, FaultText(fault));
  }
  while (done < n) {
    const ssize_t w = ::pwrite(fd_, in + done, n - done, static_cast<off_t>(offset + done));
    if (w < 0) {
      if (errno == EINTR) continue;
      throw FileError("Cannot write file " + path_, ErrnoText());
    }
    done += static_cast<size_t>(w);
  }
  faults::AfterOperation();
}

void File::WritePiecesAt(uint64_t offset, const std::vector<Piece>& pieces) {
  if (const Fault fault = faults::BeforeOperation(Operation::kWrite, path_);
      fault != Fault::kNone) {
    if (fault == Fault::kShortWrite && !pieces.empty() && pieces.front().size > 1) {
      (void)!::pwrite(fd_, pieces.front().data, pieces.front().size / 2,
                      static_cast<off_t>(offset));
    }
    throw FileError("Cannot write file " + path_, FaultText(fault));
  }
  std::vector<iovec> left;
  left.reserve(pieces.size());
  for (const Piece& p : pieces) {
    if (p.size > 0) left.push_back({const_cast<void*>(p.data), p.size});
  }
  size_t first = 0;
  while (first < left.size()) {
    const int count = static_cast<int>(std::min<size_t>(left.size() - first, IOV_MAX));
    const ssize_t w = ::pwritev(fd_, &left[first], count, static_cast<off_t>(offset));
    if (w < 0) {
      if (errno == EINTR) continue;
      throw FileError("Cannot write file " + path_, ErrnoText());
    }
    offset += static_cast<uint64_t>(w);
    // Step over what was written; a short write goes on inside the piece it stopped in.
    for (auto done = static_cast<size_t>(w); done > 0;) {
      iovec& v = left[first];
      if (done >= v.iov_len) {
        done -= v.iov_len;
        ++first;
      } else {
        v.iov_base = static_cast<char*>(v.iov_base) + done;
        v.iov_len -= done;
        done = 0;
      }
    }
  }
  faults::AfterOperation();
}

uint64_t File::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) throw FileError("Cannot read file " + path_, ErrnoText());
  return static_cast<uint64_t>(st.st_size);
}

void File::Truncate(uint64_t size) {
  if (const Fault fault = faults::BeforeOperation(Operation::kTruncate, path_);
      fault != Fault::kNone) {
    throw FileError("Cannot write file " + path_, FaultText(fault));
  }
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
    throw FileError("Cannot write file " + path_, ErrnoText());
  }
  faults::AfterOperation();
}

void File::Sync() {
  if (const Fault fault = faults::BeforeOperation(Operation::kSync, path_); fault != Fault::kNone) {
    throw FileError("Cannot write file " + path_, FaultText(fault));
  }
  if (::fsync(fd_) != 0) throw FileError("Cannot write file " + path_, ErrnoText());
  faults::AfterOperation();
}

bool File::TryLock(uint64_t offset, uint64_t length) {
  return SetOfdLock(fd_, access_ == Access::ReadWrite ? F_WRLCK : F_RDLCK, offset, length);
}

bool File::TryLockShared(uint64_t offset, uint64_t length) {
  return SetOfdLock(fd_, F_RDLCK, offset, length);
}

void File::Unlock(uint64_t offset, uint64_t length) {
  SetOfdLock(fd_, F_UNLCK, offset, length);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileIsInUse(const std::string& path) {
  if (!FileExists(path)) return false;
  try {
    File::Open(path, File::Access::ReadWrite, File::Share::Exclusive);
    return false;
  } catch (const FileError&) {
    return true;
  }
}

std::string CurrentFolder() {
  std::string buffer(4096, '\0');
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return ".";
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(std::strlen(buffer.c_str()));
  return buffer;
}

std::string ProgramFolder() {
  std::string buffer(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  buffer.resize(static_cast<size_t>(n));
  const size_t slash = buffer.find_last_of('/');
  return slash == std::string::npos ? std::string() : buffer.substr(0, slash == 0 ? 1 : slash);
}

void SetCurrentFolder(const std::string& path) {
  if (::chdir(path.c_str()) != 0) throw FileError("Cannot change to folder " + path);
}

std::string PickupFolder() {
  const char* home = std::getenv("HOME");
  const std::string root = home && *home ? home : "/";
  return JoinPath(JoinPath(root, "VOLARINC"), "POSPAY");
}

int64_t ModificationTime(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) throw FileError("Cannot open file " + path);
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

void SetModificationTime(const std::string& path, int64_t nanoseconds) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(nanoseconds / 1000000000);
  times[1].tv_nsec = static_cast<long>(nanoseconds % 1000000000);
  if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
    throw FileError("Cannot set the time of file " + path);
  }
}

bool MakeFolder(const std::string& path) {
  if (faults::BeforeOperation(Operation::kMakeFolder, path) != Fault::kNone) return false;
  if (::mkdir(path.c_str(), 0777) != 0) return false;
  faults::AfterOperation();
  return true;
}

void ReplaceFile(const std::string& from, const std::string& to) {
  if (const Fault fault = faults::BeforeOperation(Operation::kRename, to); fault != Fault::kNone) {
    throw FileError("Cannot rename file " + from + " to " + to, FaultText(fault));
  }
  if (::rename(from.c_str(), to.c_str()) != 0) {
    throw FileError("Cannot rename file " + from + " to " + to, ErrnoText());
  }
  faults::AfterOperation();
}

bool RenameIfAbsent(const std::string& from, const std::string& to) {
  if (const Fault fault = faults::BeforeOperation(Operation::kRename, to); fault != Fault::kNone) {
    throw FileError("Cannot rename file " + from + " to " + to, FaultText(fault));
  }
  // A hard link is made only under a free name; the old name goes once the new one holds.
  if (::link(from.c_str(), to.c_str()) != 0) {
    if (errno == EEXIST) return false;
    throw FileError("Cannot rename file " + from + " to " + to, ErrnoText());
  }
  ::unlink(from.c_str());
  faults::AfterOperation();
  return true;
}

void SyncFolder(const std::string& path) {
  const std::string folder = path.empty() ? "." : path;
  if (const Fault fault = faults::BeforeOperation(Operation::kSync, folder);
      fault != Fault::kNone) {
    throw FileError("Cannot write folder " + folder, FaultText(fault));
  }
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw FileError("Cannot open folder " + folder, ErrnoText());
  const int result = ::fsync(fd);
  const int error = errno;
  ::close(fd);
  if (result != 0) throw FileError("Cannot write folder " + folder, std::strerror(error));
  faults::AfterOperation();
}

bool RemoveFile(const std::string& path) {
  // A file without write permission is read-only for everyone, as the read-only attribute is
  // on the suite's home platform, where such a file cannot be deleted.
  if (FileExists(path) && !HasWriteBits(path)) return false;
  return ::unlink(path.c_str()) == 0;
}

std::vector<FolderEntry> ListFolder(const std::string& path) {
  std::vector<FolderEntry> entries;
  DIR* dir = ::opendir(path.empty() ? "." : path.c_str());
  if (!dir) return entries;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    // The entry's own type spares a stat per name; a link or an unknown type is looked up.
    const bool folder = e->d_type == DT_DIR ? true
                        : e->d_type == DT_REG
                            ? false
                            : FolderExists(path.empty() ? name : path + "/" + name);
    entries.push_back({name, folder});
  }
  ::closedir(dir);
  return entries;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

void LocalToday(int& year, int& month, int& day) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  year = local.tm_year + 1900;
  month = local.tm_mon + 1;
  day = local.tm_mday;
}

void LocalTimeOfDay(int& hour, int& minute, int& second) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  hour = local.tm_hour;
  minute = local.tm_min;
  second = local.tm_sec;
}

std::string CurrentUserName() {
  // The login name of the effective user; the environment only when the user database has none.
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
    return found->pw_name;
  }
  for (const char* name : {"USER", "LOGNAME"}) {
    if (const char* value = std::getenv(name)) return value;
  }
  return {};
}

void SleepMilliseconds(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace volarin::platform
