#pragma once
// The one place where Qt's texts (QString: the window's cells and dialogs, the printed page)
// meet the problem's texts (Windows-1252 bytes), and where the system's bytes (a file's path, a
// message naming one) become text to read. Characters that Windows-1252 cannot hold become "?".

#include <QString>
#include <string>
#include <string_view>

namespace pelvar {

QString QStringFromCp1252(std::string_view bytes);
std::string Cp1252FromQString(const QString& text);

// Bytes as the system gives them, such as a path or a message naming one, as text to show:
// UTF-8 as it reads, and each byte that belongs to no UTF-8 character as "\xE9", so that a
// name in another encoding shows what it holds instead of replacement characters.
QString ReadableText(std::string_view bytes);

}  // namespace pelvar
