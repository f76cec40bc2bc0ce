#pragma once
// The ConfirmBox presenter of the windows: a topmost QMessageBox captioned "VOLARIN Message",
// with the information icon and OK / Cancel, owned by the window that has the focus.

#include <string>

namespace volarin {

bool ShowConfirmMessageBox(const std::string& caption, const std::string& message);

// Installs ShowConfirmMessageBox as the program's ConfirmBox presenter.
void InstallConfirmMessageBox();

}  // namespace volarin
