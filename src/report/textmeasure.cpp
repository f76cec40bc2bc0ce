#include "report/textmeasure.h"

#include <QFontMetricsF>
#include <QPaintDevice>

#include "qtcommon/qttext.h"

namespace volarin {

namespace {

// A paint device that only reports metrics: fonts resolve against it at 600 ppi. It never
// paints, so measurement depends on no image or printer back end.
class ReferenceDevice : public QPaintDevice {
 public:
  QPaintEngine* paintEngine() const override { return nullptr; }

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY:
        return static_cast<int>(kReferencePpi);
      case PdmWidth:
        return 4961;  // A4 at 600 ppi; the size plays no part in measuring.
      case PdmHeight:
        return 7016;
      case PdmWidthMM:
        return 210;
      case PdmHeightMM:
        return 297;
      case PdmNumColors:
        return 0x7fffffff;
      case PdmDepth:
        return 32;
      case PdmDevicePixelRatio:
        return 1;
      case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
      default:
        return 0;
    }
  }
};

}  // namespace

QFont ReferenceFont(const FontRecord& font, double devicePpi) {
  QFont result(QString::fromLatin1(font.name.c_str()));
  // Qt turns points into pixels with the device's resolution; asking for size × 600 / ppi
  // points gives the reference pixel size on every device.
  result.setPointSizeF(font.pointSize * kReferencePpi / devicePpi);
  result.setBold(font.bold);
  result.setItalic(font.italic);
  result.setUnderline(font.underline);
  result.setStrikeOut(font.strikeOut);
  // Unhinted outlines keep glyph advances linear in the size, so spacing does not drift
  // between a 96-ppi screen and a 600-ppi printer.
  result.setHintingPreference(QFont::PreferNoHinting);
  result.setStyleStrategy(QFont::PreferOutline);
  return result;
}

TextExtent MeasureText(const FontRecord& font, const std::string& text) {
  const ReferenceDevice device;
  const QFontMetricsF metrics(ReferenceFont(font, kReferencePpi), &device);
  TextExtent extent;
  extent.widthInches = metrics.horizontalAdvance(ToQString(text)) / kReferencePpi;
  extent.heightInches = (metrics.ascent() + metrics.descent()) / kReferencePpi;
  extent.ascentInches = metrics.ascent() / kReferencePpi;
  return extent;
}

}  // namespace volarin
