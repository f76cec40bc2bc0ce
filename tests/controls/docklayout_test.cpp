#include "controls/docklayout.h"

#include <gtest/gtest.h>

#include <QWidget>

namespace volarin {
namespace {

QWidget* Child(QWidget& parent, QSize size) {
  auto* child = new QWidget(&parent);  // owned by the parent
  child->resize(size);
  return child;
}

TEST(DockLayoutTest, EdgesAreTakenTopBottomLeftRightThenFill) {
  QWidget form;
  auto* layout = new DockLayout(&form);
  QWidget* fill = Child(form, {10, 10});
  QWidget* left = Child(form, {5, 10});
  QWidget* top = Child(form, {10, 28});
  QWidget* right = Child(form, {40, 10});
  QWidget* bottom = Child(form, {10, 20});
  QWidget* secondTop = Child(form, {10, 12});
  QWidget* free = Child(form, {33, 44});
  free->move(7, 9);
  // Added in a mixed order: the kind decides, then the order within a kind.
  layout->AddWidget(fill, Dock::Fill);
  layout->AddWidget(left, Dock::Left);
  layout->AddWidget(top, Dock::Top);
  layout->AddWidget(right, Dock::Right);
  layout->AddWidget(bottom, Dock::Bottom);
  layout->AddWidget(secondTop, Dock::Top);
  layout->AddWidget(free, Dock::None);
  form.resize(632, 437);
  layout->setGeometry(form.rect());

  EXPECT_EQ(top->geometry(), QRect(0, 0, 632, 28));
  EXPECT_EQ(secondTop->geometry(), QRect(0, 28, 632, 12));
  EXPECT_EQ(bottom->geometry(), QRect(0, 417, 632, 20));
  EXPECT_EQ(left->geometry(), QRect(0, 40, 5, 377));
  EXPECT_EQ(right->geometry(), QRect(592, 40, 40, 377));
  EXPECT_EQ(fill->geometry(), QRect(5, 40, 587, 377));
  EXPECT_EQ(free->geometry(), QRect(7, 9, 33, 44));

  EXPECT_EQ(DockLayout::DockOf(top), Dock::Top);
  EXPECT_EQ(DockLayout::DockOf(free), Dock::None);
  EXPECT_EQ(DockLayout::DockOf(&form), Dock::None);
}

TEST(DockLayoutTest, FollowsResizesHiddenWidgetsAndOwnSizeChanges) {
  QWidget form;
  auto* layout = new DockLayout(&form);
  QWidget* top = Child(form, {10, 28});
  QWidget* hidden = Child(form, {10, 50});
  QWidget* fill = Child(form, {10, 10});
  layout->AddWidget(top, Dock::Top);
  layout->AddWidget(hidden, Dock::Top);
  layout->AddWidget(fill, Dock::Fill);
  hidden->hide();
  form.resize(300, 200);
  form.show();
  EXPECT_EQ(fill->geometry(), QRect(0, 28, 300, 172));

  form.resize(500, 400);
  EXPECT_EQ(top->geometry(), QRect(0, 0, 500, 28));
  EXPECT_EQ(fill->geometry(), QRect(0, 28, 500, 372));

  // A docked widget that takes a new height of its own keeps it at the next layout.
  top->resize(top->width(), 40);
  layout->Relayout();
  EXPECT_EQ(fill->geometry(), QRect(0, 40, 500, 360));

  // More than the room left is cut to what remains.
  top->resize(top->width(), 900);
  layout->Relayout();
  EXPECT_EQ(top->geometry(), QRect(0, 0, 500, 400));
  EXPECT_EQ(fill->height(), 0);
}

}  // namespace
}  // namespace volarin
