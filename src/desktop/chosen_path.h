#pragma once
// Paths as the system's bytes at the edge of Qt's file dialogs. A file's name is bytes, while a
// dialog speaks QString: Qt decodes a name that is not UTF-8 with U+FFFD in place of what it
// cannot read, and that text, encoded back, names another file. The windows therefore keep a
// path as the bytes the system gave and turn it into a QString only for a dialog (DialogPath)
// or to show it (ReadableText in qt_text/text_edge.h).

#include <QString>
#include <string>
#include <string_view>

namespace pelvar {

// A path as a file dialog takes it: decoded as Qt decodes the names it lists.
QString DialogPath(std::string_view path);

// The bytes of the path a file dialog gave. Each folder or name in it that Qt could not decode
// (it holds U+FFFD) is looked up in the folder before it: the one entry there that Qt decodes to
// the same text is the one chosen. Where none or several do, the text is taken as it stands.
std::string PathFromDialog(const QString& path);

}  // namespace pelvar
