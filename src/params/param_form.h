#pragma once
// The form model of the parameter view: every control of the view's layout as
// a plain object, in its start state, reachable by name (tables of the report
// appliers, the profile and the texts) and as a typed member (code that names
// one control). It is the single state of the view: the report appliers, the
// configuration builder, the profile and the view rules read and write it, and
// the widget binding mirrors it through the observer.
//
// Start state: the view's layout in network transfer mode, with the first
// button of each radio group checked and every page, group and field shown or
// hidden as the view rules would show it. Captions and hints that come from the
// text catalogue are empty until the texts are applied; the fixed ones ("Hex",
// "UDC ID") and the entry texts of the lists (in Chinese) are set.
#include <string>
#include <string_view>
#include <vector>

#include "params/form_controls.h"

namespace t418 {

// Declares a control member registered under its own name.
#define T418_CONTROL(Type, member, ...) Type member{registry_, #member __VA_OPT__(, ) __VA_ARGS__}

class ParamForm {
 public:
  ParamForm();
  ParamForm(const ParamForm&) = delete;
  ParamForm& operator=(const ParamForm&) = delete;

  // The one observer (the widget binding); nullptr for none.
  void SetObserver(FormObserver* observer) { registry_.SetObserver(observer); }

  // nullptr when the view has no control of that name.
  Control* Find(std::string_view name) const { return registry_.Find(name); }
  // nullptr when there is none or it is of another type.
  template <typename T>
  T* Get(std::string_view name) const {
    return dynamic_cast<T*>(registry_.Find(name));
  }
  // Every control, in layout order.
  const std::vector<Control*>& Controls() const { return registry_.All(); }

 private:
  ControlRegistry registry_;

 public:
  // Radio groups (the parents the buttons share).
  RadioGroup workModes;
  RadioGroup gnssServices;
  RadioGroup privateChannels;

  // The whole view and the work-mode area.
  T418_CONTROL(PlainControl, pnlL, ControlKind::Panel);
  T418_CONTROL(PlainControl, pnlWkmod, ControlKind::Panel);
  T418_CONTROL(PlainControl, rzgrpbxWkmod, ControlKind::Group);
  T418_CONTROL(Picture, imgWkMod);
  T418_CONTROL(RadioButton, rbNetTran, workModes, 0);
  T418_CONTROL(RadioButton, rbHttpd, workModes, 1);
  T418_CONTROL(RadioButton, rbSmsTran, workModes, 2);
  T418_CONTROL(RadioButton, rbUdc, workModes, 0);

  // Work-mode parameters.
  T418_CONTROL(PlainControl, rzgrpbxPara, ControlKind::Group);
  T418_CONTROL(PageControl, rzpgcntrlPara,
               std::vector<std::string>{"rztbshtNetTran", "rztbshtHttpd", "rztbshtSmsTran"});
  T418_CONTROL(PlainControl, rztbshtNetTran, ControlKind::Page);
  T418_CONTROL(PlainControl, advscrlbxPara, ControlKind::ScrollBox);

  // Socket A to D.
  T418_CONTROL(CheckBox, rzchckbxSktA, 1);
  T418_CONTROL(PlainControl, rzgrpbxSktA, ControlKind::Group);
  T418_CONTROL(ChoiceList, cbbProtocolA, std::vector<std::string>{"TCP", "UDP"}, 0, 1);
  T418_CONTROL(PlainControl, lblIpAndPortA, ControlKind::Label);
  T418_CONTROL(Edit, edtAddrA);
  T418_CONTROL(Edit, edtPortA);
  T418_CONTROL(PlainControl, lblLinkTpyeA, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbASL, ConnectionKinds(), 0);
  T418_CONTROL(PlainControl, lblSockATo, ControlKind::Label);
  T418_CONTROL(Edit, edtSockATo);

  T418_CONTROL(CheckBox, rzchckbxSktB, 2);
  T418_CONTROL(PlainControl, rzgrpbxSktB, ControlKind::Group);
  T418_CONTROL(ChoiceList, cbbProtocolB, std::vector<std::string>{"TCP", "UDP"}, 0, 2);
  T418_CONTROL(PlainControl, lblIpAndPortB, ControlKind::Label);
  T418_CONTROL(Edit, edtAddrB);
  T418_CONTROL(Edit, edtPortB);
  T418_CONTROL(PlainControl, lblLinkTpyeB, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbBSL, ConnectionKinds(), 0);
  T418_CONTROL(PlainControl, lblSockBTo, ControlKind::Label);
  T418_CONTROL(Edit, edtSockBTo);

