#include "storage/directreader.h"

#include "common/paths.h"
#include "common/text.h"
#include "dbf/expression.h"
#include "dbf/mdx/tableindex.h"
#include "storage/filecase.h"

namespace volarin {

DirectReader::~DirectReader() {
  for (auto& [handle, table] : tables_) {
    try {
      table->Close();
    } catch (...) {
      // The process is ending; nothing is left to report to.
    }
  }
}

void DirectReader::Start() {
  if (started_) return;
  try {
    context_ = std::make_unique<EngineContext>();
    EngineContext& c = *context_;
    c.Set(ContextSetting::kLockEnforce, 1);
    c.Set(ContextSetting::kSingleOpen, 0);
    c.Set(ContextSetting::kReadLock, 0);
    c.Set(ContextSetting::kAutoUnlock, 2);
    c.Set(ContextSetting::kAutoOpen, 1);
    c.Set(ContextSetting::kErrGo, 0);
    c.Set(ContextSetting::kErrOpen, 0);
    c.Set(ContextSetting::kErrSkip, 0);
    c.Set(ContextSetting::kErrTagName, 1);
    c.Set(ContextSetting::kErrFieldName, 0);
    c.Set(ContextSetting::kErrOff, 0);
    c.Set(ContextSetting::kLockAttempts, 5);
    c.Set(ContextSetting::kAccessMode, 0);
    c.Set(ContextSetting::kSafety, 0);
    skipDeleted_ = true;
    c.Set(ContextSetting::kOptimize, -1);
    c.Set(ContextSetting::kOptimizeWrite, -1);
    started_ = true;
  } catch (...) {
    context_.reset();
    started_ = false;
  }
}

void DirectReader::ApplyOpenSettings() {
  EngineContext& c = *context_;
  c.Set(ContextSetting::kAutoOpen, 0);
  c.Set(ContextSetting::kSafety, 0);
  c.Set(ContextSetting::kReadOnly, 0);
  c.Set(ContextSetting::kSingleOpen, 0);
  c.Set(ContextSetting::kAccessMode, 0);
}

void DirectReader::ClearError() {
  if (context_) context_->Engine().ClearError();
}

dbf::Table* DirectReader::Find(int handle) {
  const auto it = tables_.find(handle);
  return it == tables_.end() ? nullptr : it->second.get();
}

namespace {
// Where the file name part starts; the ".DBF" rule looks at the name only, so a folder with a
// dot in its name does not hide a missing extension.
size_t NameStart(const std::string& path) {
  const size_t slash = path.find_last_of(kPathSeparators);
  return slash == std::string::npos ? 0 : slash + 1;
}
}  // namespace

int DirectReader::Open(const std::string& name) {
  Start();
  if (!started_) return 0;
  ClearError();
  try {
    ApplyOpenSettings();
    std::string path = name;
    const size_t nameStart = NameStart(path);
    if (path.find('.', nameStart) == std::string::npos) path += ".DBF";
    const std::string actual = FindFileIgnoringCase(path);
    if (actual.empty()) return 0;
    auto table = dbf::Table::Open(context_->Engine(), actual, {false, false});
    const size_t dot = actual.find_last_of('.');
    const std::string base =
        dot == std::string::npos || dot < NameStart(actual) ? actual : actual.substr(0, dot);
    const std::string index = FindFileIgnoringCase(base + ".MDX");
    if (!index.empty() && !dbf::IndexOf(*table)) dbf::OpenIndex(*table, index);
    const int handle = nextHandle_++;
    tables_.emplace(handle, std::move(table));
    Top(handle);
    ClearError();
    return handle;
  } catch (...) {
    ClearError();
    return 0;
  }
}

bool DirectReader::SelectTag(int handle, const std::string& tag) {
  dbf::Table* t = Find(handle);
  if (!t) return false;
  context_->Set(ContextSetting::kErrTagName, 0);
  bool selected = false;
  try {
    if (TrimText(tag).empty()) {
      selected = dbf::SelectTag(*t, "");
    } else {
      selected = dbf::SelectTag(*t, TrimText(tag));
      if (!selected && !dbf::IndexOf(*t)) {
        const std::string& path = t->Path();
        const size_t dot = path.find_last_of('.');
        const std::string index = FindFileIgnoringCase(
            (dot == std::string::npos || dot < NameStart(path) ? path : path.substr(0, dot)) +
            ".MDX");
        if (!index.empty()) {
          dbf::OpenIndex(*t, index);
          selected = dbf::SelectTag(*t, TrimText(tag));
        }
      }
    }
  } catch (...) {
    selected = false;
  }
  ClearError();
  return selected;
}

int64_t DirectReader::Seek(int handle, const std::string& key) {
  dbf::Table* t = Find(handle);
  if (!t) return -1;
  ClearError();
  int64_t result = -1;
  try {
    if (dbf::Seek(*t, key) == dbf::SeekOutcome::kFound) {
      if (!t->Deleted()) {
        result = t->RecNo();
      } else {
        const uint32_t first = t->RecNo();
        while (dbf::SeekNext(*t, key) && !t->Eof() && t->RecNo() != first) {
          if (!t->Deleted()) {
            result = t->RecNo();
            break;
          }
        }
      }
    }
    if (result < 0) t->GoEof();
  } catch (...) {
    result = -1;
    try {
      t->GoEof();
    } catch (...) {
    }
  }
  ClearError();
  return result;
}

void DirectReader::SkipDeletedForward(dbf::Table& table) {
  if (!skipDeleted_) return;
  while (!table.Eof() && table.Deleted()) {
    const uint32_t before = table.RecNo();
    table.Skip(1);
    if (!table.Eof() && table.RecNo() == before) break;
  }
  if (table.Eof()) table.GoEof();
}

void DirectReader::SkipDeletedBackward(dbf::Table& table) {
  if (!skipDeleted_) return;
  while (!table.Eof() && table.Deleted()) {
    if (table.Skip(-1) == 0) {
      table.GoBof();
      return;
    }
  }
}

void DirectReader::Top(int handle) {
  dbf::Table* t = Find(handle);
  if (!t) return;
  try {
    t->Top();
    SkipDeletedForward(*t);
    if (t->Eof()) t->GoEof();
  } catch (...) {
  }
  ClearError();
}

void DirectReader::Skip(int handle, int n) {
  dbf::Table* t = Find(handle);
  if (!t) return;
  try {
    if (n == 0) {
      if (!t->Eof()) t->Refresh();
    } else if (n > 0) {
      for (int i = 0; i < n; ++i) {
        t->Skip(1);
        SkipDeletedForward(*t);
        if (t->Eof()) {
          t->GoEof();
          break;
        }
      }
    } else {
      for (int i = 0; i < -n; ++i) {
        if (t->Skip(-1) == 0) {
          t->GoBof();
          break;
        }
        SkipDeletedBackward(*t);
        if (t->Bof()) break;
      }
    }
  } catch (...) {
  }
  ClearError();
}

bool DirectReader::Eof(int handle) {
  dbf::Table* t = Find(handle);
  return t ? t->Eof() : true;
}

std::string DirectReader::FieldText(int handle, const std::string& name) {
  SetShortDateFormat("MM/DD/YYYY");
  dbf::Table* t = Find(handle);
  if (!t) return {};
  std::string text;
  try {
    const int i = t->FindField(name);
    if (i >= 0) text = std::string(t->StoredText(i));
  } catch (...) {
    text.clear();
  }
  ClearError();
  return text;
}

double DirectReader::FieldFloat(int handle, const std::string& name) {
  dbf::Table* t = Find(handle);
  if (!t) return 0;
  double value = 0;
  try {
    const int i = t->FindField(name);
    if (i >= 0) value = t->AsDouble(i);
  } catch (...) {
    value = 0;
  }
  ClearError();
  return value;
}

void DirectReader::Close(int& handle) {
  if (handle == 0) return;
  const auto it = tables_.find(handle);
  if (it != tables_.end()) {
    try {
      it->second->Unlock();
      it->second->Close();
    } catch (...) {
    }
    tables_.erase(it);
  }
  ClearError();
  handle = 0;
}

DirectReader& ProcessDirectReader() {
  // One reader for the life of the process, as the start-up's open handle and the report's
  // dates expect; created on first use.
  static DirectReader reader;
  return reader;
}

int DirectOpen(const std::string& name) {
  return ProcessDirectReader().Open(name);
}
bool DirectSelectTag(int handle, const std::string& tag) {
  return ProcessDirectReader().SelectTag(handle, tag);
}
int64_t DirectSeek(int handle, const std::string& key) {
  return ProcessDirectReader().Seek(handle, key);
}
void DirectTop(int handle) {
  ProcessDirectReader().Top(handle);
}
void DirectSkip(int handle, int n) {
  ProcessDirectReader().Skip(handle, n);
}
bool DirectEof(int handle) {
  return ProcessDirectReader().Eof(handle);
}
std::string DirectFieldText(int handle, const std::string& name) {
  return ProcessDirectReader().FieldText(handle, name);
}
double DirectFieldFloat(int handle, const std::string& name) {
  return ProcessDirectReader().FieldFloat(handle, name);
}
void DirectClose(int& handle) {
  ProcessDirectReader().Close(handle);
}

std::string LongDateText(Date date) {
  if (date.IsNull()) return {};
  // The picture fills the month name to eleven characters; the text keeps one blank after it.
  std::string text = TrimText(dbf::FormatDate(date, "MMMMMMMMMMM DD, CCYY"));
  const size_t blank = text.find(' ');
  if (blank != std::string::npos) {
    const size_t next = text.find_first_not_of(' ', blank);
    text.erase(blank + 1, next - blank - 1);
  }
  return text;
}

}  // namespace volarin
