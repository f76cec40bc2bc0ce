#pragma once
// Which folder the program runs in. Started inside the suite's data folder (from a terminal or
// the suite's launcher) that is the current folder, as always. Started from the desktop menu the
// current folder is the home folder, which holds no tables: then the operator is asked for the
// data folder, and the choice is remembered for the next start. A folder named on the command
// line is used as given.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>

namespace volarin {

// Asks the operator for a folder, opening at `startAt`; nothing when the operator cancels.
using FolderQuestion = std::function<std::optional<std::string>(const std::string& startAt)>;

// The data folder chosen last, kept in the operator's own settings (never in the data folder).
class RememberedDataFolder {
 public:
  // The operator's settings of this program; `settingsFile` replaces them (tests).
  explicit RememberedDataFolder(QString settingsFile = {});
  std::string Last() const;
  void Remember(const std::string& folder);

 private:
  QString settingsFile_;
};

// True when the folder holds the check register (ZORPPAY.DBF, in any letter case).
bool HoldsCheckRegister(const std::string& folder);

// What the start decided: the folder to run in, or nothing to end the program (the operator
// cancelled, or the folder named on the command line is no folder; `error` says why then).
struct StartFolder {
  std::optional<std::string> folder;
  std::string error;
};

// `arguments` are the command-line arguments after the program's name.
StartFolder ChooseStartFolder(const QStringList& arguments, const std::string& currentFolder,
                              const FolderQuestion& ask, RememberedDataFolder& remembered);

// The system's folder dialog.
std::optional<std::string> AskForDataFolder(const std::string& startAt);

}  // namespace volarin
