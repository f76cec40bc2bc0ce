#pragma once
// A single-line edit with idle, mouse-over and focused background colours, a thin border of
// its own, and Enter / Up / Down moving the focus between the form's inputs.

#include <QLineEdit>

#include "controls/colorstates.h"

namespace volarin {

class ColorEdit : public QLineEdit, public ColorStateProperties {
  Q_OBJECT

 public:
  explicit ColorEdit(QWidget* parent = nullptr);

  void SetColor(uint32_t color);

  bool AlwaysShowBorder() const { return alwaysShowBorder_; }
  void SetAlwaysShowBorder(bool on);
  Qt::Alignment TextAlignment() const { return textAlignment_; }
  void SetTextAlignment(Qt::Alignment alignment);
  // A null character shows the text itself; any other shows that character per character.
  QChar PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(QChar c);

  // What the edit draws: a blank, then the text or its password characters.
  QString DisplayText() const;
  // The caret position remembered when the focus left.
  int RememberedCaret() const { return rememberedCaret_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool alwaysShowBorder_ = false;
  Qt::Alignment textAlignment_ = Qt::AlignLeft;
  QChar passwordChar_;
  int rememberedCaret_ = 0;
};

}  // namespace volarin
