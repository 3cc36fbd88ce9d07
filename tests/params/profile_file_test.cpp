#include "params/profile_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "forked_child.h"
#include "gbk_texts.h"
#include "temp_folder.h"
#include "text/file_read.h"

namespace t418 {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing::G;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// Every name in the folder, sorted.
std::vector<std::string> FolderNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// ---- reading ----------------------------------------------------------------

TEST(IniReading, FollowsTheRulesOfTheFilesPlatformService) {
  struct Case {
    const char* what;
    std::string file, section, key;
    std::optional<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"plain", "[Base]\r\nE=ON\r\n", "Base", "E", "ON"},
      {"section name in another case", "[base]\r\nE=ON\r\n", "BASE", "E", "ON"},
      {"key name in another case", "[Base]\r\nstmsg=hi\r\n", "Base", "STMSG", "hi"},
      {"blanks around key and value", "[Base]\r\n  E \t=  ON \t\r\n", "Base", "E", "ON"},
      {"blanks around the section name", "  [ Base ]  \r\nE=ON\r\n", "Base", "E", "ON"},
      {"text after the closing bracket", "[Base] old\r\nE=ON\r\n", "Base", "E", "ON"},
      {"double quotes", "[Base]\r\nE=\"ON\"\r\n", "Base", "E", "ON"},
      {"single quotes", "[Base]\r\nE='ON'\r\n", "Base", "E", "ON"},
      {"blanks inside quotes stay", "[Base]\r\nE= \" a b \" \r\n", "Base", "E", " a b "},
      {"only one pair of quotes goes", "[Base]\r\nE=\"\"x\"\"\r\n", "Base", "E", "\"x\""},
      {"quotes that do not match stay", "[Base]\r\nE=\"ON'\r\n", "Base", "E", "\"ON'"},
      {"a lone quote stays", "[Base]\r\nE=\"\r\n", "Base", "E", "\""},
      {"empty value is a value", "[Base]\r\nE=\r\n", "Base", "E", ""},
      {"value holding =", "[Base]\r\nAPN=a=b,,\r\n", "Base", "APN", "a=b,,"},
      {"LF line ends", "[Base]\nE=ON\nRSTIM=1800\n", "Base", "RSTIM", "1800"},
      {"last line without line end", "[Base]\r\nE=ON", "Base", "E", "ON"},
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF[Base]\r\nE=ON\r\n", "Base", "E", "ON"},
      {"blank lines", "\r\n\r\n[Base]\r\n\r\n \t\r\nE=ON\r\n\r\n", "Base", "E", "ON"},
      {"comment line is no key", "[Base]\r\n;E=OFF\r\n E=ON\r\n", "Base", "E", "ON"},
      {"line without = is no key", "[Base]\r\nE\r\n", "Base", "E", std::nullopt},
      {"duplicate key: the first wins", "[Base]\r\nE=ON\r\nE=OFF\r\n", "Base", "E", "ON"},
      {"duplicate section: only the first counts",
       "[Base]\r\nRSTIM=1\r\n[SMS]\r\n[Base]\r\nE=ON\r\n", "Base", "E", std::nullopt},
      {"key of the next section", "[Base]\r\n[GNSS]\r\nE=ON\r\n", "Base", "E", std::nullopt},
      {"key before any section", "E=ON\r\n[Base]\r\n", "Base", "E", std::nullopt},
      {"missing section", "[Base]\r\nE=ON\r\n", "GNSS", "E", std::nullopt},
      {"missing key", "[Base]\r\nE=ON\r\n", "Base", "APN", std::nullopt},
      {"empty file", "", "Base", "E", std::nullopt},
      {"GBK value kept as bytes", "[Reg]\r\nREGDT=" + G("中文,测试") + "\r\n", "Reg", "REGDT",
       G("中文,测试")},
      // 0xD5 0x5D is one Chinese character whose second byte is "]".
      {"section name ending in a Chinese character", "[\xD5\x5D]\r\nK=v\r\n", "\xD5\x5D", "K", "v"},
      // 0xB0 0x61 and 0xB0 0x41 are two different Chinese characters.
      {"second byte of a Chinese character is no letter", "[S]\r\n\xB0\x61=v\r\n", "S", "\xB0\x41",
       std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(IniDocument::Parse(c.file).Find(c.section, c.key), c.expected);
  }
}

TEST(IniReading, ValueIsCutAt2047BytesWithoutSplittingACharacter) {
  const std::string longest(kMaxProfileValueLength, 'x');
  struct Case {
    const char* what;
    std::string stored, expected;
  };
  const std::vector<Case> cases = {
      {"exactly the limit", longest, longest},
      {"longer", longest + "yyyy", longest},
      {"quotes removed before the cut", "\"" + longest + "\"", longest},
      // The character would take bytes 2047 and 2048: it goes whole.
      {"Chinese character on the limit", std::string(2046, 'x') + G("中") + "z",
       std::string(2046, 'x')},
      {"Chinese character just inside", std::string(2045, 'x') + G("中") + "z",
       std::string(2045, 'x') + G("中")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto document = IniDocument::Parse("[Reg]\r\nREGDT=" + c.stored + "\r\n");
    EXPECT_EQ(document.ReadString("Reg", "REGDT", ""), c.expected);
  }
}

TEST(IniReading, TypedReadsGiveTheDefaultForWhatIsNoNumber) {
  struct Case {
    std::optional<std::string> stored;  // nullopt: no such key
    int asInteger;                      // read with default -99
    bool asBoolWhenDefaultFalse, asBoolWhenDefaultTrue;
  };
  const std::vector<Case> cases = {
      {"150", 150, true, true},       {"0", 0, false, false},
      {"1", 1, true, true},           {"2", 2, true, true},
      {"-1", -1, true, true},         {"+7", 7, true, true},
      {" 42 ", 42, true, true},       {"\"42\"", 42, true, true},
      {"abc", -99, false, true},      {"ON", -99, false, true},
      {"12abc", -99, false, true},    {"0x10", -99, false, true},
      {"", -99, false, true},         {"-", -99, false, true},
      {"99999999999", -99, false, true},
      {std::nullopt, -99, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.value_or("(missing)"));
    const auto document =
        IniDocument::Parse("[Base]\r\n" + (c.stored ? "delayTime=" + *c.stored : ""s) + "\r\n");
    EXPECT_EQ(document.ReadInteger("Base", "delayTime", -99), c.asInteger);
    EXPECT_EQ(document.ReadBool("Base", "delayTime", false), c.asBoolWhenDefaultFalse);
    EXPECT_EQ(document.ReadBool("Base", "delayTime", true), c.asBoolWhenDefaultTrue);
  }
  const auto document = IniDocument::Parse("[Base]\r\nE=ON\r\n");
  EXPECT_EQ(document.ReadString("Base", "APN", "CMNET,,,0"), "CMNET,,,0");
  EXPECT_EQ(document.ReadString("Base", "E", "OFF"), "ON");
}

// ---- writing ----------------------------------------------------------------

TEST(IniWriting, NewSectionsGoToTheEndInTheOrderTheyAreFirstWritten) {
  IniDocument document;
  document.WriteBool("System", "Language", true);
  document.WriteString("OpenUart", "ComName", "ttyUSB0");
  document.WriteBool("System", "ReadTimeHelp", false);
  document.WriteInteger("Base", "delayTime", -150);
  document.WriteString("WKMOD", "WKMOD", "NET");
  EXPECT_EQ(document.Serialize(),
            "[System]\r\nLanguage=1\r\nReadTimeHelp=0\r\n"
            "[OpenUart]\r\nComName=ttyUSB0\r\n"
            "[Base]\r\ndelayTime=-150\r\n"
            "[WKMOD]\r\nWKMOD=NET\r\n");
}

TEST(IniWriting, ValuesAreStoredAsRawBytes) {
  IniDocument document;
  const std::string value = G("中文 \"引号\" ;=[0D][0A] ");
  document.WriteString("Heart", "HEARTDT", value);
  EXPECT_EQ(document.Serialize(), "[Heart]\r\nHEARTDT=" + value + "\r\n");
  // Reading trims: the blank at the end is the platform's loss, as it always was.
  EXPECT_EQ(document.ReadString("Heart", "HEARTDT", ""), value.substr(0, value.size() - 1));
}

TEST(IniWriting, ALineBreakInAValueCannotSplitTheLine) {
  IniDocument document;
  document.WriteString("HTTPD", "HTPHD", "a\r\nb\nc");
  document.WriteString("HTTPD", "HTPTO", "10");
  EXPECT_EQ(document.Serialize(), "[HTTPD]\r\nHTPHD=a  b c\r\nHTPTO=10\r\n");
}

TEST(IniWriting, EditsChangeOnlyTheLinesTheyMust) {
  struct Case {
    const char* what;
    std::string before, section, key, value, after;
  };
  const std::vector<Case> cases = {
      {"value replaced, spelling and blanks of the key kept", "[heart]\r\n  HeartEn =  OFF \r\n",
       "Heart", "HEARTEN", "ON", "[heart]\r\n  HeartEn =  ON\r\n"},
      {"quoted value replaced by a raw one", "[Base]\r\nSTMSG=\"[old]\"\r\n", "Base", "STMSG",
       "[ZAV-T418]", "[Base]\r\nSTMSG=[ZAV-T418]\r\n"},
      {"the same value leaves the line as it was", "[Base]\r\nE = \"ON\" \r\n", "Base", "E", "ON",
       "[Base]\r\nE = \"ON\" \r\n"},
      {"only the first of two keys changes", "[Base]\r\nE=ON\r\nE=ON\r\n", "Base", "E", "OFF",
       "[Base]\r\nE=OFF\r\nE=ON\r\n"},
      {"only the first of two sections changes", "[Base]\r\n[SMS]\r\n[Base]\r\nE=ON\r\n", "Base",
       "E", "OFF", "[Base]\r\nE=OFF\r\n[SMS]\r\n[Base]\r\nE=ON\r\n"},
      {"new key after the last key, before comments and blank lines",
       "[Base]\r\nE=ON\r\n;Base ends here\r\n\r\n[SMS]\r\nSMSPH=OFF\r\n", "base", "RFCEN", "OFF",
       "[Base]\r\nE=ON\r\nRFCEN=OFF\r\n;Base ends here\r\n\r\n[SMS]\r\nSMSPH=OFF\r\n"},
      {"new key in a section without keys", "[Base]\r\n\r\n[SMS]\r\n", "Base", "E", "ON",
       "[Base]\r\nE=ON\r\n\r\n[SMS]\r\n"},
      {"new key in the last section", "[Base]\r\nE=ON\r\n\r\n", "Base", "UART", "9600,8,1,NONE,NFC",
       "[Base]\r\nE=ON\r\nUART=9600,8,1,NONE,NFC\r\n\r\n"},
      {"new section after everything", "[Base]\r\nE=ON\r\n;end\r\n", "GNSS", "GNSSFUNEN", "1",
       "[Base]\r\nE=ON\r\n;end\r\n[GNSS]\r\nGNSSFUNEN=1\r\n"},
      {"LF file written with CR LF", "[Base]\nE=ON\n;note\n", "Base", "E", "OFF",
       "[Base]\r\nE=OFF\r\n;note\r\n"},
      {"byte-order mark stays", "\xEF\xBB\xBF[Base]\r\nE=ON\r\n", "Base", "E", "OFF",
       "\xEF\xBB\xBF[Base]\r\nE=OFF\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto document = IniDocument::Parse(c.before);
    document.WriteString(c.section, c.key, c.value);
    EXPECT_EQ(document.Serialize(), c.after);
    EXPECT_EQ(document.ReadString(c.section, c.key, "(missing)"), c.value);
  }
}

// A profile after a user's hand edits: comments, odd spacing, a key the tool
// does not know, a section it does not know, Chinese text, a stray line.
const std::string kHandEditedProfile =
    "; " + G("用户的配置") + "\r\n"
    "Orphan=before any section\r\n"
    "[System]\r\n"
    "Language = 1\r\n"
    "MyNote=" + G("保留") + "\r\n"
    "\r\n"
    "[Mine]\r\n"
    "colour=\"blue\"\r\n"
    "just a line\r\n"
    "[Base]\r\n"
    "  E=ON   ; echo\r\n"
    "RSTIM=1800\r\n"
    "delayTime=150\r\n"
    "\r\n";

TEST(IniRoundTrip, KeepsEveryLineTheToolDoesNotChange) {
  auto document = IniDocument::Parse(kHandEditedProfile);
  EXPECT_EQ(document.Serialize(), kHandEditedProfile);

  // A save that writes what it read changes nothing.
  document.WriteBool("System", "Language", document.ReadBool("System", "Language", false));
  document.WriteString("Base", "RSTIM", document.ReadString("Base", "RSTIM", ""));
  document.WriteInteger("Base", "delayTime", document.ReadInteger("Base", "delayTime", 0));
  EXPECT_EQ(document.Serialize(), kHandEditedProfile);

  // A save that changes values touches those lines and adds the new ones.
  document.WriteBool("system", "LANGUAGE", false);
  document.WriteString("System", "ShowMore", "OFF");
  document.WriteInteger("Base", "delayTime", 200);
  document.WriteString("Base", "E", "OFF");
  document.WriteString("SMS", "DSTNUM", "10086");
  EXPECT_EQ(document.Serialize(),
            "; " + G("用户的配置") + "\r\n"
            "Orphan=before any section\r\n"
            "[System]\r\n"
            "Language = 0\r\n"
            "MyNote=" + G("保留") + "\r\n"
            "ShowMore=OFF\r\n"
            "\r\n"
            "[Mine]\r\n"
            "colour=\"blue\"\r\n"
            "just a line\r\n"
            "[Base]\r\n"
            "  E=OFF\r\n"
            "RSTIM=1800\r\n"
            "delayTime=200\r\n"
            "\r\n"
            "[SMS]\r\n"
            "DSTNUM=10086\r\n");
}

// ---- the profile file -------------------------------------------------------

TEST(ProfileFileTest, MissingFileGivesDefaultsAndTheFirstSaveCreatesIt) {
  TempFolder folder;
  const fs::path path = folder.path() / kProfileFileName;
  ProfileFile profile(path);
  EXPECT_EQ(profile.ReadStatus(), ProfileReadStatus::Missing);
  EXPECT_EQ(profile.ReadString("Base", "STMSG", "[ZAV-T418]"), "[ZAV-T418]");
  EXPECT_EQ(profile.ReadInteger("Base", "delayTime", 150), 150);
  EXPECT_TRUE(profile.ReadBool("System", "ReadTimeHelp", true));

  profile.WriteBool("System", "ReadTimeHelp", false);
  profile.WriteString("Reg", "REGDT", G("注册"));
  profile.WriteInteger("Base", "delayTime", 300);
  ASSERT_EQ(profile.Save(), std::nullopt);
  EXPECT_EQ(ReadBytes(path),
            "[System]\r\nReadTimeHelp=0\r\n[Reg]\r\nREGDT=" + G("注册") + "\r\n"
            "[Base]\r\ndelayTime=300\r\n");
  EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>{kProfileFileName});

  const ProfileFile again(path);
  EXPECT_EQ(again.ReadStatus(), ProfileReadStatus::Read);
  EXPECT_FALSE(again.ReadBool("System", "ReadTimeHelp", true));
  EXPECT_EQ(again.ReadString("Reg", "REGDT", ""), G("注册"));
  EXPECT_EQ(again.ReadInteger("Base", "delayTime", 150), 300);
}

TEST(ProfileFileTest, SaveKeepsTheHandEditedLinesAndTheFilesMode) {
  TempFolder folder;
  const fs::path path = folder.path() / kProfileFileName;
  WriteBytes(path, kHandEditedProfile);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);

  ProfileFile profile(path);
  ASSERT_EQ(profile.ReadStatus(), ProfileReadStatus::Read);
  EXPECT_EQ(profile.ReadString("Mine", "COLOUR", ""), "blue");
  ASSERT_EQ(profile.Save(), std::nullopt);
  EXPECT_EQ(ReadBytes(path), kHandEditedProfile);
  EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));
}

