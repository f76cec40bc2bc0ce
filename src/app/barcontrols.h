#pragma once
// The small builders the main window's bars share: a picture button as the bars hold them and
// a panel's children kept inside its bevels.

#include <QString>

#include "app/artwork.h"

class QWidget;

namespace volarin {

class HoverSpeedButton;
class TexturePanel;

// Children of a panel are laid out inside its bevels and border, as a panel's client area is.
void DockInside(TexturePanel* panel, int borderWidth);

// A flat button with a 16 x 16 picture whose caption turns blue under the mouse.
HoverSpeedButton* SpeedButton(const QString& caption, ButtonPicture picture, int width, int height,
                              QWidget* parent);

}  // namespace volarin
