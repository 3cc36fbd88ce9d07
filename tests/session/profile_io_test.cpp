// The profile read into and written from a session, document by document:
// every key of every section, its default, the order of loading, and the keys
// a save leaves as the file held them.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "gbk_texts.h"
#include "log_fakes.h"
#include "loop/poll_loop.h"
#include "session/profile_form_snapshot.h"
#include "session/profile_io.h"
#include "session/session.h"
#include "temp_folder.h"

namespace t418 {
namespace {

using testing::Differences;
using testing::FormSnapshot;
using testing::SnapshotOf;

const std::vector<std::string> kPorts = {"/dev/ttyUSB0", "/dev/ttyUSB1"};

// A session whose form is in its start state; nothing read from disk.
struct Rig {
  testing::TempFolder folder;
  PollLoop loop;
  testing::FixedLogClock clock;
  testing::RecordingLogView logView;
  std::unique_ptr<Session> session;

  explicit Rig(bool systemIsChinese = true) {
    SessionOptions options;
    options.programFolder = folder.path();
    options.logClock = &clock;
    options.systemIsChinese = [systemIsChinese] { return systemIsChinese; };
    session = std::make_unique<Session>(loop, std::move(options));
    session->Log().SetView(&logView);
  }
  Session& s() { return *session; }
  ParamForm& f() { return session->Form(); }

