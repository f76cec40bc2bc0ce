#include "app/artwork.h"

#include <QImage>

// The resources are linked from a static library, so they are registered by hand.
static void RegisterArtwork() {
  Q_INIT_RESOURCE(artwork);
}

namespace volarin {

namespace {

constexpr int kGlyph = 16;

QString PathOf(ButtonPicture picture) {
  switch (picture) {
    case ButtonPicture::Exit:
      return QStringLiteral(":/artwork/exit.png");
    case ButtonPicture::Print:
      return QStringLiteral(":/artwork/print.png");
    case ButtonPicture::ShowChecks:
      return QStringLiteral(":/artwork/showchecks.png");
    case ButtonPicture::CreateFile:
      return QStringLiteral(":/artwork/createfile.png");
    case ButtonPicture::Stop:
      return QStringLiteral(":/artwork/stop.png");
  }
  return {};
}

QImage Load(const QString& path) {
  static const bool registered = (RegisterArtwork(), true);
  (void)registered;
  return QImage(path);
}

}  // namespace

QIcon ButtonIcon(ButtonPicture picture) {
  const QImage pair = Load(PathOf(picture));
  QIcon icon;
  if (pair.isNull()) return icon;
  icon.addPixmap(QPixmap::fromImage(pair.copy(0, 0, kGlyph, kGlyph)), QIcon::Normal);
  icon.addPixmap(QPixmap::fromImage(pair.copy(kGlyph, 0, kGlyph, kGlyph)), QIcon::Disabled);
  return icon;
}

QPixmap StatusBarTexture() {
  return QPixmap::fromImage(Load(QStringLiteral(":/artwork/statustexture.png")));
}

QPixmap ChecksBarTexture() {
  return QPixmap::fromImage(Load(QStringLiteral(":/artwork/checkstexture.png")));
}

QPixmap DialogTexture() {
  return QPixmap::fromImage(Load(QStringLiteral(":/artwork/dialogtexture.png")));
}

}  // namespace volarin
