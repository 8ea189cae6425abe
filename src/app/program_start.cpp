#include "app/program_start.h"

#include "pelvar_version.h"
#include "ui/form_pelv.h"

namespace pelvar {

ProgramCommand ParseProgramArguments(const std::vector<std::string>& arguments) {
  ProgramCommand command;
  const auto wrong = [&command](std::string error) {
    command.action = ProgramCommand::Action::Wrong;
    command.error = std::move(error);
    return command;
  };
  bool fileGiven = false;
  bool optionsEnded = false;
  for (const std::string& argument : arguments) {
    if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
      if (fileGiven) return wrong("only one data file can be given, not also \"" + argument + "\"");
      if (argument.empty()) return wrong("the data file name is empty");
      command.file = argument;
      fileGiven = true;
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--help" || argument == "-h") {
      command.action = ProgramCommand::Action::Help;
    } else if (argument == "--version") {
      if (command.action != ProgramCommand::Action::Help) {
        command.action = ProgramCommand::Action::Version;
      }
    } else {
      return wrong("unknown option \"" + argument + "\"");
    }
  }
  return command;
}

std::string ProgramUsage() {
  return "Usage: pelvar [FILE.plv]\n"
         "\n"
         "Opens the Pelvar window for the analysis of a beam on an elastic foundation, with the\n"
         "demonstration problem, or with the data file FILE.plv opened as Open opens it.\n"
         "\n"
         "Options:\n"
         "  --help     show this text\n"
         "  --version  show the version\n"
         "\n"
         "The window needs a display. To calculate a data file without one, use pelvar-batch.\n";
}

std::string ProgramVersion() { return "pelvar " PELVAR_VERSION "\n"; }

void ShowWindow(TFormPelv& form, const ProgramCommand& command) {
  form.show();
  // Opened once the window is up, so that a refusal stands in front of it. The name goes on as
  // the bytes it was given in, whatever their encoding.
  if (!command.file.empty()) form.OpenProblemFile(command.file);
}

}  // namespace pelvar
