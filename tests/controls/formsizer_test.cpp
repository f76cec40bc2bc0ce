#include "controls/formsizer.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QStyle>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>

#include "controls/controltag.h"
#include "controls/docklayout.h"

namespace volarin {
namespace {

double Points(const QWidget* widget) {
  return widget->font().pointSizeF();
}

// A 400 x 300 form built like the program's windows: the font-scaling panel fills it and
// holds a top-docked bar, free-standing controls in 8 and 12 points, a control hidden at
// design time, one with Tag 100, a toolbar, a scroll box and a grid.
class FormSizerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QFont font = form.font();
    font.setPointSize(8);
    form.setFont(font);
    sizer = new FormSizer(&form);
    auto* layout = new DockLayout(sizer);
    bar = new TexturePanel(sizer);
    bar->resize(400, 28);
    layout->AddWidget(bar, Dock::Top);

    label = Place(new QLabel(QStringLiteral("Account"), sizer), {20, 40, 100, 20});
    big = Place(new QLineEdit(sizer), {150, 40, 120, 24});
    QFont bigFont = big->font();
    bigFont.setPointSize(12);
    big->setFont(bigFont);
    hidden = Place(new QLabel(QStringLiteral("hidden"), sizer), {20, 100, 80, 20});
    hidden->hide();
    kept = Place(new QLabel(QStringLiteral("kept"), sizer), {200, 100, 80, 20});
    SetControlTag(kept, 100);
    toolbar = Place(new QToolBar(sizer), {20, 150, 200, 30});
    toolbar->addAction(QStringLiteral("Print"));
    scroll = Place(new QScrollArea(sizer), {250, 150, 100, 40});
    grid = Place(new QTableWidget(4, 3, sizer), {20, 200, 300, 80});
    grid->horizontalHeader()->resizeSection(0, 80);
    grid->horizontalHeader()->resizeSection(1, 90);
    grid->horizontalHeader()->resizeSection(2, 100);

    form.resize(400, 300);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    sizer->Loaded();
  }

  template <typename W>
  W* Place(W* widget, QRect geometry) {
    widget->setGeometry(geometry);
    return widget;
  }

  void ResizeForm(int width, int height) {
    form.resize(width, height);
    QCoreApplication::processEvents();
    ASSERT_EQ(form.size(), QSize(width, height));
  }

  QWidget form;
  FormSizer* sizer = nullptr;
  TexturePanel* bar = nullptr;
  QLabel* label = nullptr;
  QLineEdit* big = nullptr;
  QLabel* hidden = nullptr;
  QLabel* kept = nullptr;
  QToolBar* toolbar = nullptr;
  QScrollArea* scroll = nullptr;
  QTableWidget* grid = nullptr;
};

struct ResizeCase {
  const char* name;
  int width, height;
  int maxFont;
  double factor;
  QRect label;  // the 8-point control's new geometry
  int labelPoints, bigPoints;
  int barHeight;
};

class FormSizerResizeTest : public FormSizerTest,
                            public ::testing::WithParamInterface<ResizeCase> {};

TEST_P(FormSizerResizeTest, MovesSizesAndScalesFonts) {
  const ResizeCase& c = GetParam();
  sizer->SetA_MaxFontSize(c.maxFont);
  ResizeForm(c.width, c.height);
  EXPECT_LE(sizer->A_MaxFontSize(), 10);
  EXPECT_DOUBLE_EQ(sizer->FontFactor(), c.factor);
  EXPECT_EQ(label->geometry(), c.label);
  EXPECT_EQ(Points(label), c.labelPoints);
  // A 12-point font keeps 12 points although the bound is 10: fonts never shrink.
  EXPECT_EQ(Points(big), c.bigPoints);
  // The top-docked bar takes the new height and the whole width.
  EXPECT_EQ(bar->height(), c.barHeight);
  EXPECT_EQ(bar->width(), c.width);
  // Hidden at design, Tag 100, toolbars and scroll boxes keep their design geometry.
  EXPECT_EQ(hidden->geometry(), QRect(20, 100, 80, 20));
  EXPECT_EQ(kept->geometry(), QRect(200, 100, 80, 20));
  EXPECT_EQ(toolbar->geometry(), QRect(20, 150, 200, 30));
  EXPECT_EQ(scroll->geometry(), QRect(250, 150, 100, 40));
  EXPECT_EQ(Points(hidden), 8);
  EXPECT_EQ(Points(kept), 8);
  EXPECT_TRUE(sizer->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormSizerResizeTest,
    ::testing::Values(
        // Twice the size: 8 points may grow to 10 at most, whatever A_MaxFontSize says above
        // 10; the factor is the 8-point fonts' 10 / 8; heights grow by it, widths by W / W0.
        ResizeCase{"DoubleMax14", 800, 600, 14, 1.25, {40, 50, 200, 25}, 10, 12, 35},
        ResizeCase{"DoubleMax10", 800, 600, 10, 1.25, {40, 50, 200, 25}, 10, 12, 35},
        ResizeCase{"DoubleMax9", 800, 600, 9, 1.125, {40, 45, 200, 23}, 9, 12, 32},
        // Wider only: the smaller ratio (the height's, 1) rules the fonts.
        ResizeCase{"Wider", 800, 300, 10, 1.0, {40, 40, 200, 20}, 8, 12, 28},
        // Half the size: fonts stay at their design size, widths halve.
        ResizeCase{"Half", 200, 150, 10, 1.0, {10, 40, 50, 20}, 8, 12, 28}),
    [](const ::testing::TestParamInfo<ResizeCase>& info) { return std::string(info.param.name); });

TEST_F(FormSizerTest, GridColumnsGrowWithTheWidthAndTheLastTakesTheRest) {
  ResizeForm(800, 600);
  QHeaderView* header = grid->horizontalHeader();
  EXPECT_EQ(grid->width(), 600);
  EXPECT_EQ(header->sectionSize(0), 160);
  EXPECT_EQ(header->sectionSize(1), 180);
  const int scrollBar = grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  EXPECT_EQ(header->sectionSize(2), 600 - (161 + 181) - scrollBar - grid->frameWidth());
  // Grid fonts follow the factor without the raise to the design size.
  EXPECT_EQ(Points(grid), 10);

  ResizeForm(400, 300);
  EXPECT_EQ(header->sectionSize(0), 80);
  EXPECT_EQ(header->sectionSize(1), 90);
  EXPECT_EQ(Points(grid), 8);
}

TEST_F(FormSizerTest, TheSameWidthWithTheSameFactorChangesNothing) {
  ResizeForm(800, 600);
  label->move(1, 1);
  ResizeForm(800, 610);  // d is still 2: same factor, same width
  EXPECT_EQ(label->pos(), QPoint(1, 1));
  // A new width moves the control across again; its top follows only a new factor.
  ResizeForm(810, 610);
  EXPECT_EQ(label->pos(), QPoint(41, 1));
}

TEST_F(FormSizerTest, AControlHiddenAtDesignStaysPutWhenShownLater) {
  ResizeForm(800, 600);
  hidden->show();
  ResizeForm(600, 450);
  EXPECT_EQ(hidden->geometry(), QRect(20, 100, 80, 20));
  EXPECT_EQ(Points(hidden), 8);
}

TEST_F(FormSizerTest, NewControlsBecomeTheNewDesign) {
  auto* late = new QLabel(QStringLiteral("late"), sizer);
  late->setGeometry(10, 10, 50, 20);
  late->show();
  ResizeForm(800, 600);
  // Captured again at 800 x 600 before rescaling, so nothing moved.
  EXPECT_EQ(late->geometry(), QRect(10, 10, 50, 20));
  EXPECT_EQ(label->geometry(), QRect(20, 40, 100, 20));
  ResizeForm(400, 300);
  EXPECT_EQ(late->geometry(), QRect(5, 10, 25, 20));
}

// Looks at the panel whenever a control's font changes during a rescale (font changes
// arrive at once, moves of hidden widgets only when they are shown again).
class RescaleWatcher : public QObject {
 public:
  explicit RescaleWatcher(FormSizer* sizer) : sizer_(sizer) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::FontChange) {
      ++fontChanges;
      sawHidden |= sizer_->isHidden();
      sawLocked |= !sizer_->updatesEnabled();
    }
    return false;
  }
  int fontChanges = 0;
  bool sawHidden = false, sawLocked = false;

 private:
  FormSizer* sizer_;
};

