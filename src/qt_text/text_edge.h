#pragma once
// The one place where Qt's texts (QString: the window's cells and dialogs, the printed page)
// meet the problem's texts (Windows-1252 bytes). Characters that Windows-1252 cannot hold
// become "?".

#include <QString>
#include <string>
#include <string_view>

namespace pelvar {

QString QStringFromCp1252(std::string_view bytes);
std::string Cp1252FromQString(const QString& text);

}  // namespace pelvar
