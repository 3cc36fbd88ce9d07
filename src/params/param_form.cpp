#include "params/param_form.h"

#include <initializer_list>

#include "text/gbk.h"

namespace t418 {

namespace {

// The listed texts (UTF-8 literals) as GBK.
std::vector<std::string> Gbk(std::initializer_list<const char*> texts) {
  std::vector<std::string> out;
  out.reserve(texts.size());
  for (const char* text : texts) out.push_back(Utf8ToGbk(text));
  return out;
}

}  // namespace

std::vector<std::string> ParamForm::ConnectionKinds() { return Gbk({"短链接", "长连接"}); }

std::vector<std::string> ParamForm::HeartbeatTargets() {
  return Gbk({"向服务器发送心跳包", "向串口终端发送心跳包"});
}

std::vector<std::string> ParamForm::RegistrationMoments() {
  return Gbk({"与服务器建立连接时向服务器发送一次", "向服务器发送的每个数据包前都加上"});
}

// Entry 1 names the identity command in force at start (MEID).
std::vector<std::string> ParamForm::RegistrationTypes() {
  return Gbk({"ICCID码", "MEID码", "透传云", "自定义数据"});
}

std::vector<std::string> ParamForm::OffOnChoices() { return Gbk({"禁用", "启用"}); }

std::vector<std::string> ParamForm::PositionTargets() {
  return Gbk({"向服务器发送心跳包", "向串口终端发送心跳包", "向服务器和串口发送心跳包"});
}

std::vector<std::string> ParamForm::GnssRegistrationTypes() {
  return Gbk({"ICCID", "IMEI", "IMSI", "SN", "自定义"});
}

std::vector<std::string> ParamForm::PositionPacketTypes() {
  return Gbk({"NMEA RMC", "NMEA GGA", "ZAVmodbus定位"});
}

std::vector<std::string> ParamForm::TypeBitChoices(int bit) {
  switch (bit) {
    case 0: return Gbk({"不适用客运车辆", "适用客运车辆"});
    case 1: return Gbk({"不适用危险品车辆", "适用危险品车辆"});
    case 2: return Gbk({"不适用普通货运车辆", "适用普通货运车辆"});
    case 3: return Gbk({"不适用出租车辆", "适用出租车辆"});
    case 6: return Gbk({"不支持硬盘录像", "支持硬盘录像"});
    default: return Gbk({"一体机", "分体机"});
  }
}

std::vector<std::string> ParamForm::PlateColours() {
  return Gbk({"未上牌", "蓝色", "黄色", "黑色", "白色", "其他"});
}

std::vector<std::string> ParamForm::BaudRates() {
  return {"1200",  "2400",  "4800",  "9600",   "14400",  "19200", "28800",
          "33600", "38400", "57600", "115200", "230400", "460800"};
}

ParamForm::ParamForm() {
  // The first button of each radio group, and the pages they choose.
  rbNetTran.SetCheckedWithoutRule(true);
  rbSmsTran.SetVisible(false);
  rbZavCloud.SetCheckedWithoutRule(true);
  rbMULT.SetCheckedWithoutRule(true);

  // Enable boxes and the groups they show.
  rzchckbxSktA.SetCheckedWithoutRule(true);
  rzchckbxSktB.SetCheckedWithoutRule(true);
  for (Control* hidden : {static_cast<Control*>(&rzchckbxSktC), static_cast<Control*>(&rzgrpbxSktC),
                          static_cast<Control*>(&rzchckbxSktD), static_cast<Control*>(&rzgrpbxSktD)})
    hidden->SetVisible(false);
  rzchckbxHeartEn.SetCheckedWithoutRule(true);
  rzchckbxRegEn.SetCheckedWithoutRule(true);
  rzgrpbxMore.SetVisible(false);
  rzchckbxGNSSen.SetCheckedWithoutRule(true);
  rzchckbxGREGTP.SetCheckedWithoutRule(true);
  rzgrpbxQHeartTM.SetVisible(false);
  rzchckbxGNSSMore.SetCheckedWithoutRule(true);
  rzchckbxSMSFLT.SetCheckedWithoutRule(true);

  // Registration: user data in network transfer mode; the UDC field waits for its mode.
  cbbRegDt.ShowEntry(3);
  edtCloudPa.SetVisible(false);
  lblUdcId.SetVisible(false);
  edtUdcId.SetVisible(false);
  lblUdcId.SetCaption("UDC ID");
  for (CheckBox* hex : {&rzchckbxHeartDtHex, &rzchckbxRegDtHex, &rzchckbxGREGDThex}) hex->SetCaption("Hex");

  // Fields that wait for their rule: GNSS registration and MODBUS heartbeat.
  cbbGREGDT.SetReadOnly(true);
  rzchckbxGREGDThex.SetVisible(false);
  for (Control* modbus : {static_cast<Control*>(&lblMODBUSID2), static_cast<Control*>(&edtMODBUSID2),
                          static_cast<Control*>(&lblMODBUSAddr2), static_cast<Control*>(&edtMODBUSAddr2)})
    modbus->SetVisible(false);

  // Hidden for good.
  rzchckbxSOCKIND.SetVisible(false);
  lblFlow.SetVisible(false);
  cbbFlow.SetVisible(false);
  rzchckbxRFC.SetVisible(false);

  RzSizePanel1.SetHeight(160);
  rzszpnlBase.SetHeight(129);
}

int CurrentWorkMode(const ParamForm& form) {
  if (form.rbNetTran.Checked()) return 0;
  if (form.rbHttpd.Checked()) return 1;
  if (form.rbSmsTran.Checked()) return 2;
  if (form.rbUdc.Checked()) return 3;
  return 4;
}

int CurrentGnssService(const ParamForm& form) {
  if (form.rbZavCloud.Checked()) return 1;
  if (form.rbPrivateCloud.Checked()) return 0;
  if (form.rbQianXun.Checked()) return 2;
  return 0;
}

}  // namespace t418
