#pragma once
// The commands a read-all asks for, in the order it asks: the version first,
// then the 69 queries with IMEI as the identity command.
#include <string>
#include <vector>

namespace t418::testing {

inline const std::vector<std::string>& ReadAllQueryNames() {
  static const std::vector<std::string> names = {
      "VER",      "E",         "WKMOD",     "CMDPW",     "STMSG",    "RSTIM",   "SN",       "ICCID",
      "IMEI",     "IMSI",      "UART",      "UARTFT",    "UARTFL",   "APN",     "SOCKA",    "SOCKB",
      "SOCKAEN",  "SOCKBEN",   "SOCKASL",   "SOCKBSL",   "SOCKALK",  "SOCKBLK", "SOCKATO",  "SOCKBTO",
      "SOCKIND",  "SOCKRSTIM", "REGEN",     "REGTP",     "REGDT",    "REGSND",  "CLOUD",    "ID",
      "HEARTEN",  "HEARTDT",   "HEARTSND",  "HEARTTM",   "HTPTP",    "HTPURL",  "HTPSV",    "HTPHD",
      "HTPTO",    "HTPFLT",    "GNSSFUNEN", "GNSSMOD",   "GCLOUD",   "GMDBS",   "GPOSUPTM", "GWKMOD",
      "SOCKG",    "SOCKGTO",   "GREGEN",    "GREGTP",    "GREGDT",   "GREGSND", "GPOSTP",   "GPOSSND",
      "GBYDTU",   "SOCKQ",     "SOCKQTO",   "QLBSADDEN", "QPOSPACK", "QPHONE",  "QPOSUPTM", "QHEARTEN",
      "QHEARTTM", "QCITY",     "QPRODUCER", "QTERMINAL", "QCARINFO", "QHWVER"};
  return names;
}

// Each name as a query, "AT+NAME?" followed by `ending`.
inline std::vector<std::string> ReadAllQueryLines(const std::string& ending) {
  std::vector<std::string> lines;
  for (const auto& name : ReadAllQueryNames()) lines.push_back("AT+" + name + "?" + ending);
  return lines;
}

}  // namespace t418::testing
