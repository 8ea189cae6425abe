#include "batch/batch_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelvar {
namespace {

ParsedArguments Parse(std::vector<std::string> arguments) { return ParseBatchArguments(arguments); }

TEST(BatchOptions, FileDemoAndOutputs) {
  ParsedArguments parsed = Parse({"beam.plv"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.options.inputPath, "beam.plv");
  EXPECT_FALSE(parsed.options.demo);
  EXPECT_FALSE(parsed.options.nodesPath.has_value());
  EXPECT_FALSE(parsed.options.savePath.has_value());

  parsed = Parse({"--nodes", "-", "--demo", "--save=out/x.plv", "--json", "r.json"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.options.jsonPath, "r.json");
  EXPECT_TRUE(parsed.options.demo);
  EXPECT_EQ(parsed.options.inputPath, "");
  EXPECT_EQ(parsed.options.nodesPath, "-");
  EXPECT_EQ(parsed.options.savePath, "out/x.plv");

  // The picture, 1200 x 900 unless a size is given.
  parsed = Parse({"--demo", "--picture", "d.svg"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.options.picturePath, "d.svg");
  EXPECT_EQ(parsed.options.pictureWidth, 1200);
  EXPECT_EQ(parsed.options.pictureHeight, 900);
  parsed = Parse({"--demo", "--picture-size=100x8000", "--picture=d.png"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.options.pictureWidth, 100);
  EXPECT_EQ(parsed.options.pictureHeight, 8000);
  // The envelope's picture is its band.
  parsed = Parse({"b.plv", "--envelope", "--picture", "e.svg"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_TRUE(parsed.options.envelope);
  EXPECT_EQ(parsed.options.picturePath, "e.svg");

  // After "--" a name that starts with "-" is the data file.
  parsed = Parse({"--save", "a.plv", "--", "--odd.plv"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.options.inputPath, "--odd.plv");
  EXPECT_EQ(parsed.options.savePath, "a.plv");

  // Help and version answer whatever else is on the line, as long as it is well formed.
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"--help"}, {"a.plv", "-h", "--version"}}) {
    parsed = Parse(arguments);
    EXPECT_TRUE(parsed.ok) << parsed.error;
    EXPECT_TRUE(parsed.options.help);
  }
  parsed = Parse({"--version"});
  EXPECT_TRUE(parsed.ok) << parsed.error;
  EXPECT_TRUE(parsed.options.version);
  EXPECT_FALSE(parsed.options.help);
  parsed = Parse({"--demo", "-h", "--bogus-after-help-is-still-wrong"});
  EXPECT_FALSE(parsed.ok);
}

TEST(BatchOptions, WrongCommandLinesAreRefusedWithTheReason) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "no data file given (or use --demo)"},
      {{"--nodes", "n.csv"}, "no data file given (or use --demo)"},
      {{"a.plv", "b.plv"}, "only one data file can be given, not also \"b.plv\""},
      {{"a.plv", "--demo"}, "give either a data file or --demo, not both"},
      {{"--demo", "--demo"}, "--demo is given twice"},
      {{"--demo", "--nodes"}, "--nodes needs a path"},
      {{"--demo", "--save="}, "--save needs a path"},
      {{"--demo", "--save", ""}, "--save needs a path"},
      {{"--demo", "--save", "a", "--save", "b"}, "--save is given twice"},
      {{"--demo", "--report"}, "--report needs a path"},
      {{"--demo", "--json="}, "--json needs a path"},
      {{"--demo", "--nodes", "-", "--json", "-"}, "--nodes and --json name the same file"},
      {{"--demo", "--save", "-"}, "--save needs a file, not standard output"},
      {{"--demo", "--report=-"}, "--report needs a file, not standard output"},
      {{"--demo", "--report", "r.pdf", "--nodes"}, "--nodes needs a path"},
      {{"--demo", "--nodesx"}, "unknown option \"--nodesx\""},
      {{"-x", "a.plv"}, "unknown option \"-x\""},
      {{""}, "the data file name is empty"},
      {{"--demo", "--picture", "-"}, "--picture needs a file, not standard output"},
      {{"--demo", "--picture-size", "640x480"}, "--picture-size needs --picture"},
      {{"--demo", "--picture", "p.png", "--picture-size", "640x480", "--picture-size=9x9"},
       "--picture-size is given twice"},
  };
  const std::string sizeError =
      "--picture-size needs WIDTHxHEIGHT in pixels, each from 100 to 8000, such as 1200x900";
  for (const char* size : {"99x500", "500x8001", "500", "x500", "500x", "5e2x500", "-500x500",
                           "500X500", "500x500x5", "0500 x500", "99999999999x500"}) {
    SCOPED_TRACE(size);
    const ParsedArguments parsed = Parse({"--demo", "--picture", "p.png", "--picture-size", size});
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.error, sizeError);
  }
  for (const auto& [arguments, error] : cases) {
    SCOPED_TRACE(error);
    const ParsedArguments parsed = Parse(arguments);
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.error, error);
  }
}

