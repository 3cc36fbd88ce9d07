#pragma once
// The command vocabulary of the terminal: the 93 command words in their fixed
// order, and the hardware models the tool can talk to.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace t418 {

enum class TCmd : std::uint8_t {
  H, E, Z, VER, HDVER, ENTM, SN, ICCID, MEID, IMEI,
  IMSI, STMSG, RELD, CLEAR, CFGTF, WKMOD, CMDPW, UART, RFCEN, UARTFT,
  UARTFL, APN, SOCKA, SOCKB, SOCKAEN, SOCKBEN, SOCKASL, SOCKBSL, SOCKALK, SOCKBLK,
  SOCKATO, SOCKBTO, SOCKC, SOCKD, SOCKCEN, SOCKDEN, SOCKCSL, SOCKDSL, SOCKCLK, SOCKDLK,
  SOCKCTO, SOCKDTO, SOCKRSTIM, SOCKIND, REGEN, REGTP, REGDT, REGSND, HEARTEN, HEARTDT,
  HEARTSND, HEARTTM, HTPTP, HTPURL, HTPSV, HTPHD, HTPTO, HTPFLT, DSTNUM, SMSFLT,
  SMSPH, CLOUD, CSQ, ID, RSTIM, GNSSFUNEN, GNSSMOD, GCLOUD, GMDBS, GPOSUPTM,
  GWKMOD, SOCKG, SOCKGTO, GREGEN, GREGTP, GREGDT, GREGSND, GPOSTP, GPOSSND, GBYDTU,
  SOCKQ, SOCKQTO, QLBSADDEN, QPOSPACK, QPHONE, QPOSUPTM, QHEARTEN, QHEARTTM, QCITY, QPRODUCER,
  QTERMINAL, QCARINFO, QHWVER,
};

inline constexpr int kCmdCount = 93;
// What CmdFromName gives for a word that is no command; it names no member.
inline constexpr std::uint8_t kNoCmd = 255;

// The command word, e.g. TCmd::WKMOD gives "WKMOD".
std::string CmdToName(TCmd cmd);
// The ordinal of the member whose name equals the text, ASCII case ignored;
// kNoCmd when there is none ("CSQ " with a blank is none).
std::uint8_t CmdFromName(std::string_view name);
// The same, as an optional member.
std::optional<TCmd> FindCmd(std::string_view name);

// The hardware model the tool believes it talks to.
enum class THdVerSign : std::uint8_t { HdUnknown = 0, Hd520 = 1, Hd521 = 2, Hd540 = 3 };

// Hd520 for versions 1.x.x, Hd521 for 2.x.x, HdUnknown otherwise (also for
// a text that is no version).
THdVerSign HdVerSignOfVersion(std::string_view version);

// The two bytes of hardware state: the model and the identity command it implies.
struct HardwareSign {
  THdVerSign current = THdVerSign::Hd540;
  TCmd identityCmd = TCmd::MEID;
};

}  // namespace t418
