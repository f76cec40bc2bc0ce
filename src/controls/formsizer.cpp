#include "controls/formsizer.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <algorithm>
#include <cmath>

#include "controls/controltag.h"
#include "controls/docklayout.h"

namespace volarin {

namespace {

constexpr int kKeepDesignTag = 100;
constexpr int kFontSizeCap = 10;
constexpr int kSmallestFont = 3;
constexpr int kMaxScaledColumns = 100;
constexpr int kMinSizeForColumns = 50;

int RoundToInt(double value) {
  return static_cast<int>(std::lround(value));
}

double PointSize(const QWidget* control) {
  const QFont font = control->font();
  if (font.pointSizeF() > 0) return font.pointSizeF();
  return font.pixelSize() * 72.0 / control->logicalDpiY();
}

void SetPointSize(QWidget* control, int points) {
  QFont font = control->font();
  font.setPointSize(points);
  control->setFont(font);
}

// Widgets whose children are their own inner parts, not controls of the form.
bool IsCompound(const QWidget* widget) {
  return qobject_cast<const QAbstractSpinBox*>(widget) || qobject_cast<const QComboBox*>(widget) ||
         qobject_cast<const QAbstractScrollArea*>(widget);
}

void Collect(QWidget* parent, std::vector<QWidget*>& controls) {
  for (QObject* child : parent->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (!widget || widget->isWindow()) continue;
    controls.push_back(widget);
    if (!IsCompound(widget)) Collect(widget, controls);
  }
}

}  // namespace

FormSizer::FormSizer(QWidget* form) : TexturePanel(form) {
  auto* layout = dynamic_cast<DockLayout*>(form->layout());
  if (!layout) layout = new DockLayout(form);  // owned by the form
  layout->AddWidget(this, Dock::Fill);
}

std::vector<QWidget*> FormSizer::FormControls(QWidget* form) {
  std::vector<QWidget*> controls;
  Collect(form, controls);
  return controls;
}

bool FormSizer::KeepsDesign(const QWidget* control) {
  return qobject_cast<const QToolBar*>(control) ||
         qobject_cast<const QToolBar*>(control->parentWidget()) ||
         qobject_cast<const QScrollArea*>(control) || ControlTag(control) == kKeepDesignTag;
}

void FormSizer::Loaded() {
  if (resize_ > 0) enabled_ = true;
  if (baseWidth_ < 0) Capture();
}

void FormSizer::Capture() {
  baseline_.clear();
  smallestFont_ = 200;
  for (QWidget* control : FormControls(Form())) {
    Baseline record;
    record.control = control;
    record.left = control->x();
    record.top = control->y();
    record.width = control->width();
    record.height = control->height();
    record.visible = !control->isHidden();
    record.fontSize = PointSize(control);
    // The design size becomes the control's own, so that a container's rescaled font does
    // not pass on to a control that is to keep its size.
    QFont pinned = control->font();
    pinned.setPointSizeF(record.fontSize);
    control->setFont(pinned);
    smallestFont_ = std::min(smallestFont_, record.fontSize);
    baseline_.push_back(record);
  }
  baseWidth_ = lastWidth_ = Form()->width();
  baseHeight_ = lastHeight_ = Form()->height();
}

void FormSizer::resizeEvent(QResizeEvent* event) {
  if (enabled_ && resize_ > 0) {
    const bool controlsChanged = FormControls(Form()).size() != baseline_.size();
    // A layout captured before the form had a size cannot be scaled from; the current one
    // becomes the design.
    const bool noBaselineSize = baseWidth_ <= 0 || baseHeight_ <= 0;
    if (controlsChanged || noBaselineSize) Capture();
    Rescale();
  }
  TexturePanel::resizeEvent(event);
}

void FormSizer::Rescale() {
  // Rescaling lets pending events run, so a resize can arrive in the middle: it is run again
  // afterwards instead of inside, so the last size wins and the remembered size is its own.
  if (rescaling_) {
    rescaleAgain_ = true;
    return;
  }
  rescaling_ = true;
  do {
    rescaleAgain_ = false;
    RescaleOnce();
  } while (rescaleAgain_);
  rescaling_ = false;
}

void FormSizer::RescaleOnce() {
  maxFontSize_ = std::min(maxFontSize_, kFontSizeCap);
  QWidget* form = Form();
  const int width = form->width();
  const int height = form->height();
  if (!qApp || !isVisible() || !enabled_ || width <= 0 || height <= 0 || baseline_.size() < 2 ||
      baseWidth_ <= 0 || baseHeight_ <= 0) {
    return;
  }
  const double across = static_cast<double>(width) / baseWidth_;
  const double down = static_cast<double>(height) / baseHeight_;
  const double d = std::min(down, across);

  std::vector<const Baseline*> chosen;
  double factor = 0;
  int largestFont = 0;
  for (const Baseline& record : baseline_) {
    if (!record.visible || !record.control || KeepsDesign(record.control)) continue;
    chosen.push_back(&record);
    const double f = record.fontSize;
    if (f == 0 || !autoFont_) continue;
    double s = f * d;
    double t = std::round(s);
    const double hi = f + maxFontSize_ - smallestFont_;
    const double lo = f + minFontSize_ - smallestFont_;
    if (t > hi) t = s = hi;
    if (t < lo) t = s = lo;
    largestFont = std::max(largestFont, static_cast<int>(t));
    factor = std::max(factor, s / f);
  }
  if ((factor == lastFactor_ || largestFont == lastLargestFont_) && width == lastWidth_) {
    lastWidth_ = width;
    lastHeight_ = height;
    return;
  }

  const QScreen* screen = form->screen();
  const bool hidePanel = hideOnResize_ > 0 || form->isMaximized() ||
                         (screen && form->width() >= screen->geometry().width());
  if (hidePanel) hide();
  const bool lock = lockUpdates_ > 0;
  if (form->testAttribute(Qt::WA_WState_Created)) {
    if (lock) setUpdatesEnabled(false);
    for (const Baseline* record : chosen) {
      QWidget* control = record->control;
      const Dock dock = DockLayout::DockOf(control);
      auto* grid = qobject_cast<QTableView*>(control);

      if ((dock == Dock::None || dock == Dock::Left || dock == Dock::Right) &&
          width != lastWidth_) {
        control->resize(std::max(1, RoundToInt(across * record->width)), control->height());
        control->move(std::max(0, RoundToInt(across * record->left)), control->y());
      } else {
        control->update();
      }

      if (!grid) {
        int v = RoundToInt(record->fontSize * factor);
        v = v <= kSmallestFont ? kSmallestFont : std::clamp(v, minFontSize_, maxFontSize_);
        // Fonts never shrink below their design size.
        v = std::max(v, RoundToInt(record->fontSize));
        if (autoFont_) SetPointSize(control, v);
      }

      if ((dock == Dock::None || dock == Dock::Top || dock == Dock::Bottom) &&
          factor != lastFactor_) {
        control->resize(control->width(), std::max(1, RoundToInt(record->height * factor)));
        if (dock == Dock::None) {
          control->move(control->x(), std::max(0, RoundToInt(record->top * factor)));
        }
      }

      if (grid && !grid->isHidden()) {
        int v = std::max(kSmallestFont, RoundToInt(record->fontSize * factor));
        v = std::clamp(v, minFontSize_, maxFontSize_);
        SetPointSize(grid, v);
        QHeaderView* header = grid->horizontalHeader();
        const int columns = header->count();
        if (columns > 0 && columns <= kMaxScaledColumns) {
          if (width > kMinSizeForColumns && lastWidth_ > kMinSizeForColumns &&
              height > kMinSizeForColumns && lastHeight_ > kMinSizeForColumns) {
            const double grow = static_cast<double>(width) / lastWidth_;
            for (int c = 0; c < columns; ++c) {
              header->resizeSection(c, RoundToInt(header->sectionSize(c) * grow));
            }
          }
          int used = 0;
          for (int c = 0; c + 1 < columns; ++c) used += header->sectionSize(c) + 1;
          if (used < grid->width()) {
            const int scrollBar = grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
            const int frame = grid->frameWidth();
            header->resizeSection(columns - 1,
                                  std::max(0, grid->width() - used - scrollBar - frame));
          }
        }
      }
    }
    // Docked controls took new heights and widths; their layouts place them again.
    for (DockLayout* layout : form->findChildren<DockLayout*>()) layout->Relayout();
  }

  const int savedResize = resize_;
  resize_ = 0;
  resize(width, height);
  QCoreApplication::processEvents();
  resize_ = savedResize;
  if (hidePanel) show();
  if (lock) {
    setUpdatesEnabled(true);
    repaint();
  }
  lastWidth_ = width;
  lastHeight_ = height;
  lastFactor_ = factor;
  lastLargestFont_ = largestFont;
}

}  // namespace volarin
