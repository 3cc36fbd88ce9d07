// The Win32 backends of the system seams: GBK on code page 936, wake events,
// the running marker, processes, path patterns and the registry's port list.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/gbk_codec.h"
#include "platform/path_match.h"
#include "platform/port_enumeration.h"
#include "platform/process.h"
#include "platform/running_marker.h"
#include "platform/serial_line.h"
#include "platform/user_language.h"
#include "platform/wake_event.h"
#include "lang/lang_list.h"
#include "production/open_failure_text.h"
#include "production/port_pattern.h"
#include "text/gbk.h"

namespace t418::platform {
namespace {

TEST(Win32Gbk, RoundTripsChineseTextThroughCodePage936) {
  const struct {
    std::string utf8;
    std::string gbk;
  } cases[] = {
      {"\xE4\xBD\xA0\xE5\xA5\xBD", "\xC4\xE3\xBA\xC3"},                 // 你好
      {"APN=\xE4\xB8\xAD\xE5\x9B\xBD\xE7\xA7\xBB\xE5\x8A\xA8", "APN=\xD6\xD0\xB9\xFA\xD2\xC6\xB6\xAF"},  // 中国移动
      {"\xC2\xB7", "\xA1\xA4"},                                          // the middle dot of GBK's first row
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << c.utf8;
    EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8) << c.utf8;
  }
}

TEST(Win32Gbk, TheConverterStopsOnMalformedUtf8) {
  const struct {
    std::string in;
    std::size_t leftAfter;
  } cases[] = {
      {"A\xC0\xAF", 2},          // an over-long '/'
      {"A\xED\xA0\x80", 3},      // a UTF-16 surrogate written as UTF-8
      {"A\xE4\xBD", 2},          // cut off
      {"A\x80", 1},              // a lone trail byte
  };
  for (const auto& c : cases) {
    TextConverter converter(Charset::Utf8, Charset::Gbk);
    ASSERT_TRUE(converter.Valid());
    char out[16];
    const char* src = c.in.data();
    std::size_t left = c.in.size();
    char* dst = out;
    std::size_t room = sizeof out;
    EXPECT_EQ(converter.Convert(src, left, dst, room), TextConverter::Step::Invalid) << c.in;
    EXPECT_EQ(left, c.leftAfter) << c.in;
  }
}

TEST(Win32WakeEvent, StaysRaisedForEveryWaiterUntilCleared) {
  WakeEvent event;
  ASSERT_TRUE(event.Valid());
  EXPECT_FALSE(event.Raised());
  EXPECT_FALSE(event.WaitAndClear(0));
  event.Raise();
  EXPECT_TRUE(event.Raised());
  EXPECT_TRUE(event.Raised()) << "looking does not lower it";
  event.Clear();
  EXPECT_FALSE(event.Raised());

  std::thread raiser([&event] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    event.Raise();
  });
  EXPECT_TRUE(event.WaitAndClear(5000));
  raiser.join();
  EXPECT_FALSE(event.Raised()) << "the wait lowers it";
}

TEST(Win32RunningMarker, TheFirstCopyCreatesItASecondSeesItAndTheNameGoesWithTheLast) {
  const std::string name = "/t418-marker-test-" + std::to_string(CurrentProcessId());
  {
    RunningMarker first(name);
    ASSERT_TRUE(first.Mapped());
    EXPECT_TRUE(first.Created());
    EXPECT_EQ(first.Value(), 0);
    RunningMarker second(name);
    ASSERT_TRUE(second.Mapped());
    EXPECT_FALSE(second.Created());
    // The same object: the name without the leading '/' is what the system holds.
    const HANDLE byName = ::OpenFileMappingW(FILE_MAP_READ, FALSE,
                                             std::wstring(name.begin() + 1, name.end()).c_str());
    ASSERT_NE(byName, nullptr);
    ::CloseHandle(byName);
  }
  RunningMarker again(name);
  EXPECT_TRUE(again.Created()) << "the name went with the last copy";
}

TEST(Win32Process, OwnNumberRunsAndAnEndedProcessIsGone) {
  EXPECT_EQ(CurrentProcessId(), static_cast<long>(::GetCurrentProcessId()));
  EXPECT_FALSE(ProcessGone(CurrentProcessId()));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  wchar_t command[] = L"cmd.exe /c exit 0";
  ASSERT_TRUE(::CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &startup, &child));
  ASSERT_EQ(::WaitForSingleObject(child.hProcess, 10000), WAIT_OBJECT_0);
  // This process still holds a handle of the ended one: it counts as gone all the same.
  EXPECT_TRUE(ProcessGone(static_cast<long>(child.dwProcessId)));
  ::CloseHandle(child.hThread);
  ::CloseHandle(child.hProcess);
}

TEST(Win32Process, TheProgramFolderHoldsThisProgram) {
  // The language file and the region catalogue are looked for there.
  EXPECT_TRUE(std::filesystem::exists(ProgramFolder() / "test_windows.exe")) << ProgramFolder().string();
}

TEST(Win32PathMatch, PortNamesMatchWithoutCaseAndBothSeparatorsPartPaths) {
  const struct {
    const char* pattern;
    const char* path;
    bool matches;
  } cases[] = {
      {"COM*", "COM3", true},
      {"com*", "COM12", true},
      {"COM?", "COM12", false},
      {"COM[1-3]", "COM2", true},
      {"COM[!1-3]", "COM2", false},
      {"\\\\.\\COM1*", "\\\\.\\COM12", true},
      {"C:\\ports\\*", "C:/ports/sim1", true},
      {"C:\\*", "C:\\ports\\sim1", false},  // '*' stays within one part
      {"COM[", "COM[", true},                // an unclosed set is a plain character
  };
  for (const auto& c : cases) EXPECT_EQ(PathMatches(c.pattern, c.path), c.matches) << c.pattern << " ~ " << c.path;
}

