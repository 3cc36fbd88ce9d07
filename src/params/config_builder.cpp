#include "params/config_builder.h"

#include <array>
#include <initializer_list>

#include "lang/text_catalogue.h"
#include "lang/text_lookup.h"
#include "monitor/traffic_log.h"
#include "params/form_getters.h"
#include "params/order_list.h"
#include "text/gbk.h"
#include "text/hex.h"
#include "params/region_view.h"

namespace t418 {
namespace {

// Two or three texts joined by ",".
std::string Join(const std::string& a, const std::string& b) { return a + "," + b; }
std::string Join(const std::string& a, const std::string& b, const std::string& c) {
  return a + "," + b + "," + c;
}

bool AnyEmpty(std::initializer_list<const std::string*> texts) {
  for (const std::string* text : texts)
    if (text->empty()) return true;
  return false;
}

// A data field's text as the terminal takes it: unchanged when entered as hex,
// else turned into hex.
std::string HexValue(const std::string& text, const CheckBox& hexBox) {
  return hexBox.Checked() ? text : TextToHex(text, "");
}

// One run of the build: the lines go straight into the order list; a refusal
// is returned and the caller empties the list.
class ConfigWriter {
 public:
  ConfigWriter(ParamForm& form, const HardwareSign& hardware, OrderList& orders)
      : f_(form), hardware_(hardware), orders_(orders) {}

  ConfigRefusal Write() {
    orders_.ClearOrders();
    WriteWorkMode(CurrentWorkMode(f_));
    Add(TCmd::GNSSFUNEN, OneZeroText(f_.rzchckbxGNSSen));
    if (f_.rzchckbxGNSSen.Checked()) {
      ConfigRefusal refusal = ConfigRefusal::None;
      switch (CurrentGnssService(f_)) {
        case 1: refusal = WriteMakersCloud(); break;
        case 2: refusal = WriteQianXun(); break;
        default: refusal = WritePrivateCloud(); break;
      }
      if (refusal != ConfigRefusal::None) return refusal;
    }
    WriteGlobals();
    return ConfigRefusal::None;
  }

 private:
  void Add(TCmd cmd, const std::string& value) { orders_.AddSet(cmd, value); }

  // ---- Work mode ----

  void WriteWorkMode(int mode) {
    switch (mode) {
      case 1: WriteHttpd(); break;
      case 2: WriteSms(); break;
      case 0:
      case 3: WriteNetwork(mode == 3); break;
      default: break;  // no work mode chosen
    }
  }

  void WriteHttpd() {
    Add(TCmd::WKMOD, "HTTPD");
    Add(TCmd::HTPTP, f_.cbbHTPTP.Text());
    Add(TCmd::HTPURL, f_.edtHTPURL.Text());
    Add(TCmd::HTPSV, Join(f_.edtHTPSVIP.Text(), f_.edtHTPSVPort.Text()));
    Add(TCmd::HTPTO, f_.edtHtpTo.Text());
    Add(TCmd::HTPHD, f_.edtHTPHD.Text());
    Add(TCmd::HTPFLT, OnOffText(f_.rzchckbxHtpFlt));
  }

  void WriteSms() {
    Add(TCmd::WKMOD, "SMS");
    Add(TCmd::DSTNUM, f_.edtDSTNUM.Text());
    Add(TCmd::SMSFLT, OnOffText(f_.rzchckbxSMSFLT));
    Add(TCmd::SMSPH, OnOffText(f_.rzchckbxSMSPH));
  }

  struct Socket {
    const CheckBox& enabled;
    const ChoiceList& protocol;
    const Edit& address;
    const Edit& port;
    const ChoiceList& connectionKind;
    const Edit& timeout;
    TCmd cmdEnabled, cmdServer, cmdKind, cmdTimeout;
  };

