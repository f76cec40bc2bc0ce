#include "app/datafolder.h"

#include <QDir>
#include <QFileDialog>
#include <QSettings>
#include <memory>

#include "common/confirmbox.h"
#include "common/paths.h"
#include "common/platform.h"
#include "common/programtitle.h"
#include "storage/filecase.h"

namespace volarin {

namespace {

constexpr const char* kOrganization = "VOLARIN";
constexpr const char* kApplication = "Positive Pay";
constexpr const char* kLastFolderKey = "DataFolder/Last";

std::unique_ptr<QSettings> OpenSettings(const QString& file) {
  if (file.isEmpty()) return std::make_unique<QSettings>(kOrganization, kApplication);
  return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

// Where the question opens: the folder chosen last while it still exists, else the home folder.
std::string QuestionStart(const RememberedDataFolder& remembered) {
  const std::string last = remembered.Last();
  if (!last.empty() && platform::FolderExists(last)) return last;
  return QDir::homePath().toStdString();
}

}  // namespace

RememberedDataFolder::RememberedDataFolder(QString settingsFile)
    : settingsFile_(std::move(settingsFile)) {}

std::string RememberedDataFolder::Last() const {
  return OpenSettings(settingsFile_)->value(kLastFolderKey).toString().toStdString();
}

void RememberedDataFolder::Remember(const std::string& folder) {
  auto settings = OpenSettings(settingsFile_);
  settings->setValue(kLastFolderKey, QString::fromStdString(folder));
  settings->sync();
}

bool HoldsCheckRegister(const std::string& folder) {
  return !FindFileIgnoringCase(JoinPath(folder, "ZORPPAY.DBF")).empty();
}

StartFolder ChooseStartFolder(const QStringList& arguments, const std::string& currentFolder,
                              const FolderQuestion& ask, RememberedDataFolder& remembered) {
  if (arguments.size() > 1) return {std::nullopt, "Usage: volarin-positivepay [DATA FOLDER]"};
  if (arguments.size() == 1) {
    const std::string named = arguments.front().toStdString();
    if (!platform::FolderExists(named)) {
      return {std::nullopt, "The data folder " + named + " does not exist"};
    }
    return {named, {}};
  }
  if (HoldsCheckRegister(currentFolder)) return {currentFolder, {}};

  std::string startAt = QuestionStart(remembered);
  for (;;) {
    const std::optional<std::string> chosen = ask(startAt);
    if (!chosen) return {};
    if (HoldsCheckRegister(*chosen)) {
      remembered.Remember(*chosen);
      return {chosen, {}};
    }
    // A folder without the register cannot be worked in: say so and let the operator choose
    // again, or stop.
    if (!ConfirmBox(*chosen + " holds no check register (zorppay.dbf).\r\n\r\n"
                              "Press OK to choose the VOLARIN data folder, Cancel to stop.")) {
      return {};
    }
    startAt = *chosen;
  }
}

std::optional<std::string> AskForDataFolder(const std::string& startAt) {
  const QString chosen = QFileDialog::getExistingDirectory(
      nullptr, QString::fromLatin1(kProgramTitle) + QStringLiteral(" - choose the data folder"),
      QString::fromStdString(startAt));
  if (chosen.isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(chosen).toStdString();
}

}  // namespace volarin
