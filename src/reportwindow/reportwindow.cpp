#include "reportwindow/reportwindow.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QToolButton>

#include "common/programtitle.h"
#include "controls/docklayout.h"
#include "controls/formsizer.h"
#include "controls/hoverspeedbutton.h"
#include "controls/texturepanel.h"
#include "qtcommon/bgrcolor.h"
#include "qtcommon/qttext.h"
#include "reportwindow/documentprinter.h"
#include "reportwindow/movesizewatcher.h"
#include "reportwindow/reportpreview.h"
#include "reportwindow/toolbarpictures.h"

namespace volarin {

namespace {

constexpr uint32_t kToolbarColor = 16118513;
constexpr uint32_t kBarColor = 4210816;
constexpr uint32_t kBgrRed = 0x0000FF;
constexpr int kToolbarHeight = 28;
constexpr int kBarWidth = 5;
constexpr int kLargestFont = 12;

QFont ArialFont(int points) {
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(points);
  return font;
}

void SetTextColor(QWidget& widget, uint32_t bgr) {
  QPalette colours = widget.palette();
  colours.setColor(QPalette::ButtonText, FromBgr(bgr));
  colours.setColor(QPalette::WindowText, FromBgr(bgr));
  widget.setPalette(colours);
}

// Print and Close: captioned, with a picture, Arial 10 pt blue, blue under the mouse.
HoverSpeedButton* CaptionButton(QWidget* toolbar, const QString& caption, ToolbarPicture picture,
                                int width) {
  auto* button = new HoverSpeedButton(toolbar);
  button->setText(caption);
  button->setIcon(ToolbarIcon(picture));
  button->setFont(ArialFont(10));
  button->SetCaptionColor(kBgrBlue);
  button->SetENTERCOLOR(kBgrBlue);
  button->resize(width, 24);
  return button;
}

// The page buttons: flat, captioned, bold red.
QToolButton* PageButton(QWidget* toolbar, const QString& caption, int x) {
  auto* button = new QToolButton(toolbar);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setText(caption);
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSize(8);
  font.setBold(true);
  button->setFont(font);
  SetTextColor(*button, kBgrRed);
  button->setGeometry(x, 1, 25, 25);
  return button;
}

// The fit and zoom buttons: flat, a picture only. The hint is kept as the accessible name:
// hints are not switched on for this window, so no tooltip shows it.
QToolButton* PictureButton(QWidget* toolbar, ToolbarPicture picture, const QString& hint, int x) {
  auto* button = new QToolButton(toolbar);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setIcon(ToolbarIcon(picture));
  button->setAccessibleName(hint);
  button->setGeometry(x, 1, 33, 25);
  return button;
}

void ShowErrorBox(QWidget* parent, const std::string& message) {
  QMessageBox::critical(parent, QString::fromLatin1(kProgramTitle),
                        ToQString(ErrorBoxText(message)));
}

// Holds the preview still while a print job runs: no repaint and no page notification.
class FrozenView {
 public:
  FrozenView(ReportPreview& preview, PageDocument& document)
      : preview_(preview), blocker_(&document) {
    preview_.setUpdatesEnabled(false);
  }
  ~FrozenView() {
    preview_.setUpdatesEnabled(true);
    preview_.viewport()->update();
  }
  FrozenView(const FrozenView&) = delete;
  FrozenView& operator=(const FrozenView&) = delete;

