#pragma once
// Lock offsets on the .DBF file: the dBASE/BDE scheme, so our locks meet those of dBASE IV-
// compatible Windows programs sharing the folder over a network.
//   record r:  1 byte at 0xEFFFFFFE - r
//   header:    1 byte at 0xEFFFFFFE (taken while the record count changes: append, zap)
//   file:      0xEFFFFFFE - 1,000,000,000 .. 0xEFFFFFFF, every record byte and the header byte
// The bytes lie far beyond any data, so a lock never stops anyone from reading a record. dBASE
// allows at most 1,000,000,000 records, which bounds the record area. The shared/exclusive open
// byte of platform::File (0xF0000000) lies just beyond this area.

#include <cstdint>

namespace volarin::dbf::lockscheme {

inline constexpr uint64_t kBase = 0xEFFFFFFEull;
inline constexpr uint32_t kMaxRecords = 1000000000u;
inline constexpr uint64_t kHeaderOffset = kBase;
inline constexpr uint64_t kFileOffset = kBase - kMaxRecords;
inline constexpr uint64_t kFileLength = kMaxRecords + 2;

inline constexpr uint64_t RecordOffset(uint32_t recno) {
  return kBase - recno;
}

}  // namespace volarin::dbf::lockscheme
