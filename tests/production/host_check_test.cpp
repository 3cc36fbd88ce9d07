// The host check on trees laid out as a Linux host keeps its facts: /dev,
// /etc/passwd and /etc/group, /sys, /run/udev/data and /proc.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <regex>

#include "production/host_check.h"
#include "temp_folder.h"

namespace t418 {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::WriteBytes;

const std::string kPort = "/dev/ttyUSB0";
const std::string kLocalRules = "/etc/udev/rules.d/71-t418-local.rules";

// A host with user alice and one USB serial adapter, a CH340, on ttyUSB0
// (188:0). The node belongs to group "dialout" (the gid the test's own files
// get, which is all the test can give a file), its owner is another user;
// alice is in the group and her login has it.
class FakeHost {
 public:
  FakeHost() {
    Write("/dev/ttyUSB0", "");
    fs::permissions(Path("/dev/ttyUSB0"), fs::perms(0660));
    struct stat st {};
    ::stat(Path("/dev/ttyUSB0").c_str(), &st);
    nodeGroup = st.st_gid;
    self.uid = st.st_uid + 1000;
    aliceGroup = st.st_gid + 1000;
    self.groups = {aliceGroup, nodeGroup};
    self.pid = 77;
    Write("/etc/passwd", "root:x:0:0:root:/root:/bin/bash\nalice:x:" + std::to_string(self.uid) + ":" +
                             std::to_string(aliceGroup) + "::/home/alice:/bin/bash\n");
    SetDialoutMembers("alice");
    // The adapter: the USB device, its interface, the usb-serial port and its tty.
    const std::string usb = "/sys/devices/pci0000:00/usb1/1-1";
    const std::string serial = usb + "/1-1:1.0/ttyUSB0";
    Write(serial + "/driver/bind", "");
    Write(serial + "/tty/ttyUSB0/dev", "188:0\n");
    fs::create_directories(Path("/sys/class/tty"));
    fs::create_directory_symlink("../../devices/pci0000:00/usb1/1-1/1-1:1.0/ttyUSB0/tty/ttyUSB0",
                                 Path("/sys/class/tty/ttyUSB0"));
    fs::create_directory_symlink("../../../ttyUSB0", Path(serial + "/tty/ttyUSB0/device"));
    SetAdapter("1a86", "7523");
  }

  std::string Root() const { return folder_.path().string(); }
  fs::path Path(const std::string& hostPath) const { return folder_.path() / fs::path(hostPath).relative_path(); }

  void Write(const std::string& hostPath, const std::string& bytes) const {
    fs::create_directories(Path(hostPath).parent_path());
    WriteBytes(Path(hostPath), bytes);
  }
  void SetDialoutMembers(const std::string& members) const {
    Write("/etc/group", "plugdev:x:" + std::to_string(nodeGroup + 2000) + ":alice\ndialout:x:" +
                            std::to_string(nodeGroup) + ":" + members + "\nalice:x:" + std::to_string(aliceGroup) +
                            ":\n");
  }
  void SetAdapter(const std::string& vendor, const std::string& product) const {
    Write("/sys/devices/pci0000:00/usb1/1-1/idVendor", vendor + "\n");
    Write("/sys/devices/pci0000:00/usb1/1-1/idProduct", product + "\n");
  }
  void RunProcess(long pid, const std::string& name) const {
    Write("/proc/" + std::to_string(pid) + "/comm", name + "\n");
  }
  void HoldOpen(long pid, const std::string& name, const std::string& device) const {
    RunProcess(pid, name);
    fs::create_directories(Path("/proc/" + std::to_string(pid) + "/fd"));
    fs::create_symlink("/dev/null", Path("/proc/" + std::to_string(pid) + "/fd/0"));
    fs::create_symlink(device, Path("/proc/" + std::to_string(pid) + "/fd/3"));
  }
  void MarkIgnoredByModemManager() const {
    Write("/run/udev/data/c188:0", "S:serial/by-id/usb-1a86_USB_Serial-if00-port0\nE:ID_MM_DEVICE_IGNORE=1\nE:ID_VENDOR_ID=1a86\n");
  }
  void SetLatency(int ms) const {
    Write("/sys/bus/usb-serial/devices/ttyUSB0/latency_timer", std::to_string(ms) + "\n");
  }
  void InstallBrltty() const { Write("/usr/lib/udev/rules.d/85-brltty.rules", "# braille displays\n"); }

