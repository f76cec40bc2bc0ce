#pragma once
// A table's production index: opening or creating it beside the table, choosing the order of a
// tag, seeking keys. The index plugs into the table through the table's index hooks, so every
// append, change and zap keeps its tags right.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/mdx/productionindex.h"
#include "dbf/table.h"

namespace volarin::dbf {

// What a seek found: the record with the key, or where it stopped without one.
enum class SeekOutcome {
  kFound = 0,     // the first record with the key is current
  kAfterKey = 1,  // no record has the key; the first record after it is current
  kEndOfFile = 2  // no record has the key and none follows; the table is at end
};

struct TagInfo {
  std::string name;
  std::string keyExpression;
  std::string forExpression;
  char keyType = 'C';
  int keyLength = 0;
  bool unique = false;
  bool descending = false;
};

// "<folder>/<base>.MDX" for "<folder>/<base>.DBF"; an existing file whose name differs only in
// the case of the extension is preferred.
std::string ProductionIndexPath(const std::string& tablePath);

// The opener of .MDX production indexes for Table::Open: set it in a context with
// `context.SetIndexOpener(&ProductionIndexOpener())`, and the context's autoOpen setting opens
// the index a table's header names together with the table.
const IndexOpener& ProductionIndexOpener();

// Opens an index file for the table and attaches it (replacing one attached before).
// Throws IndexError when the file is damaged or its tags do not fit the table.
ProductionIndex& OpenIndex(Table& table, const std::string& path);
// Creates the table's production index with these tags, filled from the table's records.
ProductionIndex& CreateProductionIndex(Table& table, const std::vector<TagSpec>& tags,
                                       uint16_t blockPages = 2);
// The attached index, or nullptr.
ProductionIndex* IndexOf(const Table& table);

std::vector<TagInfo> Tags(const Table& table);
// Selects the tag by name, without regard to case; an empty name selects record-number order.
// The table stays on its record. False when there is no such tag.
bool SelectTag(Table& table, std::string_view name);
// The selected tag's name, empty in record-number order.
std::string SelectedTag(const Table& table);

// The selected tag's key of the current record as the tag holds it (keycodec.h), when the
// table stands on that record's entry (reached through the tag, nothing changed since); empty
// otherwise. Valid until the table moves or changes.
std::string_view HeldKey(const Table& table);

// Seeks the key text on the selected tag: characters (a shorter text matches the keys that
// start with it), a date as CCYYMMDD, a number as text. Throws Error when no tag is selected.
SeekOutcome Seek(Table& table, std::string_view keyText);
// Moves to the next record in tag order when it has the same key; false (table unmoved) when
// there is none.
bool SeekNext(Table& table, std::string_view keyText);

// Every record in record-number order, read without moving the table.
RecordSource RecordsOf(Table& table);
// The first disagreement between the index and the table as text; empty when they agree.
std::string CheckIndex(Table& table);

}  // namespace volarin::dbf
