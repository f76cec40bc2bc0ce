#include "positivepay/export.h"

#include "common/errors.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/pendingfile.h"
#include "common/platform.h"
#include "common/text.h"
#include "positivepay/layoutsettings.h"
#include "positivepay/layoutwriter.h"
#include "positivepay/positivepayfile.h"
#include "positivepay/registerchecks.h"
#include "storage/tablecursor.h"
#include "storage/tablefiles.h"

namespace volarin {
namespace {

constexpr const char* kIncompleteRegister =
    "The check register holds an extraction that did not finish. Extract the checks again "
    "before creating the Positive Pay file.";

// Puts the data folder back as the current folder however the export ends.
class CurrentFolderGuard {
 public:
  explicit CurrentFolderGuard(std::string folder) : folder_(std::move(folder)) {}
  ~CurrentFolderGuard() {
    try {
      platform::SetCurrentFolder(folder_);
    } catch (const Error&) {
    }
  }
  CurrentFolderGuard(const CurrentFolderGuard&) = delete;
  CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

 private:
  std::string folder_;
};

void TryCurrentFolder(const std::string& folder) {
  try {
    platform::SetCurrentFolder(folder);
  } catch (const Error&) {
  }
}

// The folders are made as a courtesy; a missing one shows up when the file is written.
void MakeFolders(const ExportRequest& request, const std::string& archiveFolderName) {
  platform::MakeFolder(request.pickupFolder);
  TryCurrentFolder(request.dataDir);
  const std::string archiveRoot = JoinPath(request.dataDir, "POSPAY");
  platform::MakeFolder(archiveRoot);
  TryCurrentFolder(archiveRoot);
  platform::MakeFolder(archiveFolderName);
  TryCurrentFolder(request.dataDir);
}

// The lines go to the file in large pieces; they stay in memory too, for the pickup copy.
constexpr size_t kChunk = 256 * 1024;

// Written under a temporary name and renamed into place complete, so an earlier archive file of
// the same name survives a failed run. Returns the file's bytes.
std::string WriteArchiveFile(TableCursor& reg, const std::string& path, const std::string& dateText,
                             const std::function<void(const PositivePayCheck&)>& onCheck) {
  PendingFile file(path);
  PositivePayText text(dateText);
  text.ReserveFor(reg.RecCount());
  size_t written = 0;
  const auto writeNewLines = [&] {
    const std::string& lines = text.Lines();
    file.Write(lines.data() + written, lines.size() - written);
    written = lines.size();
  };
  ForEachRegisterCheck(reg, [&](const PositivePayCheck& check) {
    text.Add(check);
    if (onCheck) onCheck(check);
    if (text.PendingSize() - written >= kChunk) writeNewLines();
  });
  // The trailer joins the lines where they are, so the file's bytes are never copied whole.
  std::string bytes = text.TakeLines();
  bytes += text.Trailer();
  file.Write(bytes.data() + written, bytes.size() - written);
  file.PutInPlace();
  return bytes;
}

// A bank's own layout: the column names or header, the checks, the trailer. A header that tells
// the count or the total can only be written once every check has been. Written under a
// temporary name and renamed into place complete, as the standard file is. Returns the file's
// bytes.
std::string WriteLayoutFile(TableCursor& reg, const std::string& path, LayoutWriter& writer,
                            const std::function<void(const PositivePayCheck&)>& onCheck) {
  PendingFile file(path);
  const bool headerLast = writer.HeaderNeedsTotals();
  const std::string columns = writer.ColumnNames();
  std::string bytes = headerLast ? std::string() : columns + writer.Header();
  size_t written = 0;
  ForEachRegisterCheck(reg, [&](const PositivePayCheck& check) {
    bytes += writer.Detail(check);
    if (onCheck) onCheck(check);
    if (!headerLast && bytes.size() - written >= kChunk) {
      file.Write(bytes.data() + written, bytes.size() - written);
      written = bytes.size();
    }
  });
  if (headerLast) bytes = columns + writer.Header() + bytes;
  bytes += writer.Trailer();
  file.Write(bytes.data() + written, bytes.size() - written);
  file.PutInPlace();
  return bytes;
}

// Deletes every file of the pickup folder the mask takes but the one the new file replaces (the
// rename replaces that one atomically, so it is never missing); one that cannot be deleted stops
// the export with its name, since a stale file beside the new one could reach the bank twice.
void ClearPickupFolder(const std::string& pickupFolder, const std::string& mask,
                       const std::string& keptName) {
  bool anyMatched = false;
  const std::string failed =
      DeleteFilesByMaskReportingFailure(JoinPath(pickupFolder, mask), &anyMatched, keptName);
  if (!failed.empty()) {
    throw FileError("Cannot delete file " + failed +
                    " from the pickup folder; the Positive Pay file was not placed there.");
  }
}

// The file the register's bank account gets for the date: its name, and the writer of its
// bank's layout (none for the standard file). The register is at its first record.
struct FileToWrite {
  std::unique_ptr<LayoutWriter> writer;
  std::string name;
};

FileToWrite PlanFile(TableCursor& checkRegister, const ExportRequest& request,
                     const std::string& digits) {
  FileToWrite file;
  const std::string account = TrimText(checkRegister.FieldAsString(tables::reg::kAccountNr));
  // The bank account's layout; a layout file that cannot be read stops the export, since a
  // file in another layout than the bank's would be refused or misread.
  const LayoutSettings layouts = ReadLayoutSettings(request.dataDir);
  const BankLayout& layout = layouts.LayoutFor(account);
  if (layout.name != kStandardLayoutName) {
    file.writer = std::make_unique<LayoutWriter>(
        layout, LayoutFileFacts{request.positivePayDate, account,
                                TrimText(checkRegister.FieldAsString(tables::reg::kBankCode))});
  }
  file.name = file.writer ? file.writer->FileName() : PositivePayFileName(digits, account);
  return file;
}

}  // namespace

std::string ArchiveFilePath(const std::string& dataDir, Date positivePayDate,
                            const std::string& fileName) {
  const std::string digits = DateDigits(DateToText(positivePayDate));
  return JoinPath(JoinPath(JoinPath(dataDir, "POSPAY"), "PP" + SubText(digits, 1, 6)), fileName);
}

void RequireCompleteRegister(TableCursor& checkRegister) {
  checkRegister.GoTop();  // a register never opened fails here, before anything is touched
  if (checkRegister.MarkedIncomplete()) throw Error(kIncompleteRegister);
}

std::string PlannedArchiveFile(TableCursor& checkRegister, const ExportRequest& request) {
  RequireCompleteRegister(checkRegister);
  const std::string digits = DateDigits(DateToText(request.positivePayDate));
  return ArchiveFilePath(request.dataDir, request.positivePayDate,
                         PlanFile(checkRegister, request, digits).name);
}

std::string CreatePositivePayFile(TableCursor& checkRegister, const ExportRequest& request) {
  if (request.processEvents) request.processEvents();
  CurrentFolderGuard backToDataDir(request.dataDir);

  const std::string dateText = DateToText(request.positivePayDate);
  const std::string digits = DateDigits(dateText);
  const std::string archiveFolderName = "PP" + SubText(digits, 1, 6);
  MakeFolders(request, archiveFolderName);

  RequireCompleteRegister(checkRegister);
  const FileToWrite plan = PlanFile(checkRegister, request, digits);
  const std::string& fileName = plan.name;
  const std::string archiveFile =
      ArchiveFilePath(request.dataDir, request.positivePayDate, fileName);
  const std::string pickupFile = JoinPath(request.pickupFolder, fileName);

  const std::string bytes =
      plan.writer
          ? WriteLayoutFile(checkRegister, archiveFile, *plan.writer, request.onCheckWritten)
          : WriteArchiveFile(checkRegister, archiveFile, dateText, request.onCheckWritten);
  // The copy is complete and synced under a name the uploader does not take before the older
  // pickup files go; only then does it take its final name. It is made from the bytes just
  // written, not read back.
  const std::unique_ptr<PendingFile> pickupCopy = CopyToPendingFile(archiveFile, pickupFile, bytes);
  ClearPickupFolder(request.pickupFolder, "*.txt", fileName);
  // A bank that takes another extension finds only the newest file of it, as with ".txt".
  const size_t dot = fileName.find_last_of('.');
  const std::string extension = dot == std::string::npos ? std::string() : fileName.substr(dot);
  if (!extension.empty() && UpperAscii(extension) != ".TXT") {
    ClearPickupFolder(request.pickupFolder, "*" + extension, fileName);
  }
  pickupCopy->PutInPlace();
  // Copies left by a run that was cut off.
  DeleteFilesByMask(JoinPath(request.pickupFolder, "*" + extension + ".part"));
  return pickupFile;
}

}  // namespace volarin
