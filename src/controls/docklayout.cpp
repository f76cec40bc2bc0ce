#include "controls/docklayout.h"

#include <QWidget>
#include <algorithm>

namespace volarin {

DockLayout::DockLayout(QWidget* parent) : QLayout(parent) {
  setContentsMargins(0, 0, 0, 0);
  setSpacing(0);
}

DockLayout::~DockLayout() = default;

void DockLayout::AddWidget(QWidget* widget, Dock dock) {
  addChildWidget(widget);
  entries_.push_back({std::make_unique<QWidgetItem>(widget), dock});
  invalidate();
}

void DockLayout::addItem(QLayoutItem* item) {
  entries_.push_back({std::unique_ptr<QLayoutItem>(item), Dock::None});
  invalidate();
}

void DockLayout::SetDock(QWidget* widget, Dock dock) {
  for (Entry& entry : entries_) {
    if (entry.item->widget() == widget) entry.dock = dock;
  }
  invalidate();
}

Dock DockLayout::DockOfWidget(const QWidget* widget) const {
  for (const Entry& entry : entries_) {
    if (entry.item->widget() == widget) return entry.dock;
  }
  return Dock::None;
}

Dock DockLayout::DockOf(const QWidget* widget) {
  const QWidget* parent = widget ? widget->parentWidget() : nullptr;
  const auto* layout = parent ? dynamic_cast<const DockLayout*>(parent->layout()) : nullptr;
  return layout ? layout->DockOfWidget(widget) : Dock::None;
}

QLayoutItem* DockLayout::itemAt(int index) const {
  if (index < 0 || index >= count()) return nullptr;
  return entries_[static_cast<std::size_t>(index)].item.get();
}

QLayoutItem* DockLayout::takeAt(int index) {
  if (index < 0 || index >= count()) return nullptr;
  auto it = entries_.begin() + index;
  QLayoutItem* item = it->item.release();
  entries_.erase(it);
  return item;
}

QSize DockLayout::sizeHint() const {
  const QWidget* parent = parentWidget();
  return parent ? parent->size() : QSize(0, 0);
}

QSize DockLayout::minimumSize() const {
  return QSize(0, 0);
}

void DockLayout::Relayout() {
  // geometry() is cleared whenever the layout is invalidated; the parent's area is not.
  if (QWidget* parent = parentWidget()) setGeometry(parent->contentsRect());
}

void DockLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  QRect rest = rect;
  for (Dock kind : {Dock::Top, Dock::Bottom, Dock::Left, Dock::Right, Dock::Fill}) {
    for (Entry& entry : entries_) {
      QWidget* widget = entry.item->widget();
      if (entry.dock != kind || !widget || widget->isHidden()) continue;
      QRect place;
      switch (kind) {
        case Dock::Top: {
          const int height = std::min(widget->height(), rest.height());
          place = QRect(rest.left(), rest.top(), rest.width(), height);
          rest.setTop(rest.top() + height);
          break;
        }
        case Dock::Bottom: {
          const int height = std::min(widget->height(), rest.height());
          place = QRect(rest.left(), rest.bottom() + 1 - height, rest.width(), height);
          rest.setBottom(rest.bottom() - height);
          break;
        }
        case Dock::Left: {
          const int width = std::min(widget->width(), rest.width());
          place = QRect(rest.left(), rest.top(), width, rest.height());
          rest.setLeft(rest.left() + width);
          break;
        }
        case Dock::Right: {
          const int width = std::min(widget->width(), rest.width());
          place = QRect(rest.right() + 1 - width, rest.top(), width, rest.height());
          rest.setRight(rest.right() - width);
          break;
        }
        case Dock::Fill:
          place = rest;
          break;
        case Dock::None:
          break;
      }
      widget->setGeometry(place);
    }
  }
}

}  // namespace volarin
