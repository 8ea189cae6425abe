#include "load_cases_window/load_cases_help.h"

namespace pelvar {

QString LoadCasesHelpText() {
  return QStringLiteral(
      "Load cases.\n\n"
      "A design is checked for several loadings at once. Each page of this window\n"
      "gives one part of them. Calculate solves Case 1; the Show box of the\n"
      "Results window (Ctrl+R) shows any case or combination, or the envelope of\n"
      "them all, each solved on its own.\n\n"
      "- Cases : Named loadings, up to 20. Case 1 is the loads of the main\n"
      "     window's tables; the other cases have loads of their own.\n"
      "- Combinations : Named sums of the cases with a factor for each, up to 50.\n"
      "     Without combinations every case is solved on its own.\n"
      "- Moving load : Axles moved along the beam in steps, alone or on top of a\n"
      "     combination, up to 20 axles and 10000 positions.\n"
      "- Soil factors : Factors on the soil's springs (a support's springs stay\n"
      "     as given), up to 10, to solve each combination with softer and\n"
      "     stiffer soil as well.\n\n"
      "Ctrl++ adds a row to the table with the focus and Ctrl+- removes its\n"
      "current row; Alt and the underlined letter opens a page. Undo, Copy and\n"
      "Paste work as in the main window's tables.\n");
}

QString TableHelpText(InputTable table) {
  switch (table) {
    case InputTable::Cases:
      return QStringLiteral(
          "Cases.\n\n"
          "This table names the load cases, up to 20. The loads of the case chosen\n"
          "here stand in the tables beside it.\n\n"
          "- Name : Name of a case, up to 59 characters.\n"
          "Case 1 is always there: its section and point loads are the main window's\n"
          "tables. Removing a case removes its factors from every combination.\n");
    case InputTable::CaseSectionLoads:
      return QStringLiteral(
          "Section loads.\n\n"
          "This table gives the load of the case in each section.\n\n"
          "- Load : Distributed load in a section.\n");
    case InputTable::CasePointLoads:
      return QStringLiteral(
          "Point loads.\n\n"
          "This table gives the concentrated force and the concentrated moment of the\n"
          "case in each point between two sections.\n\n"
          "- x : Location of point.\n"
          "- Force : Concentrated force.\n"
          "- Moment : Concentrated moment.\n");
    case InputTable::LoadsAnywhere:
      return QStringLiteral(
          "Loads anywhere.\n\n"
          "This table gives concentrated forces and moments of the case at any\n"
          "location along the beam, up to 20.\n\n"
          "- x : Location of the load, from the left end; within the beam.\n"
          "- Force : Concentrated force.\n"
          "- Moment : Concentrated moment.\n");
    case InputTable::Combinations:
      return QStringLiteral(
          "Combinations.\n\n"
          "This table gives the combinations of the cases, up to 50: each is the\n"
          "sum of the cases, each times its factor (for example 1.35 x dead + 1.5 x\n"
          "live).\n\n"
          "- Name : Name of a combination, up to 59 characters.\n"
          "- Case : Factor of a case in the combination; 0 leaves it out.\n");
    case InputTable::MovingLoad:
      return QStringLiteral(
          "Moving load.\n\n"
          "The axles are moved along the beam from the first axle entering at the\n"
          "left end until the last one leaves at the right end.\n\n"
          "- Step : Distance between two positions; 0 for the length of an element.\n"
          "- Rides on : The combination the axles ride on, by its number or name,\n"
          "     or alone.\n");
    case InputTable::Axles:
      return QStringLiteral(
          "Axles.\n\n"
          "This table gives the axles of the moving load, up to 20, the first one\n"
          "leading.\n\n"
          "- Load : Force of an axle.\n"
          "- Spacing : Distance to the next axle behind it, at least 0.\n");
    case InputTable::SoilFactors:
      return QStringLiteral(
          "Soil factors.\n\n"
          "This table gives factors on the soil's springs, up to 10 (for example\n"
          "0.5, 1 and 2): each combination is solved with each factor. A support's\n"
          "springs stay as given, and without factors the soil's do too.\n\n"
          "- Factor : Factor on the springs, at least 0.\n");
    default:
      return {};
  }
}

}  // namespace pelvar
