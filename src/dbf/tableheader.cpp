#include "dbf/tableheader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "dbf/errors.h"
#include "dbf/lockscheme.h"

namespace volarin::dbf {
namespace {

uint32_t Le32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

int Le16(std::string_view b, size_t at) {
  return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}

void PutLe(std::string& b, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    b[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
}

[[noreturn]] void Damaged(const std::string& path, const std::string& what) {
  throw FormatError(kErrorFormat, "Table " + path + " is damaged: " + what + ".");
}

bool FixedWidthOk(char type, int width) {
  switch (type) {
    case 'D':
      return width == 8;
    case 'L':
      return width == 1;
    case 'M':
      return width == 10;
    default:
      return true;
  }
}

}  // namespace

TableHeader ReadFileHeader(std::string_view b, uint64_t fileSize, const std::string& path) {
  if (b.size() < kFileHeaderSize) {
    throw FormatError(kErrorFormat, "File " + path +
                                        " is not a dBASE table: it is shorter than a "
                                        "table header.");
  }
  TableHeader h;
  h.version = static_cast<uint8_t>(b[0]);
  // Bits 0-2 give the version (3); bits 4-6 mark SQL and system tables we do not read.
  if ((h.version & 0x07) != 3 || (h.version & 0x70) != 0) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", h.version);
    throw FormatError(kErrorFormat,
                      "File " + path + " is not a dBASE III/IV table (version byte " + hex + ").");
  }
  h.lastUpdate = Date::FromYmd(1900 + static_cast<unsigned char>(b[1]),
                               static_cast<unsigned char>(b[2]), static_cast<unsigned char>(b[3]))
                     .value_or(Date());
  h.recordCount = Le32(b, 4);
  h.headerLength = Le16(b, 8);
  h.recordLength = Le16(b, 10);
  h.encrypted = b[15] != 0;
  h.productionIndex = b[28] != 0;
  h.languageByte = static_cast<uint8_t>(b[29]);

  if (h.headerLength < kFileHeaderSize + kDescriptorSize + 1) {
    Damaged(path,
            "its header length " + std::to_string(h.headerLength) + " leaves no room for a field");
  }
  if (h.recordLength < 2) {
    Damaged(path, "its record length " + std::to_string(h.recordLength) + " is too small");
  }
  if (static_cast<uint64_t>(h.headerLength) > fileSize) {
    Damaged(path, "the file (" + std::to_string(fileSize) + " bytes) ends inside its header (" +
                      std::to_string(h.headerLength) + " bytes)");
  }
  if (h.recordCount > lockscheme::kMaxRecords) {
    Damaged(path, "its record count " + std::to_string(h.recordCount) + " is impossible");
  }
  return h;
}

void ReadFieldDescriptors(std::string_view header, uint64_t fileSize, const std::string& path,
                          TableHeader& table) {
  const size_t end = static_cast<size_t>(table.headerLength);
  if (header.size() < end) Damaged(path, "the header could not be read whole");
  size_t pos = kFileHeaderSize;
  int recordLength = 1;
  while (true) {
    if (pos >= end) Damaged(path, "its field descriptors overrun the header (no end marker)");
    if (header[pos] == kDescriptorEnd) break;
    if (pos + kDescriptorSize >= end)
      Damaged(path, "its field descriptors overrun the header (no end marker)");
    std::string_view d = header.substr(pos, kDescriptorSize);
    FieldInfo f;
    const size_t nameEnd = std::min(d.find('\0'), size_t{11});
    f.name = std::string(d.substr(0, nameEnd));
    while (!f.name.empty() && f.name.back() == ' ') f.name.pop_back();
    const std::string number = std::to_string(table.fields.size() + 1);
    if (f.name.empty()) Damaged(path, "field " + number + " has no name");
    for (char c : f.name) {
      if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) {
        Damaged(path, "field " + number + " has an unreadable name");
      }
    }
    f.type = d[11];
    f.width = static_cast<unsigned char>(d[16]);
    f.decimals = static_cast<unsigned char>(d[17]);
    if (std::strchr("CNFDLM", f.type) == nullptr || f.type == '\0') {
      throw InvalidFieldType("Table " + path + ", field " + f.name + " has type '" +
                             std::string(1, f.type) + "', which a dBASE IV table cannot hold");
    }
    if (f.width == 0) Damaged(path, "field " + f.name + " has width 0");
    if (!FixedWidthOk(f.type, f.width)) {
      Damaged(path, "field " + f.name + " of type " + std::string(1, f.type) + " has width " +
                        std::to_string(f.width));
    }
    if ((f.type == 'N' || f.type == 'F') ? f.decimals >= f.width && f.decimals > 0 : false) {
      Damaged(path, "field " + f.name + " has more decimals than width");
    }
    if (f.type != 'N' && f.type != 'F') f.decimals = 0;
    f.offset = recordLength;
    recordLength += f.width;
    table.fields.push_back(std::move(f));
    pos += kDescriptorSize;
  }
  if (table.fields.empty()) Damaged(path, "it has no fields");
  if (recordLength != table.recordLength) {
    Damaged(path, "its record length " + std::to_string(table.recordLength) +
                      " disagrees with its fields, which need " + std::to_string(recordLength));
  }
  const uint64_t room = (fileSize - static_cast<uint64_t>(table.headerLength)) /
                        static_cast<uint64_t>(table.recordLength);
  if (table.recordCount > room) {
    Damaged(path, "its header counts " + std::to_string(table.recordCount) +
                      " records but the file holds only " + std::to_string(room));
  }
}

std::string CounterBytes(Date lastUpdate, uint32_t recordCount) {
  std::string b(7, '\0');
  if (!lastUpdate.IsNull()) {
    int y, m, d;
    lastUpdate.ToYmd(y, m, d);
    b[0] = static_cast<char>(std::clamp(y - 1900, 0, 255));
    b[1] = static_cast<char>(m);
    b[2] = static_cast<char>(d);
  }
  PutLe(b, 3, recordCount, 4);
  return b;
}

std::string BuildHeader(const TableHeader& table) {
  std::string b(static_cast<size_t>(table.headerLength), '\0');
  b[0] = static_cast<char>(table.version);
  const std::string counters = CounterBytes(table.lastUpdate, table.recordCount);
  b.replace(1, 7, counters);
  PutLe(b, 8, static_cast<uint32_t>(table.headerLength), 2);
  PutLe(b, 10, static_cast<uint32_t>(table.recordLength), 2);
  b[28] = table.productionIndex ? 1 : 0;
  b[29] = static_cast<char>(table.languageByte);
  size_t pos = kFileHeaderSize;
  for (const FieldInfo& f : table.fields) {
    std::memcpy(&b[pos], f.name.data(), std::min(f.name.size(), size_t{10}));
    b[pos + 11] = f.type;
    b[pos + 16] = static_cast<char>(f.width);
    b[pos + 17] = static_cast<char>(f.decimals);
    pos += kDescriptorSize;
  }
  b[pos] = kDescriptorEnd;
  return b;
}

}  // namespace volarin::dbf
