#include "params/commands.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace t418 {
namespace {

TEST(HdVerSignOfVersion, ClassifiesByGeneration) {
  struct Case {
    const char* version;
    THdVerSign expected;
  };
  const std::vector<Case> cases = {
      {"V1.2.3", THdVerSign::Hd520},    {"V1.0.0", THdVerSign::Hd520},
      {"1.99.99", THdVerSign::Hd520},   {"V2.0.1", THdVerSign::Hd521},
      {"2.99.99", THdVerSign::Hd521},   {"V3.0.0", THdVerSign::HdUnknown},
      {"0.9.9", THdVerSign::HdUnknown}, {"abc", THdVerSign::HdUnknown},
      {"", THdVerSign::HdUnknown},      {"2.100.0", THdVerSign::HdUnknown},  // spills to 30000
      {"1.2", THdVerSign::HdUnknown},   // two parts: 102, below the first generation
  };
  for (const auto& c : cases) EXPECT_EQ(HdVerSignOfVersion(c.version), c.expected) << c.version;
}

TEST(CommandNames, LookUpIgnoresLetterCaseOnly) {
  EXPECT_EQ(CmdFromName("wkmod"), static_cast<std::uint8_t>(TCmd::WKMOD));
  EXPECT_EQ(CmdFromName("wkmod"), 15);
  EXPECT_EQ(CmdFromName("Csq"), static_cast<std::uint8_t>(TCmd::CSQ));
  EXPECT_EQ(CmdFromName("H"), 0);
  EXPECT_EQ(CmdFromName("qhwver"), 92);
  for (const char* word : {"CSQ ", "REBOOT", "SMSEND", "OK", "", "AT+CSQ"})
    EXPECT_EQ(CmdFromName(word), kNoCmd) << "'" << word << "'";
  EXPECT_EQ(FindCmd("REBOOT"), std::nullopt);
  EXPECT_EQ(FindCmd("sockaen"), TCmd::SOCKAEN);
}

TEST(CommandNames, EveryWordRoundTripsInTableOrder) {
  const std::vector<std::string> expected = {
      "H", "E", "Z", "VER", "HDVER", "ENTM", "SN", "ICCID", "MEID", "IMEI",
      "IMSI", "STMSG", "RELD", "CLEAR", "CFGTF", "WKMOD", "CMDPW", "UART", "RFCEN", "UARTFT",
      "UARTFL", "APN", "SOCKA", "SOCKB", "SOCKAEN", "SOCKBEN", "SOCKASL", "SOCKBSL", "SOCKALK", "SOCKBLK",
      "SOCKATO", "SOCKBTO", "SOCKC", "SOCKD", "SOCKCEN", "SOCKDEN", "SOCKCSL", "SOCKDSL", "SOCKCLK", "SOCKDLK",
      "SOCKCTO", "SOCKDTO", "SOCKRSTIM", "SOCKIND", "REGEN", "REGTP", "REGDT", "REGSND", "HEARTEN", "HEARTDT",
      "HEARTSND", "HEARTTM", "HTPTP", "HTPURL", "HTPSV", "HTPHD", "HTPTO", "HTPFLT", "DSTNUM", "SMSFLT",
      "SMSPH", "CLOUD", "CSQ", "ID", "RSTIM", "GNSSFUNEN", "GNSSMOD", "GCLOUD", "GMDBS", "GPOSUPTM",
      "GWKMOD", "SOCKG", "SOCKGTO", "GREGEN", "GREGTP", "GREGDT", "GREGSND", "GPOSTP", "GPOSSND", "GBYDTU",
      "SOCKQ", "SOCKQTO", "QLBSADDEN", "QPOSPACK", "QPHONE", "QPOSUPTM", "QHEARTEN", "QHEARTTM", "QCITY", "QPRODUCER",
      "QTERMINAL", "QCARINFO", "QHWVER",
  };
  ASSERT_EQ(static_cast<int>(expected.size()), kCmdCount);
  ASSERT_EQ(std::set<std::string>(expected.begin(), expected.end()).size(), expected.size());
  for (int i = 0; i < kCmdCount; ++i) {
    const auto cmd = static_cast<TCmd>(i);
    EXPECT_EQ(CmdToName(cmd), expected[i]) << "ordinal " << i;
    EXPECT_EQ(CmdFromName(expected[i]), i) << expected[i];
  }
}

}  // namespace
}  // namespace t418
