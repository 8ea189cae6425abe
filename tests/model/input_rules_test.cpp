// The commit rules of the input tables, without a window: typed bytes in, the value stored and
// the text shown out.

#include "model/input_rules.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace pelvar {
namespace {

TEST(InputRulesTest, TypedCellsAreReadClampedAndShownInTheirFormat) {
  enum Table { General, Sections, Forces };
  struct Case {
    Table table;
    int index;  // the general data row, or the column of the sections or forces table
    std::string typed;
    double value;
    std::string shown;
    std::string stored = {};  // the name the row holds before the commit
  };
  const std::string letters45 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcdefghi";
  const std::string long59(59, 'n');
  const Case cases[] = {
      {General, 3, "abc", 1, "     1"},
      {General, 3, "25", 20, "    20"},
      {General, 3, " 12xyz", 12, "    12"},
      {General, 3, "3.7", 3, "     3"},
      {General, 4, "5", 10, "    10"},
      {General, 4, "-7", 10, "    10"},
      {General, 4, "2000", 1000, "  1000"},
      {General, 4, "250", 250, "   250"},
      {General, 5, "0", 0.1, "         0.1"},
      {General, 5, "abc", 0.1, "         0.1"},
      {General, 5, "1e7", 1e7, "  10000000.0"},
      {General, 6, "0.0005", 0.001, "       0.001"},
      {General, 6, "-1", 0.001, "       0.001"},
      {General, 6, "2", 2, "       2.000"},
      // Names keep their first 40 bytes, unless left as they stand.
      {General, 2, letters45, 0, letters45.substr(0, 40)},
      {General, 1, std::string(45, '\xE9'), 0, std::string(40, '\xE9')},
      {General, 1, long59, 0, long59, long59},
      {General, 0, letters45, 0, letters45.substr(0, 40), letters45},
      // The data file ends a text at its first comma: the cell shows at once what comes back.
      {General, 2, "Beam, variant B", 0, "Beam"},
      {General, 1, ",b.plv", 0, ""},
      {Sections, 1, "15", 15, "      15.000"},
      {Sections, 1, "0", 0.001, "       0.001"},
      {Sections, 1, "-3", 0.001, "       0.001"},
      {Sections, 1, "abc", 0.001, "       0.001"},
      {Sections, 2, "-10", 0, "       0.000"},
      {Sections, 3, "-1", 0, "       0.000"},
      {Sections, 3, "-0", 0, "       0.000"},
      // A section's own EI and width, held at the general data's least values; 0, a blank or
      // no number gives the section the general data's value back, which the cell shows.
      {Sections, 4, "2.5e5", 2.5e5, "    250000.0"},
      {Sections, 4, "0.05", 0.1, "         0.1"},
      {Sections, 4, "0", 0, "    800000.0"},
      {Sections, 4, "", 0, "    800000.0"},
      {Sections, 4, "-5", 0, "    800000.0"},
      {Sections, 5, "0.0005", 0.001, "       0.001"},
      {Sections, 5, "1.25", 1.25, "       1.250"},
      {Sections, 5, " ", 0, "       0.750"},
      {Sections, 5, "wide", 0, "       0.750"},
      {Forces, 2, "-25.5", -25.5, "     -25.500"},
      {Forces, 3, "1e3", 1000, "    1000.000"},
      {Forces, 3, "xyz", 0, "       0.000"},
      // A support's kind by its name, its first letters or its code; anything else is none.
      {Forces, 4, "p", 1, "pinned"},
      {Forces, 4, " Fixed ", 2, "fixed"},
      {Forces, 4, "GUI", 3, "guided"},
      {Forces, 4, "4", 4, "elastic"},
      {Forces, 4, "0", 0, "none"},
      {Forces, 4, "pinnedx", 0, "none"},
      {Forces, 4, "5", 0, "none"},
      {Forces, 4, "", 0, "none"},
      // Springs at least 0, prescribed values of either sign in six decimals.
      {Forces, 5, "-5", 0, "       0.000"},
      {Forces, 5, "2.5e4", 25000, "   25000.000"},
      {Forces, 6, "-0", 0, "       0.000"},
      {Forces, 6, "120.5", 120.5, "     120.500"},
      {Forces, 7, "-0.0125", -0.0125, "   -0.012500"},
      {Forces, 8, "1e-3", 0.001, "    0.001000"},
      {Forces, 8, "rad", 0, "    0.000000"},
  };
  ProblemData data;
  data.stiffnessEI = 8e5;
  data.beamWidth = 0.75;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    const CommittedCell cell =
        c.table == General ? CommitGeneralCell(static_cast<GeneralRow>(c.index), c.typed, c.stored)
        : c.table == Sections
            ? CommitSectionCell(data, static_cast<SectionColumn>(c.index), c.typed)
            : CommitPointCell(static_cast<PointColumn>(c.index), c.typed);
    EXPECT_EQ(cell.value, c.value);
    EXPECT_EQ(cell.text, c.shown);
  }

