#pragma once
// The font-scaling panel: fills its form and, whenever the form is resized, moves and sizes
// the form's controls in proportion to the size captured at load and grows their fonts with
// the form, within bounds and never below their design size.

#include <QPointer>
#include <vector>

#include "controls/texturepanel.h"

namespace volarin {

class FormSizer : public TexturePanel {
  Q_OBJECT

 public:
  // Docks itself to fill the form (the parent) through a DockLayout.
  explicit FormSizer(QWidget* form);

  bool A_AutoFont() const { return autoFont_; }
  void SetA_AutoFont(bool on) { autoFont_ = on; }
  int A_MinFontSize() const { return minFontSize_; }
  void SetA_MinFontSize(int points) { minFontSize_ = points; }
  // Lowered to 10 at every rescale when larger.
  int A_MaxFontSize() const { return maxFontSize_; }
  void SetA_MaxFontSize(int points) { maxFontSize_ = points; }
  int A_HideOnResize() const { return hideOnResize_; }
  void SetA_HideOnResize(int value) { hideOnResize_ = value; }
  // Read at load; reads 0 while a rescale runs.
  int A_Resize() const { return resize_; }
  void SetA_Resize(int value) { resize_ = value; }
  int A_LockUpdates() const { return lockUpdates_; }
  void SetA_LockUpdates(int value) { lockUpdates_ = value; }

  // Call once the form's controls are built: enables rescaling when A_Resize is above 0 and
  // captures the design layout when nothing has been captured yet.
  void Loaded();
  bool Enabled() const { return enabled_; }
  // The font factor of the last rescale.
  double FontFactor() const { return lastFactor_; }

  // The form's controls in the order the form owns them: its widgets, without the inner
  // parts of compound widgets (spin boxes, combo boxes, item views, tool bars).
  static std::vector<QWidget*> FormControls(QWidget* form);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Baseline {
    QPointer<QWidget> control;
    int left = 0, top = 0, width = 0, height = 0;
    double fontSize = 0;
    bool visible = false;
  };

  QWidget* Form() const { return window(); }
  void Capture();
  void Rescale();
  void RescaleOnce();
  // Toolbars, their buttons, scroll boxes and Tag 100 keep their design geometry.
  static bool KeepsDesign(const QWidget* control);

  bool autoFont_ = true;
  int minFontSize_ = 8;
  int maxFontSize_ = 10;
  int hideOnResize_ = 1;
  int resize_ = 1;
  int lockUpdates_ = 1;

  bool enabled_ = false;
  bool rescaling_ = false;
  bool rescaleAgain_ = false;
  int baseWidth_ = -1, baseHeight_ = -1;
  int lastWidth_ = -1, lastHeight_ = -1;
  std::vector<Baseline> baseline_;
  double smallestFont_ = 200;
  double lastFactor_ = 0;
  int lastLargestFont_ = 0;
};

}  // namespace volarin
