#pragma once
// Tells when the operator has finished moving or resizing a window by hand. Qt reports no such
// moment on every platform, so the end is taken as the moment the window has stopped changing
// for a short while with no mouse button held. Only changes that come from outside the
// program count, and not those of maximising or restoring the window.

#include <QObject>
#include <QRect>
#include <QTimer>

class QWidget;

namespace volarin {

class MoveSizeWatcher : public QObject {
  Q_OBJECT

 public:
  static constexpr int kSettleMilliseconds = 250;

  // Watches the given top-level window; starts disarmed.
  explicit MoveSizeWatcher(QWidget* window, int settleMilliseconds = kSettleMilliseconds);

  // From now on, a change of the window's frame away from its present place counts.
  void Arm();
  bool Armed() const { return armed_; }

  // What the event filter passes on; public so that the rule can be driven directly.
  void NoticeMoveOrResize(bool fromOutside);
  void NoticeStateChange();
  // The settle timer's end: signals the end of a move or resize unless a button is still held
  // or the changes came from a maximise or restore.
  void Settle();
  bool Pending() const { return timer_.isActive(); }

 signals:
  void moveSizeEnded();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
  QTimer timer_;
  QRect lastFrame_;
  bool armed_ = false;
  bool changed_ = false;
  bool stateChanging_ = false;
};

}  // namespace volarin