TEST(ProfileFileTest, SaveThroughASymbolicLinkReplacesItsTarget) {
  TempFolder folder;
  const fs::path target = folder.path() / "real.ini";
  const fs::path link = folder.path() / kProfileFileName;
  WriteBytes(target, "[Base]\r\nE=ON\r\n");
  fs::create_symlink(target, link);

  ProfileFile profile(link);
  profile.WriteString("Base", "E", "OFF");
  ASSERT_EQ(profile.Save(), std::nullopt);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadBytes(target), "[Base]\r\nE=OFF\r\n");
}

// The error names the file the caller asked for and carries the system's reason.
void ExpectErrorNames(const std::optional<FileWriteError>& error, const fs::path& path) {
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->path, path);
  EXPECT_TRUE(error->reason) << "no system reason";
  EXPECT_NE(error->Describe().find(path.string()), std::string::npos) << error->Describe();
  EXPECT_NE(error->Describe().find(error->reason.message()), std::string::npos)
      << error->Describe();
}

TEST(ProfileFileSaveFailure, ReportsThePathAndTheReasonAndLeavesWhatWasThere) {
  TempFolder folder;
  // Tests run as root, so permissions stop nothing; these places refuse root too.
  const fs::path plainFile = folder.path() / "plain";
  WriteBytes(plainFile, "not a folder");
  const fs::path directory = folder.path() / kProfileFileName;
  fs::create_directory(directory);
  WriteBytes(directory / "inside", "kept");

  struct Case {
    const char* what;
    fs::path path;
  };
  const std::vector<Case> cases = {
      {"folder that takes no new file", "/proc/self/T418Cfg.ini"},
      {"parent is a regular file", plainFile / kProfileFileName},
      {"path is a directory", directory},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectErrorNames(ReplaceFile(c.path, "[Base]\r\nE=ON\r\n"), c.path);
  }
  EXPECT_EQ(ReadBytes(plainFile), "not a folder");
  EXPECT_EQ(ReadBytes(directory / "inside"), "kept");
  // No new file is left behind by the failed attempts.
  EXPECT_EQ(FolderNames(folder.path()), (std::vector<std::string>{kProfileFileName, "plain"}));
}

