#pragma once
// The command line of pelvar and the start of its window.

#include <string>
#include <vector>

namespace pelvar {

class TFormPelv;

struct ProgramCommand {
  enum class Action { Window, Help, Version, Wrong };
  Action action = Action::Window;
  std::string file;   // the data file to open at start-up; empty for the demonstration problem
  std::string error;  // what is wrong with the command line, with Wrong
};

// Parses the arguments after the program name.
ProgramCommand ParseProgramArguments(const std::vector<std::string>& arguments);

// The texts that --help and --version print.
std::string ProgramUsage();
std::string ProgramVersion();

// Shows the window, then opens the command line's data file as Open does: a refused file is
// reported in Open's way and the window keeps the demonstration problem.
void ShowWindow(TFormPelv& form, const ProgramCommand& command);

}  // namespace pelvar
