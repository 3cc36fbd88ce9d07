// The command line of t418-sim.
#include "t418-sim/sim_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace t418::sim {
namespace {

TEST(SimOptionsTest, TakesEveryOptionInBothSpellings) {
  std::string error;
  std::vector<std::string> warnings;
  const auto options = ParseOptions({"--name",       "ttyA",
                                     "--latency=25", "--baud",
                                     "9600",         "--start-in-data-mode",
                                     "--bootloader", "--silent",
                                     "ver",          "--silent=IMEI",
                                     "--error",      "WKMOD",
                                     "--unreadable", "apn",
                                     "--split",      "uart",
                                     "--nak-every",  "3",
                                     "--state",      "s.txt",
                                     "--config=c.state",
                                     "--log=l.txt",  "--firmware-out",
                                     "fw.bin",       "--hdver",
                                     "V1.2.3",       "--any-line",
                                     "--forgetful",  "--boot-answer-c",
                                     "--chunk",      "7",
                                     "--chunk-gap=40"},
                                    error, warnings);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->name, "ttyA");
  EXPECT_EQ(options->latencyMs, 25);
  EXPECT_EQ(options->baud, 9600);
  EXPECT_TRUE(options->startInDataMode);
  EXPECT_TRUE(options->bootLoader);
  EXPECT_EQ(options->silent, (std::set<std::string, std::less<>>{"IMEI", "VER"}));
  EXPECT_EQ(options->error, (std::set<std::string, std::less<>>{"WKMOD"}));
  EXPECT_EQ(options->unreadable, (std::set<std::string, std::less<>>{"APN"}));
  EXPECT_EQ(options->split, (std::set<std::string, std::less<>>{"UART"}));
  EXPECT_EQ(options->nakEvery, 3);
  EXPECT_EQ(options->stateFile, "s.txt");
  EXPECT_EQ(options->configFile, "c.state");
  EXPECT_EQ(options->logFile, "l.txt");
  EXPECT_EQ(options->firmwareOut, "fw.bin");
  EXPECT_EQ(options->hardwareVersion, "V1.2.3");
  EXPECT_TRUE(options->anyLine);
  EXPECT_TRUE(options->forgetful);
  EXPECT_TRUE(options->bootAnswerC);
  EXPECT_EQ(options->chunk, 7);
  EXPECT_EQ(options->chunkGapMs, 40);
  EXPECT_TRUE(warnings.empty());

  const auto defaults = ParseOptions({}, error, warnings);
  ASSERT_TRUE(defaults);
  EXPECT_EQ(defaults->name, "ttySIM0");
  EXPECT_EQ(defaults->hardwareVersion, "V2.0.0");
  EXPECT_EQ(defaults->baud, 0);
  EXPECT_FALSE(defaults->anyLine);
  EXPECT_FALSE(defaults->forgetful);
  EXPECT_FALSE(defaults->bootAnswerC);
  EXPECT_EQ(defaults->chunk, 0);
}

TEST(SimOptionsTest, MistakesAreNamedAndUnknownWordsWarned) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--latency"}, "--latency needs a value"},
      {{"--latency", "-5"}, "--latency needs a whole number from 0 to 60000, not \"-5\""},
      {{"--baud", "fast"}, "--baud needs a whole number from 0 to 4000000, not \"fast\""},
      {{"--name", "a/b"}, "--name needs a plain file name, not \"a/b\""},
      {{"--bootloader=yes"}, "--bootloader takes no value"},
      {{"--silent", ""}, "--silent needs a command word"},
      {{"--fast"}, "unknown option \"--fast\""},
  };
  for (const auto& [args, message] : cases) {
    std::string error;
    std::vector<std::string> warnings;
    EXPECT_FALSE(ParseOptions(args, error, warnings)) << args.front();
    EXPECT_EQ(error, message);
  }
  std::string error;
  std::vector<std::string> warnings;
  EXPECT_TRUE(ParseOptions({"--error", "NOPE"}, error, warnings));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("NOPE"), std::string::npos);
}

}  // namespace
}  // namespace t418::sim
