#pragma once
// A file written under a temporary name beside its final one, so that no reader (the bank's
// uploader above all) ever sees it partly written under its final name: it is synced and renamed
// into place only when complete, and removed when dropped before that.

#include <cstdint>
#include <memory>
#include <string>

#include "common/platform.h"

namespace volarin {

class PendingFile {
 public:
  // The temporary name is the final name plus ".part", which a "*.txt" mask does not take.
  static std::string TemporaryPathFor(const std::string& finalPath);

  // Creates (or empties) the temporary file; throws FileError.
  explicit PendingFile(std::string finalPath);
  ~PendingFile();  // removes the temporary file unless it was put in place
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  const std::string& FinalPath() const { return finalPath_; }
  const std::string& TemporaryPath() const { return temporaryPath_; }
  // Appends the bytes; throws FileError naming the temporary file and the cause.
  void Write(const void* data, size_t n);
  void Write(const std::string& bytes) { Write(bytes.data(), bytes.size()); }
  // Syncs and closes the file, which is then complete under its temporary name.
  void Complete();
  // Completes the file if needed, renames it over the final name and makes the rename durable.
  void PutInPlace();

 private:
  std::string finalPath_;
  std::string temporaryPath_;
  std::unique_ptr<platform::File> file_;
  uint64_t size_ = 0;
  bool placed_ = false;
};

}  // namespace volarin
