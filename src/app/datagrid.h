#pragma once
// The data grid of the main window over a CursorModel: titles drawn as buttons, an indicator
// column, fixed 18-pixel rows, the current row navy with white text, no border. The keys that
// change the table: Ctrl+Delete deletes the current record after a Yes/No question; in a grid
// that allows editing, typing edits a cell, Esc abandons the row's changes, Insert opens a new
// row in place and Down on the last row opens one after it. A new row left untouched is dropped
// when the grid loses the focus.

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>
#include <string>

#include "app/cursormodel.h"

namespace volarin {

// The indicator column: a triangle at the current row, an I-beam while it is edited, a star on
// a new row.
class IndicatorHeader : public QHeaderView {
  Q_OBJECT

 public:
  explicit IndicatorHeader(QWidget* parent);

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

// Paints each cell as the grid's cell-colour rule says: the row's own background and text
// colours, or navy with white text on the current row. Editing uses the standard editor.
class GridCellDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

class DataGrid : public QTableView {
  Q_OBJECT

 public:
  static constexpr int kRowHeight = 18;
  static constexpr int kIndicatorWidth = 11;

  // Asks the operator a Yes/No question with the confirmation icon; true for Yes.
  using Question = std::function<bool(const std::string& text)>;

  DataGrid(CursorModel& model, QWidget* parent);
  ~DataGrid() override;

  CursorModel& Model() const { return model_; }
  // True while a cell editor is open.
  bool Editing() const { return state() == QAbstractItemView::EditingState; }
  // Replaces the Yes/No box (tests answer it themselves).
  void SetQuestion(Question question) { question_ = std::move(question); }

  // What losing the focus does, also called by the window's closing: a value being typed goes to
  // its record, an untouched new row is dropped, a changed one goes to the cursor unsaved.
  void HandOverEdits();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

 private:
  void FollowModel(int row);
  void FocusChanged(QWidget* old, QWidget* now);
  bool Holds(const QWidget* widget) const;
  void DeleteWithQuestion();
  void CommitOpenEditor();

  CursorModel& model_;
  Question question_;
  bool following_ = false;
};

bool AskYesNo(const std::string& text);

}  // namespace volarin