  void WriteSocket(const Socket& s) {
    if (!s.enabled.Checked()) {
      Add(s.cmdEnabled, "OFF");
      return;
    }
    Add(s.cmdEnabled, "ON");
    Add(s.cmdServer, Join(s.protocol.Text(), s.address.Text(), s.port.Text()));
    if (s.connectionKind.ItemIndex() == 0)
      Add(s.cmdKind, "SHORT");
    else if (s.connectionKind.ItemIndex() == 1)
      Add(s.cmdKind, "LONG");
    Add(s.cmdTimeout, s.timeout.Text());
  }

  void WriteNetwork(bool udc) {
    Add(TCmd::WKMOD, udc ? "UDC" : "NET");
    WriteSocket({f_.rzchckbxSktA, f_.cbbProtocolA, f_.edtAddrA, f_.edtPortA, f_.cbbASL, f_.edtSockATo,
                 TCmd::SOCKAEN, TCmd::SOCKA, TCmd::SOCKASL, TCmd::SOCKATO});
    WriteSocket({f_.rzchckbxSktB, f_.cbbProtocolB, f_.edtAddrB, f_.edtPortB, f_.cbbBSL, f_.edtSockBTo,
                 TCmd::SOCKBEN, TCmd::SOCKB, TCmd::SOCKBSL, TCmd::SOCKBTO});
    Add(TCmd::SOCKRSTIM, f_.lbledtSockRsTim.Text());
    WriteHeartbeat();
    WriteRegistration(udc);
    Add(TCmd::SOCKIND, OnOffText(f_.rzchckbxSOCKIND));
  }

  void WriteHeartbeat() {
    if (!f_.rzchckbxHeartEn.Checked()) {
      Add(TCmd::HEARTEN, "OFF");
      return;
    }
    Add(TCmd::HEARTEN, "ON");
    Add(TCmd::HEARTTM, f_.edtHeartTm.Text());
    Add(TCmd::HEARTDT, HexValue(f_.edtHeartDt.Text(), f_.rzchckbxHeartDtHex));
    const int target = f_.cbbHeartSnd.ItemIndex();
    if (target == 0 || target == 1) Add(TCmd::HEARTSND, target == 0 ? "NET" : "COM");
  }

  void WriteRegistration(bool udc) {
    if (!f_.rzchckbxRegEn.Checked()) {
      Add(TCmd::REGEN, "OFF");
      return;
    }
    Add(TCmd::REGEN, "ON");
    const int moment = f_.cbbRegSnd.ItemIndex();
    if (moment == 0 || moment == 1) Add(TCmd::REGSND, moment == 0 ? "LINK" : "DATA");
    if (udc) {
      Add(TCmd::ID, f_.edtUdcId.Text());
      return;
    }
    switch (f_.cbbRegTp.ItemIndex()) {
      case 0:
        Add(TCmd::REGTP, "ICCID");
        break;
      case 1:
        Add(TCmd::REGTP, CmdToName(hardware_.identityCmd));
        break;
      case 2:
        Add(TCmd::REGTP, "CLOUD");
        Add(TCmd::CLOUD, Join(f_.cbbRegDt.Text(), f_.edtCloudPa.Text()));
        break;
      case 3:
        Add(TCmd::REGTP, "USER");
        Add(TCmd::REGDT, HexValue(f_.cbbRegDt.Text(), f_.rzchckbxRegDtHex));
        break;
      default:
        break;
    }
  }

  // ---- GNSS services ----

  ConfigRefusal WriteMakersCloud() {
    if (AnyEmpty({&f_.edtdevid.Text(), &f_.edtpwd.Text(), &f_.edtMODBUSID1.Text(), &f_.edtMODBUSAddr1.Text(),
                  &f_.edtreportinternal.Text()}))
      return ConfigRefusal::CloudIncomplete;
    Add(TCmd::GNSSMOD, "CLOUD");
    if (f_.edtdevid.Text().size() != 20) return ConfigRefusal::CloudDeviceIdLength;
    if (f_.edtpwd.Text().size() != 8) return ConfigRefusal::CloudPasswordLength;
    Add(TCmd::GCLOUD, Join(f_.edtdevid.Text(), f_.edtpwd.Text()));
    Add(TCmd::GMDBS, Join(f_.edtMODBUSID1.Text(), f_.edtMODBUSAddr1.Text()));
    Add(TCmd::GPOSUPTM, f_.edtreportinternal.Text());
    return ConfigRefusal::None;
  }

