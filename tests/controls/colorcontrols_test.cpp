#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QEnterEvent>
#include <QTest>

#include "controls/colordateedit.h"
#include "controls/coloredit.h"
#include "controls/colorstates.h"
#include "controls/controltag.h"
#include "controls/flatcombobox.h"
#include "controls/hoverspeedbutton.h"
#include "controls/texturepanel.h"

namespace volarin {
namespace {

void MouseEnters(QWidget* widget) {
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)));
  QApplication::sendEvent(widget, &enter);
}

void MouseLeaves(QWidget* widget) {
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(widget, &leave);
}

QColor PixelAt(QWidget* widget, QPoint at) {
  return widget->grab().toImage().pixelColor(at);
}

enum class Step { MouseIn, MouseOut, FocusIn, FocusOut };

struct StateCase {
  Step step;
  uint32_t background;
  uint32_t border;
};

TEST(ColorStatesTest, IdleMouseOverAndFocusedColoursWithTheirBorders) {
  ColorStates states;  // enter yellow, exit white, mouse-over 0xBFFFFF, border silver
  EXPECT_EQ(states.EditBorder(false), kBgrWhite);
  EXPECT_EQ(states.EditBorder(true), kBgrSilver);
  const StateCase steps[] = {
      {Step::MouseIn, 0xBFFFFF, kBgrSilver},    {Step::FocusIn, kBgrYellow, kBgrYellow},
      {Step::MouseOut, kBgrYellow, kBgrYellow}, {Step::MouseIn, kBgrYellow, kBgrYellow},
      {Step::FocusOut, kBgrWhite, kBgrWhite},   {Step::MouseIn, 0xBFFFFF, kBgrSilver},
      {Step::MouseOut, kBgrWhite, kBgrWhite},
  };
  int n = 0;
  for (const StateCase& s : steps) {
    switch (s.step) {
      case Step::MouseIn:
        states.MouseEntered();
        break;
      case Step::MouseOut:
        states.MouseLeft();
        break;
      case Step::FocusIn:
        states.FocusEntered();
        break;
      case Step::FocusOut:
        states.FocusLeft();
        break;
    }
    EXPECT_EQ(states.background, s.background) << "step " << n;
    EXPECT_EQ(states.EditBorder(false), s.border) << "step " << n;
    ++n;
  }
}

// A form of inputs on a texture panel, in tab order: first, second, combo, date, last.
class ColorControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    panel = new TexturePanel(&form);
    panel->setGeometry(0, 0, 400, 200);
    panel->SetENTERCOLOR(0x00FF00);
    panel->SetEXITCOLOR(kBgrSilver);
    first = Place(new ColorEdit(panel), {10, 10, 120, 22});
    second = Place(new ColorEdit(panel), {10, 40, 120, 22});
    combo = Place(new FlatComboBox(panel), {10, 70, 120, 22});
    combo->addItems({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
    date = Place(new ColorDateEdit(panel), {10, 100, 120, 22});
    last = Place(new ColorEdit(panel), {10, 130, 120, 22});
    button = Place(new HoverSpeedButton(panel), {200, 10, 77, 24});
    button->setText(QStringLiteral("Print"));
    form.resize(400, 200);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    // The window gave its first input the focus; start every test from the last one.
    last->setFocus();
  }

  template <typename W>
  W* Place(W* widget, QRect geometry) {
    widget->setGeometry(geometry);
    return widget;
  }

  QWidget form;
  TexturePanel* panel = nullptr;
  ColorEdit* first = nullptr;
  ColorEdit* second = nullptr;
  FlatComboBox* combo = nullptr;
  ColorDateEdit* date = nullptr;
  ColorEdit* last = nullptr;
  HoverSpeedButton* button = nullptr;
};

