#pragma once
// Opening one of the history tables: for writing, exclusively, created when missing and with its
// production index checked (and rebuilt when a program ended in the middle of a write left it
// behind the records); for reading, shared, with the index when it opens and agrees.

#include <memory>
#include <string>
#include <vector>

#include "dbf/context.h"
#include "dbf/mdx/productionindex.h"
#include "dbf/table.h"

namespace volarin::history {

struct TableSchema {
  const char* fileName;
  std::vector<dbf::FieldSpec> fields;
  std::vector<dbf::TagSpec> tags;
};

const TableSchema& SubmissionSchema();
const TableSchema& SentCheckSchema();

// An exclusive open is tried this many times, this far apart, while another program has the
// table open; a writer holds it only for the moment of one submission.
inline constexpr int kOpenAttempts = 600;
inline constexpr int kOpenDelayMs = 50;

// The table in the data folder, opened exclusively. Creates it when missing: built under a
// name of its own and moved into place only when no other program put one there first.
std::unique_ptr<dbf::Table> OpenForWriting(dbf::Context& context, const std::string& dataDir,
                                           const TableSchema& schema);

// The table opened shared and read-only, or nullptr when it does not exist. `indexed` tells
// whether its production index is attached; a reader that finds it missing or damaged reads
// the records in order instead.
std::unique_ptr<dbf::Table> OpenForReading(dbf::Context& context, const std::string& dataDir,
                                           const TableSchema& schema, bool& indexed);

}  // namespace volarin::history
