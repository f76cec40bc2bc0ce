#pragma once
// The tab control of the main window: pages with tabs of a fixed height.

#include <QTabBar>
#include <QTabWidget>

namespace volarin {

class FixedHeightTabBar : public QTabBar {
  Q_OBJECT

 public:
  FixedHeightTabBar(int tabHeight, QWidget* parent) : QTabBar(parent), tabHeight_(tabHeight) {}

 protected:
  QSize tabSizeHint(int index) const override;

 private:
  int tabHeight_;
};

class PageControl : public QTabWidget {
  Q_OBJECT

 public:
  PageControl(int tabHeight, QWidget* parent);
};

}  // namespace volarin