  // Heartbeat.
  T418_CONTROL(CheckBox, rzchckbxHeartEn, 3);
  T418_CONTROL(PlainControl, rzgrpbxHeart, ControlKind::Group);
  T418_CONTROL(PlainControl, lblHeartTm, ControlKind::Label);
  T418_CONTROL(Edit, edtHeartTm);
  T418_CONTROL(PlainControl, lblHeartDt, ControlKind::Label);
  T418_CONTROL(Edit, edtHeartDt);
  T418_CONTROL(CheckBox, rzchckbxHeartDtHex, 1);
  T418_CONTROL(PlainControl, lblHeartSnd, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbHeartSnd, HeartbeatTargets(), 0);

  // Registration packet.
  T418_CONTROL(CheckBox, rzchckbxRegEn, 4);
  T418_CONTROL(PlainControl, rzgrpbxReg, ControlKind::Group);
  T418_CONTROL(PlainControl, lblRegSnd, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbRegSnd, RegistrationMoments(), 0);
  T418_CONTROL(PlainControl, lblRegTp, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbRegTp, RegistrationTypes(), 3);
  T418_CONTROL(PlainControl, lblRegDt, ControlKind::Label);
  T418_CONTROL(RegDataField, cbbRegDt, 4);
  T418_CONTROL(CheckBox, rzchckbxRegDtHex, 2);
  T418_CONTROL(Edit, edtCloudPa, 8);
  T418_CONTROL(PlainControl, lblUdcId, ControlKind::Label);
  T418_CONTROL(Edit, edtUdcId);

  T418_CONTROL(CheckBox, rzchckbxSOCKIND);
  T418_CONTROL(PlainControl, rzgrpbxOther1, ControlKind::Group);
  T418_CONTROL(LabeledEdit, lbledtSockRsTim);

  // Sockets C and D: their boxes are hidden, their groups lie over the
  // heartbeat and registration groups.
  T418_CONTROL(CheckBox, rzchckbxSktC, 6);
  T418_CONTROL(PlainControl, rzgrpbxSktC, ControlKind::Group);
  T418_CONTROL(ChoiceList, cbbProtocolC, std::vector<std::string>{"TCP", "UDP"}, 0, 3);
  T418_CONTROL(PlainControl, lblIpAndPortC, ControlKind::Label);
  T418_CONTROL(Edit, edtAddrC);
  T418_CONTROL(Edit, edtPortC);
  T418_CONTROL(PlainControl, lblLinkTpyeC, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbCSL, ConnectionKinds(), 0);
  T418_CONTROL(PlainControl, lblSockCTo, ControlKind::Label);
  T418_CONTROL(Edit, edtSockCTo);

  T418_CONTROL(CheckBox, rzchckbxSktD, 7);
  T418_CONTROL(PlainControl, rzgrpbxSktD, ControlKind::Group);
  T418_CONTROL(ChoiceList, cbbProtocolD, std::vector<std::string>{"TCP", "UDP"}, 0, 4);
  T418_CONTROL(PlainControl, lblIpAndPortD, ControlKind::Label);
  T418_CONTROL(Edit, edtAddrD);
  T418_CONTROL(Edit, edtPortD);
  T418_CONTROL(PlainControl, lblLinkTpyeD, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbDSL, ConnectionKinds(), 0);
  T418_CONTROL(PlainControl, lblSockDTo, ControlKind::Label);
  T418_CONTROL(Edit, edtSockDTo);

