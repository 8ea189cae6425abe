#pragma once
// The parts of a full path that a file dialog returns: the folder it lies in and the file's own
// name. Qt's dialogs separate folders with "/" on every platform; the platform's own separator
// is accepted as well.

#include <QString>

namespace pelvar {

// The characters before the last folder separator, without it ("" when there is none).
QString FolderPart(const QString& path);
// The characters after the last folder separator (the whole path when there is none).
QString NamePart(const QString& path);
// The path with "." and the extension appended when its name part (not empty) has no extension.
QString WithDefaultExtension(const QString& path, const QString& extension);
// The name without "." and the extension (in any case) where it ends with them.
QString WithoutExtension(const QString& name, const QString& extension);

}  // namespace pelvar