  ConfigRefusal WriteQianXun() {
    // The advanced fields are required whether or not their box is checked.
    if (AnyEmpty({&f_.cbbprotocol.Text(), &f_.edtSOCKQAddr.Text(), &f_.edtSOCKQport.Text(),
                  &f_.edtSOCKQTO.Text(), &f_.edtQPOSUPTM.Text(), &f_.edtQphone.Text(), &f_.edtQHEARTTM.Text(),
                  &f_.edtQCITY.Text(), &f_.edtQPRODUCER.Text(), &f_.edtTerminalID.Text(),
                  &f_.edtTerminalmode.Text(), &f_.cbbCarcolor.Text(), &f_.edtCarNum.Text(),
                  &f_.edtlHWver.Text()}))
      return ConfigRefusal::QianXunIncomplete;
    Add(TCmd::GNSSMOD, "QX");
    Add(TCmd::SOCKQ, Join(f_.cbbprotocol.Text(), f_.edtSOCKQAddr.Text(), f_.edtSOCKQport.Text()));
    Add(TCmd::SOCKQTO, f_.edtSOCKQTO.Text());
    Add(TCmd::QLBSADDEN, OnOffText(f_.rzchckbxQLBSADDEN));
    Add(TCmd::QPOSPACK, OnOffText(f_.rzchckbxQPOSPACK));
    Add(TCmd::QPOSUPTM, f_.edtQPOSUPTM.Text());
    // JT808 wants 12 digits: an 11-digit mobile number gets a leading "0",
    // which the field then shows.
    if (f_.edtQphone.Text().size() == 11)
      f_.edtQphone.SetText("0" + f_.edtQphone.Text());
    else if (f_.edtQphone.Text().size() < 11)
      return ConfigRefusal::QianXunPhone;
    Add(TCmd::QPHONE, f_.edtQphone.Text());
    Add(TCmd::QHEARTEN, OnOffText(f_.rzchckbxQHEARTEN));
    Add(TCmd::QHEARTTM, f_.edtQHEARTTM.Text());
    if (f_.rzchckbxGNSSMore.Checked()) {
      if (f_.edtQCITY.Text().size() != 6) return ConfigRefusal::QianXunRegionCode;
      Add(TCmd::QCITY, RegionCodeValue(f_));
      Add(TCmd::QPRODUCER, f_.edtQPRODUCER.Text());
      Add(TCmd::QTERMINAL, TerminalValue(f_));
      Add(TCmd::QCARINFO, CarInfoValue(f_));
      Add(TCmd::QHWVER, f_.edtlHWver.Text());
    }
    return ConfigRefusal::None;
  }

  ConfigRefusal WritePrivateCloud() {
    Add(TCmd::GNSSMOD, "NET");
    if (f_.rbMULT.Checked()) {
      if (ConfigRefusal refusal = WriteSharedSockets(); refusal != ConfigRefusal::None) return refusal;
    } else if (f_.rbINDE.Checked()) {
      if (ConfigRefusal refusal = WriteOwnServer(); refusal != ConfigRefusal::None) return refusal;
    }
    if (AnyEmpty({&f_.edtGPOSUPTM.Text(), &f_.cbbGHEARTTP2.Text()})) return ConfigRefusal::PrivateIncomplete;
    Add(TCmd::GPOSUPTM, f_.edtGPOSUPTM.Text());
    switch (f_.cbbGHEARTTP2.ItemIndex()) {
      case 0:
        Add(TCmd::GPOSTP, "RMC");
        break;
      case 1:
        Add(TCmd::GPOSTP, "GGA");
        break;
      case 2:
        Add(TCmd::GPOSTP, "MDBS");
        if (AnyEmpty({&f_.edtMODBUSID2.Text(), &f_.edtMODBUSAddr2.Text()}))
          return ConfigRefusal::PrivateIncomplete;
        Add(TCmd::GMDBS, Join(f_.edtMODBUSID2.Text(), f_.edtMODBUSAddr2.Text()));
        break;
      default:
        break;
    }
    return ConfigRefusal::None;
  }