  void Load(const std::string& bytes, const std::vector<std::string>& ports = kPorts) {
    LoadProfile(*session, IniDocument::Parse(bytes), ports);
  }
  IniDocument Save(const std::string& bytes = "") {
    IniDocument document = IniDocument::Parse(bytes);
    SaveProfile(*session, document);
    return document;
  }
  std::string Saved(const char* section, const char* key, const std::string& bytes = "") {
    return Save(bytes).ReadString(section, key, "<missing>");
  }
};

// Every key a save writes, each at a value other than its default, in the
// order and form a save writes them, plus "Custom", which only loading reads.
constexpr char kEveryKey[] =
    "[System]\r\n"
    "Custom=1\r\n"
    "Language=0\r\n"
    "ReadTimeHelp=0\r\n"
    "SendShortCutTag=1\r\n"
    "AutoCR=0\r\n"
    "LogTime=1\r\n"
    "HeartDtHex=OFF\r\n"
    "RegDtHex=OFF\r\n"
    "ShowMore=ON\r\n"
    "HdVerSign=Hd521\r\n"
    "[OpenUart]\r\n"
    "ComName=/dev/ttyUSB1\r\n"
    "BaudRate=9600\r\n"
    "Parity=EVEN\r\n"
    "Data=7\r\n"
    "Stop=2\r\n"
    "Flow=CRTS\r\n"
    "[WKMOD]\r\n"
    "WKMOD=HTTPD\r\n"
    "[Socket]\r\n"
    "SOCKAEN=OFF\r\n"
    "SOCKA=TCP,a.example.com,1001\r\n"
    "SOCKASL=SHORT\r\n"
    "SOCKATO=11\r\n"
    "SOCKBEN=ON\r\n"
    "SOCKB=UDP,b.example.com,1002\r\n"
    "SOCKBSL=LONG\r\n"
    "SOCKBTO=12\r\n"
    "SOCKCEN=ON\r\n"
    "SOCKC=TCP,c.example.com,1003\r\n"
    "SOCKCSL=SHORT\r\n"
    "SOCKCTO=13\r\n"
    "SOCKDEN=ON\r\n"
    "SOCKD=TCP,d.example.com,1004\r\n"
    "SOCKDSL=SHORT\r\n"
    "SOCKDTO=14\r\n"
    "SOCKIND=ON\r\n"
    "SOCKRSTIM=61\r\n"
    "[Heart]\r\n"
    "HEARTEN=OFF\r\n"
    "HEARTDT=beat\r\n"
    "HEARTSND=COM\r\n"
    "HEARTTM=31\r\n"
    "[Reg]\r\n"
    "REGEN=ON\r\n"
    "REGTP=USER\r\n"
    "ICCID=89860012345678901234\r\n"
    "MEID=A1000012345678\r\n"
    "CLOUD=12345678,abcdefgh\r\n"
    "REGDT=4142\r\n"
    "REGSND=DATA\r\n"
    "[HTTPD]\r\n"
    "HTPTP=GET\r\n"
    "HTPURL=/t.php\r\n"
    "HTPSV=h.example.com,8080\r\n"
    "HTPHD=Accept: */*[0D][0A]\r\n"
    "HTPFLT=OFF\r\n"
    "HTPTO=11\r\n"
    "[SMS]\r\n"
    "DSTNUM=5551234\r\n"
    "SMSFLT=OFF\r\n"
    "SMSPH=ON\r\n"
    "[GNSS]\r\n"
    "GNSSFUNEN=1\r\n"
    "GNSSMOD=QX\r\n"
    "GCLOUD=ABCDEFGHIJ0123456789,12345678\r\n"
    "GMDBS=3,40001\r\n"
    "GPOSUPTM=45\r\n"
    "GWKMOD=MULT\r\n"
    "SOCKG=TCPC,g.example.com,2318\r\n"
    "SOCKGTO=6\r\n"
    "GREGEN=ON\r\n"
    "GREGTP=USER\r\n"
    "GREGDT=4344\r\n"
    "GREGSND=DATA\r\n"
    "GPOSTP=GGA\r\n"
    "GPOSSND=DOUBLE\r\n"
    "GBYDTU=1,0\r\n"
    "SOCKQ=TCP,q.example.com,8809\r\n"
    "SOCKQTO=7\r\n"
    "QLBSADDEN=OFF\r\n"
    "QPOSPACK=ON\r\n"
    "QPOSUPTM=46\r\n"
    "QPHONE=013800000000\r\n"
    "QHEARTEN=ON\r\n"
    "GNSSMore=OFF\r\n"
    "QHEARTTM=47\r\n"
    "QCITY=110101\r\n"
    "QPRODUCER=ACME\r\n"
    "QTERMINAL=T000001,model-x,64\r\n"
    "QCARINFO=2,ABC123\r\n"
    "QHWVER=HW2\r\n"
    "[Base]\r\n"
    "APN=CMIOT,user,secret,1\r\n"
    "UART=9600,7,2,EVEN,NFC\r\n"
    "RFCEN=ON\r\n"
    "UARTFT=51\r\n"
    "UARTFL=1025\r\n"
    "E=OFF\r\n"
    "CMDPW=secret\r\n"
    "STMSG=[HELLO]\r\n"
    "RSTIM=1801\r\n"
    "delayTime=80\r\n";

// What each key of kEveryKey puts into the form.
struct Landing {
  const char* property;  // as the form snapshot names it
  const char* value;
};

const Landing kLandings[] = {
    {"rzchckbxHeartDtHex.checked", "0"},
    {"rzchckbxRegDtHex.checked", "0"},
    {"rzchckbxMore.checked", "1"},
    {"rbHttpd.checked", "1"},
    {"rzchckbxSktA.checked", "0"},
    {"cbbProtocolA.text", "TCP"},
    {"edtAddrA.text", "a.example.com"},
    {"edtPortA.text", "1001"},
    {"cbbASL.index", "0"},
    {"edtSockATo.text", "11"},
    {"rzchckbxSktB.checked", "1"},
    {"cbbProtocolB.text", "UDP"},
    {"edtAddrB.text", "b.example.com"},
    {"edtPortB.text", "1002"},
    {"cbbBSL.index", "1"},
    {"cbbBSL.visible", "0"},  // UDP: the protocol rule ran after the connection kind
    {"edtSockBTo.text", "12"},
    {"rzchckbxSktC.checked", "1"},
    {"edtAddrC.text", "c.example.com"},
    {"cbbCSL.index", "0"},
    {"edtSockCTo.text", "13"},
    {"rzchckbxSktD.checked", "1"},
    {"edtPortD.text", "1004"},
    {"cbbDSL.index", "0"},
    {"edtSockDTo.text", "14"},
    {"rzchckbxSOCKIND.checked", "1"},
    {"lbledtSockRsTim.text", "61"},
    {"rzchckbxHeartEn.checked", "0"},
    {"edtHeartDt.text", "beat"},
    {"cbbHeartSnd.index", "1"},
    {"edtHeartTm.text", "31"},
    {"rzchckbxRegEn.checked", "1"},
    {"cbbRegTp.index", "3"},
    {"cbbRegDt.entries", "89860012345678901234|A1000012345678|12345678|4142"},
    {"cbbRegDt.text", "4142"},
    {"edtCloudPa.text", "abcdefgh"},
    {"cbbRegSnd.index", "1"},
    {"cbbHTPTP.text", "GET"},
    {"edtHTPURL.text", "/t.php"},
    {"edtHTPSVIP.text", "h.example.com"},
    {"edtHTPSVPort.text", "8080"},
    {"edtHTPHD.text", "Accept: */*[0D][0A]"},
    {"rzchckbxHtpFlt.checked", "0"},
    {"edtHtpTo.text", "11"},
    {"edtDSTNUM.text", "5551234"},
    {"rzchckbxSMSFLT.checked", "0"},
    {"rzchckbxSMSPH.checked", "1"},
    {"rzchckbxGNSSen.checked", "1"},
    {"rbQianXun.checked", "1"},
    {"edtdevid.text", "ABCDEFGHIJ0123456789"},
    {"edtpwd.text", "12345678"},
    {"edtMODBUSID1.text", "3"},
    {"edtMODBUSAddr1.text", "40001"},
    {"edtMODBUSID2.text", "3"},
    {"edtMODBUSAddr2.text", "40001"},
    {"edtreportinternal.text", "45"},
    {"edtGPOSUPTM.text", "45"},
    {"rbMULT.checked", "1"},
    {"edtSockgAddr.text", "g.example.com"},
    {"edtSockgPort.text", "2318"},
    {"edtSOCKGTO.text", "6"},
    {"rzchckbxGREGTP.checked", "1"},
    {"cbbGREGTP.index", "4"},
    {"rzchckbxGREGDThex.checked", "1"},
    {"cbbGREGDT.entries", "89860012345678901234|A1000012345678|||4344"},
    {"cbbGREGDT.text", "4344"},
    {"cbbGREGTYPE.index", "1"},
    {"cbbGHEARTTP2.index", "1"},
    {"cbbGPOSSND.index", "2"},
    {"cbbBYsocketA.index", "1"},
    {"cbbBYsocketB.index", "0"},
    {"cbbprotocol.text", "TCP"},
    {"edtSOCKQAddr.text", "q.example.com"},
    {"edtSOCKQport.text", "8809"},
    {"edtSOCKQTO.text", "7"},
    {"rzchckbxQLBSADDEN.checked", "0"},
    {"rzchckbxQPOSPACK.checked", "1"},
    {"edtQPOSUPTM.text", "46"},
    {"edtQphone.text", "013800000000"},
    {"rzchckbxQHEARTEN.checked", "1"},
    {"rzchckbxGNSSMore.checked", "0"},
    {"edtQHEARTTM.text", "47"},
    {"edtQCITY.text", "110101"},
    {"edtQPRODUCER.text", "ACME"},
    {"edtTerminalID.text", "T000001"},
    {"edtTerminalmode.text", "model-x"},
    {"cbbtype6.index", "1"},
    {"cbbtype0.index", "0"},
    {"cbbCarcolor.index", "2"},
    {"edtCarNum.text", "ABC123"},
    {"edtlHWver.text", "HW2"},
    {"lbledtApn.text", "CMIOT,user,secret,1"},
    {"cbbBaud.text", "9600"},
    {"cbbD.text", "7"},
    {"cbbS.text", "2"},
    {"cbbP.text", "EVEN"},
    {"cbbFlow.text", "NFC"},
    {"rzchckbxRFC.checked", "1"},
    {"edtUARTFT.text", "51"},
    {"edtUARTFL.text", "1025"},
    {"rzchckbxE.checked", "0"},
    {"lbledtCmdPw.text", "secret"},
    {"lbledtStMsg.text", "[HELLO]"},
    {"lbledtRsTim.text", "1801"},
};

TEST(ProfileEveryKey, EachKeyLandsInItsControlAndASaveWritesItBackUnchanged) {
  Rig rig;
  rig.Load(kEveryKey);

  const FormSnapshot form = SnapshotOf(rig.f());
  for (const Landing& landing : kLandings) {
    SCOPED_TRACE(landing.property);
    ASSERT_EQ(form.count(landing.property), 1u);
    EXPECT_EQ(form.at(landing.property), landing.value);
  }
  EXPECT_TRUE(rig.s().hideHelpLinks);
  EXPECT_FALSE(rig.s().Lang().UseChinese);
  EXPECT_FALSE(rig.s().liveHelp);
  EXPECT_EQ(rig.s().sendSwitches.key, SendKey::Enter);
  EXPECT_FALSE(rig.s().sendSwitches.autoCR);
  EXPECT_TRUE(rig.s().Log().timeStamps);
  EXPECT_EQ(rig.s().Hardware().current, THdVerSign::Hd521);
  const PortSettings& port = rig.s().portSettings;
  EXPECT_EQ(port.port, "/dev/ttyUSB1");
  EXPECT_EQ(port.baud, "9600");
  EXPECT_EQ(port.parity, "EVEN");
  EXPECT_EQ(port.data, "7");
  EXPECT_EQ(port.stop, "2");
  EXPECT_EQ(port.flow, "CRTS");
  EXPECT_EQ(rig.s().Engine().delayTime, 80);

  // Saving into the file it came from changes not one byte: every key is
  // written back with the value it was read with.
  EXPECT_EQ(rig.Save(kEveryKey).Serialize(), kEveryKey);
}

// A save into an empty document after loading one: every default, and the
// order of sections and keys that a first save creates.
TEST(ProfileDefaults, AnEmptyProfileGivesTheDefaultOfEveryKey) {
  Rig rig;
  rig.Load("");
  EXPECT_EQ(rig.Save().Serialize(),
            "[System]\r\n"
            "Language=1\r\n"
            "ReadTimeHelp=1\r\n"
            "SendShortCutTag=2\r\n"
            "AutoCR=1\r\n"
            "LogTime=0\r\n"
            "HeartDtHex=ON\r\n"
            "RegDtHex=ON\r\n"
            "ShowMore=OFF\r\n"
            "HdVerSign=Hd540\r\n"
            "[OpenUart]\r\n"
            "ComName=/dev/ttyUSB0\r\n"
            "BaudRate=115200\r\n"
            "Parity=NONE\r\n"
            "Data=8\r\n"
            "Stop=1\r\n"
            "Flow=NONE\r\n"
            "[WKMOD]\r\n"
            "WKMOD=NET\r\n"
            "[Socket]\r\n"
            "SOCKAEN=ON\r\n"
            "SOCKA=TCP,test.example.com,2317\r\n"
            "SOCKASL=LONG\r\n"
            "SOCKATO=5\r\n"
            "SOCKBEN=OFF\r\n"
            "SOCKB=TCP,test.example.com,2318\r\n"
            "SOCKBSL=LONG\r\n"
            "SOCKBTO=5\r\n"
            "SOCKCEN=OFF\r\n"
            "SOCKC=TCP,test.example.com,2319\r\n"
            "SOCKCSL=LONG\r\n"
            "SOCKCTO=5\r\n"
            "SOCKDEN=OFF\r\n"
            "SOCKD=TCP,test.example.com,2320\r\n"
            "SOCKDSL=LONG\r\n"
            "SOCKDTO=5\r\n"
            "SOCKIND=OFF\r\n"
            "SOCKRSTIM=60\r\n"
            "[Heart]\r\n"
            "HEARTEN=ON\r\n"
            "HEARTDT=7777772E6578616D706C652E636F6D\r\n"
            "HEARTSND=NET\r\n"
            "HEARTTM=30\r\n"
            "[Reg]\r\n"
            "REGEN=OFF\r\n"
            "REGTP=USER\r\n"
            "REGDT=7777772E6578616D706C652E636F6D\r\n"
            "REGSND=LINK\r\n"
            "[HTTPD]\r\n"
            "HTPTP=POST\r\n"
            "HTPURL=/1.php[3F]\r\n"
            "HTPSV=test.example.com,80\r\n"
            "HTPHD=Connection: close[0D][0A]\r\n"
            "HTPFLT=ON\r\n"
            "HTPTO=10\r\n"
            "[SMS]\r\n"
            "DSTNUM=19999\r\n"
            "SMSFLT=ON\r\n"
            "SMSPH=OFF\r\n"
            "[GNSS]\r\n"
            "GNSSFUNEN=0\r\n"
            "GNSSMOD=NET\r\n"
            "GCLOUD=,\r\n"
            "GMDBS=1,0\r\n"
            "GPOSUPTM=30\r\n"
            "GWKMOD=INDE\r\n"
            "SOCKG=TCPC,test.example.com,2317\r\n"
            "SOCKGTO=5\r\n"
            "GREGEN=OFF\r\n"
            "GREGTP=USER\r\n"
            "GREGDT=7777772E6578616D706C652E636F6D\r\n"
            "GREGSND=LINK\r\n"
            "GPOSTP=MDBS\r\n"
            "GPOSSND=NET\r\n"
            "GBYDTU=0,0\r\n"
            "SOCKQ=TCP,203.0.113.10,8808\r\n"
            "SOCKQTO=5\r\n"
            "QLBSADDEN=ON\r\n"
            "QPOSPACK=OFF\r\n"
            "QPOSUPTM=30\r\n"
            "QPHONE=\r\n"
            "QHEARTEN=OFF\r\n"
            "GNSSMore=OFF\r\n"
            "QHEARTTM=30\r\n"
            "QCITY=\r\n"
            "QPRODUCER=ZAV\r\n"
            "QTERMINAL=ZAVGNSS,zav-gnss-001,15\r\n"
            "QCARINFO=0,\r\n"
            "QHWVER=\r\n"
            "[Base]\r\n"
            "APN=CMNET,,,0\r\n"
            "UART=115200,8,1,NONE,NFC\r\n"
            "RFCEN=OFF\r\n"
            "UARTFT=50\r\n"
            "UARTFL=1024\r\n"
            "E=ON\r\n"
            "CMDPW=zuzuv\r\n"
            "STMSG=[ZAV-T418]\r\n"
            "RSTIM=1800\r\n"
            "delayTime=150\r\n");
}

TEST(ProfileDefaults, WithoutAProfileTheWindowStartsInItsDocumentedState) {
  for (const bool chinese : {true, false}) {
    SCOPED_TRACE(chinese ? "Chinese system" : "other system");
    Rig rig(chinese);
    rig.Load("");
    Session& s = rig.s();
    ParamForm& f = rig.f();
    EXPECT_EQ(s.Lang().UseChinese, chinese);
    EXPECT_TRUE(s.liveHelp);
    EXPECT_FALSE(s.hideHelpLinks);
    EXPECT_EQ(s.sendSwitches.key, SendKey::CtrlEnter);
    EXPECT_TRUE(f.rzchckbxHeartDtHex.Checked());
    EXPECT_TRUE(f.rzchckbxRegDtHex.Checked());
    EXPECT_FALSE(f.rzchckbxMore.Checked());
    EXPECT_EQ(s.portSettings.port, "/dev/ttyUSB0");
    EXPECT_EQ(s.portSettings.baud, "115200");
    EXPECT_EQ(s.portSettings.data, "8");
    EXPECT_EQ(s.portSettings.parity, "NONE");
    EXPECT_EQ(s.portSettings.stop, "1");
    EXPECT_TRUE(f.rzchckbxSktA.Checked());
    EXPECT_TRUE(f.rzgrpbxSktA.Visible());
    EXPECT_EQ(f.cbbASL.ItemIndex(), 1);  // "LONG"
    EXPECT_EQ(f.edtSockATo.Text(), "5");
    EXPECT_TRUE(f.rzchckbxHeartEn.Checked());
    EXPECT_EQ(f.edtHeartTm.Text(), "30");
    EXPECT_FALSE(f.rzchckbxRegEn.Checked());
    EXPECT_EQ(f.cbbHTPTP.Text(), "POST");
    EXPECT_TRUE(f.rzchckbxE.Checked());
    EXPECT_EQ(f.lbledtStMsg.Text(), "[ZAV-T418]");
    EXPECT_EQ(f.lbledtRsTim.Text(), "1800");
    EXPECT_EQ(s.Engine().delayTime, 150);
  }
}

// ---- Ports ----

TEST(ProfilePorts, TheStoredPortIsChosenOnlyWhenTheComputerListsIt) {
  struct Case {
    const char* what;
    std::string profile;
    std::vector<std::string> ports;
    std::string defaultPort;
    std::string chosen;
  };
  const std::vector<Case> cases = {
      {"listed, in another letter case", "[OpenUart]\r\nComName=/DEV/TTYUSB1\r\n", kPorts, "", "/dev/ttyUSB1"},
      {"gone", "[OpenUart]\r\nComName=/dev/ttyACM9\r\n", kPorts, "", ""},
      {"none stored: the first listed", "", kPorts, "", "/dev/ttyUSB0"},
      {"none listed: the key is not read", "[OpenUart]\r\nComName=/dev/ttyUSB1\r\n", {}, "", ""},
      {"none stored: the preferred port", "", kPorts, "/dev/ttyUSB1", "/dev/ttyUSB1"},
      {"stored empty: the preferred port", "[OpenUart]\r\nComName=\r\n", kPorts, "/dev/ttyUSB1", "/dev/ttyUSB1"},
      {"stored and listed wins over the preferred port", "[OpenUart]\r\nComName=/dev/ttyUSB0\r\n", kPorts,
       "/dev/ttyUSB1", "/dev/ttyUSB0"},
      {"preferred but not listed", "", kPorts, "/tmp/t418-ports/ttySIM0", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempFolder folder;
    PollLoop loop;
    SessionOptions options;
    options.programFolder = folder.path();
    options.defaultPort = c.defaultPort;
    Session session(loop, std::move(options));
    session.portSettings.port = "before";
    LoadProfile(session, IniDocument::Parse(c.profile), c.ports);
    EXPECT_EQ(session.portSettings.port, c.ports.empty() ? "before" : c.chosen);
  }
}

TEST(ProfilePorts, ALineSettingNoListHoldsLeavesThatListWithoutSelection) {
  Rig rig;
  rig.Load("[OpenUart]\r\nBaudRate=115201\r\nParity=even\r\nData=9\r\nFlow=crts\r\n");
  EXPECT_EQ(rig.s().portSettings.baud, "");
  EXPECT_EQ(rig.s().portSettings.parity, "EVEN");  // letter case ignored, the list's own text
  EXPECT_EQ(rig.s().portSettings.data, "");
  EXPECT_EQ(rig.s().portSettings.flow, "CRTS");
  EXPECT_EQ(ToLineChoices(rig.s().portSettings).baud, "");
}

// ---- Tool settings ----

TEST(ProfileToolSettings, SendKeyHardwareSignAndPauseTakeOnlyWhatTheyKnow) {
  struct Case {
    const char* profile;
    SendKey key;
    THdVerSign sign;
    int delay;
  };
  const Case cases[] = {
      {"[System]\r\nSendShortCutTag=1\r\n", SendKey::Enter, THdVerSign::Hd540, 150},
      {"[System]\r\nSendShortCutTag=2\r\nHdVerSign=hd520\r\n", SendKey::CtrlEnter, THdVerSign::Hd520, 150},
      // An unknown tag leaves the key the session had; an unknown sign the sign.
      {"[System]\r\nSendShortCutTag=7\r\nHdVerSign=Hd999\r\n[Base]\r\ndelayTime=0\r\n", SendKey::Enter,
       THdVerSign::Hd540, 0},
      {"[System]\r\nSendShortCutTag=x\r\nHdVerSign=HdUnknown\r\n[Base]\r\ndelayTime=fast\r\n", SendKey::CtrlEnter,
       THdVerSign::HdUnknown, 150},
      {"[Base]\r\ndelayTime=-5\r\n", SendKey::CtrlEnter, THdVerSign::Hd540, 150},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.profile);
    Rig rig;
    rig.s().sendSwitches.key = SendKey::Enter;
    rig.s().Engine().delayTime = 999;
    rig.Load(c.profile);
    // "x" is no number: the default tag 2 applies.
    EXPECT_EQ(rig.s().sendSwitches.key, c.key);
    EXPECT_EQ(rig.s().Hardware().current, c.sign);
    EXPECT_EQ(rig.s().Engine().delayTime, c.delay);
  }
}

TEST(ProfileToolSettings, ASaveWritesTheSendKeyTagAndBooleansAsDigits) {
  Rig rig;
  rig.s().sendSwitches.key = SendKey::Enter;
  rig.s().Lang().UseChinese = false;
  rig.s().liveHelp = false;
  rig.s().hideHelpLinks = true;
  const IniDocument saved = rig.Save("[System]\r\nCustom=1\r\n");
  EXPECT_EQ(saved.ReadString("System", "SendShortCutTag", ""), "1");
  EXPECT_EQ(saved.ReadString("System", "Language", ""), "0");
  EXPECT_EQ(saved.ReadString("System", "ReadTimeHelp", ""), "0");
  EXPECT_EQ(saved.ReadString("System", "Custom", ""), "1");  // kept, never written
}

TEST(ProfileToolSettings, FastRepliesAreReadIntoTheSessionAndWrittenOnceEverOn) {
  struct Case {
    const char* profile;
    bool loaded;
    const char* savedBack;  // the key after saving into the same text
  };
  const Case cases[] = {
      {"", false, "<missing>"},  // a profile that never had it keeps its keys
      {"[System]\r\nFastReplies=1\r\n", true, "1"},
      {"[System]\r\nfastreplies=7\r\n", true, "1"},
      {"[System]\r\nFastReplies=0\r\n", false, "0"},
      {"[System]\r\nFastReplies=quick\r\n", false, "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.profile);
    Rig rig;
    rig.s().SetReplyFraming(!c.loaded);
    rig.Load(c.profile);
    EXPECT_EQ(rig.s().ReplyFraming(), c.loaded);
    // The serial line follows at once, port open or not.
    EXPECT_EQ(rig.s().Comm().ReplyFraming(), c.loaded ? FramingMode::kReplies : FramingMode::kOff);
    EXPECT_EQ(rig.Saved("System", "FastReplies", c.profile), c.savedBack);
  }

  Rig rig;
  rig.s().SetReplyFraming(true);
  EXPECT_EQ(rig.Saved("System", "FastReplies"), "1");
  rig.s().SetReplyFraming(false);
  EXPECT_EQ(rig.Saved("System", "FastReplies", "[System]\r\nFastReplies=1\r\n"), "0");
}

// ---- The edge cases of saving ----

TEST(ProfileSave, TheUdcModeLeavesTheStoredWorkModeAsItWas) {
  Rig rig;
  rig.s().Rules().SetChecked(rig.f().rbUdc, true);
  EXPECT_EQ(rig.Saved("WKMOD", "WKMOD", "[WKMOD]\r\nWKMOD=SMS\r\n"), "SMS");
  EXPECT_EQ(rig.Saved("WKMOD", "WKMOD"), "<missing>");
  rig.s().Rules().SetChecked(rig.f().rbSmsTran, true);
  EXPECT_EQ(rig.Saved("WKMOD", "WKMOD", "[WKMOD]\r\nWKMOD=NET\r\n"), "SMS");
}

TEST(ProfileSave, OnlyTheChosenRegistrationTypesTextIsWritten) {
  const std::string stored =
      "[Reg]\r\nREGTP=USER\r\nICCID=old-iccid\r\nMEID=old-meid\r\nCLOUD=old,pass\r\nREGDT=old-user\r\n";
  struct Case {
    int entry;
    const char* type;
    const char* key;
  };
  const Case cases[] = {{0, "ICCID", "ICCID"}, {1, "MEID", "MEID"}, {2, "CLOUD", "CLOUD"}, {3, "USER", "REGDT"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    Rig rig;
    rig.s().Rules().SelectEntry(rig.f().cbbRegTp, c.entry);
    rig.f().cbbRegDt.SetText("typed");
    const IniDocument saved = rig.Save(stored);
    EXPECT_EQ(saved.ReadString("Reg", "REGTP", ""), c.type);
    for (const char* key : {"ICCID", "MEID", "CLOUD", "REGDT"}) {
      SCOPED_TRACE(key);
      const std::string before = IniDocument::Parse(stored).ReadString("Reg", key, "");
      EXPECT_EQ(saved.ReadString("Reg", key, ""), std::string(key) == c.key ? "typed" : before);
    }
  }
  // Without a selection neither the type nor any text is written.
  Rig rig;
  rig.s().Rules().SelectEntry(rig.f().cbbRegTp, -1);
  rig.f().cbbRegDt.SetText("typed");
  const IniDocument saved = rig.Save(stored);
  for (const char* key : {"REGTP", "ICCID", "MEID", "CLOUD", "REGDT"}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(saved.ReadString("Reg", key, ""), IniDocument::Parse(stored).ReadString("Reg", key, "?"));
  }
}

TEST(ProfileSave, ListsWithoutASelectionAreNotWritten) {
  Rig rig;
  ParamForm& f = rig.f();
  for (ChoiceList* list : {&f.cbbASL, &f.cbbHeartSnd, &f.cbbRegSnd, &f.cbbGREGTP, &f.cbbGREGTYPE, &f.cbbGHEARTTP2,
                           &f.cbbGPOSSND})
    list->SetItemIndex(-1);
  const IniDocument saved = rig.Save();
  for (const auto& [section, key] : std::vector<std::pair<const char*, const char*>>{{"Socket", "SOCKASL"},
                                                                                   {"Heart", "HEARTSND"},
                                                                                   {"Reg", "REGSND"},
                                                                                   {"GNSS", "GREGTP"},
                                                                                   {"GNSS", "GREGDT"},
                                                                                   {"GNSS", "GREGSND"},
                                                                                   {"GNSS", "GPOSTP"},
                                                                                   {"GNSS", "GPOSSND"}}) {
    SCOPED_TRACE(key);
    EXPECT_FALSE(saved.Find(section, key).has_value());
  }
  // Keys of other lists are there: a list's missing selection hides only its own key.
  EXPECT_TRUE(saved.Find("Socket", "SOCKBSL").has_value());
}

TEST(ProfileSave, GmdbsHoldsThePrivateCloudsPairOnlyWithModbusPackets) {
  Rig rig;
  ParamForm& f = rig.f();
  f.edtMODBUSID1.SetText("1");
  f.edtMODBUSAddr1.SetText("100");
  f.edtMODBUSID2.SetText("2");
  f.edtMODBUSAddr2.SetText("200");
  f.edtreportinternal.SetText("10");
  f.edtGPOSUPTM.SetText("20");
  rig.s().Rules().SelectEntry(f.cbbGHEARTTP2, 2);
  EXPECT_EQ(rig.Saved("GNSS", "GMDBS"), "2,200");
  EXPECT_EQ(rig.Saved("GNSS", "GPOSTP"), "MDBS");
  rig.s().Rules().SelectEntry(f.cbbGHEARTTP2, 0);
  EXPECT_EQ(rig.Saved("GNSS", "GMDBS"), "1,100");
  EXPECT_EQ(rig.Saved("GNSS", "GPOSTP"), "RMC");
  // The interval key holds the private cloud's field in either case.
  EXPECT_EQ(rig.Saved("GNSS", "GPOSUPTM"), "20");
}

TEST(ProfileSave, UserGnssRegistrationDataIsStoredAsHex) {
  Rig rig;
  ParamForm& f = rig.f();
  rig.s().Rules().SelectEntry(f.cbbGREGTP, 4);
  rig.s().Rules().SetChecked(f.rzchckbxGREGDThex, false);
  f.cbbGREGDT.SetText("AB");
  EXPECT_EQ(rig.Saved("GNSS", "GREGDT"), "4142");
  rig.s().Rules().SetChecked(f.rzchckbxGREGDThex, true);  // converts the shown text
  EXPECT_EQ(f.cbbGREGDT.Text(), "4142");
  EXPECT_EQ(rig.Saved("GNSS", "GREGDT"), "4142");
  // Another type: the stored hex stays as the file had it.
  rig.s().Rules().SelectEntry(f.cbbGREGTP, 1);
  EXPECT_EQ(rig.Saved("GNSS", "GREGDT", "[GNSS]\r\nGREGDT=7A7A\r\n"), "7A7A");
  EXPECT_EQ(rig.Saved("GNSS", "GREGTP"), "IMEI");
}

TEST(ProfileSave, FlowControlOfTheTerminalIsAlwaysWrittenAsNfc) {
  Rig rig;
  rig.Load("[Base]\r\nUART=57600,8,2,ODD,RS485\r\n");
  EXPECT_EQ(rig.f().cbbFlow.Text(), "RS485");
  EXPECT_EQ(rig.Saved("Base", "UART"), "57600,8,2,ODD,NFC");
}

// ---- Loading: values the appliers refuse, and the order of keys ----

TEST(ProfileLoad, GnssSwitchTakesOneAndZeroOnly) {
  struct Case {
    const char* value;
    bool before;
    bool after;
  };
  for (const Case& c : {Case{"1", false, true}, Case{"0", true, false}, Case{"ON", false, false},
                        Case{"ON", true, true}, Case{"", false, false}}) {
    SCOPED_TRACE(std::string(c.value) + (c.before ? " on a checked box" : " on a clear box"));
    Rig rig;
    rig.s().Rules().SetChecked(rig.f().rzchckbxGNSSen, c.before);
    rig.Load(std::string("[GNSS]\r\nGNSSFUNEN=") + c.value + "\r\n");
    EXPECT_EQ(rig.f().rzchckbxGNSSen.Checked(), c.after);
  }
}

TEST(ProfileLoad, RefusedValuesLeaveTheirFieldsAsTheyWere) {
  Rig rig;
  rig.Load(
      "[WKMOD]\r\nWKMOD=net\r\n"
      "[Socket]\r\nSOCKA=TCP,host.example.com\r\nSOCKAEN=on\r\n"
      "[Reg]\r\nCLOUD=only-one\r\n"
      "[Base]\r\nUART=115200,8,1\r\n");
  ParamForm& f = rig.f();
  // "net" names no work mode: none stays checked.
  EXPECT_FALSE(f.rbNetTran.Checked() || f.rbHttpd.Checked() || f.rbSmsTran.Checked() || f.rbUdc.Checked());
  EXPECT_EQ(f.edtAddrA.Text(), "");
  EXPECT_TRUE(f.rzchckbxSktA.Checked());  // as the form was created
  EXPECT_EQ(f.cbbRegDt.Entry(2), "");
  EXPECT_EQ(f.cbbBaud.ItemIndex(), -1);  // the form's start state: no baud rate chosen
}

TEST(ProfileLoad, HexSwitchesComeBeforeTheDataTheyDescribe) {
  // Applied after the data, a clear box would have converted it.
  Rig rig;
  rig.Load("[System]\r\nHeartDtHex=OFF\r\nRegDtHex=OFF\r\n[Heart]\r\nHEARTDT=beat\r\n[Reg]\r\nREGTP=USER\r\nREGDT=join\r\n");
  EXPECT_FALSE(rig.f().rzchckbxHeartDtHex.Checked());
  EXPECT_EQ(rig.f().edtHeartDt.Text(), "beat");
  EXPECT_FALSE(rig.f().rzchckbxRegDtHex.Checked());
  EXPECT_EQ(rig.f().cbbRegDt.Text(), "join");

  // A checked box and hex data: the text is taken as it is.
  Rig hex;
  hex.Load("[Heart]\r\nHEARTDT=41424344\r\n[Reg]\r\nREGTP=USER\r\nREGDT=4142\r\n");
  EXPECT_EQ(hex.f().edtHeartDt.Text(), "41424344");
  EXPECT_EQ(hex.f().cbbRegDt.Text(), "4142");
}

TEST(ProfileLoad, TheRegistrationTypeComesBeforeTheTextsOfEachType) {
  Rig rig;
  rig.Load("[Reg]\r\nREGTP=ICCID\r\nICCID=8986\r\nMEID=A100\r\n");
  EXPECT_EQ(rig.f().cbbRegTp.ItemIndex(), 0);
  EXPECT_EQ(rig.f().cbbRegDt.Text(), "8986");  // the chosen type's text is shown at once
  EXPECT_EQ(rig.f().cbbRegDt.Entry(1), "A100");

  // The GNSS data takes its Hex box with it, however the box was left.
  Rig gnss;
  gnss.s().Rules().SetChecked(gnss.f().rzchckbxGREGDThex, false);
  gnss.Load("[GNSS]\r\nGREGTP=USER\r\nGREGDT=4142\r\n");
  EXPECT_TRUE(gnss.f().rzchckbxGREGDThex.Checked());
  EXPECT_EQ(gnss.f().cbbGREGDT.Text(), "4142");
}

TEST(ProfileLoad, TheGnssAdvancedBoxFollowsTheHeartbeatWhenItHasNoKeyOfItsOwn) {
  for (const char* heartbeat : {"ON", "OFF"}) {
    SCOPED_TRACE(heartbeat);
    Rig rig;
    rig.Load(std::string("[GNSS]\r\nQHEARTEN=") + heartbeat + "\r\n");
    EXPECT_EQ(rig.f().rzchckbxGNSSMore.Checked(), std::string(heartbeat) == "ON");
    EXPECT_EQ(rig.f().rzgrpbxGNSSmore.Visible(), std::string(heartbeat) == "ON");
  }
}

// ---- Files edited by hand ----

// kEveryKey as a person might have typed it: LF line ends, blanks around "=",
// quoted values, names in other letter cases, comments and a section of
// another program.
constexpr char kHandEdited[] =
    "; edited by hand\n"
    "[mine]\n"
    "colour = blue\n"
    "[system]\n"
    "custom = 1\n"
    "language=0\n"
    "READTIMEHELP = \"0\"\n"
    "SendShortcutTag= 1\n"
    "heartdthex = OFF\n"
    "regdthex='OFF'\n"
    "showmore = ON\n"
    "hdversign = Hd521\n"
    "[openuart]\n"
    "comname = /dev/ttyUSB1\n"
    "baudrate = 9600\n"
    "parity = even\n"
    "data = 7\n"
    "stop = 2\n"
    "flow = crts\n"
    "[wkmod]\n"
    "wkmod = HTTPD\n"
    "[SOCKET]\n"
    "sockaen = OFF\n"
    "socka = \"TCP,a.example.com,1001\"\n"
    "sockasl = SHORT\n"
    "sockato = 11\n"
    "sockben = ON\n"
    "sockb = UDP,b.example.com,1002\n"
    "sockbsl = LONG\n"
    "sockbto = 12\n"
    "sockcen = ON\n"
    "sockc = TCP,c.example.com,1003\n"
    "sockcsl = SHORT\n"
    "sockcto = 13\n"
    "sockden = ON\n"
    "sockd = TCP,d.example.com,1004\n"
    "sockdsl = SHORT\n"
    "sockdto = 14\n"
    "sockind = ON\n"
    "sockrstim = 61\n"
    "[heart]\n"
    "hearten = OFF\n"
    "heartdt = beat\n"
    "heartsnd = COM\n"
    "hearttm = 31\n"
    "[reg]\n"
    "regen = ON\n"
    "regtp = USER\n"
    "iccid = 89860012345678901234\n"
    "meid = A1000012345678\n"
    "cloud = 12345678,abcdefgh\n"
    "regdt = 4142\n"
    "regsnd = DATA\n"
    "[httpd]\n"
    "htptp = get\n"
    "htpurl = /t.php\n"
    "htpsv = h.example.com,8080\n"
    "htphd = \"Accept: */*[0D][0A]\"\n"
    "htpflt = OFF\n"
    "htpto = 11\n"
    "[sms]\n"
    "dstnum = 5551234\n"
    "smsflt = OFF\n"
    "smsph = ON\n"
    "[gnss]\n"
    "gnssfunen = 1\n"
    "gnssmod = QX\n"
    "gcloud = ABCDEFGHIJ0123456789,12345678\n"
    "gmdbs = 3,40001\n"
    "gposuptm = 45\n"
    "gwkmod = MULT\n"
    "sockg = TCPC,g.example.com,2318\n"
    "sockgto = 6\n"
    "gregen = ON\n"
    "gregtp = USER\n"
    "gregdt = 4344\n"
    "gregsnd = DATA\n"
    "gpostp = GGA\n"
    "gpossnd = DOUBLE\n"
    "gbydtu = 1,0\n"
    "sockq = tcp,q.example.com,8809\n"
    "sockqto = 7\n"
    "qlbsadden = OFF\n"
    "qpospack = ON\n"
    "qposuptm = 46\n"
    "qphone = 013800000000\n"
    "qhearten = ON\n"
    "gnssmore = OFF\n"
    "qhearttm = 47\n"
    "qcity = 110101\n"
    "qproducer = ACME\n"
    "qterminal = T000001,model-x,64\n"
    "qcarinfo = 2,ABC123\n"
    "qhwver = HW2\n"
    "[base]\n"
    "apn = CMIOT,user,secret,1\n"
    "uart = 9600,7,2,even,nfc\n"
    "rfcen = ON\n"
    "uartft = 51\n"
    "uartfl = 1025\n"
    "e = OFF\n"
    "cmdpw = secret\n"
    "stmsg = [HELLO]\n"
    "rstim = 1801\n"
    "DELAYTIME = 80\n"
    "[other]\n"
    "kept = yes\n";

TEST(ProfileHandEdited, ReadsAsTheProfileTheToolWrites) {
  Rig written;
  written.Load(kEveryKey);
  Rig edited;
  edited.Load(kHandEdited);
  EXPECT_EQ(Differences(SnapshotOf(written.f()), SnapshotOf(edited.f())), std::vector<std::string>{});
  EXPECT_EQ(edited.s().portSettings.parity, "EVEN");
  EXPECT_EQ(edited.s().Engine().delayTime, 80);
  EXPECT_EQ(edited.s().sendSwitches.key, SendKey::Enter);

  // Saved back: its own spelling of names stays, values become the tool's
  // form, and what the tool does not know is where it was.
  const std::string saved = edited.Save(kHandEdited).Serialize();
  EXPECT_EQ(saved.rfind("; edited by hand\r\n[mine]\r\ncolour = blue\r\n[system]\r\n", 0), 0u) << saved;
  EXPECT_NE(saved.find("sockb = UDP,b.example.com,1002\r\n"), std::string::npos);
  EXPECT_NE(saved.find("socka = \"TCP,a.example.com,1001\"\r\n"), std::string::npos);  // the same value
  EXPECT_NE(saved.find("htptp = GET\r\n"), std::string::npos);
  EXPECT_NE(saved.find("DELAYTIME = 80\r\n"), std::string::npos);
  EXPECT_NE(saved.find("[other]\r\nkept = yes\r\n"), std::string::npos);
  EXPECT_EQ(saved.find("[System]"), std::string::npos);  // no second section of the same name
}

// ---- Configuration documents ----

TEST(ConfigurationDocument, HoldsTheParametersAndNothingOfTheTool) {
  Rig rig;
  rig.Load(kEveryKey);
  IniDocument document;
  SaveParameters(rig.s(), document);
  const std::string bytes = document.Serialize();
  for (const char* absent : {"[OpenUart]", "Language", "ReadTimeHelp", "SendShortCutTag", "HdVerSign", "Custom",
                             "delayTime"}) {
    SCOPED_TRACE(absent);
    EXPECT_EQ(bytes.find(absent), std::string::npos);
  }
  EXPECT_EQ(bytes.rfind("[System]\r\nHeartDtHex=OFF\r\nRegDtHex=OFF\r\nShowMore=ON\r\n[WKMOD]\r\nWKMOD=HTTPD\r\n", 0),
            0u)
      << bytes;
  EXPECT_NE(bytes.find("[Base]\r\nAPN=CMIOT,user,secret,1\r\n"), std::string::npos);

  // Loading it into another session gives the same form and leaves the tool alone.
  Rig other;
  other.s().Lang().UseChinese = false;  // the work-mode picture follows the language
  other.s().portSettings.baud = "57600";
  other.s().Engine().delayTime = 33;
  other.s().liveHelp = false;
  LoadParameters(other.s(), document);
  // A save keeps the text of the chosen registration type only, and the
  // cloud's communication code not at all (its key is written with the
  // device number alone).
  const std::set<std::string> notKept = {"cbbRegDt.entries", "cbbGREGDT.entries", "edtCloudPa.text"};
  EXPECT_EQ(Differences(SnapshotOf(rig.f()), SnapshotOf(other.f()), notKept), std::vector<std::string>{});
  EXPECT_EQ(other.f().cbbRegDt.Entry(3), "4142");
  EXPECT_EQ(other.f().cbbGREGDT.Entry(4), "4344");
  EXPECT_EQ(other.s().portSettings.baud, "57600");
  EXPECT_EQ(other.s().Engine().delayTime, 33);
  EXPECT_FALSE(other.s().liveHelp);
  EXPECT_FALSE(other.s().Lang().UseChinese);  // the system's language would be Chinese
  EXPECT_EQ(other.s().Hardware().current, THdVerSign::Hd540);
}

}  // namespace
}  // namespace t418
