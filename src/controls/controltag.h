#pragma once
// The integer Tag that every control of the forms carries (1 draws an edit's bottom rule,
// 100 keeps a control out of the font-scaling panel's rescale).

#include <QVariant>
#include <QWidget>

namespace volarin {

inline constexpr char kTagProperty[] = "volarinTag";

inline int ControlTag(const QWidget* widget) {
  return widget->property(kTagProperty).toInt();
}
inline void SetControlTag(QWidget* widget, int tag) {
  widget->setProperty(kTagProperty, tag);
}

}  // namespace volarin
