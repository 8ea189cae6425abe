#include "desktop/chosen_path.h"

#include <QFile>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <system_error>

namespace pelvar {
namespace {

std::string EncodedName(const QString& text) { return QFile::encodeName(text).toStdString(); }

// The one entry of folder whose name Qt decodes to name; nothing where no entry or more than
// one does, since then it is not known which file the dialog showed.
std::optional<std::string> EntryReadAs(const std::string& folder, const QString& name) {
  std::error_code error;
  std::optional<std::string> found;
  for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::string bytes = entry->path().filename().native();
    if (DialogPath(bytes) != name) continue;
    if (found) return std::nullopt;
    found = bytes;
  }
  return found;
}

}  // namespace

QString DialogPath(std::string_view path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string PathFromDialog(const QString& path) {
  if (!path.contains(QChar::ReplacementCharacter)) return EncodedName(path);
  // Folder by folder, since a folder's name may be as unreadable as the file's.
  const QStringList parts = path.split(QLatin1Char('/'));
  std::string bytes;
  for (qsizetype i = 0; i < parts.size(); ++i) {
    if (i > 0) bytes += '/';
    const QString& part = parts[i];
    if (!part.contains(QChar::ReplacementCharacter)) {
      bytes += EncodedName(part);
      continue;
    }
    bytes +=
        EntryReadAs(bytes.empty() ? std::string(".") : bytes, part).value_or(EncodedName(part));
  }
  return bytes;
}

}  // namespace pelvar
