// The profile in a session's life: read at Create, saved at Close, where the
// file lives, what a failed save does; configuration files written by one
// session and read by another.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "forked_child.h"
#include "log_fakes.h"
#include "loop/poll_loop.h"
#include "serial/serial_fixtures.h"
#include "session/profile_form_snapshot.h"
#include "session/profile_io.h"
#include "session/session.h"
#include "session_fakes.h"
#include "temp_folder.h"
#include "text/file_read.h"
#include "text/hex.h"
#include "gbk_texts.h"
#include "params/value_check.h"

namespace t418 {
namespace {

namespace fs = std::filesystem;
using testing::Differences;
using testing::G;
using testing::ReadBytes;
using testing::SnapshotOf;
using testing::TempFolder;
using testing::WriteBytes;

// Sets an environment variable for as long as it lives.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// One run of the tool on a program folder: created as the main window creates
// it, closed (and so saved) when it goes.
struct ToolRun {
  PollLoop loop;
  testing::FixedLogClock clock;
  testing::RecordingLogView logView;
  testing::MessageRecorder listener;
  std::unique_ptr<Session> session;

  explicit ToolRun(const fs::path& programFolder, std::function<void(SessionOptions&)> adjust = {}) {
    SessionOptions options;
    options.programFolder = programFolder;
    options.logClock = &clock;
    options.systemIsChinese = [] { return true; };
    if (adjust) adjust(options);
    session = std::make_unique<Session>(loop, std::move(options));
    session->Log().SetView(&logView);
    session->SetListener(&listener);
    session->Create();
    session->ApplyTexts();
    session->FinishCreate();
  }
  ~ToolRun() {
    if (session) session->Close();
  }
  Session& s() { return *session; }
  ParamForm& f() { return session->Form(); }
  void Report(const std::string& name, const std::string& value) { session->Appliers().ApplyReport(name, value); }
  std::vector<std::string> Warnings() const { return logView.TextsOf(LogColour::Warning); }
};

// A program folder with the region catalogue, as the build lays it out.
struct ProgramFolder {
  TempFolder folder;
  ProgramFolder() {
    fs::copy_file(fs::path(T418_SOURCE_DIR) / "resources" / "province&city.json",
                  folder.path() / "province&city.json");
  }
  const fs::path& path() const { return folder.path(); }
  fs::path Profile() const { return folder.path() / kProfileFileName; }
};

// What a full read of a terminal might have left in the view (network mode).
const std::vector<std::pair<std::string, std::string>> kTerminalReports = {
    {"SOCKA", "TCP,a.example.com,5000"}, {"SOCKASL", "SHORT"}, {"SOCKATO", "9"},
    {"SOCKBEN", "ON"}, {"SOCKB", "UDP,b.example.com,5001"}, {"SOCKBTO", "8"},
    {"SOCKRSTIM", "99"}, {"SOCKIND", "ON"}, {"HEARTDT", "41424344"},
    {"HEARTSND", "COM"}, {"HEARTTM", "45"}, {"REGEN", "ON"},
    {"ICCID", "89860000000000000001"}, {"MEID", "A1000000000001"}, {"REGTP", "USER"},
    {"REGDT", "5A5A"}, {"REGSND", "DATA"}, {"HTPTP", "GET"},
    {"HTPURL", "/x.php"}, {"HTPSV", "h.example.com,81"}, {"HTPHD", "X: y[0D][0A]"},
    {"HTPTO", "12"}, {"HTPFLT", "OFF"}, {"DSTNUM", "5550000"},
    {"SMSFLT", "OFF"}, {"SMSPH", "ON"}, {"GNSSFUNEN", "1"},
    {"GNSSMOD", "NET"}, {"GWKMOD", "INDE"}, {"SOCKG", "TCPC,g.example.com,9000"},
    {"SOCKGTO", "7"}, {"GREGEN", "ON"}, {"GREGTP", "USER"},
    {"GREGDT", "4142"}, {"GREGSND", "DATA"}, {"GPOSTP", "MDBS"},
    {"GMDBS", "2,40002"}, {"GPOSUPTM", "60"}, {"GPOSSND", "COM"},
    {"GBYDTU", "1,1"}, {"GCLOUD", "ABCDEFGHIJ0123456789,12345678"}, {"SOCKQ", "TCP,q.example.com,7000"},
    {"SOCKQTO", "6"}, {"QLBSADDEN", "OFF"}, {"QPOSPACK", "ON"},
    {"QPOSUPTM", "20"}, {"QPHONE", "013812345678"}, {"QHEARTEN", "ON"},
    {"QHEARTTM", "25"}, {"QCITY", "110101"}, {"QPRODUCER", "ACME"},
    {"QTERMINAL", "T1,m1,207"}, {"QCARINFO", "9,ABC"}, {"QHWVER", "HW1"},
    {"APN", "CMIOT,,,0"}, {"UART", "9600,8,1,ODD,NFC"}, {"RFCEN", "ON"},
    {"UARTFT", "60"}, {"UARTFL", "512"}, {"E", "OFF"},
    {"CMDPW", "pw"}, {"STMSG", "[S1]"}, {"RSTIM", "600"},
};

// What a save keeps of the view: the text of the chosen registration type
// only, and the cloud's communication code not at all.
const std::set<std::string> kNotKept = {"cbbRegDt.entries", "cbbGREGDT.entries", "edtCloudPa.text"};

void FillAsATerminalRead(ToolRun& run) {
  for (const auto& [name, value] : kTerminalReports) run.Report(name, value);
  run.s().Rules().SetChecked(run.f().rzchckbxMore, true);
  run.s().Rules().SetChecked(run.f().rzchckbxGNSSMore, false);
  run.s().Engine().ApplyHdVerSign(THdVerSign::Hd520);
}

TEST(ProfileLife, AProfileWrittenAtCloseGivesTheNextRunTheSameWindow) {
  ProgramFolder program;
  testing::FormSnapshot before;
  {
    ToolRun first(program.path());
    FillAsATerminalRead(first);
    first.s().Lang().UseChinese = false;
    first.s().ApplyTexts();
    first.s().liveHelp = false;
    first.s().sendSwitches.key = SendKey::Enter;
    first.s().portSettings = PortSettings{"", "9600", "EVEN", "7", "2", "CRTS"};
    first.s().Engine().delayTime = 75;
    before = SnapshotOf(first.f());
    EXPECT_GE(first.f().cbbProvince.ItemIndex(), 0);  // the region lists follow QCITY
  }
  ASSERT_TRUE(fs::exists(program.Profile()));

  ToolRun second(program.path());
  EXPECT_EQ(Differences(before, SnapshotOf(second.f()), kNotKept), std::vector<std::string>{});
  EXPECT_FALSE(second.s().Lang().UseChinese);
  EXPECT_FALSE(second.s().liveHelp);
  EXPECT_EQ(second.s().sendSwitches.key, SendKey::Enter);
  EXPECT_EQ(second.s().portSettings.baud, "9600");
  EXPECT_EQ(second.s().portSettings.parity, "EVEN");
  EXPECT_EQ(second.s().portSettings.data, "7");
  EXPECT_EQ(second.s().portSettings.stop, "2");
  EXPECT_EQ(second.s().portSettings.flow, "CRTS");
  EXPECT_EQ(second.s().Engine().delayTime, 75);
  EXPECT_EQ(second.s().Hardware().current, THdVerSign::Hd520);
  EXPECT_EQ(second.s().Hardware().identityCmd, TCmd::MEID);
  EXPECT_EQ(second.f().cbbRegDt.Entry(3), "5A5A");
  EXPECT_EQ(second.f().cbbGREGDT.Entry(4), "4142");
  EXPECT_TRUE(second.listener.messages.empty());
}

TEST(ProfileLife, TheFirstCloseCreatesTheProfileWithItsSectionsInOrder) {
  ProgramFolder program;
  { ToolRun run(program.path()); }
  const std::string bytes = ReadBytes(program.Profile());
  std::size_t at = 0;
  for (const char* section : {"[System]", "[OpenUart]", "[WKMOD]", "[Socket]", "[Heart]", "[Reg]", "[HTTPD]", "[SMS]",
                              "[GNSS]", "[Base]"}) {
    SCOPED_TRACE(section);
    const std::size_t found = bytes.find(section);
    ASSERT_NE(found, std::string::npos);
    EXPECT_GT(found + 1, at);
    at = found;
  }
  // The region code of the new profile is empty, and no region is chosen.
  ToolRun again(program.path());
  EXPECT_EQ(again.f().edtQCITY.Text(), "");
  EXPECT_EQ(again.f().cbbProvince.ItemIndex(), -1);
}

TEST(ProfileLife, TheStartStillSelectsNetworkModeWhateverTheProfileHeld) {
  ProgramFolder program;
  WriteBytes(program.Profile(), "[WKMOD]\r\nWKMOD=HTTPD\r\n[Base]\r\nSTMSG=[KEPT]\r\n");
  ToolRun run(program.path());
  EXPECT_TRUE(run.f().rbNetTran.Checked());
  EXPECT_EQ(run.f().lbledtStMsg.Text(), "[KEPT]");
}

// ---- A save that fails ----

TEST(ProfileSaveFailure, ThePathIsShownAndNothingElseIsLost) {
  ProgramFolder folder;
  WriteBytes(folder.path() / "plain", "a file, not a folder");
  const fs::path impossible = folder.path() / "plain" / kProfileFileName;
  std::vector<std::string> messages;
  {
    ToolRun run(folder.path(), [&](SessionOptions& o) { o.profilePath = impossible; });
    run.s().Close();
    messages = run.listener.messages;
  }
  EXPECT_EQ(messages, std::vector<std::string>{"Unable to write to " + impossible.string()});
  EXPECT_EQ(ReadBytes(folder.path() / "plain"), "a file, not a folder");
}

TEST(ProfileSaveFailure, AProfileThatCannotBeReadIsWarnedAboutAndNotReplaced) {
  ProgramFolder program;
  fs::create_directory(program.Profile());  // no file can be read there
  WriteBytes(program.Profile() / "inside", "kept");
  ToolRun run(program.path());
  ASSERT_EQ(run.Warnings().size(), 1u);
  EXPECT_NE(run.Warnings()[0].find(program.Profile().string()), std::string::npos);
  EXPECT_EQ(run.f().lbledtStMsg.Text(), "[ZAV-T418]");  // the defaults
  run.s().Close();
  EXPECT_EQ(run.listener.messages, std::vector<std::string>{"Unable to write to " + program.Profile().string()});
  EXPECT_EQ(ReadBytes(program.Profile() / "inside"), "kept");
}

// A full disk, as one process sees it: a file size limit stops the write of
// the new profile halfway. The old profile must come through whole.
TEST(ProfileSaveFailure, AFullDiskLeavesTheOldProfileWhole) {
  ProgramFolder program;
  const std::string old = "[Base]\r\nSTMSG=[OLD]\r\n[Mine]\r\nkeep=1\r\n";
  WriteBytes(program.Profile(), old);

  const testing::ChildEnd child = testing::RunInChild([&] {
    std::string report;
    ToolRun run(program.path());
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{512, 512};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    run.s().Close();
    for (const auto& message : run.listener.messages) report += message + "\n";
    return report;
  });
  ASSERT_EQ(child.exitCode, 0);
  const std::string& report = child.report;

  EXPECT_EQ(report, "Unable to write to " + program.Profile().string() + "\n");
  EXPECT_EQ(ReadBytes(program.Profile()), old);
}

// ---- Where the profile lives ----

TEST(ProfileLocation, BesideTheProgramWhenPossibleElseInTheUsersConfigFolder) {
  const fs::path program = "/opt/t418";
  struct Case {
    const char* what;
    ProfilePlaceFacts facts;
    fs::path expected;
  };
  const std::vector<Case> cases = {
      {"writable folder", {false, true, "/x/config", "/home/u"}, "/opt/t418/T418Cfg.ini"},
      {"a profile is there already", {true, false, "/x/config", "/home/u"}, "/opt/t418/T418Cfg.ini"},
      {"read-only folder", {false, false, "/x/config", "/home/u"}, "/x/config/t418/T418Cfg.ini"},
      {"no XDG_CONFIG_HOME", {false, false, "", "/home/u"}, "/home/u/.config/t418/T418Cfg.ini"},
      {"a relative XDG_CONFIG_HOME is ignored", {false, false, "config", "/home/u"},
       "/home/u/.config/t418/T418Cfg.ini"},
      {"nowhere else to go", {false, false, "", ""}, "/opt/t418/T418Cfg.ini"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ChooseProfilePath(program, c.facts), c.expected);
  }
}

TEST(ProfileLocation, TheFactsComeFromTheFolderAndTheEnvironment) {
  TempFolder folder;
  const ScopedEnv config("XDG_CONFIG_HOME", (folder.path() / "config").string());
  EXPECT_EQ(ProfilePath(folder.path()), folder.path() / kProfileFileName);
  // A program folder that is not there takes no file (root may write anywhere else).
  const fs::path gone = folder.path() / "gone";
  EXPECT_EQ(ProfilePath(gone), folder.path() / "config" / "t418" / kProfileFileName);
  {
    const ScopedEnv home("HOME", (folder.path() / "home").string());
    const ScopedEnv unset("XDG_CONFIG_HOME", "");
    EXPECT_EQ(ProfilePath(gone), folder.path() / "home" / ".config" / "t418" / kProfileFileName);
  }
}

TEST(ProfileLocation, TheUsersConfigFolderIsCreatedByTheFirstSave) {
  TempFolder folder;
  const ScopedEnv config("XDG_CONFIG_HOME", (folder.path() / "config").string());
  const fs::path gone = folder.path() / "gone";
  {
    ToolRun run(gone);
    EXPECT_EQ(run.s().ProfileFilePath(), folder.path() / "config" / "t418" / kProfileFileName);
    run.s().Engine().delayTime = 42;
  }
  const fs::path saved = folder.path() / "config" / "t418" / kProfileFileName;
  ASSERT_TRUE(fs::exists(saved));
  EXPECT_NE(ReadBytes(saved).find("delayTime=42\r\n"), std::string::npos);
  ToolRun again(gone);
  EXPECT_EQ(again.s().Engine().delayTime, 42);
}

// ---- The port to start on ----

TEST(ProfileStartPort, ThePreferredPortIsChosenUntilTheProfileHoldsOne) {
  TempFolder folder;
  // A port list of our own: the simulator's folder holds links to two lines.
  const ScopedEnv runtime("XDG_RUNTIME_DIR", (folder.path() / "run").string());
  fs::create_directories(folder.path() / "run" / "t418-ports");
  test::Pty first, second;
  const fs::path linkA = folder.path() / "run" / "t418-ports" / "ttySIM0";
  const fs::path linkB = folder.path() / "run" / "t418-ports" / "ttySIM1";
  fs::create_symlink(first.Path(), linkA);
  fs::create_symlink(second.Path(), linkB);
  const fs::path program = folder.path() / "program";
  fs::create_directory(program);
  const auto preferB = [&](SessionOptions& o) { o.defaultPort = linkB.string(); };

  {
    ToolRun run(program, preferB);
    EXPECT_EQ(run.s().portSettings.port, linkB.string());
    run.s().portSettings.port = linkA.string();  // the user's choice
  }
  ToolRun again(program, preferB);
  EXPECT_EQ(again.s().portSettings.port, linkA.string());
}

// ---- Configuration files ----

TEST(ConfigurationFile, ASessionWritesItAndAnotherReadsItIntoItsForm) {
  ProgramFolder program;
  TempFolder files;
  const fs::path path = files.path() / "site" / "terminal.ini";
  ToolRun first(program.path());
  FillAsATerminalRead(first);
  first.s().Rules().SetChecked(first.f().rbHttpd, true);
  ASSERT_FALSE(SaveConfigurationFile(first.s(), path).has_value());

  ToolRun second(program.path());
  second.s().portSettings.baud = "57600";
  second.s().Engine().delayTime = 10;
  ASSERT_FALSE(LoadConfigurationFile(second.s(), path).has_value());
  // The identity entry of the registration types follows each session's hardware sign.
  std::set<std::string> ignored = kNotKept;
  ignored.insert("cbbRegTp.items");
  EXPECT_EQ(Differences(SnapshotOf(first.f()), SnapshotOf(second.f()), ignored), std::vector<std::string>{});
  EXPECT_TRUE(second.f().rbHttpd.Checked());
  EXPECT_EQ(second.s().portSettings.baud, "57600");
  EXPECT_EQ(second.s().Engine().delayTime, 10);
  EXPECT_EQ(second.s().Hardware().current, THdVerSign::Hd540);  // the first's Hd520 stays the first's
}

TEST(ConfigurationFile, OneEditedByHandReadsTheSameAndKeepsWhatItHolds) {
  ProgramFolder program;
  TempFolder files;
  const fs::path written = files.path() / "written.ini";
  const fs::path edited = files.path() / "edited.ini";
  {
    ToolRun source(program.path());
    FillAsATerminalRead(source);
    ASSERT_FALSE(SaveConfigurationFile(source.s(), written).has_value());
  }
  // The tool's file with LF line ends, blanks around "=", quoted values,
  // names in lower case and a section the tool does not know.
  std::string bytes = "[notes]\nwho = me\n";
  for (const std::string& line : [&] {
         std::vector<std::string> lines;
         const std::string text = ReadBytes(written);
         for (std::size_t at = 0; at < text.size();) {
           const std::size_t end = text.find("\r\n", at);
           lines.push_back(text.substr(at, end - at));
           at = end + 2;
         }
         return lines;
       }()) {
    std::string lower = line;
    const std::size_t equals = line.find('=');
    for (std::size_t i = 0; i < (equals == std::string::npos ? line.size() : equals); ++i)
      lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[i])));
    if (equals != std::string::npos)
      lower = lower.substr(0, equals) + " = \"" + line.substr(equals + 1) + "\"";
    bytes += lower + "\n";
  }
  WriteBytes(edited, bytes);

  ToolRun fromWritten(program.path());
  ASSERT_FALSE(LoadConfigurationFile(fromWritten.s(), written).has_value());
  ToolRun fromEdited(program.path());
  ASSERT_FALSE(LoadConfigurationFile(fromEdited.s(), edited).has_value());
  EXPECT_EQ(Differences(SnapshotOf(fromWritten.f()), SnapshotOf(fromEdited.f())), std::vector<std::string>{});

  // Saved over, the file keeps its own lines where nothing changed.
  ASSERT_FALSE(SaveConfigurationFile(fromEdited.s(), edited).has_value());
  const std::string saved = ReadBytes(edited);
  EXPECT_EQ(saved.rfind("[notes]\r\nwho = me\r\n[system]\r\n", 0), 0u) << saved;
  EXPECT_NE(saved.find("stmsg = \"[S1]\"\r\n"), std::string::npos) << saved;
  EXPECT_EQ(saved.find("[Base]"), std::string::npos);
}

