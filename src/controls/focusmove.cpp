#include "controls/focusmove.h"

#include <QWidget>

namespace volarin {

bool MoveFocus(QWidget* from, bool forward) {
  QWidget* candidate = from;
  // The focus chain is a ring; one lap is enough.
  for (;;) {
    candidate = forward ? candidate->nextInFocusChain() : candidate->previousInFocusChain();
    if (!candidate || candidate == from) return false;
    if (candidate->window() == from->window() && candidate->isVisible() && candidate->isEnabled() &&
        (candidate->focusPolicy() & Qt::TabFocus) && !candidate->focusProxy()) {
      candidate->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return true;
    }
  }
}

}  // namespace volarin
