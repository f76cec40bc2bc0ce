#include "app/datagrid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "app/errorbox.h"
#include "qtcommon/bgrcolor.h"
#include "qtcommon/qttext.h"

namespace volarin {

namespace {}  // namespace

bool AskYesNo(const std::string& text) {
  return QMessageBox::question(QApplication::activeWindow(), QStringLiteral("Confirm"),
                               ToQString(text), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

// --- indicator column

IndicatorHeader::IndicatorHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {
  setSectionsClickable(false);
  setHighlightSections(false);
  setMinimumSectionSize(1);
  setDefaultSectionSize(DataGrid::kRowHeight);
  setSectionResizeMode(QHeaderView::Fixed);
  setFixedWidth(DataGrid::kIndicatorWidth);
}

void IndicatorHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  painter->save();
  painter->fillRect(rect, palette().color(QPalette::Button));
  painter->setPen(palette().color(QPalette::Dark));
  painter->drawLine(rect.bottomLeft(), rect.bottomRight());
  painter->drawLine(rect.topRight(), rect.bottomRight());
  painter->setPen(palette().color(QPalette::Light));
  painter->drawLine(rect.topLeft(), rect.topRight() - QPoint(1, 0));
  painter->drawLine(rect.topLeft(), rect.bottomLeft() - QPoint(0, 1));
  const auto* grid = qobject_cast<const DataGrid*>(parentWidget());
  const RowIndicator indicator =
      grid ? grid->Model().IndicatorOf(logicalIndex) : RowIndicator::None;
  const QPoint centre = rect.center();
  painter->setPen(Qt::black);
  painter->setBrush(Qt::black);
  switch (indicator) {
    case RowIndicator::Current: {
      QPainterPath triangle;
      triangle.moveTo(centre.x() - 2, centre.y() - 4);
      triangle.lineTo(centre.x() + 2, centre.y());
      triangle.lineTo(centre.x() - 2, centre.y() + 4);
      triangle.closeSubpath();
      painter->fillPath(triangle, Qt::black);
      break;
    }
    case RowIndicator::Editing:
      painter->drawLine(centre.x(), centre.y() - 4, centre.x(), centre.y() + 4);
      painter->drawLine(centre.x() - 2, centre.y() - 4, centre.x() + 2, centre.y() - 4);
      painter->drawLine(centre.x() - 2, centre.y() + 4, centre.x() + 2, centre.y() + 4);
      break;
    case RowIndicator::Inserting:
      painter->drawLine(centre.x() - 3, centre.y(), centre.x() + 3, centre.y());
      painter->drawLine(centre.x(), centre.y() - 3, centre.x(), centre.y() + 3);
      painter->drawLine(centre.x() - 2, centre.y() - 2, centre.x() + 2, centre.y() + 2);
      painter->drawLine(centre.x() - 2, centre.y() + 2, centre.x() + 2, centre.y() - 2);
      break;
    case RowIndicator::None:
      break;
  }
  painter->restore();
}

// --- cells

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  const bool current = option.state & QStyle::State_Selected;
  QColor background = option.palette.color(QPalette::Base);
  QColor text = option.palette.color(QPalette::Text);
  if (current) {
    background = option.palette.color(QPalette::Highlight);
    text = option.palette.color(QPalette::HighlightedText);
  } else {
    const QVariant brush = index.data(Qt::BackgroundRole);
    if (brush.canConvert<QBrush>()) background = brush.value<QBrush>().color();
    const QVariant pen = index.data(Qt::ForegroundRole);
    if (pen.canConvert<QBrush>()) text = pen.value<QBrush>().color();
  }
  painter->save();
  painter->fillRect(option.rect, background);
  painter->setPen(text);
  painter->setFont(option.font);
  const QRect area = option.rect.adjusted(2, 0, -2, 0);
  const auto alignment = index.data(Qt::TextAlignmentRole).value<Qt::Alignment>();
  const QString shown = option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(),
                                                      Qt::ElideNone, area.width());
  painter->drawText(area, static_cast<int>(alignment | Qt::AlignVCenter), shown);
  painter->restore();
}

// --- grid