TEST(BatchOptions, LoadCasesEnvelopeMovingLoadStepAndSoilFactors) {
  ParsedArguments parsed = Parse({"b.plv", "--case", "Dead load"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.options.caseName, "Dead load");
  EXPECT_FALSE(parsed.options.envelope);
  parsed = Parse({"b.plv", "--combination=ULS \xC3\xA4"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.options.combinationName, "ULS \xC3\xA4");

  parsed = Parse({"b.plv", "--envelope", "--moving-load", "100:2.5:80.5:0:-1e1", "--step=0.25",
                  "--soil-factors", "0.5,1,2e0"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_TRUE(parsed.options.envelope);
  ASSERT_TRUE(parsed.options.movingLoad.has_value());
  const MovingLoad& load = *parsed.options.movingLoad;
  EXPECT_EQ(load.axleCount, 3);
  EXPECT_EQ(load.axleLoad[0], 100.0);
  EXPECT_EQ(load.axleLoad[1], 80.5);
  EXPECT_EQ(load.axleLoad[2], -10.0);
  EXPECT_EQ(load.spacing[0], 2.5);
  EXPECT_EQ(load.spacing[1], 0.0);
  EXPECT_EQ(load.spacing[2], 0.0);
  EXPECT_EQ(parsed.options.step, 0.25);
  EXPECT_EQ(parsed.options.soilFactors, (std::vector<double>{0.5, 1.0, 2.0}));
  // One axle, and the limits themselves.
  std::string twentyAxles = "1";
  for (int a = 1; a < 20; ++a) twentyAxles += ":1:1";
  parsed = Parse({"b.plv", "--envelope", "--moving-load", twentyAxles, "--soil-factors",
                  "1,1,1,1,1,1,1,1,1,1"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.options.movingLoad->axleCount, 20);
  EXPECT_EQ(parsed.options.soilFactors->size(), 10u);
  // The report prints the envelope.
  parsed = Parse({"b.plv", "--envelope", "--moving-load", " 50 ", "--report", "r.pdf"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.options.reportPath, "r.pdf");
  EXPECT_EQ(parsed.options.movingLoad->axleCount, 1);
  EXPECT_EQ(parsed.options.movingLoad->axleLoad[0], 50.0);

  const std::string movingUsage =
      "--moving-load needs axle loads in kN with the spacings in m between them, such as "
      "100:2.5:100";
  const std::string stepUsage = "--step needs a length in m above 0, such as 0.5";
  const std::string factorUsage =
      "--soil-factors needs factors above 0 separated by commas, such as 0.5,1,2";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"b.plv", "--envelope", "--moving-load", "100:2.5"}, movingUsage},
      {{"b.plv", "--envelope", "--moving-load", ""}, movingUsage},
      {{"b.plv", "--envelope", "--moving-load"}, movingUsage},
      {{"b.plv", "--envelope", "--moving-load", "100:2,5:100"}, movingUsage},
      {{"b.plv", "--envelope", "--moving-load", "100::100"}, movingUsage},
      {{"b.plv", "--envelope", "--moving-load", "100:2.5m:100"}, movingUsage},
      {{"b.plv", "--envelope", "--moving-load", "100:-1:100"},
       "--moving-load needs spacings of at least 0 m between the axles"},
      {{"b.plv", "--envelope", "--moving-load", twentyAxles + ":1:1"},
       "--moving-load has 21 axles; at most 20 can be given"},
      {{"b.plv", "--envelope", "--step", "0"}, stepUsage},
      {{"b.plv", "--envelope", "--step", "-0.5"}, stepUsage},
      {{"b.plv", "--envelope", "--step", "0,5"}, stepUsage},
      {{"b.plv", "--envelope", "--step"}, stepUsage},
      {{"b.plv", "--envelope", "--soil-factors", "0.5;1"}, factorUsage},
      {{"b.plv", "--envelope", "--soil-factors", "0.5,,2"}, factorUsage},
      {{"b.plv", "--envelope", "--soil-factors", "0,1"}, factorUsage},
      {{"b.plv", "--envelope", "--soil-factors", "1,1,1,1,1,1,1,1,1,1,1"},
       "--soil-factors has 11 factors; at most 10 can be given"},
      {{"b.plv", "--case"}, "--case needs a name"},
      {{"b.plv", "--combination="}, "--combination needs a name"},
      {{"b.plv", "--case", "a", "--case=b"}, "--case is given twice"},
      {{"b.plv", "--envelope", "--envelope"}, "--envelope is given twice"},
      {{"b.plv", "--envelope", "--step", "1", "--step", "2"}, "--step is given twice"},
      {{"b.plv", "--case", "a", "--combination", "b"},
       "give one of --case, --combination and --envelope, not more"},
      {{"b.plv", "--envelope", "--combination", "b"},
       "give one of --case, --combination and --envelope, not more"},
      {{"b.plv", "--moving-load", "100"}, "--moving-load needs --envelope"},
      {{"b.plv", "--case", "a", "--step", "1"}, "--step needs --envelope"},
      {{"b.plv", "--soil-factors", "1"}, "--soil-factors needs --envelope"},
  };
  for (const auto& [arguments, error] : cases) {
    SCOPED_TRACE(error);
    parsed = Parse(arguments);
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.error, error);
  }
}

TEST(BatchOptions, UsageNamesEveryOptionAndTheExitStatuses) {
  const std::string usage = BatchUsage();
  EXPECT_EQ(usage.rfind("Usage: pelvar-batch [OPTIONS] FILE.plv\n", 0), 0u);
  for (const char* word :
       {"--demo", "--nodes PATH", "--save PATH", "--report PATH", "--json PATH", "--picture PATH",
        "--picture-size WxH", "--case NAME", "--combination NAME", "--envelope",
        "--moving-load P1[:S1:P2[:S2:P3...]]", "--step DX", "--soil-factors F1,F2,...", "--help",
        "--version", "Exit status: 0"}) {
    EXPECT_NE(usage.find(word), std::string::npos) << word;
  }
}

}  // namespace
}  // namespace pelvar
