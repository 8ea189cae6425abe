#include "ui/help_texts.h"

#include "pelvar_version.h"

namespace pelvar {

QString AboutText() {
  return QStringLiteral(
             "Pelvar\n\n"
             "Version " PELVAR_VERSION
             ", released under the MIT licence.\n\n"
             "This is a program for the analysis of a beam on elastic foundation.\n"
             "The program also applies to a laterally loaded pile, supported by\n"
             "linear springs.\n\n"
             "Input consists of the properties of sections of the beam, the load on\n"
             "each section, and the forces and moments applied at the points between\n"
             "sections. Input data are assembled in a datafile of type *.plv.\n\n"
             "Output is given on the screen, in the form of the displacements and\n"
             "the bending moment. Input and output data can also be printed, and can\n"
             "be saved in a datafile *.plv.\n\n"
             "Load cases, their combinations, a moving load and soil factors are\n"
             "entered in the window of the command Load cases on the menu bar (Ctrl+L).\n") +
         QString(57, QLatin1Char('_')) + QStringLiteral("\n\n");
}

QString GeneralDataHelpText() {
  return QStringLiteral(
      "General data.\n\n"
      "- Licensed User : Identification of the user. This can not be modified by\n"
      "     the user. It is printed on all output.\n"
      "- File Name : Name of the datafile on disk; all files are of the type *.plv.\n"
      "- Problem Name : Identification of the problem, printed on all output.\n"
      "- Number of sections : Number of sections of the beam. The distributed load\n"
      "     and the spring constant are constant in each section.\n"
      "- Number of elements : Number of elements into which the beam is subdivided\n"
      "     for the numerical solution.\n"
      "- EI : Flexural stiffness of the beam, product of modulus of elasticity and\n"
      "     moment of inertia.\n"
      "- Width : Width of the beam.\n");
}

QString SectionsHelpText() {
  return QStringLiteral(
      "Properties of Sections.\n\n"
      "This table gives the properties in each section.\n\n"
      "- Length : Length of a section.\n"
      "- Load : Distributed load in a section.\n"
      "- Spring : Spring constant in a section.\n"
      "- EI : Flexural stiffness of a section. A section may have its own; a grey\n"
      "     value is the general data's EI, which the section takes. Type 0 or clear\n"
      "     the cell to return to it.\n"
      "- Width : Width of a section. A section may have its own; a grey value is\n"
      "     the general data's width. Type 0 or clear the cell to return to it.\n");
}

QString ForcesHelpText() {
  return QStringLiteral(
      "Forces.\n\n"
      "This table gives the concentrated force and the concentrated moment \n"
      "in each point between two sections.\n\n"
      "- x : Location of point.\n"
      "- Force : Concentrated force.\n"
      "- Moment : Concentrated moment.\n"
      "- Support : How the point is held: none; pinned (w held, free to rotate);\n"
      "     fixed (w and slope held); guided (slope held, free to move, as a pile\n"
      "     head in its cap); elastic (springs). Type its first letter or its code\n"
      "     0..4, or open the list with F4 or Alt+Down. Inside the beam a fixed or\n"
      "     guided support lets the moment jump by its reaction.\n"
      "- Spring : An elastic support's translational spring (kN/m) and rotational\n"
      "     spring (kNm/rad), at least 0; either may be 0.\n"
      "- w, dw/dx : The displacement a pinned or fixed support holds (m, positive\n"
      "     down, as w), and the rotation a fixed or guided support holds (rad, in\n"
      "     the sign of dw/dx); of an elastic support, how far the base of its\n"
      "     springs is lowered and turned. Cells a support does not use are blank\n"
      "     and grey.\n\n");
}

}  // namespace pelvar
