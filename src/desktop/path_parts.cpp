#include "desktop/path_parts.h"

#include <QDir>
#include <algorithm>

namespace pelvar {
namespace {

qsizetype LastSeparator(const QString& path) {
  return std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QDir::separator()));
}

}  // namespace

QString FolderPart(const QString& path) {
  const qsizetype cut = LastSeparator(path);
  return cut < 0 ? QString() : path.left(cut);
}

QString NamePart(const QString& path) { return path.mid(LastSeparator(path) + 1); }

QString WithDefaultExtension(const QString& path, const QString& extension) {
  const QString name = NamePart(path);
  // A path that ends in a separator names a folder; it is left for the file functions to refuse.
  if (name.isEmpty() || name.contains(QLatin1Char('.'))) return path;
  return path + QLatin1Char('.') + extension;
}

QString WithoutExtension(const QString& name, const QString& extension) {
  const QString ending = QLatin1Char('.') + extension;
  return name.endsWith(ending, Qt::CaseInsensitive) ? name.chopped(ending.size()) : name;
}

}  // namespace pelvar