  ConfigRefusal WriteSharedSockets() {
    if (AnyEmpty({&f_.cbbBYsocketA.Text(), &f_.cbbBYsocketB.Text(), &f_.cbbGPOSSND.Text()}))
      return ConfigRefusal::PrivateSharedIncomplete;
    Add(TCmd::GWKMOD, "MULT");
    Add(TCmd::GBYDTU, Join(IndexOneZeroText(f_.cbbBYsocketA), IndexOneZeroText(f_.cbbBYsocketB)));
    static constexpr std::array<const char*, 3> kTargets = {"NET", "COM", "DOUBLE"};
    const int target = f_.cbbGPOSSND.ItemIndex();
    if (target >= 0 && target < static_cast<int>(kTargets.size())) Add(TCmd::GPOSSND, kTargets[target]);
    return ConfigRefusal::None;
  }

  ConfigRefusal WriteOwnServer() {
    if (AnyEmpty({&f_.RzComboBoxSOCKG.Text(), &f_.edtSockgAddr.Text(), &f_.edtSockgPort.Text(),
                  &f_.edtSOCKGTO.Text(), &f_.cbbGREGTYPE.Text(), &f_.cbbGREGTP.Text(), &f_.cbbGREGDT.Text()}))
      return ConfigRefusal::PrivateOwnIncomplete;
    if (f_.rzchckbxGREGDThex.Visible() && f_.rzchckbxGREGDThex.Checked() &&
        f_.cbbGREGDT.Text().size() % 2 != 0)
      return ConfigRefusal::PrivateOwnOddHex;
    Add(TCmd::GWKMOD, "INDE");
    Add(TCmd::SOCKG, Join(f_.RzComboBoxSOCKG.Text(), f_.edtSockgAddr.Text(), f_.edtSockgPort.Text()));
    Add(TCmd::SOCKGTO, f_.edtSOCKGTO.Text());
    Add(TCmd::GREGEN, OnOffText(f_.rzchckbxGREGTP));
    const int moment = f_.cbbGREGTYPE.ItemIndex();
    if (moment == 0 || moment == 1) Add(TCmd::GREGSND, moment == 0 ? "LINK" : "DATA");
    static constexpr std::array<const char*, 4> kTypes = {"ICCID", "IMEI", "IMSI", "SN"};
    const int type = f_.cbbGREGTP.ItemIndex();
    if (type >= 0 && type < static_cast<int>(kTypes.size())) {
      Add(TCmd::GREGTP, kTypes[type]);
    } else if (type == 4) {
      Add(TCmd::GREGTP, "USER");
      Add(TCmd::GREGDT, HexValue(f_.cbbGREGDT.Text(), f_.rzchckbxGREGDThex));
    }
    return ConfigRefusal::None;
  }

  // ---- Global parameters ----

  void WriteGlobals() {
    Add(TCmd::UART, UartText(f_));
    Add(TCmd::UARTFT, f_.edtUARTFT.Text());
    Add(TCmd::UARTFL, f_.edtUARTFL.Text());
    if (!f_.rzchckbxMore.Checked()) return;
    Add(TCmd::E, OnOffText(f_.rzchckbxE));
    Add(TCmd::CMDPW, f_.lbledtCmdPw.Text());
    Add(TCmd::STMSG, f_.lbledtStMsg.Text());
    Add(TCmd::APN, f_.lbledtApn.Text());
    Add(TCmd::RSTIM, f_.lbledtRsTim.Text());
  }

