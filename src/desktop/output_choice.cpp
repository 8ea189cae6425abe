#include "desktop/output_choice.h"

#include <sys/stat.h>

#include <QDir>

#include "desktop/chosen_path.h"
#include "desktop/path_parts.h"
#include "files/save_place.h"
#include "qt_text/text_edge.h"

namespace pelvar {
namespace {

// Only a regular file is replaced: the writer refuses a folder or a device with its own reason,
// and writes into a descriptor (/dev/stdout) after what it holds.
bool ExistingFile(const std::string& path) {
  const FileIdentity identity = IdentifyFile(path);
  return identity.exists && identity.descriptor < 0 && identity.type == S_IFREG;
}

QString QuotedForUser(const std::string& path) {
  return QLatin1Char('"') + ReadableText(path) + QLatin1Char('"');
}

QString DataFileRefusal(const std::string& path, const std::string& dataFile) {
  // Named as opened or saved too where the text chosen differs, such as through a link.
  const QString known = path == dataFile ? QString()
                                         : QStringLiteral(" (opened or saved as ") +
                                               QuotedForUser(dataFile) + QLatin1Char(')');
  return QuotedForUser(path) + QStringLiteral(" is the data file being worked on") + known +
         QStringLiteral("; writing there would replace it. Choose another name.");
}

}  // namespace

std::optional<std::string> ChooseOutputFile(
    Dialogs& dialogs, QWidget* parent, const std::string& dataFile, DataFileRule rule,
    const std::function<std::optional<std::string>()>& chooseOnce) {
  for (;;) {
    std::optional<std::string> path = chooseOnce();
    if (!path || path->empty()) return path;
    const bool isDataFile = !dataFile.empty() && SameFile(*path, dataFile);
    if (isDataFile && rule == DataFileRule::Keeps) {
      dialogs.error(parent, DataFileRefusal(*path, dataFile));
      continue;
    }
    if (isDataFile || !ExistingFile(*path)) return path;
    if (dialogs.question(parent, QuotedForUser(*path) + QStringLiteral(" already exists.\n"
                                                                "Do you want to replace it?"))) {
      return path;
    }
  }
}

std::optional<std::string> ChooseSaveFile(Dialogs& dialogs, QWidget* parent,
                                          FileDialogSettings settings, const std::string& dataFile,
                                          DataFileRule rule) {
  return ChooseOutputFile(dialogs, parent, dataFile, rule, [&]() -> std::optional<std::string> {
    const std::optional<QString> chosen = dialogs.saveFile(parent, settings);
    if (!chosen) return std::nullopt;
    const QString path = WithDefaultExtension(*chosen, settings.defaultSuffix);
    // Shown again, the dialog stands where the user left it.
    settings.initialFolder = QDir::toNativeSeparators(FolderPart(path));
    settings.fileName = NamePart(path);
    return PathFromDialog(path);
  });
}

}  // namespace pelvar
