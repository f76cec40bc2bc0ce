#pragma once
// The program keeps texts as single-byte Windows-1252 strings; Qt draws QStrings.

#include <QString>
#include <string>

namespace volarin {

QString FromWindows1252(const std::string& text);

}  // namespace volarin
