#pragma once
// The colour states shared by the edits and the drop-down list: idle, mouse over and focused,
// and the border colour that goes with each.

#include <cstdint>

#include "qtcommon/bgrcolor.h"

namespace volarin {

struct ColorStates {
  uint32_t enter = kBgrYellow;     // ENTERCOLOR: background while focused
  uint32_t exit = kBgrWhite;       // EXITCOLOR: background when idle
  uint32_t mouseEnter = 0xBFFFFF;  // MOUSEENTERCOLOR: under the mouse, not focused
  uint32_t border = kBgrSilver;    // BORDERCOLOR
  uint32_t background = kBgrWhite;

  // Each returns true when the background changed.
  bool MouseEntered() { return background != enter && Set(mouseEnter); }
  bool MouseLeft() { return background != enter && Set(exit); }
  bool FocusEntered() { return Set(enter); }
  bool FocusLeft() { return Set(exit); }

  // The edits' one-pixel border: visible in the mouse-over state (or always when asked),
  // otherwise blended into the idle or focused background.
  uint32_t EditBorder(bool alwaysShowBorder) const {
    if (background == mouseEnter || alwaysShowBorder) return border;
    return background == exit ? exit : enter;
  }

 private:
  bool Set(uint32_t color) {
    const bool changed = background != color;
    background = color;
    return changed;
  }
};

// The colour properties the edits and the drop-down list publish over their states. Setting a
// colour stores it without repainting.
class ColorStateProperties {
 public:
  uint32_t ENTERCOLOR() const { return states_.enter; }
  void SetENTERCOLOR(uint32_t color) { states_.enter = color; }
  uint32_t EXITCOLOR() const { return states_.exit; }
  void SetEXITCOLOR(uint32_t color) { states_.exit = color; }
  uint32_t MOUSEENTERCOLOR() const { return states_.mouseEnter; }
  void SetMOUSEENTERCOLOR(uint32_t color) { states_.mouseEnter = color; }
  uint32_t BORDERCOLOR() const { return states_.border; }
  void SetBORDERCOLOR(uint32_t color) { states_.border = color; }

  // The current background.
  uint32_t Color() const { return states_.background; }

 protected:
  ColorStates states_;
};

}  // namespace volarin