 private:
  ReportPreview& preview_;
  QSignalBlocker blocker_;
};

}  // namespace

const QEvent::Type ReportWindow::kDrawReportEvent =
    static_cast<QEvent::Type>(QEvent::registerEventType(QEvent::User + 2025));

ReportWindow::ReportWindow(DrawFunction draw, QWidget* parent)
    : QDialog(parent), draw_(std::move(draw)) {
  reportError_ = [this](const std::string& message) { ShowErrorBox(this, message); };
  setWindowTitle(QStringLiteral("Print Preview"));
  setFont(ArialFont(8));
  setSizeGripEnabled(false);
  // The layout sets white behind left-aligned text; the pen is black already.
  surface_.SetPen_color(kBgrBlack);
  surface_.SetBrush_color(kBgrWhite);
  surface_.Document().Graphics().SetCompareGraphics(true);
  BuildLayout();
  resize(kClientWidth, kClientHeight);
  if (const QScreen* screen = this->screen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  moveSizeWatcher_ = new MoveSizeWatcher(this);
  connect(moveSizeWatcher_, &MoveSizeWatcher::moveSizeEnded, this, &ReportWindow::MoveSizeEnded);
}

ReportWindow::~ReportWindow() {
  // The preview shows the surface's pages; it must let go of them before they go.
  if (preview_) preview_->SetDocument(nullptr);
}

void ReportWindow::BuildLayout() {
  formSizer_ = new FormSizer(this);
  formSizer_->SetA_MaxFontSize(kLargestFont);

  auto* body = new TexturePanel(formSizer_);
  body->SetENTERCOLOR(ToBgr(palette().color(QPalette::Button)));
  body->SetEXITCOLOR(ToBgr(palette().color(QPalette::Button)));
  (new DockLayout(formSizer_))->AddWidget(body, Dock::Fill);
  auto* bodyLayout = new DockLayout(body);
  // The panel's raised edge takes a pixel on every side.
  body->setContentsMargins(body->Inset(), body->Inset(), body->Inset(), body->Inset());

  auto* toolbar = new TexturePanel(body);
  toolbar->SetColor(kToolbarColor);
  toolbar->SetBevelOuter(TexturePanel::Bevel::None);
  toolbar->SetBevelInner(TexturePanel::Bevel::Lowered);
  toolbar->resize(kClientWidth, kToolbarHeight);
  bodyLayout->AddWidget(toolbar, Dock::Top);

  auto* bar = new TexturePanel(body);
  bar->SetColor(kBarColor);
  bar->SetBevelOuter(TexturePanel::Bevel::None);
  bar->resize(kBarWidth, 10);
  bodyLayout->AddWidget(bar, Dock::Left);

  preview_ = new ReportPreview(body);
  preview_->SetDocument(&surface_.Document());
  bodyLayout->AddWidget(preview_, Dock::Fill);

  auto* toolbarLayout = new DockLayout(toolbar);
  toolbar->setContentsMargins(toolbar->Inset(), toolbar->Inset(), toolbar->Inset(),
                              toolbar->Inset());
  auto* print = CaptionButton(toolbar, QStringLiteral("Print"), ToolbarPicture::Print, 77);
  toolbarLayout->AddWidget(print, Dock::Left);
  auto* close = CaptionButton(toolbar, QStringLiteral("Close"), ToolbarPicture::Close, 71);
  toolbarLayout->AddWidget(close, Dock::Right);

  auto* first = PageButton(toolbar, QStringLiteral("|<"), 167);
  auto* previous = PageButton(toolbar, QStringLiteral("<"), 192);
  pageLabel_ = new QLabel(QStringLiteral("Page 1 of 1"), toolbar);
  pageLabel_->setAlignment(Qt::AlignCenter);
  pageLabel_->setGeometry(220, 1, 85, 25);
  auto* next = PageButton(toolbar, QStringLiteral(">"), 308);
  auto* last = PageButton(toolbar, QStringLiteral(">|"), 333);
  auto* fitWidth =
      PictureButton(toolbar, ToolbarPicture::FitWidth, QStringLiteral("Fit Width"), 374);
  auto* fitHeight =
      PictureButton(toolbar, ToolbarPicture::FitHeight, QStringLiteral("Fit Height"), 408);
  auto* zoomIn = PictureButton(toolbar, ToolbarPicture::ZoomIn, QStringLiteral("Zoom In"), 444);
  auto* zoomOut = PictureButton(toolbar, ToolbarPicture::ZoomOut, QStringLiteral("Zoom Out"), 480);

  const std::pair<Button, std::pair<QAbstractButton*, void (ReportWindow::*)()>> actions[] = {
      {Button::Print, {print, &ReportWindow::Print}},
      {Button::FirstPage, {first, &ReportWindow::FirstPage}},
      {Button::PreviousPage, {previous, &ReportWindow::PreviousPage}},
      {Button::NextPage, {next, &ReportWindow::NextPage}},
      {Button::LastPage, {last, &ReportWindow::LastPage}},
      {Button::FitWidth, {fitWidth, &ReportWindow::FitWidthClicked}},
      {Button::FitHeight, {fitHeight, &ReportWindow::FitHeightClicked}},
      {Button::ZoomIn, {zoomIn, &ReportWindow::ZoomInClicked}},
      {Button::ZoomOut, {zoomOut, &ReportWindow::ZoomOutClicked}},
      {Button::Close, {close, &QDialog::reject}},
  };
  for (const auto& [which, action] : actions) {
    connect(action.first, &QAbstractButton::clicked, this, action.second);
    buttons_.emplace_back(which, action.first);
  }
}

QAbstractButton& ReportWindow::ButtonOf(Button button) {
  for (const auto& [which, widget] : buttons_) {
    if (which == button) return *widget;
  }
  throw std::logic_error("no such toolbar button");
}

void ReportWindow::ProcessPendingEvents() {
  QCoreApplication::processEvents();
}

void ReportWindow::SetPageLabel(const std::string& text) {
  pageLabel_->setText(ToQString(text));
}

QString ReportWindow::PageLabel() const {
  return pageLabel_->text();
}

void ReportWindow::UpdatePageLabel() {
  SetPageLabel(PageLabelText(surface_.CurrentPageNumber(), surface_.PageCount()));
}

void ReportWindow::GoToPageAndLabel(int pageNumber) {
  surface_.GoToPage(pageNumber);
  UpdatePageLabel();
}

void ReportWindow::FirstPage() {
  GoToPageAndLabel(1);
}

void ReportWindow::PreviousPage() {
  GoToPageAndLabel(surface_.CurrentPageNumber() - 1);
}

void ReportWindow::NextPage() {
  GoToPageAndLabel(surface_.CurrentPageNumber() + 1);
}

void ReportWindow::LastPage() {
  GoToPageAndLabel(surface_.PageCount());
}

void ReportWindow::FitWidthClicked() {
  preview_->FitWidth();
  fitToWidth_ = true;
}

void ReportWindow::FitHeightClicked() {
  preview_->FitHeight();
  fitToWidth_ = false;
}

void ReportWindow::ZoomInClicked() {
  preview_->ZoomIn();
}

void ReportWindow::ZoomOutClicked() {
  preview_->ZoomOut();
}

void ReportWindow::MoveSizeEnded() {
  // The whole page, not its height: a narrow, tall window then still shows all of it.
  if (fitToWidth_) {
    preview_->FitWidth();
  } else {
    preview_->FitPage();
  }
}

bool ReportWindow::AskForPrinter(QPrinter& printer) {
  if (printDialog_) return printDialog_(printer);
  QPrintDialog dialog(&printer, this);
  return dialog.exec() == QDialog::Accepted;
}

void ReportWindow::Print() {
  // With the print service down the dialog would offer only a file, without saying why.
  if (!printDialog_ && QPrinterInfo::availablePrinterNames().isEmpty()) {
    reportError_(kNoPrinterMessage);
  }
  QPrinter printer(QPrinter::HighResolution);
  if (!AskForPrinter(printer)) return;
  bool printed = false;
  {
    const FrozenView frozen(*preview_, surface_.Document());
    printed = PrintDocument(surface_.Document(), printer);
  }
  // A job that could not even start (a file that cannot be written, a printer gone) is told,
  // not passed over as if the report had been printed.
  if (!printed) {
    const QString target =
        printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
    reportError_("The report could not be printed" +
                 (target.isEmpty() ? std::string() : " on " + target.toStdString()));
  }
}

void ReportWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!shown_) {
    // The report is drawn once the window is on screen, not while it is being shown.
    QCoreApplication::postEvent(this, new QEvent(kDrawReportEvent));
    shown_ = true;
    formSizer_->Loaded();
  }
}

void ReportWindow::customEvent(QEvent* event) {
  if (event->type() == kDrawReportEvent) {
    DrawReportOnce();
    return;
  }
  QDialog::customEvent(event);
}

void ReportWindow::DrawReportOnce() {
  if (drawn_) return;
  // No exception may cross the event loop: a failed drawing leaves the pages drawn so far.
  try {
    if (draw_) draw_(*this);
  } catch (const std::exception& error) {
    reportError_(error.what());
    // The label tells the page on screen, also when the drawing stopped after a few pages.
    UpdatePageLabel();
  } catch (...) {
    reportError_("The report could not be drawn");
    UpdatePageLabel();
  }
  drawn_ = true;
  moveSizeWatcher_->Arm();
  emit reportDrawn();
}

}  // namespace volarin
