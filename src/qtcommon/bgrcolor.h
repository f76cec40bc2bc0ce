#pragma once
// Colours as the window layouts hold them: 32-bit values 0x00BBGGRR.

#include <QColor>
#include <cstdint>

namespace volarin {

// The value that means "no colour": a brush of it is transparent, a pen of it draws nothing.
inline constexpr uint32_t kNoColor = 0x1FFFFFFF;

inline constexpr uint32_t kBgrBlack = 0x000000;
inline constexpr uint32_t kBgrWhite = 0xFFFFFF;
inline constexpr uint32_t kBgrSilver = 0xC0C0C0;
inline constexpr uint32_t kBgrYellow = 0x00FFFF;
inline constexpr uint32_t kBgrBlue = 0xFF0000;
inline constexpr uint32_t kBgrNavy = 0x800000;

inline constexpr bool IsNoColor(uint32_t bgr) {
  return bgr == kNoColor;
}

// The one place where a 0x00BBGGRR value becomes a QColor; the top byte is ignored.
inline QColor FromBgr(uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

// The inverse, for values read back from Qt widgets.
inline uint32_t ToBgr(const QColor& color) {
  return static_cast<uint32_t>(color.red()) | (static_cast<uint32_t>(color.green()) << 8) |
         (static_cast<uint32_t>(color.blue()) << 16);
}

}  // namespace volarin
