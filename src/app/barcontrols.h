#pragma once
// The small builders the main window's bars share: a picture button as the bars hold them and
// a panel's children kept inside its bevels.

#include <QPixmap>
#include <QString>
#include <cstdint>

#include "app/artwork.h"

class QWidget;

namespace volarin {

class HoverSpeedButton;
class TexturePanel;

// Children of a panel are laid out inside its bevels and border, as a panel's client area is.
void DockInside(TexturePanel* panel, int borderWidth);

// A sunken bar of one colour under a texture, its children kept inside its bevels and border.
TexturePanel* SunkenBar(const QString& name, uint32_t color, const QPixmap& texture, int width,
                        int borderWidth, QWidget* parent);

// A flat button with a 16 x 16 picture whose caption turns blue under the mouse.
HoverSpeedButton* SpeedButton(const QString& caption, ButtonPicture picture, int width, int height,
                              QWidget* parent);

}  // namespace volarin