  // HTTPD page.
  T418_CONTROL(PlainControl, rztbshtHttpd, ControlKind::Page);
  T418_CONTROL(PlainControl, lblHTPTP, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbHTPTP, std::vector<std::string>{"GET", "POST"}, 1);
  T418_CONTROL(PlainControl, lblHTPURL, ControlKind::Label);
  T418_CONTROL(Edit, edtHTPURL);
  T418_CONTROL(PlainControl, lblHTPSVIP, ControlKind::Label);
  T418_CONTROL(Edit, edtHTPSVIP);
  T418_CONTROL(PlainControl, lblHTPSVPort, ControlKind::Label);
  T418_CONTROL(Edit, edtHTPSVPort);
  T418_CONTROL(PlainControl, lblHTPHD, ControlKind::Label);
  T418_CONTROL(Edit, edtHTPHD);
  T418_CONTROL(PlainControl, lblHtpTo, ControlKind::Label);
  T418_CONTROL(Edit, edtHtpTo);
  T418_CONTROL(CheckBox, rzchckbxHtpFlt);

  // SMS page.
  T418_CONTROL(PlainControl, rztbshtSmsTran, ControlKind::Page);
  T418_CONTROL(PlainControl, lblDSTNUM, ControlKind::Label);
  T418_CONTROL(Edit, edtDSTNUM);
  T418_CONTROL(CheckBox, rzchckbxSMSFLT);
  T418_CONTROL(CheckBox, rzchckbxSMSPH);

  // GNSS: the panel, its strip and the three service pages.
  T418_CONTROL(PlainControl, RzSizePanel1, ControlKind::Panel);
  T418_CONTROL(PlainControl, rzgrpbxGNSS, ControlKind::Group);
  T418_CONTROL(PlainControl, RzPanel1, ControlKind::Panel);
  T418_CONTROL(CheckBox, rzchckbxGNSSen, 11);
  T418_CONTROL(PlainControl, rzgrpbxGNSSen, ControlKind::Group);
  T418_CONTROL(RadioButton, rbZavCloud, gnssServices, 10);
  T418_CONTROL(RadioButton, rbPrivateCloud, gnssServices, 11);
  T418_CONTROL(RadioButton, rbQianXun, gnssServices, 12);
  T418_CONTROL(PageControl, RzPageControlGNSS,
               std::vector<std::string>{"TabSheet1", "TabSheet2", "TabSheet4"});

  // The maker's cloud.
  T418_CONTROL(PlainControl, TabSheet1, ControlKind::Page);
  T418_CONTROL(PlainControl, advscrlbxGNSS1, ControlKind::ScrollBox);
  T418_CONTROL(PlainControl, lbldevid, ControlKind::Label);
  T418_CONTROL(Edit, edtdevid, 20);
  T418_CONTROL(PlainControl, lblpwd, ControlKind::Label);
  T418_CONTROL(Edit, edtpwd, 8);
  T418_CONTROL(PlainControl, lblMODBUSID1, ControlKind::Label);
  T418_CONTROL(Edit, edtMODBUSID1, 3);
  T418_CONTROL(PlainControl, lblMODBUSAddr1, ControlKind::Label);
  T418_CONTROL(Edit, edtMODBUSAddr1, 5);
  T418_CONTROL(PlainControl, lblreportinternal, ControlKind::Label);
  T418_CONTROL(Edit, edtreportinternal, 4);