TEST(ProfileFileSaveFailure, AFileThatCouldNotBeReadIsNotReplaced) {
  TempFolder folder;
  const fs::path directory = folder.path() / kProfileFileName;
  fs::create_directory(directory);
  WriteBytes(directory / "inside", "kept");

  ProfileFile profile(directory);
  EXPECT_EQ(profile.ReadStatus(), ProfileReadStatus::Unreadable);
  EXPECT_TRUE(profile.ReadError());
  EXPECT_EQ(profile.ReadString("Base", "E", "ON"), "ON");
  profile.WriteString("Base", "E", "OFF");
  ExpectErrorNames(profile.Save(), directory);
  EXPECT_EQ(ReadBytes(directory / "inside"), "kept");
}

// A full disk, as far as one process can tell: its file size limit makes the
// write of the new file fail halfway.
TEST(ProfileFileSaveFailure, AFullDiskLeavesTheOldFileWhole) {
  TempFolder folder;
  const fs::path path = folder.path() / kProfileFileName;
  WriteBytes(path, kHandEditedProfile);

  const testing::ChildEnd child = testing::RunInChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ProfileFile profile(path);
    profile.WriteString("Reg", "REGDT", std::string(64 * 1024, 'A'));
    const auto error = profile.Save();
    return error ? std::to_string(error->reason.value()) + "|" + error->Describe() : "saved";
  });
  ASSERT_EQ(child.exitCode, 0);

  EXPECT_EQ(child.report, std::to_string(EFBIG) + "|" + path.string() + ": " + std::strerror(EFBIG));
  EXPECT_EQ(ReadBytes(path), kHandEditedProfile);
  EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>{kProfileFileName});
}