TEST_F(FormSizerTest, HideAndLockOptionsHoldOnlyWhileControlsMove) {
  for (int option : {1, 0}) {
    SCOPED_TRACE(option);
    sizer->SetA_HideOnResize(option);
    sizer->SetA_LockUpdates(option);
    RescaleWatcher watcher(sizer);
    label->installEventFilter(&watcher);
    // Up to twice the size and back: the label's font changes both times.
    ResizeForm(option ? 800 : 400, option ? 600 : 300);
    label->removeEventFilter(&watcher);
    ASSERT_GT(watcher.fontChanges, 0);
    EXPECT_EQ(watcher.sawHidden, option == 1);
    EXPECT_EQ(watcher.sawLocked, option == 1);
    EXPECT_TRUE(sizer->isVisible());
    EXPECT_TRUE(sizer->updatesEnabled());
    EXPECT_EQ(sizer->A_Resize(), 1);
  }
}

TEST(FormSizerLoadTest, ALayoutCapturedBeforeTheFormHadASizeIsCapturedAgain) {
  QWidget form;
  QFont font = form.font();
  font.setPointSize(8);
  form.setFont(font);
  auto* sizer = new FormSizer(&form);
  auto* label = new QLabel(QStringLiteral("Account"), sizer);
  label->setGeometry(20, 40, 100, 20);
  form.resize(0, 0);
  sizer->Loaded();  // the baseline has no size: nothing could be scaled from it

  form.resize(400, 300);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QCoreApplication::processEvents();
  EXPECT_EQ(label->geometry(), QRect(20, 40, 100, 20));
  form.resize(800, 600);
  QCoreApplication::processEvents();
  EXPECT_EQ(label->geometry(), QRect(40, 50, 200, 25));
  EXPECT_EQ(Points(label), 10);
}

TEST(FormSizerLoadTest, NothingIsRescaledWithoutLoadOrWithResizeOff) {
  for (int resize : {0, 1}) {
    QWidget form;
    QFont font = form.font();
    font.setPointSize(8);
    form.setFont(font);
    auto* sizer = new FormSizer(&form);
    sizer->SetA_Resize(resize);
    auto* label = new QLabel(QStringLiteral("Account"), sizer);
    new QLabel(QStringLiteral("second"), sizer);
    label->setGeometry(20, 40, 100, 20);
    form.resize(400, 300);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    if (resize) {
      form.resize(800, 300);  // before Loaded: not enabled yet
      QCoreApplication::processEvents();
      EXPECT_EQ(label->geometry(), QRect(20, 40, 100, 20));
      sizer->Loaded();
      form.resize(400, 300);
      QCoreApplication::processEvents();
      EXPECT_EQ(label->geometry(), QRect(10, 40, 50, 20)) << "800 x 300 became the design";
    } else {
      sizer->Loaded();
      EXPECT_FALSE(sizer->Enabled());
      form.resize(800, 300);
      QCoreApplication::processEvents();
      EXPECT_EQ(label->geometry(), QRect(20, 40, 100, 20));
    }
  }
}

}  // namespace
}  // namespace volarin
