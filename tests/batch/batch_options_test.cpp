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

TEST(BatchOptions, UsageNamesEveryOptionAndTheExitStatuses) {
  const std::string usage = BatchUsage();
  EXPECT_EQ(usage.rfind("Usage: pelvar-batch [OPTIONS] FILE.plv\n", 0), 0u);
  for (const char* word :
       {"--demo", "--nodes PATH", "--save PATH", "--report PATH", "--json PATH", "--picture PATH",
        "--picture-size WxH", "--help", "--version", "Exit status: 0"}) {
    EXPECT_NE(usage.find(word), std::string::npos) << word;
  }
}

}  // namespace
}  // namespace pelvar