  ParamForm& f_;
  const HardwareSign& hardware_;
  OrderList& orders_;
};

}  // namespace

const std::string& RefusalMessage(ConfigRefusal refusal) {
  // In the order of ConfigRefusal.
  static const std::array<std::string, 12> kMessages = {
      "",
      Utf8ToGbk("请将[GNSS->ZAV云]参数补充完整"),
      Utf8ToGbk("设备编号长度为20字节，请补充完整"),
      Utf8ToGbk("通信密码长度为8字节，请补充完整"),
      Utf8ToGbk("请将[GNSS->千寻位置]参数补充完整"),
      Utf8ToGbk("请输入正确的手机号"),
      Utf8ToGbk("请输入正确的ID,6位数字"),
      Utf8ToGbk("请将[GNSS->私有云->复用原有服务器]参数补充完整"),
      Utf8ToGbk("请将[GNSS->私有云->连接独立通道]参数补充完整"),
      Utf8ToGbk("自定义注册包，请输入偶数个字节"),
      Utf8ToGbk("请将[GNSS->私有云]参数补充完整"),
      Utf8ToGbk("参数值不符合终端的格式，未发送任何设置"),
  };
  const auto index = static_cast<std::size_t>(refusal);
  return index < kMessages.size() ? kMessages[index] : kMessages[0];
}

ConfigBuilder::ConfigBuilder(ParamForm& form, const HardwareSign& hardware, TrafficLog& log)
    : form_(form), hardware_(hardware), log_(log) {}

void ConfigBuilder::BuildConfiguration(OrderList& orders) { Build(orders); }

ConfigRefusal ConfigBuilder::Build(OrderList& orders) {
  problems_.clear();
  message_.clear();
  lastRefusal_ = ConfigWriter(form_, hardware_, orders).Write();
  if (lastRefusal_ == ConfigRefusal::None) {
    problems_ = CheckLines(orders);
    if (!problems_.empty()) lastRefusal_ = ConfigRefusal::InvalidValues;
  }
  if (lastRefusal_ == ConfigRefusal::None) return lastRefusal_;
  orders.ClearOrders();
  if (lastRefusal_ != ConfigRefusal::InvalidValues) {
    message_ = RefusalMessage(lastRefusal_);
    log_.LogWarning(message_);
    return lastRefusal_;
  }
  message_ = Texts().LangText("info_ValRefused");
  for (const ValueProblem& problem : problems_) message_ += "\r\n" + DescribeProblem(problem);
  log_.LogWarning(message_);
  if (OnInvalidValues) OnInvalidValues(message_);
  return lastRefusal_;
}

const TextLookup& ConfigBuilder::Texts() const {
  if (texts_ != nullptr) return *texts_;
  static const TLangList english = [] {
    TLangList list([] { return false; });
    list.UseChinese = false;
    RegisterDefaultTexts(list);
    return list;
  }();
  return english;
}

std::vector<ValueProblem> ConfigBuilder::CheckLines(const OrderList& orders) const {
  std::vector<ValueProblem> problems;
  for (const std::string& line : orders.Lines()) {
    // "AT+" NAME "=" VALUE CR LF; the value is all between "=" and the final CR LF.
    const std::size_t equals = line.find('=');
    if (!line.starts_with("AT+") || equals == std::string::npos || !line.ends_with("\r\n")) continue;
    const std::string name = line.substr(3, equals - 3);
    const std::string value = line.substr(equals + 1, line.size() - equals - 3);
    const std::optional<TCmd> cmd = FindCmd(name);
    if (!cmd) continue;
    if (const auto fault = FindValueFault(*cmd, value))
      problems.push_back({name, value, FieldCaption(form_, *cmd), DescribeValueFault(*cmd, value, *fault, Texts())});
  }
  return problems;
}

}  // namespace t418
