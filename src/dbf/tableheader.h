#pragma once
// Reading and writing the 32-byte file header and the field descriptors of a .DBF file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/date.h"
#include "dbf/record.h"

namespace volarin::dbf {

struct TableHeader {
  uint8_t version = 0x03;
  Date lastUpdate;
  uint32_t recordCount = 0;
  int headerLength = 0;
  int recordLength = 0;
  bool encrypted = false;
  bool productionIndex = false;
  uint8_t languageByte = 0;
  std::vector<FieldInfo> fields;
};

inline constexpr int kFileHeaderSize = 32;
inline constexpr int kDescriptorSize = 32;
inline constexpr char kDescriptorEnd = 0x0D;
inline constexpr char kEndOfFile = 0x1A;

// The header length and record length of a file, from its first 32 bytes, so the caller knows
// how much to read. Throws FormatError naming `path`. The record count is checked against the
// file once the fields are known (ReadFieldDescriptors).
TableHeader ReadFileHeader(std::string_view first32, uint64_t fileSize, const std::string& path);
// Fills in the fields from the whole header (headerLength bytes) and checks that everything
// agrees: descriptors inside the header, known types, widths adding up to the record length,
// records inside the file. Throws FormatError naming `path`.
void ReadFieldDescriptors(std::string_view header, uint64_t fileSize, const std::string& path,
                          TableHeader& table);

// The header bytes of a new table with the given fields (already checked).
std::string BuildHeader(const TableHeader& table);
// Bytes 1..7 (update date and record count), written in place when the count changes.
std::string CounterBytes(Date lastUpdate, uint32_t recordCount);

}  // namespace volarin::dbf