TEST(Win32PathMatch, DeviceNamesAreNamesWithAFolderAndTheirLastPartIsThePort) {
  EXPECT_FALSE(HasFolderPart("COM3"));
  EXPECT_TRUE(HasFolderPart("\\\\.\\COM12"));
  EXPECT_TRUE(HasFolderPart("C:/ports/sim1"));
  EXPECT_EQ(LastPathPart("\\\\.\\COM12"), "COM12");
  EXPECT_EQ(LastPathPart("C:/ports/sim1"), "sim1");
  // A device name is opened as it is written, never looked up in the port list.
  EXPECT_EQ(LookUpPort("\\\\.\\COM12", {"COM3"}).path, "\\\\.\\COM12");
  EXPECT_EQ(LookUpPort("COM3", {"COM3", "COM4"}).path, "COM3");
  EXPECT_EQ(PortFileName("\\\\.\\COM12"), "COM12");
  // Device names are no files: a glob over them expands to the listed ports only.
  EXPECT_TRUE(ExpandPathPattern("\\\\.\\COM*").empty());
}

TEST(Win32SerialLine, OpeningsThatAreRefusedSayWhy) {
  const struct {
    const char* name;
    int error;
    const char* message;
  } cases[] = {
      {"COM219", ENOENT, "Error opening serial port"},
      {"\\\\.\\COM219", ENOENT, "Error opening serial port"},
      // A character device that is no serial line.
      {"NUL", ENOTTY, "Cannot setup comm buffer"},
  };
  for (const auto& c : cases) {
    const LineOpening opening = OpenLine(c.name);
    EXPECT_EQ(opening.line, kNoLine) << c.name;
    EXPECT_EQ(opening.error, c.error) << c.name;
    EXPECT_STREQ(opening.message, c.message) << c.name;
  }
}

// The port list of a key laid out as HKLM\HARDWARE\DEVICEMAP\SERIALCOMM.
class Win32PortList : public ::testing::Test {
 protected:
  const std::wstring key = L"Software\\t418-test-serialcomm-" + std::to_wstring(::GetCurrentProcessId());
  void SetUp() override {
    HKEY handle = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                                nullptr),
              ERROR_SUCCESS);
    Add(handle, L"\\Device\\Serial0", L"COM1");
    Add(handle, L"\\Device\\VCP0", L"COM12");
    // Not a port name: a value of another type is passed over.
    const DWORD number = 7;
    ::RegSetValueExW(handle, L"\\Device\\Odd", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    ::RegCloseKey(handle);
  }
  void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str()); }
  static void Add(HKEY handle, const wchar_t* device, const wchar_t* port) {
    ::RegSetValueExW(handle, device, 0, REG_SZ, reinterpret_cast<const BYTE*>(port),
                     static_cast<DWORD>((wcslen(port) + 1) * sizeof(wchar_t)));
  }
  std::string KeyName() const { return std::string(key.begin(), key.end()); }
};

TEST_F(Win32PortList, EveryStringValueOfTheKeyIsAPort) {
  std::vector<std::string> ports = ListHardwarePorts(KeyName());
  std::sort(ports.begin(), ports.end());
  EXPECT_EQ(ports, (std::vector<std::string>{"COM1", "COM12"}));
  EXPECT_TRUE(ListHardwarePorts(KeyName() + "-missing").empty());
}

// A port another program holds answers "access denied", which the line takes
// for busy. No documented call tells which program holds a COM port, so the
// words name none and say what to do; Linux's advice about the dialout group
// is no help here. (Under Wine a second opening of a port succeeds: only the
// wording can be tested.)
TEST(Win32OpenFailure, ARefusedPortIsInUseByAnotherProgramWithWindowsAdvice) {
  const OpenFailure busy = ClassifyOpenFailure(EBUSY);
  EXPECT_EQ(busy.kind, OpenFailureKind::Busy);
  const std::string named = OpenFailureText(busy, "COM3");
  EXPECT_EQ(named.rfind("port busy: COM3 is in use by another program; ", 0), 0u) << named;
  EXPECT_NE(named.find("close the other program"), std::string::npos) << named;
  const std::string reason = OpenFailureText(busy);
  EXPECT_EQ(reason.rfind("port busy: in use by another program; close the other program", 0), 0u) << reason;
  for (const int error : {EBUSY, EACCES, EPERM, ENOENT, EIO}) {
    for (const std::string& text : {OpenFailureText(ClassifyOpenFailure(error), "\\\\.\\COM12"),
                                    OpenFailureText(ClassifyOpenFailure(error))}) {
      EXPECT_EQ(text.find("dialout"), std::string::npos) << text;
      EXPECT_EQ(text.find("sudo"), std::string::npos) << text;
    }
  }
}

// The window's first language follows the user's display language; the
// locale variables, which Windows programs rarely have, do not decide.
TEST(Win32UserLanguage, TheDisplayLanguageDecidesNotTheLocaleVariables) {
  const std::string tag = UserInterfaceLanguage();
  ASSERT_FALSE(tag.empty());
  EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(tag[0])) && std::isalpha(static_cast<unsigned char>(tag[1])))
      << tag;
  const bool chineseDisplay = tag.rfind("zh", 0) == 0;
  for (const char* lang : {"LANG=zh_CN.UTF-8", "LANG=en_US.UTF-8"}) {
    ASSERT_EQ(::_putenv(lang), 0);
    EXPECT_EQ(IsChineseSystem(), chineseDisplay) << lang << " with display language " << tag;
  }
  ::_putenv("LANG=");
}

}  // namespace
}  // namespace t418::platform
