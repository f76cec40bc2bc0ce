#pragma once
// Docking as the forms were laid out: each widget is docked to the top, bottom, left or right
// edge of what is left of its parent, or fills the rest, or keeps the geometry it was given.
// Edges are taken in the order top, bottom, left, right, fill; widgets of one kind in the order
// they were added. A docked widget keeps its own height (top, bottom) or width (left, right).

#include <QLayout>
#include <memory>
#include <vector>

namespace volarin {

enum class Dock { None, Top, Bottom, Left, Right, Fill };

class DockLayout : public QLayout {
  Q_OBJECT  // so that qobject_cast and findChildren tell it from other layouts

      public : explicit DockLayout(QWidget* parent = nullptr);
  ~DockLayout() override;

  void AddWidget(QWidget* widget, Dock dock);
  void SetDock(QWidget* widget, Dock dock);
  // The dock of a widget in its parent's DockLayout; None when it has no such layout.
  static Dock DockOf(const QWidget* widget);

  // Lays the widgets out again, after one of them changed its own height or width.
  void Relayout();

  void addItem(QLayoutItem* item) override;
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  int count() const override { return static_cast<int>(entries_.size()); }
  QSize sizeHint() const override;
  QSize minimumSize() const override;
  void setGeometry(const QRect& rect) override;

 private:
  struct Entry {
    std::unique_ptr<QLayoutItem> item;
    Dock dock;
  };
  Dock DockOfWidget(const QWidget* widget) const;

  std::vector<Entry> entries_;
};

}  // namespace volarin