TEST(ConfigurationFile, AFileThatIsNotThereChangesNothing) {
  ProgramFolder program;
  ToolRun run(program.path());
  run.Report("STMSG", "[MINE]");
  const auto before = SnapshotOf(run.f());
  const auto error = LoadConfigurationFile(run.s(), program.path() / "nowhere.ini");
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->reason, std::errc::no_such_file_or_directory);
  EXPECT_NE(error->Describe().find("nowhere.ini"), std::string::npos);
  EXPECT_EQ(Differences(before, SnapshotOf(run.f())), std::vector<std::string>{});
}

// A file without the parameter sections is no configuration: reading it
// changes nothing (it would otherwise reset the form to the defaults) and
// says so; one known key is enough.
TEST(ConfigurationFile, AFileWithoutParameterSectionsIsNoConfiguration) {
  ProgramFolder program;
  ToolRun run(program.path());
  run.Report("STMSG", "[MINE]");
  const auto before = SnapshotOf(run.f());
  const struct {
    const char* name;
    std::string bytes;
  } notConfigurations[] = {
      {"empty.ini", ""},
      {"README.md", "# T418\n\nA tool = the terminal's settings.\n"},
      {"random.bin", std::string("\x00\xff\x13[x]\nk=v\n\x80\x81", 14)},
      {"other.ini", "[Display]\r\nSTMSG=1\r\n[Base]\r\nColour=red\r\n"},
  };
  for (const auto& file : notConfigurations) {
    SCOPED_TRACE(file.name);
    WriteBytes(program.path() / file.name, file.bytes);
    const auto error = LoadConfigurationFile(run.s(), program.path() / file.name);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->NotConfiguration());
    EXPECT_NE(error->Describe().find("not a configuration file"), std::string::npos);
    EXPECT_EQ(Differences(before, SnapshotOf(run.f())), std::vector<std::string>{});
    EXPECT_FALSE(run.s().OpenConfiguration(program.path() / file.name));
  }
  EXPECT_EQ(run.Warnings().size(), std::size(notConfigurations));

  WriteBytes(program.path() / "one.ini", "[base]\r\nstmsg=[ONE]\r\n");
  const auto error = LoadConfigurationFile(run.s(), program.path() / "one.ini");
  EXPECT_FALSE(error.has_value());
  EXPECT_EQ(run.f().lbledtStMsg.Text(), "[ONE]");
}