// ---- crash safety -----------------------------------------------------------

// A profile of many keys, at least size bytes, every value marked with tag.
std::string LargeProfile(char tag, std::size_t size) {
  std::string bytes;
  for (int i = 0; bytes.size() < size; ++i) {
    bytes += "[Section" + std::to_string(i) + "]\r\n";
    for (int k = 0; k < 200; ++k)
      bytes += "Key" + std::to_string(k) + "=" + std::string(40, tag) + "\r\n";
  }
  return bytes;
}

// ---- special files -----------------------------------------------------------

// Only a regular file of at most 1 MiB is read: a device would never end, a
// FIFO would wait for a writer, a folder is no file.
TEST(ProfileFileSpecialFiles, OnlyARegularFileOfASaneSizeIsRead) {
  TempFolder folder;
  const fs::path fifo = folder.path() / "fifo.ini";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const fs::path large = folder.path() / "large.ini";
  WriteBytes(large, "[Base]\r\nSTMSG=" + std::string(1024 * 1024, 'x') + "\r\n");
  const fs::path justFits = folder.path() / "fits.ini";
  WriteBytes(justFits, "[Base]\r\nSTMSG=" + std::string(1024 * 1024 - 20, 'x') + "\r\n");

  struct Row {
    fs::path path;
    FileRefusal refusal;
  };
  for (const Row& row : {Row{"/dev/zero", FileRefusal::NotRegular}, Row{fifo, FileRefusal::NotRegular},
                         Row{folder.path(), FileRefusal::NotRegular}, Row{large, FileRefusal::TooLarge}}) {
    SCOPED_TRACE(row.path.string());
    const ProfileFile file(row.path);
    EXPECT_EQ(file.ReadStatus(), ProfileReadStatus::Unreadable);
    EXPECT_EQ(file.ReadError(), row.refusal);
    EXPECT_FALSE(file.ReadError().message().empty());
    EXPECT_TRUE(file.Save().has_value());  // never replaced
  }
  EXPECT_EQ(ProfileFile(justFits).ReadStatus(), ProfileReadStatus::Read);
  EXPECT_TRUE(fs::is_fifo(fifo));
}

