#include "common/pendingfile.h"

#include "common/paths.h"

namespace volarin {

std::string PendingFile::TemporaryPathFor(const std::string& finalPath) {
  return finalPath + ".part";
}

PendingFile::PendingFile(std::string finalPath)
    : finalPath_(std::move(finalPath)), temporaryPath_(TemporaryPathFor(finalPath_)) {
  try {
    file_ = platform::File::Create(temporaryPath_);
  } catch (const platform::File::InUse&) {
    throw;
  } catch (const FileError&) {
    platform::RemoveFile(temporaryPath_);  // created but not emptied, say on a full disk
    throw;
  }
}

PendingFile::~PendingFile() {
  if (placed_) return;
  file_.reset();
  platform::RemoveFile(temporaryPath_);
}

void PendingFile::Write(const void* data, size_t n) {
  if (!file_) throw FileError("Cannot write file " + temporaryPath_ + ": it is closed");
  file_->WriteAt(size_, data, n);
  size_ += n;
}

void PendingFile::Complete() {
  if (!file_) return;
  file_->Sync();
  file_.reset();
}

void PendingFile::PutInPlace() {
  Complete();
  platform::ReplaceFile(temporaryPath_, finalPath_);
  placed_ = true;
  try {
    platform::SyncFolder(FolderPart(finalPath_));
  } catch (const FileError& e) {
    throw FileError("File " + finalPath_ + " may not be on the disk yet: " + e.what());
  }
}

}  // namespace volarin