  // The private cloud.
  T418_CONTROL(PlainControl, TabSheet2, ControlKind::Page);
  T418_CONTROL(PlainControl, advscrlbxGNSS2, ControlKind::ScrollBox);
  T418_CONTROL(RadioButton, rbMULT, privateChannels, 20);
  T418_CONTROL(RadioButton, rbINDE, privateChannels, 21);
  T418_CONTROL(PageControl, rzpgcntrlGWKMOD, std::vector<std::string>{"TabSheet5", "TabSheet6"});
  T418_CONTROL(PlainControl, TabSheet5, ControlKind::Page);
  T418_CONTROL(PlainControl, lblGBYSOCKTA, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbBYsocketA, OffOnChoices(), -1);
  T418_CONTROL(PlainControl, lblGBYSOCKTB, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbBYsocketB, OffOnChoices(), -1);
  T418_CONTROL(PlainControl, lblGPOSSND, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbGPOSSND, PositionTargets(), -1);
  T418_CONTROL(PlainControl, TabSheet6, ControlKind::Page);
  T418_CONTROL(PlainControl, lblSockgAddr, ControlKind::Label);
  T418_CONTROL(Edit, edtSockgAddr);
  T418_CONTROL(Edit, edtSockgPort, 5);
  T418_CONTROL(PlainControl, RzLabelSOCKG, ControlKind::Label);
  T418_CONTROL(ChoiceList, RzComboBoxSOCKG, std::vector<std::string>{"TCPC"}, 0);
  T418_CONTROL(PlainControl, lblSOCKGTO, ControlKind::Label);
  T418_CONTROL(Edit, edtSOCKGTO, 3);
  T418_CONTROL(CheckBox, rzchckbxGREGTP, 13);
  T418_CONTROL(PlainControl, rzgrpbxGREGTP, ControlKind::Group);
  T418_CONTROL(PlainControl, lblGREGTYPE, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbGREGTYPE, RegistrationMoments(), 0);
  T418_CONTROL(PlainControl, lblGREGTP, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbGREGTP, GnssRegistrationTypes(), -1);
  T418_CONTROL(PlainControl, lblGREGDT, ControlKind::Label);
  T418_CONTROL(RegDataField, cbbGREGDT, 5, 128);
  T418_CONTROL(CheckBox, rzchckbxGREGDThex, 12);
  T418_CONTROL(PlainControl, lblGHEARTTP2, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbGHEARTTP2, PositionPacketTypes(), -1);
  T418_CONTROL(PlainControl, lblMODBUSID2, ControlKind::Label);
  T418_CONTROL(Edit, edtMODBUSID2, 3);
  T418_CONTROL(PlainControl, lblMODBUSAddr2, ControlKind::Label);
  T418_CONTROL(Edit, edtMODBUSAddr2, 5);
  T418_CONTROL(PlainControl, lblGPOSUPTM, ControlKind::Label);
  T418_CONTROL(Edit, edtGPOSUPTM, 4);

  // QianXun (JT808).
  T418_CONTROL(PlainControl, TabSheet4, ControlKind::Page);
  T418_CONTROL(PlainControl, advscrlbxGNSS4, ControlKind::ScrollBox);
  T418_CONTROL(PlainControl, lblJT808, ControlKind::Label);
  T418_CONTROL(PlainControl, lblSOCKQ, ControlKind::Label);
  T418_CONTROL(Edit, edtSOCKQAddr);
  T418_CONTROL(Edit, edtSOCKQport, 5);
  T418_CONTROL(PlainControl, lblprotocol, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbprotocol, std::vector<std::string>{"TCP"}, -1);
  T418_CONTROL(PlainControl, lblSOCKQTO, ControlKind::Label);
  T418_CONTROL(Edit, edtSOCKQTO, 3);
  T418_CONTROL(PlainControl, lblPosReport, ControlKind::Label);
  T418_CONTROL(CheckBox, rzchckbxQLBSADDEN);
  T418_CONTROL(CheckBox, rzchckbxQPOSPACK);
  T418_CONTROL(PlainControl, lblQPOSUPTM, ControlKind::Label);
  T418_CONTROL(Edit, edtQPOSUPTM, 4);
  T418_CONTROL(PlainControl, lblQphone, ControlKind::Label);
  T418_CONTROL(Edit, edtQphone, 12);
  T418_CONTROL(CheckBox, rzchckbxQHEARTEN, 15);
  T418_CONTROL(PlainControl, rzgrpbxQHeartTM, ControlKind::Group);
  T418_CONTROL(PlainControl, lblQHEARTTM, ControlKind::Label);
  T418_CONTROL(Edit, edtQHEARTTM, 4);
  T418_CONTROL(CheckBox, rzchckbxGNSSMore, 14);
  T418_CONTROL(PlainControl, rzgrpbxGNSSmore, ControlKind::Group);
  T418_CONTROL(PlainControl, lblProvince, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbProvince, std::vector<std::string>{}, -1, 0, true);
  T418_CONTROL(PlainControl, lblcity, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbcity, std::vector<std::string>{}, -1, 0, true);
  T418_CONTROL(PlainControl, lblCounty, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbCounty, std::vector<std::string>{}, -1, 0, true);
  T418_CONTROL(Edit, edtQCITY, 6);
  T418_CONTROL(PlainControl, lblQPRODUCER, ControlKind::Label);
  T418_CONTROL(Edit, edtQPRODUCER, 5);
  T418_CONTROL(PlainControl, lblTerminalid, ControlKind::Label);
  T418_CONTROL(Edit, edtTerminalID, 7);
  T418_CONTROL(PlainControl, lblTerminalmode, ControlKind::Label);
  T418_CONTROL(Edit, edtTerminalmode, 20);
  T418_CONTROL(PlainControl, lblTerminaltype, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbtype0, TypeBitChoices(0), -1);
  T418_CONTROL(ChoiceList, cbbtype1, TypeBitChoices(1), -1);
  T418_CONTROL(ChoiceList, cbbtype2, TypeBitChoices(2), -1);
  T418_CONTROL(ChoiceList, cbbtype3, TypeBitChoices(3), -1);
  T418_CONTROL(ChoiceList, cbbtype6, TypeBitChoices(6), -1);
  T418_CONTROL(ChoiceList, cbbtype7, TypeBitChoices(7), -1);
  T418_CONTROL(PlainControl, lblCarcolor, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbCarcolor, PlateColours(), -1);
  T418_CONTROL(PlainControl, lblCarNum, ControlKind::Label);
  T418_CONTROL(Edit, edtCarNum, 20);
  T418_CONTROL(PlainControl, lblHWver, ControlKind::Label);
  T418_CONTROL(Edit, edtlHWver, 20);

