#pragma once
// The three places where an index plugs into a Table.
//
// IndexMaintainer: the table calls it around every change of the file, with record images, so an
// index can compute old and new keys (Expression works on a RecordView) and keep its tags right.
// Order of calls for a write of record r:   BeforeWrite(old, new) -> file write -> AfterWrite.
// For an append:                             BeforeAppend(new) -> file write -> AfterAppend(new).
// For a zap of records first..last:          file change -> AfterZap(first, last).
// A Before... call may refuse with kUniqueRefused: the table then writes nothing and returns that
// result. kUniquePassedOver lets the write happen and is returned to the caller as the result.
// Deletion marks are ordinary changes of byte 0 and reach BeforeWrite/AfterWrite like any other.
//
// RecordOrder: the order navigation walks (Top, Bottom, Skip). The table uses record-number order
// until an order is set; a tag of an index is another order.
//
// IndexOpener: how Table::Open opens the production index that a table's header names, when the
// context's autoOpen setting asks for it. The index layer provides one, set in the context with
// Context::SetIndexOpener; a context without one opens every table without its index.

#include <cstdint>
#include <string_view>

#include "dbf/context.h"
#include "dbf/record.h"

namespace volarin::dbf {

class Table;

class IndexMaintainer {
 public:
  virtual ~IndexMaintainer() = default;
  // `before` is the record as last read from the file, `after` the image about to be written;
  // both carry the record number.
  virtual WriteResult BeforeWrite(const RecordView& before, const RecordView& after,
                                  UniqueMode mode) = 0;
  virtual void AfterWrite(const RecordView& before, const RecordView& after) = 0;
  // `record` carries the record number it is about to get.
  virtual WriteResult BeforeAppend(const RecordView& record, UniqueMode mode) = 0;
  virtual void AfterAppend(const RecordView& record) = 0;
  // Records first..last are gone; the records after them now have numbers lower by
  // last - first + 1. A zap of every record leaves an empty table.
  virtual void AfterZap(uint32_t first, uint32_t last) = 0;
  // The table is flushed or closed: write whatever is held in memory.
  virtual void Flush() = 0;
  // As Flush, and what was written is made durable. A maintainer without a file of its own
  // has nothing more to do than flush.
  virtual void Sync() { Flush(); }
};

// Record numbers start at 1; 0 means "none" (before the first or after the last record).
class RecordOrder {
 public:
  virtual ~RecordOrder() = default;
  virtual uint32_t First() = 0;
  virtual uint32_t Last() = 0;
  // The record after / before `current` in this order. `current` is the table's current record
  // image, so an order by key can find its place again even after the record changed.
  virtual uint32_t Next(const RecordView& current) = 0;
  virtual uint32_t Prior(const RecordView& current) = 0;
  // The key this order holds for record `recno` when its last move landed on that record's
  // entry and nothing changed since; empty otherwise (always, for an order without keys).
  // Valid until the order moves or changes.
  virtual std::string_view HeldKey(uint32_t /*recno*/) { return {}; }
};

class IndexOpener {
 public:
  virtual ~IndexOpener() = default;
  // Opens the table's production index and attaches it to the table, or does nothing when its
  // file is missing. A damaged index throws, as opening it by hand does.
  virtual void OpenProductionIndex(Table& table) const = 0;
};

}  // namespace volarin::dbf