TEST_F(ColorControlsTest, TheEditPaintsItsBackgroundAndBorderForEachState) {
  const QPoint border(0, 5);
  const QPoint inside(first->width() - 4, 5);
  EXPECT_EQ(PixelAt(first, inside), FromBgr(kBgrWhite));
  EXPECT_EQ(PixelAt(first, border), FromBgr(kBgrWhite));

  MouseEnters(first);
  EXPECT_EQ(first->Color(), 0xBFFFFFu);
  EXPECT_EQ(PixelAt(first, inside), FromBgr(0xBFFFFF));
  EXPECT_EQ(PixelAt(first, border), FromBgr(kBgrSilver));

  first->setFocus();
  EXPECT_EQ(PixelAt(first, inside), FromBgr(kBgrYellow));
  EXPECT_EQ(PixelAt(first, border), FromBgr(kBgrYellow));
  MouseEnters(first);
  EXPECT_EQ(first->Color(), kBgrYellow) << "the mouse does not change a focused edit";

  second->setFocus();
  EXPECT_EQ(first->Color(), kBgrWhite);
  first->SetAlwaysShowBorder(true);
  EXPECT_EQ(PixelAt(first, border), FromBgr(kBgrSilver));

  SetControlTag(second, 1);
  second->SetBORDERCOLOR(0x0000FF);
  EXPECT_EQ(PixelAt(second, QPoint(20, second->height() - 1)), FromBgr(0x0000FF));
}

TEST_F(ColorControlsTest, SettingAColourStoresItWithoutChangingTheBackground) {
  first->SetEXITCOLOR(0xDFFFFF);
  EXPECT_EQ(first->Color(), kBgrWhite);
  first->setFocus();
  second->setFocus();
  EXPECT_EQ(first->Color(), 0xDFFFFFu);
}

TEST_F(ColorControlsTest, EnterAndArrowsMoveTheFocusAndInsertNothing) {
  first->setFocus();
  QTest::keyClicks(first, QStringLiteral("ab"));
  QTest::keyClick(first, Qt::Key_Return);
  EXPECT_EQ(first->text(), QStringLiteral("ab"));
  EXPECT_TRUE(second->hasFocus());
  QTest::keyClick(second, Qt::Key_Up);
  EXPECT_TRUE(first->hasFocus());
  QTest::keyClick(first, Qt::Key_Down);
  QTest::keyClick(second, Qt::Key_Down);
  EXPECT_TRUE(combo->hasFocus());

  // In the closed drop-down list the arrows move the focus, not the selection.
  combo->setCurrentIndex(1);
  QTest::keyClick(combo, Qt::Key_Up);
  EXPECT_TRUE(second->hasFocus());
  EXPECT_EQ(combo->currentIndex(), 1);
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_TRUE(date->hasFocus());
  EXPECT_EQ(combo->currentIndex(), 1);
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Enter);
  EXPECT_TRUE(date->hasFocus());
}

TEST_F(ColorControlsTest, TabbingInMovesTheCaretPastTheSelection) {
  second->setText(QStringLiteral("12345"));
  first->setFocus();
  QTest::keyClick(first, Qt::Key_Tab);
  ASSERT_TRUE(second->hasFocus());
  EXPECT_FALSE(second->hasSelectedText());
  EXPECT_EQ(second->cursorPosition(), 5);
  second->setCursorPosition(3);
  first->setFocus();
  EXPECT_EQ(second->RememberedCaret(), 3);
  EXPECT_EQ(second->cursorPosition(), 1);
}

TEST_F(ColorControlsTest, APasswordCharacterIsShownOncePerCharacter) {
  first->SetPasswordChar(QLatin1Char('#'));
  first->setText(QStringLiteral("abc"));
  second->setText(QStringLiteral("###"));
  EXPECT_EQ(first->DisplayText(), QStringLiteral(" ###"));
  EXPECT_EQ(first->grab().toImage(), second->grab().toImage());
}

// Width of the dark pixels in an image.
int InkWidth(const QImage& image) {
  int left = image.width(), right = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qGray(image.pixel(x, y)) < 128) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
  }
  return right - left + 1;
}

TEST_F(ColorControlsTest, AnAmpersandIsShownAsItself) {
  first->setText(QStringLiteral("&&"));
  second->setText(QStringLiteral("&&&&"));
  const int two = InkWidth(first->grab().toImage());
  const int four = InkWidth(second->grab().toImage());
  ASSERT_GT(two, 0);
  // As mnemonic markers "&&&&" would show as "&&"; shown literally it is twice as wide.
  EXPECT_GT(four, two * 1.7);
}