  std::vector<HostFinding> Check(std::vector<std::string> ports = {kPort}) const {
    HostCheckInput input;
    input.root = Root();
    input.ports = std::move(ports);
    input.self = self;
    return CheckHost(input);
  }

  platform::OwnIdentity self;
  unsigned long nodeGroup = 0;
  unsigned long aliceGroup = 0;

 private:
  TempFolder folder_;
};

std::optional<HostFinding> FindingOf(const std::vector<HostFinding>& findings, const std::string& port,
                                     const std::string& check) {
  for (const auto& finding : findings)
    if (finding.port == port && finding.check == check) return finding;
  return std::nullopt;
}

std::string Describe(const std::vector<HostFinding>& findings) {
  std::string text;
  for (const auto& f : findings)
    text += std::string(HostSeverityName(f.severity)) + " [" + f.port + "] " + f.check + ": " + f.text + " | " + f.fix + "\n";
  return text;
}

const std::string kMmRuleFix =
    "echo 'ATTRS{idVendor}==\"1a86\", ATTRS{idProduct}==\"7523\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"' | sudo tee -a " +
    kLocalRules + "\nsudo udevadm control --reload && sudo udevadm trigger";

TEST(HostCheck, EachHostProblemIsFoundWithItsSeverityTextAndFix) {
  const struct {
    const char* name;
    std::function<void(FakeHost&)> setUp;
    std::string port;  // whose finding; "" for the host's
    const char* check;
    HostSeverity severity;
    std::string text;  // a part of the finding's text
    std::string fix;   // the whole fix
    std::string checked = {};  // the port to check when not the finding's
  } cases[] = {
      {"not in the port's group",
       [](FakeHost& h) {
         h.SetDialoutMembers("");
         h.self.groups = {h.aliceGroup};
       },
       kPort, "access", HostSeverity::Stops,
       "only group dialout may open the port, and user alice is not in it",
       "sudo usermod -aG dialout alice\nthen log out and log in again"},
      {"added to the group, not logged in again",
       [](FakeHost& h) {
         h.SetDialoutMembers("bob,alice");
         h.self.groups = {h.aliceGroup};
       },
       kPort,
       "access", HostSeverity::Stops, "user alice was added to group dialout",
       "log out and log in again (or, for this shell only: newgrp dialout)"},
      {"in the group and logged in again", [](FakeHost&) {}, kPort, "access", HostSeverity::Fine, "exists and user alice may open it read-write", ""},
      {"a mode that lets only the owner open it",
       [](FakeHost& h) { fs::permissions(h.Path(kPort), fs::perms(0600)); }, kPort, "access", HostSeverity::Stops, "its mode 0600 (group dialout) lets user alice not open it",
       "sudo chmod 0660 /dev/ttyUSB0"},
      {"root opens any mode",
       [](FakeHost& h) {
         fs::permissions(h.Path(kPort), fs::perms(0000));
         h.self.uid = 0;
       },
       kPort, "access", HostSeverity::Fine, "exists and user root may open it read-write", ""},
      {"ModemManager without the ignore mark", [](FakeHost& h) { h.RunProcess(812, "ModemManager"); }, kPort,
       "modemmanager", HostSeverity::Slows, "ModemManager (pid 812) probes this 1a86:7523 adapter's port", kMmRuleFix},
      {"ModemManager with the ignore mark",
       [](FakeHost& h) {
         h.RunProcess(812, "ModemManager");
         h.MarkIgnoredByModemManager();
       },
       kPort, "modemmanager", HostSeverity::Fine, "ModemManager leaves it alone", ""},
      {"ModemManager and no USB adapter to look at",
       [](FakeHost& h) {
         h.RunProcess(812, "ModemManager");
         h.Write("/dev/ttyS4", "");
         fs::permissions(h.Path("/dev/ttyS4"), fs::perms(0660));
       },
       "", "modemmanager", HostSeverity::Slows, "ModemManager is running (pid 812): it probes each USB adapter",
       "plug the adapter in and run the check again for the udev rule of its kind; or, where no modem is used: sudo "
       "systemctl disable --now ModemManager",
       "/dev/ttyS4"},
      {"brltty with a CH340", [](FakeHost& h) { h.InstallBrltty(); }, kPort, "brltty", HostSeverity::Slows,
       "brltty is installed and claims this adapter (CH340, 1a86:7523)", "sudo apt-get remove brltty"},
      {"brltty with a CP210x",
       [](FakeHost& h) {
         h.Write("/usr/bin/brltty", "");
         h.SetAdapter("10C4", "EA60");
       },
       kPort, "brltty", HostSeverity::Slows, "claims this adapter (CP210x, 10c4:ea60)", "sudo apt-get remove brltty"},
      {"FTDI at 16 ms",
       [](FakeHost& h) {
         h.SetAdapter("0403", "6001");
         h.SetLatency(16);
       },
       kPort, "latency", HostSeverity::Slows, "the FTDI adapter's latency timer is 16 ms",
       "echo 1 | sudo tee /sys/bus/usb-serial/devices/ttyUSB0/latency_timer\nto keep it: echo 'ACTION==\"add\", "
       "SUBSYSTEM==\"usb-serial\", DRIVER==\"ftdi_sio\", ATTR{latency_timer}=\"1\"' | sudo tee -a " +
           kLocalRules},
      {"FTDI at 1 ms",
       [](FakeHost& h) {
         h.SetAdapter("0403", "6001");
         h.SetLatency(1);
       },
       kPort, "latency", HostSeverity::Fine, "the FTDI adapter's latency timer is 1 ms", ""},
      {"held by minicom", [](FakeHost& h) { h.HoldOpen(4242, "minicom", "/dev/ttyUSB0"); }, kPort, "holder",
       HostSeverity::Stops, "held open by pid 4242 (minicom)", "close minicom (or end it: kill 4242)"},
      {"a port that is not there", [](FakeHost& h) { h.InstallBrltty(); }, "/dev/ttyUSB7", "port", HostSeverity::Stops,
       "no such port",
       "plug the adapter in and check its cable; 't418ctl ports' lists the ports found\nbrltty is installed and "
       "takes CH340 and CP210x adapters away as they are plugged in: sudo apt-get remove brltty"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeHost host;
    c.setUp(host);
    const auto findings = host.Check({c.checked.empty() ? c.port : c.checked});
    const auto finding = FindingOf(findings, c.port, c.check);
    ASSERT_TRUE(finding) << Describe(findings);
    EXPECT_EQ(finding->severity, c.severity) << Describe(findings);
    EXPECT_NE(finding->text.find(c.text), std::string::npos) << finding->text;
    EXPECT_EQ(finding->fix, c.fix);
    EXPECT_EQ(AnyStops(findings), c.severity == HostSeverity::Stops) << Describe(findings);
  }
}

TEST(HostCheck, AWellSetUpHostHasOnlyFineFindingsForEachThingLookedAt) {
  FakeHost host;
  host.SetAdapter("0403", "6001");
  host.SetLatency(1);
  host.RunProcess(812, "ModemManager");
  host.MarkIgnoredByModemManager();
  // The check itself may have the port open: that is no other holder.
  host.HoldOpen(host.self.pid, "t418ctl", kPort);
  const auto findings = host.Check();
  EXPECT_FALSE(AnyStops(findings));
  for (const auto& finding : findings) EXPECT_EQ(finding.severity, HostSeverity::Fine) << Describe(findings);
  for (const char* check : {"access", "modemmanager", "latency"}) EXPECT_TRUE(FindingOf(findings, kPort, check)) << check;
  EXPECT_FALSE(FindingOf(findings, kPort, "holder"));
  for (const char* check : {"modemmanager", "brltty"}) EXPECT_TRUE(FindingOf(findings, "", check)) << check;
  EXPECT_EQ(FindingOf(findings, "", "brltty")->text, "brltty is not installed");
}

TEST(HostCheck, APortNamedThroughALinkIsCheckedAsTheNodeItLeadsTo) {
  FakeHost host;
  host.RunProcess(812, "ModemManager");
  host.HoldOpen(4242, "minicom", "/dev/ttyUSB0");
  const std::string byId = "/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0";
  fs::create_directories(host.Path(byId).parent_path());
  fs::create_symlink("../../ttyUSB0", host.Path(byId));
  const auto findings = host.Check({byId});
  EXPECT_FALSE(FindingOf(findings, byId, "port")) << Describe(findings);
  const auto holder = FindingOf(findings, byId, "holder");
  ASSERT_TRUE(holder) << Describe(findings);
  EXPECT_EQ(holder->text, "held open by pid 4242 (minicom)");
  const auto modemManager = FindingOf(findings, byId, "modemmanager");
  ASSERT_TRUE(modemManager) << Describe(findings);
  EXPECT_EQ(modemManager->fix, kMmRuleFix);
}

TEST(HostCheck, WithoutPortsEveryPortWithHardwareIsChecked) {
  FakeHost host;
  // A bare name of the port list is a node of /dev too.
  EXPECT_TRUE(FindingOf(host.Check({"ttyUSB0"}), "ttyUSB0", "access"));
  const auto findings = host.Check({});
  EXPECT_TRUE(FindingOf(findings, kPort, "access")) << Describe(findings);
  EXPECT_FALSE(FindingOf(findings, "", "port")) << Describe(findings);
  fs::remove(host.Path("/sys/class/tty/ttyUSB0"));
  const auto none = host.Check({});
  const auto nothing = FindingOf(none, "", "port");
  ASSERT_TRUE(nothing) << Describe(none);
  EXPECT_EQ(nothing->severity, HostSeverity::Slows);
  EXPECT_EQ(nothing->text, "no serial port found");
}

TEST(HostCheck, BrokenTablesGiveNumbersInsteadOfNamesAndNoCrash) {
  FakeHost host;
  host.Write("/etc/passwd", "garbage\n::::\nalice:x:notanumber:1\n");
  host.Write("/etc/group", "dialout\n:x:1:\n");
  host.self.groups = {host.aliceGroup};
  host.Write("/proc/99/comm", "");
  host.Write("/sys/devices/pci0000:00/usb1/1-1/1-1:1.0/ttyUSB0/tty/ttyUSB0/dev", "\n");
  const auto findings = host.Check();
  const auto access = FindingOf(findings, kPort, "access");
  ASSERT_TRUE(access) << Describe(findings);
  EXPECT_EQ(access->text, "only group " + std::to_string(host.nodeGroup) + " may open the port, and user uid " +
                              std::to_string(host.self.uid) + " is not in it");
  EXPECT_EQ(access->fix, "sudo usermod -aG " + std::to_string(host.nodeGroup) + " $USER\nthen log out and log in again");
}

// The rule a fix recommends is the very line the package's rules file holds
// for each adapter it knows, so the two cannot drift apart.
TEST(HostCheck, TheModemManagerRuleIsTheOneThePackageInstalls) {
  std::ifstream in(std::string(T418_SOURCE_DIR) + "/packaging/70-t418.rules");
  ASSERT_TRUE(in);
  const std::regex adapterLine(R"rx(ATTRS\{idVendor\}=="([0-9a-f]{4})", ATTRS\{idProduct\}=="([0-9a-f]{4})".*)rx");
  int adapters = 0;
  for (std::string line; std::getline(in, line);) {
    std::smatch match;
    if (!std::regex_match(line, match, adapterLine)) continue;
    ++adapters;
    EXPECT_EQ(ModemManagerIgnoreRule(match[1], match[2]), line);
  }
  EXPECT_GT(adapters, 0);
  // Each adapter that brltty claims is one the package keeps ModemManager away from.
  const std::string rules = testing::ReadBytes(std::string(T418_SOURCE_DIR) + "/packaging/70-t418.rules");
  for (const auto& claimed : BrlttyClaimedAdapters()) {
    const std::string ids = claimed.ids;
    EXPECT_NE(rules.find(ModemManagerIgnoreRule(ids.substr(0, 4), ids.substr(5))), std::string::npos) << ids;
  }
}

}  // namespace
}  // namespace t418