  // Global parameters.
  T418_CONTROL(PlainControl, rzszpnlBase, ControlKind::Panel);
  T418_CONTROL(PlainControl, rzgrpbxBase, ControlKind::Group);
  T418_CONTROL(PlainControl, advscrlbxBase, ControlKind::ScrollBox);
  T418_CONTROL(CheckBox, rzchckbxMore, 5);
  T418_CONTROL(PlainControl, rzgrpbxUart, ControlKind::Group);
  T418_CONTROL(PlainControl, lblUart, ControlKind::Label);
  T418_CONTROL(PlainControl, lblBaud, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbBaud, BaudRates(), -1);
  T418_CONTROL(Picture, imgCKZD);
  T418_CONTROL(PlainControl, lblPDS, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbP, std::vector<std::string>{"NONE", "ODD", "EVEN"}, 0);
  T418_CONTROL(ChoiceList, cbbD, std::vector<std::string>{"7", "8"}, 1);
  T418_CONTROL(ChoiceList, cbbS, std::vector<std::string>{"1", "2"}, 0);
  T418_CONTROL(PlainControl, lblFlow, ControlKind::Label);
  T418_CONTROL(ChoiceList, cbbFlow, std::vector<std::string>{"NFC", "RS485"}, 0);
  T418_CONTROL(PlainControl, lblUARTFT, ControlKind::Label);
  T418_CONTROL(Edit, edtUARTFT);
  T418_CONTROL(PlainControl, lblUARTFL, ControlKind::Label);
  T418_CONTROL(Edit, edtUARTFL);
  T418_CONTROL(PlainControl, rzgrpbxMore, ControlKind::Group);
  T418_CONTROL(CheckBox, rzchckbxRFC);
  T418_CONTROL(CheckBox, rzchckbxE);
  T418_CONTROL(LabeledEdit, lbledtCmdPw);
  T418_CONTROL(LabeledEdit, lbledtStMsg);
  T418_CONTROL(LabeledEdit, lbledtApn);
  T418_CONTROL(LabeledEdit, lbledtRsTim);

 private:
  // Entry texts of the lists as the layout gives them (Chinese, GBK).
  static std::vector<std::string> ConnectionKinds();
  static std::vector<std::string> HeartbeatTargets();
  static std::vector<std::string> RegistrationMoments();
  static std::vector<std::string> RegistrationTypes();
  static std::vector<std::string> OffOnChoices();
  static std::vector<std::string> PositionTargets();
  static std::vector<std::string> GnssRegistrationTypes();
  static std::vector<std::string> PositionPacketTypes();
  static std::vector<std::string> TypeBitChoices(int bit);
  static std::vector<std::string> PlateColours();
  static std::vector<std::string> BaudRates();
};

#undef T418_CONTROL

// The checked work-mode button: 0 rbNetTran, 1 rbHttpd, 2 rbSmsTran, 3 rbUdc,
// 4 when none is checked.
int CurrentWorkMode(const ParamForm& form);
// The checked GNSS service: 1 rbZavCloud, 0 rbPrivateCloud, 2 rbQianXun, and 0
// when none is checked.
int CurrentGnssService(const ParamForm& form);

}  // namespace t418
