#pragma once
// A history record's fields to and from the structures of historyrecords.h. Texts are converted
// between the program's Windows-1252 and the tables' code page 437; stored forms are built
// before anything is written, so a value that does not fit refuses the whole submission.

#include <string>
#include <vector>

#include "dbf/table.h"
#include "history/historyrecords.h"

namespace volarin::history {

// The stored text of every field of one record, in field order.
using StoredRow = std::vector<std::string>;

StoredRow StoredSubmission(const dbf::Table& table, const Submission& submission);
StoredRow StoredSentCheck(const dbf::Table& table, const SentCheck& check);
// Assigns the row to the current record (one being appended).
void AssignRow(dbf::Table& table, const StoredRow& row);

Submission ReadSubmission(const dbf::Table& table);
SentCheck ReadSentCheck(const dbf::Table& table);
// Only the id fields, for the scans that look at nothing else.
int64_t ReadId(const dbf::Table& table, const char* field);

}  // namespace volarin::history
