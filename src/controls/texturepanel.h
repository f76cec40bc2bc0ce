#pragma once
// A panel that tiles a bitmap texture over its face and takes ENTERCOLOR while the keyboard
// focus is inside it, EXITCOLOR when the focus has left.

#include <QPixmap>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

namespace volarin {

class TexturePanel : public QWidget {
  Q_OBJECT

 public:
  enum class Bevel { None, Lowered, Raised };
  enum class BorderStyle { None, Single };

  explicit TexturePanel(QWidget* parent = nullptr);
  // Stops following focus changes before the panel is taken apart: destroying child widgets
  // moves the focus, and the signal must not reach a half-destroyed panel.
  ~TexturePanel() override;

  // Face colour, 0x00BBGGRR.
  uint32_t Color() const { return color_; }
  void SetColor(uint32_t color);

  const QPixmap& Texture() const { return texture_; }
  void SetTexture(const QPixmap& texture);
  // A program resource (":/name") or, failing that, a file of that name is loaded into
  // Texture; an empty name clears it; a name that is neither changes nothing.
  const QString& glyph() const { return glyph_; }
  void Setglyph(const QString& name);

  uint32_t ENTERCOLOR() const { return enterColor_; }
  void SetENTERCOLOR(uint32_t color) { enterColor_ = color; }
  uint32_t EXITCOLOR() const { return exitColor_; }
  void SetEXITCOLOR(uint32_t color) { exitColor_ = color; }

  Bevel BevelInner() const { return bevelInner_; }
  void SetBevelInner(Bevel bevel);
  Bevel BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(Bevel bevel);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);
  BorderStyle Border() const { return border_; }
  void SetBorder(BorderStyle border);
  bool Ctl3D() const { return ctl3d_; }
  void SetCtl3D(bool on);

  // Width of the bevels the texture stays inside.
  int Inset() const;
  // What a border takes off the far edges: 4 with 3-D look, 2 flat, 0 without a border.
  int BorderAllowance() const;
  // The tiles that cover a panel of the given size, in client coordinates; each tile shows
  // the texture from its top-left corner and the last of a row or column is cut short.
  static std::vector<QRect> TileRects(QSize panel, int inset, int borderAllowance, QSize texture);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void FocusChanged(QWidget* old, QWidget* now);
  bool Holds(const QWidget* widget) const;

  uint32_t color_;
  uint32_t enterColor_;
  uint32_t exitColor_;
  QPixmap texture_;
  QString glyph_;
  Bevel bevelInner_ = Bevel::None;
  Bevel bevelOuter_ = Bevel::Raised;
  int bevelWidth_ = 1;
  BorderStyle border_ = BorderStyle::None;
  bool ctl3d_ = true;
};

}  // namespace volarin
