#include "reportwindow/movesizewatcher.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

namespace volarin {

MoveSizeWatcher::MoveSizeWatcher(QWidget* window, int settleMilliseconds)
    : QObject(window), window_(window) {
  timer_.setSingleShot(true);
  timer_.setInterval(settleMilliseconds);
  connect(&timer_, &QTimer::timeout, this, &MoveSizeWatcher::Settle);
  window->installEventFilter(this);
}

void MoveSizeWatcher::Arm() {
  armed_ = true;
  lastFrame_ = window_->frameGeometry();
}

void MoveSizeWatcher::NoticeMoveOrResize(bool fromOutside) {
  if (!armed_ || !fromOutside) return;
  // The window manager repeats the frame it has already reported (on mapping, for instance);
  // only a frame that differs from the last one is a move or a resize.
  const QRect frame = window_->frameGeometry();
  if (frame == lastFrame_ && !stateChanging_) return;
  lastFrame_ = frame;
  changed_ = true;
  timer_.start();
}

void MoveSizeWatcher::NoticeStateChange() {
  if (!armed_) return;
  // Maximising and restoring resize the window without the operator dragging it; the resizes
  // that follow are swallowed until the window settles.
  stateChanging_ = true;
  timer_.start();
}

void MoveSizeWatcher::Settle() {
  if (QGuiApplication::mouseButtons() != Qt::NoButton) {
    timer_.start();
    return;
  }
  const bool ended = changed_ && !stateChanging_;
  changed_ = false;
  stateChanging_ = false;
  lastFrame_ = window_->frameGeometry();
  if (ended) emit moveSizeEnded();
}

bool MoveSizeWatcher::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_) {
    switch (event->type()) {
      case QEvent::Move:
      case QEvent::Resize:
        NoticeMoveOrResize(event->spontaneous());
        break;
      case QEvent::WindowStateChange:
        NoticeStateChange();
        break;
      default:
        break;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace volarin