DataGrid::DataGrid(CursorModel& model, QWidget* parent)
    : QTableView(parent), model_(model), question_(AskYesNo) {
  setVerticalHeader(new IndicatorHeader(this));
  setModel(&model_);
  setItemDelegate(new GridCellDelegate(this));
  setFrameShape(QFrame::NoFrame);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setShowGrid(true);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setTabKeyNavigation(false);
  setEditTriggers(model_.Editable()
                      ? QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                            QAbstractItemView::EditKeyPressed
                      : QAbstractItemView::NoEditTriggers);

  QPalette colours = palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    colours.setColor(group, QPalette::Base, Qt::white);
    colours.setColor(group, QPalette::Highlight, FromBgr(kBgrNavy));
    colours.setColor(group, QPalette::HighlightedText, Qt::white);
  }
  setPalette(colours);
  // Below the last row and right of the last column the grid shows its own white face.
  for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
    QPalette face = header->palette();
    face.setColor(QPalette::Window, Qt::white);
    header->setPalette(face);
    header->viewport()->setBackgroundRole(QPalette::Window);
    header->viewport()->setAutoFillBackground(true);
  }

  QHeaderView* titles = horizontalHeader();
  titles->setSectionsClickable(true);  // a title only shows itself pressed
  titles->setHighlightSections(false);
  titles->setSortIndicatorShown(false);
  titles->setStretchLastSection(false);
  titles->setSectionResizeMode(QHeaderView::Interactive);
  titles->setMinimumSectionSize(1);
  titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  titles->setFixedHeight(kRowHeight + 1);
  const std::vector<GridColumn>& columns = model_.Columns();
  for (size_t i = 0; i < columns.size(); ++i) {
    titles->resizeSection(static_cast<int>(i), columns[i].width);
  }

  connect(&model_, &CursorModel::currentRowChanged, this, &DataGrid::FollowModel);
  connect(qApp, &QApplication::focusChanged, this, &DataGrid::FocusChanged);
  FollowModel(model_.CurrentRow());
}

DataGrid::~DataGrid() {
  // Losing the focus while being destroyed must not reach FocusChanged of a half-gone grid.
  disconnect(qApp, nullptr, this, nullptr);
}

void DataGrid::FollowModel(int row) {
  following_ = true;
  if (row < 0) {
    selectionModel()->clearCurrentIndex();
    selectionModel()->clearSelection();
  } else {
    const int column = std::max(0, currentIndex().column());
    const QModelIndex target = model_.index(row, column);
    selectionModel()->setCurrentIndex(
        target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(target);
  }
  following_ = false;
  verticalHeader()->viewport()->update();
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (following_ || model_.Busy() || !current.isValid() || current.row() == model_.CurrentRow()) {
    return;
  }
  if (!RunCommand([&] { model_.MoveToRow(current.row()); })) FollowModel(model_.CurrentRow());
}

void DataGrid::DeleteWithQuestion() {
  if (model_.CurrentRow() < 0) return;
  if (!question_("Delete record?")) return;
  RunCommand([&] { model_.DeleteCurrentRow(); });
}

void DataGrid::keyPressEvent(QKeyEvent* event) {
  const bool control = event->modifiers() & Qt::ControlModifier;
  if (event->key() == Qt::Key_Delete && control) {
    DeleteWithQuestion();
    return;
  }
  if (model_.Editable()) {
    switch (event->key()) {
      case Qt::Key_Insert:
        RunCommand([&] { model_.InsertNewRow(CursorModel::NewRowPlace::AtCurrent); });
        return;
      case Qt::Key_Down:
        if (event->modifiers() == Qt::NoModifier && model_.rowCount() > 0 &&
            currentIndex().row() == model_.rowCount() - 1) {
          if (model_.HasNewRow() && !model_.NewRowTouched()) return;
          RunCommand([&] { model_.InsertNewRow(CursorModel::NewRowPlace::AtEnd); });
          return;
        }
        break;
      case Qt::Key_Escape:
        if (state() != QAbstractItemView::EditingState) {
          RunCommand([&] { model_.CancelRowChanges(); });
          return;
        }
        break;
      default:
        break;
    }
  }
  QTableView::keyPressEvent(event);
}

void DataGrid::mousePressEvent(QMouseEvent* event) {
  // A click below the last row or right of the last column takes the focus but keeps the
  // current row: a grid over a cursor always has one while the cursor has records.
  if (!indexAt(event->position().toPoint()).isValid()) {
    setFocus(Qt::MouseFocusReason);
    return;
  }
  QTableView::mousePressEvent(event);
}

bool DataGrid::Holds(const QWidget* widget) const {
  return widget && (widget == this || isAncestorOf(widget));
}

void DataGrid::CommitOpenEditor() {
  if (state() != QAbstractItemView::EditingState) return;
  // The cell editor is the one visible widget placed directly on the viewport.
  for (QWidget* editor :
       viewport()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (!editor->isVisible()) continue;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return;
  }
}

void DataGrid::HandOverEdits() {
  CommitOpenEditor();
  RunCommand([&] { model_.HandNewRowToCursor(); });
}

void DataGrid::FocusChanged(QWidget* old, QWidget* now) {
  if (!Holds(old) || Holds(now)) return;
  // The focus left the grid: a value still being typed goes to its record, and a new row the
  // operator never typed into is dropped.
  CommitOpenEditor();
  model_.DropUntouchedNewRow();
}

}  // namespace volarin
