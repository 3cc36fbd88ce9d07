#include "t418-sim/value_syntax.h"

#include <map>

namespace t418::sim {
namespace {

// Plausible factory settings of a terminal fresh from the works, and the
// answers of the read-only words. The hex packets spell "www.example.com";
// the plate holds a Chinese character as GBK bytes.
const std::map<std::string, std::string, std::less<>>& FactoryValues() {
  static const std::string examplePacket = "7777772E6578616D706C652E636F6D";
  static const std::map<std::string, std::string, std::less<>> values = {
      {"E", "ON"},
      {"VER", "V1.0.5"},
      {"HDVER", "V2.0.0"},  // replaced by the hardware version option
      {"SN", "01201909110100002468"},
      {"ICCID", "89860118802125746431"},
      {"MEID", "A1000049D3F5E2"},
      {"IMEI", "868323028765432"},
      {"IMSI", "460041234567890"},
      {"STMSG", "[ZAV-T418]"},
      {"WKMOD", "NET"},
      {"CMDPW", "zuzuv"},
      {"UART", "115200,8,1,NONE,NFC"},
      {"RFCEN", "OFF"},
      {"UARTFT", "50"},
      {"UARTFL", "1024"},
      {"APN", "CMNET,,,0"},
      {"SOCKA", "TCP,server.example.com,2317"},
      {"SOCKB", "TCP,server.example.com,2318"},
      {"SOCKAEN", "ON"},
      {"SOCKBEN", "OFF"},
      {"SOCKASL", "LONG"},
      {"SOCKBSL", "LONG"},
      {"SOCKALK", ""},  // answered from SOCKAEN
      {"SOCKBLK", ""},
      {"SOCKATO", "5"},
      {"SOCKBTO", "5"},
      {"SOCKC", "TCP,server.example.com,2319"},
      {"SOCKD", "TCP,server.example.com,2320"},
      {"SOCKCEN", "OFF"},
      {"SOCKDEN", "OFF"},
      {"SOCKCSL", "LONG"},
      {"SOCKDSL", "LONG"},
      {"SOCKCLK", ""},
      {"SOCKDLK", ""},
      {"SOCKCTO", "5"},
      {"SOCKDTO", "5"},
      {"SOCKRSTIM", "60"},
      {"SOCKIND", "OFF"},
      {"REGEN", "OFF"},
      {"REGTP", "ICCID"},
      {"REGDT", examplePacket},
      {"REGSND", "LINK"},
      {"HEARTEN", "ON"},
      {"HEARTDT", examplePacket},
      {"HEARTSND", "NET"},
      {"HEARTTM", "30"},
      {"HTPTP", "GET"},
      {"HTPURL", "/1.php[3F]"},
      {"HTPSV", "server.example.com,80"},
      {"HTPHD", "Connection: close[0D][0A]"},
      {"HTPTO", "10"},
      {"HTPFLT", "ON"},
      {"DSTNUM", "12345"},
      {"SMSFLT", "OFF"},
      {"SMSPH", "OFF"},
      {"CLOUD", "00000000000000000000,00000000"},
      {"ID", "T418UDC0001"},
      {"RSTIM", "1800"},
      {"GNSSFUNEN", "0"},
      {"GNSSMOD", "CLOUD"},
      {"GCLOUD", "00000000000000000000,00000000"},
      {"GMDBS", "1,0"},
      {"GPOSUPTM", "30"},
      {"GWKMOD", "INDE"},
      {"SOCKG", "TCPC,server.example.com,2317"},
      {"SOCKGTO", "5"},
      {"GREGEN", "OFF"},
      {"GREGTP", "ICCID"},
      {"GREGDT", examplePacket},
      {"GREGSND", "LINK"},
      {"GPOSTP", "RMC"},
      {"GPOSSND", "NET"},
      {"GBYDTU", "0,0"},
      {"SOCKQ", "TCP,192.0.2.10,8808"},
      {"SOCKQTO", "5"},
      {"QLBSADDEN", "ON"},
      {"QPOSPACK", "OFF"},
      {"QPHONE", "013800138000"},
      {"QPOSUPTM", "30"},
      {"QHEARTEN", "OFF"},
      {"QHEARTTM", "30"},
      {"QCITY", "110101"},
      {"QPRODUCER", "T418"},
      {"QTERMINAL", "T418GNS,t418-gnss-001,15"},
      {"QCARINFO",
       "1,\xBE\xA9"
       "A12345"},
      {"QHWVER", "V2.0"},
  };
  return values;
}

std::vector<CommandSpec> BuildSpecs() {
  std::vector<CommandSpec> commands;
  for (const CommandSyntax& syntax : CommandSyntaxes()) {
    const auto factory = FactoryValues().find(syntax.name);
    commands.push_back({syntax.name, syntax.form, factory == FactoryValues().end() ? "" : factory->second,
                        syntax.rule});
  }
  return commands;
}

}  // namespace

const std::vector<CommandSpec>& CommandSpecs() {
  static const std::vector<CommandSpec> commands = BuildSpecs();
  return commands;
}

const CommandSpec* FindSpec(std::string_view name) {
  const CommandSyntax* syntax = FindSyntax(name);
  if (syntax == nullptr) return nullptr;
  return &CommandSpecs()[static_cast<std::size_t>(syntax - CommandSyntaxes().data())];
}

}  // namespace t418::sim
