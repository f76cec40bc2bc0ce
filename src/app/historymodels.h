#pragma once
// Read-only table models over what the history holds: the submissions (newest first) and the
// checks of one submission, for the History page's two grids.

#include <QAbstractTableModel>
#include <vector>

#include "history/historyrecords.h"

namespace volarin {

class SubmissionModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;
  void SetRows(std::vector<history::Submission> rows);
  const history::Submission& Row(int row) const { return rows_.at(static_cast<size_t>(row)); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<history::Submission> rows_;
};

class SentCheckModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;
  void SetRows(std::vector<history::SentCheck> rows);
  const std::vector<history::SentCheck>& Rows() const { return rows_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<history::SentCheck> rows_;
};

}  // namespace volarin
