#pragma once
// Conversion of single-byte text between the OEM code page of DOS-era tables (437) and the Windows
// code page (1252) used in memory. Every character becomes exactly one byte, so field widths and
// key lengths never change: a character without an exact counterpart gets a best-fit look-alike
// (the letter without its accent, a similar symbol) or '?'. Bytes below 0x80 never change.

#include <cstdint>
#include <string>
#include <string_view>

namespace volarin::dbf {

enum class CodePage { kUnknown, kOem437, kOem850, kWindows1252 };

// The code page a table's language byte (offset 29) names; kUnknown for 0x00 and unknown bytes.
CodePage CodePageOfLanguageByte(uint8_t languageByte);
// True for the DOS code pages, whose text is converted at the edge of the program.
inline bool IsOem(CodePage page) {
  return page == CodePage::kOem437 || page == CodePage::kOem850;
}

std::string OemToWindows(std::string_view oem437);
std::string WindowsToOem(std::string_view windows1252);
// Single bytes, for callers that convert in place.
char OemToWindows(char oem437);
char WindowsToOem(char windows1252);

}  // namespace volarin::dbf
