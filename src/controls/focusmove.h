#pragma once
// Moving the keyboard focus to the next or previous control of the form, as Enter and the
// arrow keys do in the forms' inputs.

class QWidget;

namespace volarin {

// Focuses the nearest widget after (forward) or before `from` in the tab order that takes tab
// focus, is visible and enabled, and lies in the same window. False when there is none.
bool MoveFocus(QWidget* from, bool forward);

}  // namespace volarin
