#pragma once
// Texts cross between the program's single-byte Windows-1252 strings and Qt's QString here.

#include <QString>
#include <string>

namespace volarin {

QString ToQString(const std::string& windows1252);
// Characters that Windows-1252 cannot hold become "?".
std::string FromQString(const QString& text);

}  // namespace volarin
