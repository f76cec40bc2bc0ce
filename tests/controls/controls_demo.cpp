// A window with every in-house control, to look at under a real display:
//   controls_demo [--shot file.png]
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>

#include "controls/colordateedit.h"
#include "controls/coloredit.h"
#include "controls/docklayout.h"
#include "controls/flatcombobox.h"
#include "controls/formsizer.h"
#include "controls/hoverspeedbutton.h"

using namespace volarin;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget form;
  form.setWindowTitle(QStringLiteral("Controls"));
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(8);
  form.setFont(font);

  auto* sizer = new FormSizer(&form);
  sizer->SetA_HideOnResize(0);
  auto* layout = new DockLayout(sizer);
  auto* toolbar = new TexturePanel(sizer);
  toolbar->resize(632, 28);
  toolbar->SetColor(16118513);
  toolbar->SetBevelOuter(TexturePanel::Bevel::None);
  toolbar->SetBevelInner(TexturePanel::Bevel::Lowered);
  layout->AddWidget(toolbar, Dock::Top);
  auto* bar = new TexturePanel(sizer);
  bar->resize(5, 10);
  bar->SetColor(4210816);
  layout->AddWidget(bar, Dock::Left);
  auto* body = new TexturePanel(sizer);
  body->SetENTERCOLOR(0xE0F0E0);
  layout->AddWidget(body, Dock::Fill);
  QPixmap texture(16, 16);
  texture.fill(QColor(236, 236, 244));
  body->SetTexture(texture);

  auto* toolbarLayout = new DockLayout(toolbar);
  auto* print = new HoverSpeedButton(toolbar);
  print->setText(QStringLiteral("Print"));
  print->resize(77, 24);
  toolbarLayout->AddWidget(print, Dock::Left);
  auto* close = new HoverSpeedButton(toolbar);
  close->setText(QStringLiteral("Close"));
  close->resize(71, 24);
  toolbarLayout->AddWidget(close, Dock::Right);
  QObject::connect(close, &QAbstractButton::clicked, &form, &QWidget::close);

  auto* caption = new QLabel(QStringLiteral("Starting check no."), body);
  caption->setGeometry(10, 12, 110, 20);
  auto* start = new ColorEdit(body);
  start->setGeometry(125, 10, 120, 22);
  start->setText(QStringLiteral("A&B 10045"));
  auto* password = new ColorEdit(body);
  password->setGeometry(255, 10, 120, 22);
  password->SetPasswordChar(QLatin1Char('*'));
  password->setText(QStringLiteral("secret"));
  password->SetAlwaysShowBorder(true);
  auto* accounts = new FlatComboBox(body);
  accounts->setGeometry(125, 40, 160, 22);
  accounts->addItems({QStringLiteral("000123456789 First National Escrow"),
                      QStringLiteral("000987654321 Closing")});
  auto* date = new ColorDateEdit(body);
  date->setGeometry(295, 40, 110, 22);
  date->setDate(QDate(2024, 3, 7));
  auto* grid = new QTableWidget(3, 3, body);
  grid->setGeometry(10, 75, 480, 120);
  grid->setHorizontalHeaderLabels(
      {QStringLiteral("Date"), QStringLiteral("Check No."), QStringLiteral("Payee")});

  form.resize(632, 437);
  form.show();
  sizer->Loaded();
  start->setFocus();

  const QStringList args = app.arguments();
  const int shot = static_cast<int>(args.indexOf(QStringLiteral("--shot")));
  if (shot > 0 && shot + 1 < args.size()) {
    QTimer::singleShot(500, [&] {
      form.grab().save(args[shot + 1]);
      app.quit();
    });
  }
  return app.exec();
}