// A save cut short (killed between creating its new file and renaming it)
// leaves that file behind; the next save removes it, but not the new file of
// a process that is still running.
TEST(ProfileFileCrashSafety, TheNextSaveRemovesNewFilesOfSavesThatDied) {
  TempFolder folder;
  const fs::path path = folder.path() / kProfileFileName;
  // The number of a process that has ended.
  testing::ForkedChild ended([](const testing::ChildReport&) {});
  ASSERT_EQ(ended.Wait().exitCode, 0);
  const pid_t dead = ended.Pid();
  const std::string abandoned = "." + std::string(kProfileFileName) + "." + std::to_string(dead) + "-0-1a2b.tmp";
  const std::string running = "." + std::string(kProfileFileName) + "." + std::to_string(::getppid()) + "-0-1a2b.tmp";
  WriteBytes(folder.path() / abandoned, "[System]\r\n");
  WriteBytes(folder.path() / running, "[System]\r\n");
  WriteBytes(folder.path() / "other.tmp", "kept");

  ASSERT_FALSE(ReplaceFile(path, "[Base]\r\n").has_value());
  EXPECT_EQ(FolderNames(folder.path()),
            (std::vector<std::string>{running, std::string(kProfileFileName), "other.tmp"}));
}

// A process that is killed while it saves over and over leaves one whole
// version of the file behind, never a mix, a shortened or an empty file.
// Each child is killed at a random moment after its first save is complete,
// so every round replaces the file at least once.
TEST(ProfileFileCrashSafety, AKilledSaveLeavesOneWholeVersion) {
  TempFolder folder;
  const fs::path path = folder.path() / kProfileFileName;
  const std::string first = LargeProfile('a', 300 * 1024);
  const std::string second = LargeProfile('b', 200 * 1024);
  WriteBytes(path, first);

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delayMicroseconds(0, 20000);

  int completedSaves = 0;
  int foundFirst = 0;
  int foundSecond = 0;
  for (int kill = 0; kill < 50; ++kill) {
    // Saves until it is killed, one mark a save: 's' done, 'e' failed (and ended).
    testing::ForkedChild child([&](const testing::ChildReport& report) {
      for (bool useSecond = ReadBytes(path) == first;; useSecond = !useSecond) {
        const char mark = ReplaceFile(path, useSecond ? second : first) ? 'e' : 's';
        report.Say(std::string(1, mark));
        if (mark == 'e') ::_exit(1);
      }
    });
    const bool firstSaveDone = child.Read(1) == "s";
    if (firstSaveDone) {
      ++completedSaves;
      std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
    }
    child.Kill(SIGKILL);
    const testing::ChildEnd end = child.Wait();
    ASSERT_TRUE(firstSaveDone) << "the child's first save failed";
    for (const char mark : end.report) {
      ASSERT_EQ(mark, 's') << "a save failed in the child";
      ++completedSaves;
    }

    const std::string onDisk = ReadBytes(path);
    ASSERT_TRUE(onDisk == first || onDisk == second)
        << "after kill " << kill << " the file holds " << onDisk.size() << " bytes, neither "
        << first.size() << " nor " << second.size() << " as saved";
    ++(onDisk == first ? foundFirst : foundSecond);
  }
  RecordProperty("completedSaves", completedSaves);
  // Each child's first save turns the file into the other version, so both
  // are found unless replacing does not work at all.
  EXPECT_GT(foundFirst, 0);
  EXPECT_GT(foundSecond, 0);
  // Whatever new files the killed saves left, the next save removes them.
  ASSERT_FALSE(ReplaceFile(path, first).has_value());
  EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>{kProfileFileName});
}

}  // namespace
}  // namespace t418
