#include "app/barcontrols.h"

#include "controls/hoverspeedbutton.h"
#include "controls/texturepanel.h"
#include "qtcommon/bgrcolor.h"

namespace volarin {

void DockInside(TexturePanel* panel, int borderWidth) {
  const int inset = panel->Inset() + borderWidth;
  panel->setContentsMargins(inset, inset, inset, inset);
}

TexturePanel* SunkenBar(const QString& name, uint32_t color, const QPixmap& texture, int width,
                        int borderWidth, QWidget* parent) {
  auto* bar = new TexturePanel(parent);
  bar->setObjectName(name);
  bar->resize(width, 26);
  bar->SetBevelOuter(TexturePanel::Bevel::Lowered);
  bar->SetBevelInner(TexturePanel::Bevel::Raised);
  bar->SetColor(color);
  bar->SetENTERCOLOR(color);
  bar->SetEXITCOLOR(color);
  bar->SetTexture(texture);
  DockInside(bar, borderWidth);
  return bar;
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
