#pragma once
// What a file chosen in a save-type dialog may replace, one rule for every command of both
// windows that writes one (Save, the exports, the report printed into a file): an existing file
// is replaced only once the user says so, and no export or report ever replaces the data file
// worked on, the one the main window last opened or saved. Either answer leads back to the
// dialog, so that the user can choose again.

#include <functional>
#include <optional>
#include <string>

#include "desktop/dialogs.h"

namespace pelvar {

enum class DataFileRule {
  Replaces,  // Save: the data file worked on is written again without a question
  Keeps,     // an export or a report: the data file is refused
};

// Shows a dialog through chooseOnce until it gives a path that may be written, and returns it;
// nothing once the dialog is cancelled. chooseOnce shows the dialog once and gives the path
// chosen as the system's bytes, or nothing for a cancel; an empty path (an output that is no
// file, such as a printer) is taken as it is. Before an existing file is replaced the user is
// asked, No the default; No shows the dialog again. Under DataFileRule::Keeps a path to dataFile
// (compared as files: a link or another spelling of it counts) is refused with a message, and
// the dialog shown again. An empty dataFile stands for none.
std::optional<std::string> ChooseOutputFile(
    Dialogs& dialogs, QWidget* parent, const std::string& dataFile, DataFileRule rule,
    const std::function<std::optional<std::string>()>& chooseOnce);

// The same through the save file dialog of settings: a name chosen without an extension gets the
// default suffix, and the dialog comes back at the folder and name chosen.
std::optional<std::string> ChooseSaveFile(Dialogs& dialogs, QWidget* parent,
                                          FileDialogSettings settings, const std::string& dataFile,
                                          DataFileRule rule);

}  // namespace pelvar
