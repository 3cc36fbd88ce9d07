#pragma once
// Which catalogue name gives each control of the main window its text: the
// naming rule ("lang_" + the control's name, entries and menu items adding
// their position), its exceptions, and the hints. The session test checks
// these on the form, the window test on the widgets.
#include <string>
#include <vector>

namespace t418::testing {

// Controls whose caption is the text of "lang_" + their own name.
inline const std::vector<std::string>& NamedCaptions() {
  static const std::vector<std::string> names = {
      // labels
      "lblHeartTm", "lblHeartDt", "lblHeartSnd", "lblRegSnd", "lblRegTp", "lblHTPTP", "lblHTPURL", "lblHTPSVIP",
      "lblHTPSVPort", "lblHTPHD", "lblDSTNUM", "lblUart", "lblBaud", "lblUARTFT", "lblUARTFL", "lblReTelNum",
      "lbldevid", "lblpwd", "lblMODBUSID1", "lblMODBUSAddr1", "lblreportinternal", "lblGBYSOCKTA", "lblGBYSOCKTB",
      "lblGPOSSND", "RzLabelSOCKG", "lblSockgAddr", "lblSOCKGTO", "lblGREGTYPE", "lblGREGTP", "lblGREGDT",
      "lblGPOSUPTM", "lblGHEARTTP2", "lblMODBUSID2", "lblMODBUSAddr2", "lblJT808", "lblSOCKQ", "lblprotocol",
      "lblSOCKQTO", "lblPosReport", "lblQPOSUPTM", "lblQphone", "lblQHEARTTM", "lblProvince", "lblcity",
      "lblCounty", "lblQPRODUCER", "lblTerminalid", "lblTerminalmode", "lblTerminaltype", "lblCarcolor",
      "lblCarNum", "lblHWver",
      // check boxes
      "rzchckbxHeartEn", "rzchckbxRegEn", "rzchckbxSOCKIND", "rzchckbxHtpFlt", "rzchckbxSMSFLT", "rzchckbxSMSPH",
      "rzchckbxMore", "rzchckbxRFC", "rzchckbxE", "chbTime", "rzchckbxGNSSen", "rzchckbxGREGTP",
      "rzchckbxQLBSADDEN", "rzchckbxQPOSPACK", "rzchckbxQHEARTEN", "rzchckbxGNSSMore",
      // radio buttons
      "rbNetTran", "rbUdc", "rbHttpd", "rbSmsTran", "rbZavCloud", "rbPrivateCloud", "rbQianXun", "rbMULT", "rbINDE",
      // groups
      "rzgrpbxWkmod", "rzgrpbxBase", "rzgrpbxDo", "rzgrpbxGNSS",
      // buttons
      "btnAskAll", "btnSetAll", "btnPPPA", "btnENTM", "btnH", "btnZ", "btnSysRestart", "btnVER", "btnCNUM",
      "btnCFGTF", "btnRELD", "btnCLEAR", "btnCSQ", "btnResetCount", "btnSend",
      // labelled edit fields (their attached label)
      "lbledtSockRsTim", "lbledtCmdPw", "lbledtStMsg", "lbledtApn", "lbledtRsTim",
      // the port toolbar's labels (their hint is "hint_cbbOpenUart")
      "lblOpenCom", "lblOpenBaud", "lblOpenPDS", "lblOpenFlow"};
  return names;
}

// Captions from another name, with a suffix.
struct CaptionOf {
  std::string control;
  std::string name;
  std::string suffix;
};

inline const std::vector<CaptionOf>& CaptionExceptions() {
  static const std::vector<CaptionOf> rows = {
      {"rzchckbxSktA", "lang_rzchckbxSkt", "A"}, {"rzchckbxSktB", "lang_rzchckbxSkt", "B"},
      {"rzchckbxSktC", "lang_rzchckbxSkt", "C"}, {"rzchckbxSktD", "lang_rzchckbxSkt", "D"},
      {"lblIpAndPortA", "lang_lblIpAndPort", ""}, {"lblIpAndPortB", "lang_lblIpAndPort", ""},
      {"lblIpAndPortC", "lang_lblIpAndPort", ""}, {"lblIpAndPortD", "lang_lblIpAndPort", ""},
      {"lblLinkTpyeA", "lang_lblLinkTpye", ""},   {"lblLinkTpyeB", "lang_lblLinkTpye", ""},
      {"lblLinkTpyeC", "lang_lblLinkTpye", ""},   {"lblLinkTpyeD", "lang_lblLinkTpye", ""},
      {"lblSockATo", "lang_OverTimeS", ""},       {"lblSockBTo", "lang_OverTimeS", ""},
      {"lblSockCTo", "lang_OverTimeS", ""},       {"lblSockDTo", "lang_OverTimeS", ""},
      {"lblHtpTo", "lang_OverTimeS", ""},         {"lblPDS", "lang_lblOpenPDS", ""},
      {"lblFlow", "lang_lblOpenFlow", ""},        {"lblSend", "lang_lblTxHex", ""},
      {"lblRe", "lang_lblRxHex", ""},
  };
  return rows;
}

// An entry of a choice list or an item of a pop-up menu (separators count).
struct ItemOf {
  std::string control;
  int index;
  std::string name;
};

inline const std::vector<ItemOf>& ListEntries() {
  static const std::vector<ItemOf> rows = [] {
    std::vector<ItemOf> out;
    const auto named = [&out](const std::string& list, std::vector<int> indexes) {
      for (int i : indexes) out.push_back({list, i, "lang_" + list + std::to_string(i)});
    };
    named("cbbASL", {0, 1});
    named("cbbHeartSnd", {0, 1});
    named("cbbRegSnd", {0, 1});
    named("cbbRegTp", {0});
    named("cbbGPOSSND", {0, 1, 2});
    named("cbbGREGTYPE", {0, 1});
    named("cbbGREGTP", {0, 1, 2, 3, 4});
    named("cbbGHEARTTP2", {0, 1, 2});
    for (const char* type : {"cbbtype0", "cbbtype1", "cbbtype2", "cbbtype3", "cbbtype6", "cbbtype7"})
      named(type, {0, 1});
    named("cbbCarcolor", {0, 1, 2, 3, 4, 5});
    // The exceptions.
    for (const char* list : {"cbbBSL", "cbbCSL", "cbbDSL"}) {
      out.push_back({list, 0, "lang_cbbASL0"});
      out.push_back({list, 1, "lang_cbbASL1"});
    }
    out.push_back({"cbbRegTp", 2, "lang_cbbRegTp3"});
    out.push_back({"cbbRegTp", 3, "lang_cbbRegTp4"});
    out.push_back({"cbbBYsocketA", 0, "lang_lblGBYSOCKTAItem0"});
    out.push_back({"cbbBYsocketA", 1, "lang_lblGBYSOCKTAItem1"});
    out.push_back({"cbbBYsocketB", 0, "lang_lblGBYSOCKTBItem0"});
    out.push_back({"cbbBYsocketB", 1, "lang_lblGBYSOCKTBItem1"});
    return out;
  }();
  return rows;
}

inline const std::vector<ItemOf>& PopupItems() {
  static const std::vector<ItemOf> rows = [] {
    std::vector<ItemOf> out;
    const auto named = [&out](const std::string& menu, std::vector<int> positions) {
      for (int i : positions) out.push_back({menu, i, "lang_" + menu + std::to_string(i)});
    };
    named("pmSendType", {0, 1});
    named("pmSend", {0, 1, 3});
    named("pmCls", {0, 1, 2, 4});
    named("pmFwUpOpt", {0, 1});
    return out;
  }();
  return rows;
}

struct HintOf {
  std::string control;
  std::string name;
};

// The hints applied last, and those of the port toolbar's labels.
inline const std::vector<HintOf>& Hints() {
  static const std::vector<HintOf> rows = {
      {"cbbOpenBaud", "hint_cbbOpenUart"}, {"cbbOpenP", "hint_cbbOpenUart"},  {"cbbOpenD", "hint_cbbOpenUart"},
      {"cbbOpenS", "hint_cbbOpenUart"},    {"cbbOpenFlow", "hint_cbbOpenUart"}, {"lblOpenCom", "hint_cbbOpenUart"},
      {"lblOpenBaud", "hint_cbbOpenUart"}, {"lblOpenPDS", "hint_cbbOpenUart"}, {"lblOpenFlow", "hint_cbbOpenUart"},
      {"cbbBaud", "hint_cbbUart"},         {"cbbFlow", "hint_cbbUart"},         {"cbbP", "hint_cbbUart"},
      {"cbbD", "hint_cbbUart"},            {"cbbS", "hint_cbbUart"},            {"imgCKZD", "hint_cbbUart"},
      {"rzchckbxSktA", "hint_chkEn"},      {"rzchckbxHeartDtHex", "hint_chkHex"}, {"rzchckbxRegDtHex", "hint_chkHex"},
      {"imgGIF", "hint_imgGif"},
  };
  return rows;
}

// Named above but not part of this window: no button sends the phone-number
// query, the firmware options menu has no place yet, and there is no hidden picture.
inline const std::vector<std::string>& NotInTheWindow() {
  static const std::vector<std::string> names = {"btnCNUM", "pmFwUpOpt", "imgGIF"};
  return names;
}

}  // namespace t418::testing