// Devices and FIFOs are no files to read: a configuration, the profile or the
// language file named so gives an error at once, never a hang or a read
// without end, and the built-in texts and defaults stay in force.
// A value longer than a read gives is loaded cut, and the log names its key.
TEST(ConfigurationFile, AValueCutToTheReadLimitIsNamedInTheLog) {
  ProgramFolder program;
  ToolRun run(program.path());
  WriteBytes(program.path() / "long.ini",
             "[Base]\r\nSTMSG=" + std::string(2047, 'a') + "\r\nAPN=" + std::string(3000, 'b') + "\r\n");
  ASSERT_FALSE(LoadConfigurationFile(run.s(), program.path() / "long.ini").has_value());
  EXPECT_EQ(run.f().lbledtApn.Text(), std::string(2047, 'b'));
  ASSERT_EQ(run.Warnings().size(), 1u);
  EXPECT_NE(run.Warnings()[0].find("APN"), std::string::npos) << run.Warnings()[0];
  EXPECT_EQ(run.Warnings()[0].find("STMSG"), std::string::npos) << run.Warnings()[0];
}

TEST(SpecialFiles, DevicesAndFifosAreRefusedAtOnce) {
  ProgramFolder program;
  ASSERT_EQ(::mkfifo((program.path() / "T418Lang.txt").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(program.Profile().c_str(), 0600), 0);
  {
    ToolRun run(program.path());
    EXPECT_EQ(run.f().edtSockATo.Text(), "5");
    EXPECT_FALSE(run.Warnings().empty());  // the profile could not be read
    EXPECT_EQ(run.s().Lang().LangText("info_CfgLoaded"), G("已载入配置: "));
    for (const fs::path& path : {fs::path("/dev/zero"), program.Profile()}) {
      const auto error = LoadConfigurationFile(run.s(), path);
      ASSERT_TRUE(error.has_value());
      EXPECT_EQ(error->reason, FileRefusal::NotRegular);
    }
  }
  EXPECT_TRUE(fs::is_fifo(program.Profile()));  // not replaced at close
}

// The default parameters write without refusal, whichever pages the user
// then turns on.
TEST(ConfigurationFile, TheDefaultParametersPassTheValueCheck) {
  ProgramFolder program;
  ToolRun run(program.path());
  FillAsATerminalRead(run);
  LoadDefaultParameters(run.s());
  ParamForm& f = run.f();
  ViewRules& rules = run.s().Rules();
  const std::vector<std::function<void()>> variants = {
      [] {},
      [&] { rules.SetChecked(f.rzchckbxMore, true); },
      [&] { rules.SetChecked(f.rzchckbxSktB, true); },
      [&] { rules.SetChecked(f.rbHttpd, true); },
      [&] { rules.SetChecked(f.rbSmsTran, true); },
      [&] {
        rules.SetChecked(f.rbNetTran, true);
        rules.SetChecked(f.rzchckbxGNSSen, true);
        rules.SetChecked(f.rbPrivateCloud, true);
        rules.SetChecked(f.rbINDE, true);
      },
  };
  for (std::size_t i = 0; i < variants.size(); ++i) {
    SCOPED_TRACE("variant " + std::to_string(i));
    variants[i]();
    OrderList orders;
    EXPECT_EQ(run.s().Builder().Build(orders), ConfigRefusal::None) << run.s().Builder().LastMessage();
    EXPECT_GT(orders.OrderCount(), 10);
    for (const std::string& line : orders.Lines()) {
      const auto equals = line.find('=');
      const std::string name = line.substr(3, equals - 3);
      EXPECT_FALSE(FindValueFault(*FindCmd(name), line.substr(equals + 1, line.size() - equals - 3))) << line;
    }
  }
  EXPECT_TRUE(f.rzchckbxHeartDtHex.Checked());
  EXPECT_EQ(f.edtHeartDt.Text(), TextToHex("www.example.com", ""));
}

// Auto CR is on in a new profile; a profile that holds the key keeps its choice.
TEST(ProfileLife, AutoCrIsOnUntilTheProfileSaysOtherwise) {
  ProgramFolder program;
  {
    ToolRun run(program.path());
    EXPECT_TRUE(run.s().sendSwitches.autoCR);
    run.s().sendSwitches.autoCR = false;
    run.s().Log().timeStamps = true;
  }
  ToolRun again(program.path());
  EXPECT_FALSE(again.s().sendSwitches.autoCR);
  EXPECT_TRUE(again.s().Log().timeStamps);
}

TEST(ConfigurationFile, SavedOverTheProfileItKeepsTheToolsKeys) {
  ProgramFolder program;
  ToolRun run(program.path());
  run.s().Engine().delayTime = 64;
  run.s().Close();
  run.Report("STMSG", "[NEW]");
  ASSERT_FALSE(SaveConfigurationFile(run.s(), program.Profile()).has_value());
  const IniDocument saved = IniDocument::Parse(ReadBytes(program.Profile()));
  EXPECT_EQ(saved.ReadString("Base", "STMSG", ""), "[NEW]");
  EXPECT_EQ(saved.ReadString("Base", "delayTime", ""), "64");
  EXPECT_TRUE(saved.HasSection("OpenUart"));
}

TEST(ConfigurationFile, DefaultParametersAreThoseOfAStartWithoutProfile) {
  ProgramFolder program;
  TempFolder other;
  fs::copy_file(program.path() / "province&city.json", other.path() / "province&city.json");
  ToolRun fresh(other.path());
  ToolRun run(program.path());
  FillAsATerminalRead(run);
  run.s().Rules().SetChecked(run.f().rbSmsTran, true);
  LoadDefaultParameters(run.s());
  // What the defaults leave as it was: the region code, which is read only
  // once the region lists are filled, and the entries of the other
  // registration types that a refused default keeps; the GNSS data label
  // keeps the caption of the last type chosen; the identity entry follows the
  // hardware sign, which is no parameter. The server addresses are reset.
  const std::set<std::string> leftAsTheyWere = {
      "edtQCITY.text", "cbbProvince.index", "cbbProvince.text", "cbbcity.items", "cbbcity.index",
      "cbbcity.text", "cbbCounty.items", "cbbCounty.index", "cbbCounty.text", "cbbRegDt.entries",
      "cbbGREGDT.entries", "lblGREGDT.caption", "cbbRegTp.items"};
  EXPECT_EQ(Differences(SnapshotOf(fresh.f()), SnapshotOf(run.f()), leftAsTheyWere), std::vector<std::string>{});
  EXPECT_EQ(run.f().lbledtStMsg.Text(), "[ZAV-T418]");
  EXPECT_TRUE(run.f().rbNetTran.Checked());
  EXPECT_EQ(run.s().Hardware().current, THdVerSign::Hd520);  // a tool setting, not a parameter
}

}  // namespace
}  // namespace t418
