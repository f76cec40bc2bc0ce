#pragma once
// What a view over a cursor (a grid model) is told. Between SuspendDisplay and the matching
// ResumeDisplay nothing but DisplaySuspended is sent; the resume sends DisplayResumed and one
// RecordsChanged, since anything may have changed meanwhile.

namespace volarin {

class TableCursor;

class CursorObserver {
 public:
  virtual ~CursorObserver() = default;
  // The visible records or their order changed (open, close, tag, scope, filter, save, append,
  // delete, zap): rows read before may be stale.
  virtual void RecordsChanged(TableCursor& cursor) = 0;
  // The current record moved to another record (or to the end).
  virtual void CurrentMoved(TableCursor& cursor) = 0;
  virtual void DisplaySuspended(TableCursor& cursor) = 0;
  virtual void DisplayResumed(TableCursor& cursor) = 0;
};

}  // namespace volarin
