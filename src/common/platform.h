#pragma once
// The one narrow door to the operating system: files with byte-range locks, folders, file times.
// Everything above this layer reaches the file system only through these calls.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/errors.h"

namespace volarin::platform {

// A file opened for random access. On POSIX, shared and exclusive opens are expressed as a lock
// on one byte far beyond any data (kOpenModeByte): shared opens hold a read lock there and
// coexist, an exclusive open holds a write lock and so excludes every other open, in this process
// or another. On Windows they are the share modes (read and write shared, or none), as the
// suite's other programs open. The locks belong to the open file, not the process.
class File {
 public:
  enum class Access { ReadOnly, ReadWrite };
  enum class Share { Shared, Exclusive };
  // Raised when the open-mode lock cannot be had because another open holds the file.
  class InUse : public FileError {
   public:
    using FileError::FileError;
  };

  static constexpr uint64_t kOpenModeByte = 0xF0000000ull;

  // Opens an existing file. Throws FileError when it cannot be opened, InUse when the
  // share mode conflicts with another open.
  static std::unique_ptr<File> Open(const std::string& path, Access access, Share share);
  // Creates (or truncates) a file and opens it exclusively for reading and writing.
  static std::unique_ptr<File> Create(const std::string& path);

  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  const std::string& Path() const { return path_; }
  bool Writable() const { return access_ == Access::ReadWrite; }
  // Reads up to n bytes at offset; returns how many were read (fewer only at end of file).
  size_t ReadAt(uint64_t offset, void* buffer, size_t n) const;
  // Writes all n bytes at offset or throws FileError.
  void WriteAt(uint64_t offset, const void* data, size_t n);
  // Writes the pieces one after another from offset, as one WriteAt of their joined bytes
  // would, without joining them first.
  struct Piece {
    const void* data;
    size_t size;
  };
  void WritePiecesAt(uint64_t offset, const std::vector<Piece>& pieces);
  uint64_t Size() const;
  void Truncate(uint64_t size);
  void Sync();

  // Exclusive byte-range lock, one try; false when another open holds any byte of the range.
  bool TryLock(uint64_t offset, uint64_t length);
  // Shared byte-range lock, one try; false when another open holds any byte of it exclusively.
  bool TryLockShared(uint64_t offset, uint64_t length);
  void Unlock(uint64_t offset, uint64_t length);

 private:
#ifdef _WIN32
  using Descriptor = void*;  // the open's HANDLE
  // Windows locks neither merge nor split, and a second lock of the same open on a byte it holds
  // fails; the open keeps its pieces so that its locks behave as one set, as on POSIX.
  struct LockPiece {
    uint64_t offset;
    uint64_t length;
    bool shared;
  };
  std::vector<LockPiece> locks_;
  bool LockRange(uint64_t offset, uint64_t length, bool shared);
#else
  using Descriptor = int;
#endif
  File(Descriptor fd, std::string path, Access access)
      : fd_(fd), path_(std::move(path)), access_(access) {}
  Descriptor fd_;
  std::string path_;
  Access access_;
};

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// True when the file exists but cannot be opened exclusively for reading and writing: another
// open holds it, or it may not be written (no write permission bits count as read-only).
bool FileIsInUse(const std::string& path);

std::string CurrentFolder();
// The folder of the running program file; empty when it cannot be found.
std::string ProgramFolder();
// Throws FileError when the folder cannot be made current.
void SetCurrentFolder(const std::string& path);
// The folder the bank's uploader takes the Positive Pay file from: C:\VOLARINC\POSPAY on
// Windows, VOLARINC/POSPAY under the user's home folder elsewhere.
std::string PickupFolder();

// Modification time in nanoseconds since the epoch; throws FileError when the file is missing.
int64_t ModificationTime(const std::string& path);
void SetModificationTime(const std::string& path, int64_t nanoseconds);

// Creates one folder; false when it could not be created (an existing one counts as failure).
bool MakeFolder(const std::string& path);
// Deletes a file; false when it cannot be deleted, a read-only file (no write permission) included.
bool RemoveFile(const std::string& path);
struct FolderEntry {
  std::string name;
  bool isFolder;
};
// The entries of a folder, without "." and ".."; empty when it cannot be read.
std::vector<FolderEntry> ListFolder(const std::string& path);

// Renames `from` to `to`, replacing an existing `to` atomically; throws FileError naming the file
// and the cause.
void ReplaceFile(const std::string& from, const std::string& to);
// Renames `from` to `to` only when no file `to` exists, in one step that no other program can
// come between; false (and `from` left) when `to` exists. Throws FileError for other failures.
bool RenameIfAbsent(const std::string& from, const std::string& to);
// Makes a rename in that folder durable (nothing to do on Windows).
void SyncFolder(const std::string& path);

// The program's arguments as UTF-8 (on Windows read from the wide command line, as argv holds
// the ANSI code page's spelling), without the program's name.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Today's date in the local time zone.
void LocalToday(int& year, int& month, int& day);
// The local time of day.
void LocalTimeOfDay(int& hour, int& minute, int& second);

// The name the operating system knows the user running the program by; empty when it cannot tell.
std::string CurrentUserName();

// Blocks the calling thread for the given milliseconds (lock retry delays).
void SleepMilliseconds(int milliseconds);

}  // namespace volarin::platform
