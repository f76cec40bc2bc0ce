#include "app/barcontrols.h"

#include "controls/hoverspeedbutton.h"
#include "controls/texturepanel.h"
#include "qtcommon/bgrcolor.h"

namespace volarin {

void DockInside(TexturePanel* panel, int borderWidth) {
  const int inset = panel->Inset() + borderWidth;
  panel->setContentsMargins(inset, inset, inset, inset);
}

HoverSpeedButton* SpeedButton(const QString& caption, ButtonPicture picture, int width, int height,
                              QWidget* parent) {
  auto* button = new HoverSpeedButton(parent);
  button->setText(caption);
  button->setIcon(ButtonIcon(picture));
  button->setIconSize(QSize(16, 16));
  button->resize(width, height);
  button->SetENTERCOLOR(kBgrBlue);
  return button;
}

}  // namespace volarin