  // The tables show stored data in the same formats; EI and width the section's own where it
  // has them, else the general data's.
  data.sectionCount = 12;
  data.stiffnessEI = 0.1;
  data.sections[1].width = 0.3;
  data.sections[0].spring = 7.25;
  data.points[1].force = -25.5;
  EXPECT_EQ(GeneralCellText(data, GeneralRow::SectionCount), "    12");
  EXPECT_EQ(GeneralCellText(data, GeneralRow::StiffnessEI), "         0.1");
  EXPECT_EQ(GeneralCellText(data, GeneralRow::ProblemName), "Demonstration Problem");
  EXPECT_EQ(RowNumberText(20), "    20");
  EXPECT_EQ(SectionCellText(data, 0, SectionColumn::Spring), "       7.250");
  EXPECT_EQ(SectionCellText(data, 0, SectionColumn::StiffnessEI), "         0.1");
  EXPECT_EQ(SectionCellText(data, 0, SectionColumn::Width), "       0.750");
  EXPECT_EQ(SectionCellText(data, 1, SectionColumn::Width), "       0.300");
  EXPECT_TRUE(ShowsGeneralValue(data.sections[0], SectionColumn::Width));
  EXPECT_FALSE(ShowsGeneralValue(data.sections[1], SectionColumn::Width));
  EXPECT_TRUE(ShowsGeneralValue(data.sections[1], SectionColumn::StiffnessEI));
  EXPECT_FALSE(ShowsGeneralValue(data.sections[0], SectionColumn::Spring));
  EXPECT_EQ(PointCellText(data.points[1], PointColumn::Force), "     -25.500");

  // A support shows its kind and the values it uses; the others are blank.
  struct Shown {
    SupportKind kind;
    std::array<std::string, 5> texts;  // kind, springs, w, dw/dx
  };
  const Shown shown[] = {
      {SupportKind::None, {"none", "", "", "", ""}},
      {SupportKind::Pinned, {"pinned", "", "", "    0.002000", ""}},
      {SupportKind::Fixed, {"fixed", "", "", "    0.002000", "   -0.000500"}},
      {SupportKind::Guided, {"guided", "", "", "", "   -0.000500"}},
      {SupportKind::Elastic,
       {"elastic", "    5000.000", "     250.000", "    0.002000", "   -0.000500"}},
  };
  PointLoadRow& point = data.points[2];
  point.support = {SupportKind::None, 5000.0, 250.0, 0.002, -0.0005};
  for (const Shown& row : shown) {
    point.support.kind = row.kind;
    for (int col = 0; col < 5; ++col) {
      const auto column = static_cast<PointColumn>(static_cast<int>(PointColumn::Support) + col);
      EXPECT_EQ(PointCellText(point, column), row.texts[static_cast<std::size_t>(col)])
          << SupportKindName(row.kind) << " column " << col;
      EXPECT_EQ(UsesPointColumn(row.kind, column),
                !row.texts[static_cast<std::size_t>(col)].empty());
    }
  }
  EXPECT_EQ(ReadSupportKind("e"), SupportKind::Elastic);
  EXPECT_EQ(ReadSupportKind("none"), SupportKind::None);
  EXPECT_EQ(ReadSupportKind("x"), std::nullopt);
  EXPECT_EQ(ReadSupportKind(" "), std::nullopt);
  EXPECT_EQ(ReadSupportKind("1.0"), std::nullopt);
}

}  // namespace
}  // namespace pelvar