TEST_F(ColorControlsTest, TheDropDownListDrawsThreeFramesAndTakesTheFocusColour) {
  const int y = combo->height() / 2;
  EXPECT_EQ(PixelAt(combo, {0, y}), FromBgr(kBgrSilver));
  EXPECT_EQ(PixelAt(combo, {1, y}), FromBgr(0xDFFFFF));
  EXPECT_EQ(PixelAt(combo, {2, y}), FromBgr(0xDFFFFF));
  MouseEnters(combo);
  EXPECT_EQ(PixelAt(combo, {1, y}), FromBgr(kBgrSilver));
  EXPECT_EQ(PixelAt(combo, {2, y}), FromBgr(0xBFFFFF));
  MouseLeaves(combo);
  EXPECT_EQ(combo->Color(), 0xDFFFFFu);
  combo->setFocus();
  EXPECT_EQ(combo->Color(), kBgrYellow);
  EXPECT_EQ(PixelAt(combo, {1, y}), FromBgr(kBgrYellow));
}

TEST_F(ColorControlsTest, TheDropDownIsAsWideAsTheWidestItem) {
  EXPECT_EQ(combo->DroppedWidth(), 100);
  const QString wide = QStringLiteral("A very long account description that is wider than the box");
  combo->addItem(wide);
  const int wanted = QFontMetrics(combo->font()).horizontalAdvance(wide) + 8;
  ASSERT_GT(wanted, combo->width());
  combo->showPopup();
  EXPECT_EQ(combo->DroppedWidth(), wanted);
  EXPECT_GE(combo->view()->window()->width(), wanted);
  combo->hidePopup();

  // More items than the list shows at once: room for the scroll bar too.
  combo->setMaxVisibleItems(2);
  const int scrollBar = combo->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  EXPECT_EQ(combo->ListWidthForItems(), wanted + scrollBar);
}

TEST_F(ColorControlsTest, TheDateEditTakesTheEditColours) {
  EXPECT_TRUE(date->calendarPopup());
  EXPECT_EQ(date->Color(), 0xDFFFFFu);
  MouseEnters(date);
  EXPECT_EQ(date->Color(), 0xBFFFFFu);
  EXPECT_EQ(PixelAt(date, {0, date->height() / 2}), FromBgr(kBgrSilver));
  MouseLeaves(date);
  date->setFocus();
  EXPECT_EQ(date->Color(), kBgrYellow);
  EXPECT_EQ(PixelAt(date, {0, date->height() / 2}), FromBgr(kBgrYellow));
  EXPECT_EQ(date->palette().color(QPalette::Base), FromBgr(kBgrYellow));
  first->setFocus();
  EXPECT_EQ(date->Color(), 0xDFFFFFu);
}

TEST_F(ColorControlsTest, TheSpeedButtonCaptionTurnsBlueUnderTheMouse) {
  button->SetCaptionColor(0x000080);
  MouseEnters(button);
  EXPECT_EQ(button->CaptionColor(), kBgrBlue);
  MouseLeaves(button);
  EXPECT_EQ(button->CaptionColor(), 0x000080u);
}

TEST_F(ColorControlsTest, TheSpeedButtonMovesTheFocusToItsParentBeforeItsClickRuns) {
  first->setFocus();
  ASSERT_EQ(first->Color(), kBgrYellow);
  QWidget* focusAtClick = nullptr;
  uint32_t editColourAtClick = 0;
  QObject::connect(button, &QAbstractButton::clicked, [&] {
    focusAtClick = QApplication::focusWidget();
    editColourAtClick = first->Color();
  });
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(focusAtClick, panel);
  EXPECT_EQ(editColourAtClick, kBgrWhite);
  EXPECT_EQ(panel->Color(), 0x00FF00u);

  button->SetFocused(false);
  first->setFocus();
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(focusAtClick, first);
}

}  // namespace
}  // namespace volarin
