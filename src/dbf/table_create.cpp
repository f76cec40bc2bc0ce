// A new table: the field list checked and the empty file written.
#include "dbf/table.h"

#include <algorithm>
#include <cctype>

#include "common/platform.h"
#include "dbf/memofile.h"
#include "dbf/tableheader.h"

namespace volarin::dbf {

namespace {

bool ValidName(const std::string& name) {
  if (name.empty() || name.size() > 10) return false;
  const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (!letter(name[0])) return false;
  return std::all_of(name.begin(), name.end(),
                     [&](char c) { return letter(c) || (c >= '0' && c <= '9') || c == '_'; });
}

std::string Upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return s;
}

// Checks a field list for a new table and fills in fixed widths; throws Error(kErrorCreate).
std::vector<FieldInfo> CheckedFields(const std::vector<FieldSpec>& specs, const std::string& path) {
  const auto fail = [&](const std::string& what) {
    throw Error(kErrorCreate, "Cannot create table " + path + ": " + what + ".");
  };
  if (specs.empty()) fail("it needs at least one field");
  if (specs.size() > 255) fail("a dBASE IV table holds at most 255 fields");
  std::vector<FieldInfo> fields;
  int length = 1;
  for (const FieldSpec& s : specs) {
    FieldInfo f;
    f.name = Upper(s.name);
    f.type = static_cast<char>(std::toupper(static_cast<unsigned char>(s.type)));
    f.width = s.width;
    f.decimals = s.decimals;
    if (!ValidName(s.name))
      fail("\"" + s.name + "\" is not a field name (1-10 letters, digits, _)");
    for (const FieldInfo& other : fields) {
      if (other.name == f.name) fail("field " + f.name + " is given twice");
    }
    switch (f.type) {
      case 'C':
        if (f.width < 1 || f.width > 254) fail("character field " + f.name + " needs width 1-254");
        f.decimals = 0;
        break;
      case 'N':
      case 'F':
        if (f.width < 1 || f.width > 20) fail("numeric field " + f.name + " needs width 1-20");
        if (f.decimals < 0 || f.decimals > 18 || (f.decimals > 0 && f.decimals > f.width - 2)) {
          fail("numeric field " + f.name + " cannot have " + std::to_string(f.decimals) +
               " decimals in width " + std::to_string(f.width));
        }
        break;
      case 'D':
      case 'L':
      case 'M': {
        const int fixed = f.type == 'D' ? 8 : f.type == 'L' ? 1 : 10;
        if (f.width != 0 && f.width != fixed) {
          fail("field " + f.name + " of type " + std::string(1, f.type) + " has width " +
               std::to_string(fixed));
        }
        f.width = fixed;
        f.decimals = 0;
        break;
      }
      default:
        fail("field " + f.name + " has type '" + std::string(1, s.type) +
             "'; a dBASE IV table holds C, N, F, D, L and M");
    }
    length += f.width;
    fields.push_back(f);
  }
  if (length > 65535) fail("its record would be longer than 65535 bytes");
  return fields;
}

}  // namespace

std::unique_ptr<Table> Table::Create(Context& context, const std::string& path,
                                     const std::vector<FieldSpec>& specs, CreateOptions options) {
  TableHeader h;
  h.fields = context.Recording([&] { return CheckedFields(specs, path); });
  if (context.Get().safety && platform::FileExists(path)) {
    context.Throw(
        Error(kErrorCreate, "Cannot create table " + path + ": the file exists already."));
  }
  const bool memo = std::any_of(h.fields.begin(), h.fields.end(),
                                [](const FieldInfo& f) { return f.type == 'M'; });
  h.version = memo ? 0x8B : 0x03;
  h.lastUpdate = Date::Today();
  h.headerLength = kFileHeaderSize + kDescriptorSize * static_cast<int>(h.fields.size()) + 1;
  h.recordLength = RecordLayout(h.fields).RecordLength();
  h.languageByte = options.languageByte;
  try {
    auto file = platform::File::Create(path);
    const std::string bytes = BuildHeader(h) + kEndOfFile;
    file->WriteAt(0, bytes.data(), bytes.size());
    file.reset();
    if (memo) MemoFile::Create(MemoFile::PathFor(path));
  } catch (const volarin::Error& e) {
    context.Throw(Error(kErrorCreate, std::string(e.what())));
  }
  return Open(context, path, options.open);
}

}  // namespace volarin::dbf
