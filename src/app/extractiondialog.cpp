#include "app/extractiondialog.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "app/artwork.h"
#include "common/confirmbox.h"
#include "common/text.h"
#include "controls/formsizer.h"
#include "qtcommon/bgrcolor.h"
#include "storage/tablecursor.h"

namespace volarin {

const QEvent::Type ExtractionDialog::kRunEvent =
    static_cast<QEvent::Type>(QEvent::registerEventType());

namespace {

constexpr uint32_t kMaroon = 0x000080;  // 0x00BBGGRR

QLabel* MakeLabel(QWidget* parent, const QColor& color, int top) {
  auto* label = new QLabel(QString::fromLatin1(kExtractingFromEscrow), parent);
  label->setAlignment(Qt::AlignCenter);
  QFont font("Arial", 12);
  font.setBold(true);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, color);
  label->setPalette(palette);
  label->setGeometry(8, top, ExtractionDialog::kClientWidth - 16, 28);
  return label;
}

}  // namespace

ExtractionDialog::ExtractionDialog(ExtractionCursors cursors, ExtractionRequest request,
                                   QWidget* parent)
    : QDialog(parent), cursors_(cursors), request_(std::move(request)) {
  setWindowTitle("Select Checks");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  resize(kClientWidth, kClientHeight);
  formSizer_ = new FormSizer(this);
  formSizer_->SetTexture(DialogTexture());
  sourceLabel_ = MakeLabel(formSizer_, FromBgr(0x000000), 48);
  checkLabel_ = MakeLabel(formSizer_, FromBgr(kMaroon), 100);
  formSizer_->Loaded();
}

void ExtractionDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // Centred on the desktop, then the run once the dialog is visible.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  QCoreApplication::postEvent(this, new QEvent(kRunEvent));
}

void ExtractionDialog::customEvent(QEvent* event) {
  if (event->type() != kRunEvent) return QDialog::customEvent(event);
  RunExtractionNow();
}

void ExtractionDialog::RunExtractionNow() {
  // Between frames the number label takes its new text without asking for a repaint; it is
  // repainted as usual again once the run has ended, however it ends.
  struct FrameThrottle {
    QLabel& label;
    explicit FrameThrottle(QLabel& shown) : label(shown) { label.setUpdatesEnabled(false); }
    ~FrameThrottle() { label.setUpdatesEnabled(true); }
  };
  {
    // Views of the register repaint once after the run, not at every check it appends.
    const ScopedDisplaySuspension suspended(cursors_.checkRegister);
    const FrameThrottle throttle(*checkLabel_);
    frameClock_.invalidate();
    try {
      RunExtraction(cursors_, request_, this);
    } catch (const std::exception& e) {
      ShowLastNumber();
      // The dialog stays open over what was posted until the operator closes it.
      if (errorHandler_) errorHandler_(e.what());
      return;
    }
    ShowLastNumber();
  }
  accept();
}

void ExtractionDialog::ShowLastNumber() {
  checkLabel_->setUpdatesEnabled(true);
  checkLabel_->repaint();
  checkLabel_->setUpdatesEnabled(false);
  frameClock_.start();
}

void ExtractionDialog::SourceChanged(const std::string& text) {
  // The number of the source that ended stays on screen with its last value.
  if (frameClock_.isValid()) ShowLastNumber();
  sourceLabel_->setText(QString::fromLatin1(text.c_str()));
  QCoreApplication::processEvents();
}

void ExtractionDialog::AccountMissing() {
  ConfirmBox(kAccountMissingMessage);  // a notice: both answers lead on alike
}

void ExtractionDialog::CheckVisited(int64_t checkNumber) {
  checkLabel_->setText(QString::fromStdString(Int64ToText(checkNumber)));
  // The operator sees no more than a frame: the label is repainted at most once a frame,
  // while pending events still run at every record.
  const bool frame = !frameClock_.isValid() || frameClock_.elapsed() >= kFrameMilliseconds;
  if (frame) {
    checkLabel_->setUpdatesEnabled(true);  // asks for a repaint of the current text
    frameClock_.start();
  }
  QCoreApplication::processEvents();
  if (frame) checkLabel_->setUpdatesEnabled(false);
}

}  // namespace volarin
