#pragma once
// The program's pictures, drawn at build time into the program's resources.

#include <QIcon>
#include <QPixmap>

namespace volarin {

enum class ButtonPicture { Exit, Print, ShowChecks, CreateFile, Stop };

// A 16 x 16 picture with its greyed form for the disabled state.
QIcon ButtonIcon(ButtonPicture picture);
// 240 x 240, nearly white and speckled: 24-bit colour for the status bar...
QPixmap StatusBarTexture();
// ... and 256 colours for the checks bar and for the extraction dialog's background.
QPixmap ChecksBarTexture();
QPixmap DialogTexture();

}  // namespace volarin
