#include "params/commands.h"

#include <array>

#include "text/ascii_case.h"
#include "params/encodings.h"

namespace t418 {
namespace {

constexpr std::array<std::string_view, kCmdCount> kNames = {
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

}  // namespace

std::string CmdToName(TCmd cmd) {
  const auto index = static_cast<std::size_t>(cmd);
  return index < kNames.size() ? std::string(kNames[index]) : std::string();
}

std::uint8_t CmdFromName(std::string_view name) {
  for (std::size_t i = 0; i < kNames.size(); ++i)
    if (EqualsIgnoringAsciiCase(kNames[i], name)) return static_cast<std::uint8_t>(i);
  return kNoCmd;
}

std::optional<TCmd> FindCmd(std::string_view name) {
  const auto ordinal = CmdFromName(name);
  if (ordinal == kNoCmd) return std::nullopt;
  return static_cast<TCmd>(ordinal);
}

THdVerSign HdVerSignOfVersion(std::string_view version) {
  // Taken as an unsigned 32-bit number, so an invalid text (-1) falls outside both ranges.
  const auto n = static_cast<std::uint32_t>(VersionToNumber(version));
  if (n >= 10000 && n <= 19999) return THdVerSign::Hd520;
  if (n >= 20000 && n <= 29999) return THdVerSign::Hd521;
  return THdVerSign::HdUnknown;
}

}  // namespace t418
