#pragma once
// The help texts of the load cases window: one for the window and one for each of its tables,
// in the manner of the main window's.

#include <QString>

#include "ui/edit_history.h"

namespace pelvar {

QString LoadCasesHelpText();
QString TableHelpText(InputTable table);

}  // namespace pelvar
