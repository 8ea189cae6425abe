#pragma once
// The program's on-line help: the About text and one text for each input table.

#include <QString>

namespace pelvar {

QString AboutText();
QString GeneralDataHelpText();
QString SectionsHelpText();
QString ForcesHelpText();

}  // namespace pelvar
