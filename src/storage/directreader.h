#pragma once
// The direct table reader: short reads of a table by handle, outside the cursors, on an engine
// context of its own. It never raises for the expected cases: a missing file, tag or field, a
// handle of 0 and any engine failure give neutral results (handle 0, false, -1, empty text, 0),
// and the context's error code is cleared after each call so nothing carries over.
//
// The program uses one reader for the whole process (ProcessDirectReader and the Direct...
// functions); tests make their own.

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "common/date.h"
#include "dbf/table.h"
#include "storage/enginecontext.h"

namespace volarin {

class DirectReader {
 public:
  DirectReader() = default;
  ~DirectReader();
  DirectReader(const DirectReader&) = delete;
  DirectReader& operator=(const DirectReader&) = delete;

  // A table file (".DBF" is added when its file name has no extension); 0 on any failure,
  // a missing file included. Its production index is opened with it when present.
  int Open(const std::string& name);
  // A blank name selects record-number order.
  bool SelectTag(int handle, const std::string& tag);
  // The record number of the first non-deleted record with the key, or -1 (then at end).
  int64_t Seek(int handle, const std::string& key);
  void Top(int handle);
  void Skip(int handle, int n);
  bool Eof(int handle);
  // The stored text, unconverted and blank-padded; also sets the process-wide short date
  // format to "MM/DD/YYYY".
  std::string FieldText(int handle, const std::string& name);
  double FieldFloat(int handle, const std::string& name);
  // Closes and sets the handle to 0, whatever happens.
  void Close(int& handle);

  // While on (the default), walking passes over records that carry the deletion mark.
  bool SkipDeleted() const { return skipDeleted_; }
  void SetSkipDeleted(bool on) { skipDeleted_ = on; }

  bool Started() const { return started_; }
  // The context (nullptr before the first Open).
  const EngineContext* Context() const { return context_.get(); }
  size_t OpenHandles() const { return tables_.size(); }

 private:
  void Start();
  void ApplyOpenSettings();
  dbf::Table* Find(int handle);
  void ClearError();
  void SkipDeletedForward(dbf::Table& table);
  void SkipDeletedBackward(dbf::Table& table);

  std::unique_ptr<EngineContext> context_;
  bool started_ = false;
  bool skipDeleted_ = true;
  int nextHandle_ = 1;
  std::map<int, std::unique_ptr<dbf::Table>> tables_;
};

// The reader of the process: created on first use and kept until the process ends.
DirectReader& ProcessDirectReader();

int DirectOpen(const std::string& name);
bool DirectSelectTag(int handle, const std::string& tag);
int64_t DirectSeek(int handle, const std::string& key);
void DirectTop(int handle);
void DirectSkip(int handle, int n);
bool DirectEof(int handle);
std::string DirectFieldText(int handle, const std::string& name);
double DirectFieldFloat(int handle, const std::string& name);
void DirectClose(int& handle);

// "March 05, 2024": English month name, blank, two-digit day, comma, blank, four-digit year;
// empty for the zero date.
std::string LongDateText(Date date);

}  // namespace volarin
