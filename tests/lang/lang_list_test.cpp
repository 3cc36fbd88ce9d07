#include "lang/lang_list.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "gbk_texts.h"
#include "text/gbk.h"
#include "temp_folder.h"

namespace t418 {

// Entries show as readable text in failure messages.
void PrintTo(const LangEntry& e, std::ostream* os) {
  *os << "{" << GbkToUtf8(e.name) << " | " << GbkToUtf8(e.chinese) << " | "
      << GbkToUtf8(e.english) << "}";
}

namespace {

namespace fs = std::filesystem;

using testing::G;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// The header lines of a new file, as a user sees them.
const std::string kHeader1 =
    ";语言文件格式为: 名称|中文|英文，竖线分割，逗号与分号为注释，///为换行，空行自动忽略";
const std::string kHeader2 =
    ";Language file format: Name|Chinese|English，vertical is delimiter， comma or semicolon is "
    "Comments，///is newline，Empty lines automatically ignored";

TLangList ListWithSystem(bool chinese) {
  return TLangList([chinese] { return chinese; });
}

// ---------------------------------------------------------------- writing

TEST(LanguageFileWriting, LayoutIsHeaderBlankLineAndOneLinePerEntryInGbkWithCrLf) {
  TempFolder folder;
  TLangList list = ListWithSystem(true);
  list.AddText("lang_a", G("发送"), "Send");
  list.AddText("lang_b", G(" 选择工作模式"), "Enable Socket ");
  list.AddText("lang_a", "dup", "dup");  // duplicates are written too, in order
  const fs::path file = folder.path() / kLangFileName;
  ASSERT_TRUE(list.WriteDefaultLanguageFile(file));

  const std::string expected = G(kHeader1) + "\r\n" + G(kHeader2) + "\r\n" + " \r\n" +
                               "lang_a|" + G("发送") + "|Send\r\n" +
                               "lang_b|" + G(" 选择工作模式") + "|Enable Socket \r\n" +
                               "lang_a|dup|dup\r\n";
  EXPECT_EQ(ReadBytes(file), expected);
}

TEST(LanguageFileWriting, HeaderBytesAreCodePage936WithFullWidthCommas) {
  TempFolder folder;
  TLangList list;
  const fs::path file = folder.path() / kLangFileName;
  ASSERT_TRUE(list.WriteDefaultLanguageFile(file));
  const std::string bytes = ReadBytes(file);
  // No byte-order mark: the file starts with the comment mark.
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.front(), ';');
  // "语言" in code page 936, then the full-width comma followed by a blank.
  EXPECT_EQ(bytes.substr(1, 4), "\xD3\xEF\xD1\xD4");
  EXPECT_NE(bytes.find("delimiter\xA3\xAC comma"), std::string::npos);
  EXPECT_EQ(bytes.find("\xEF\xBC\x8C"), std::string::npos);  // no UTF-8 comma anywhere
}

TEST(LanguageFileWriting, CrLfInsideATextIsWrittenAsMarkAndReadBackAsLf) {
  TempFolder folder;
  TLangList writer;
  writer.AddText("lang_x", "one\r\ntwo", "a\r\nb\r\nc");
  const fs::path file = folder.path() / kLangFileName;
  ASSERT_TRUE(writer.WriteDefaultLanguageFile(file));
  EXPECT_NE(ReadBytes(file).find("lang_x|one///two|a///b///c\r\n"), std::string::npos);

  TLangList reader;
  ASSERT_TRUE(reader.ReadLanguageFile(file));
  ASSERT_EQ(reader.FileEntries().size(), 2u);  // the blank line, then lang_x
  EXPECT_EQ(reader.FileEntries()[1], (LangEntry{"lang_x", "one\ntwo", "a\nb\nc"}));
}

TEST(LanguageFileWriting, ExistingFileIsNeverRewritten) {
  TempFolder folder;
  const fs::path file = folder.path() / kLangFileName;
  const std::string own = "info_DoOver|" + G("完成") + "|Done\r\n";
  WriteBytes(file, own);
  TLangList list = ListWithSystem(true);
  list.AddText("info_DoOver", G("执行完毕"), "Operation complete");
  list.AddText("lang_new", G("新"), "New");
  EXPECT_EQ(list.LoadLanguageFile(file), LangFileStatus::Read);
  EXPECT_EQ(ReadBytes(file), own);
  // Names missing from the file are served by the built-in layer.
  EXPECT_EQ(list.GetText("lang_new"), G("新"));
}

// ---------------------------------------------------------------- reading

struct ReadCase {
  const char* what;
  std::string bytes;
  std::vector<LangEntry> entries;
};

class LanguageFileReading : public ::testing::TestWithParam<ReadCase> {};

TEST_P(LanguageFileReading, GivesTheEntries) {
  TempFolder folder;
  const fs::path file = folder.path() / kLangFileName;
  WriteBytes(file, GetParam().bytes);
  TLangList list;
  EXPECT_TRUE(list.ReadLanguageFile(file));
  EXPECT_EQ(list.FileEntries(), GetParam().entries);
}

const std::string kEast = "\x96\x7C";  // "東": its second byte is "|"

INSTANTIATE_TEST_SUITE_P(
    Rules, LanguageFileReading,
    ::testing::Values(
        ReadCase{"three columns", "lang_btnSend|" + G("发送") + "|Send\r\n",
                 {{"lang_btnSend", G("发送"), "Send"}}},
        ReadCase{"two columns: the second is the English text",
                 "lang_btnSend|" + G("发送") + "\r\n", {{"lang_btnSend", "", G("发送")}}},
        ReadCase{"four columns: second and last", "lang_btnSend|a|b|c\r\n",
                 {{"lang_btnSend", "a", "c"}}},
        ReadCase{"no separator: all empty", "lang_btnSend\r\n", {{"", "", ""}}},
        ReadCase{"empty name and empty Chinese text", "|a|b\r\nx||y\r\n",
                 {{"", "a", "b"}, {"x", "", "y"}}},
        ReadCase{"semicolon line is a comment, comma line and blank line are entries",
                 ";lang_a|x|y\r\n,lang_b|x|y\r\n \r\n", {{",lang_b", "x", "y"}, {"", "", ""}}},
        ReadCase{"comma line without separator is an empty entry", ",anything\r\n",
                 {{"", "", ""}}},
        ReadCase{"comment mark only counts as the first byte", " ;a|b|c\r\n",
                 {{" ;a", "b", "c"}}},
        ReadCase{"empty lines are skipped", "\r\n\r\n\na|b|c\n\n\r\n", {{"a", "b", "c"}}},
        ReadCase{"LF alone ends a line", "a|b|c\nd|e|f\n", {{"a", "b", "c"}, {"d", "e", "f"}}},
        ReadCase{"a CR without LF is dropped", "a\rb|c\rd|e\r\r\nx|y|z\r",
                 {{"ab", "cd", "e"}, {"x", "y", "z"}}},
        ReadCase{"last line without line end", "a|b|c\r\nd|e|f", {{"a", "b", "c"}, {"d", "e", "f"}}},
        ReadCase{"Ctrl-Z ends the file", "a|b|c\r\nd|e|f\x1Ag|h|i\r\n",
                 {{"a", "b", "c"}, {"d", "e", "f"}}},
        ReadCase{"mark becomes LF in the texts, not in the name", "a///b|c///d|e////f\r\n",
                 {{"a///b", "c\nd", "e\n/f"}}},
        ReadCase{"name and texts are not trimmed", " a |  b | c \r\n", {{" a ", "  b ", " c "}}},
        ReadCase{"the header of a new file gives one empty entry",
                 G(kHeader1) + "\r\n" + G(kHeader2) + "\r\n \r\n", {{"", "", ""}}},
        ReadCase{"empty file", "", {}}),
    [](const ::testing::TestParamInfo<ReadCase>& info) {
      std::string name;
      for (const char c : std::string(info.param.what))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST(LanguageFileReading, CharacterEndingIn7CIsNotASeparator) {
  // Precondition: the test character really ends in 0x7C in code page 936.
  ASSERT_EQ(G("東"), kEast);
  ASSERT_EQ(G("廣東省"), "\x8F\x56" + kEast + "\xCA\xA1");

  struct Case {
    std::string line;
    LangEntry entry;
  } cases[] = {
      {"lang_x|" + G("廣東省") + "|Guangdong", {"lang_x", G("廣東省"), "Guangdong"}},
      {"lang_x|a|" + G("東"), {"lang_x", "a", G("東")}},
      {G("東") + "|" + G("東東") + "|" + G("東"), {G("東"), G("東東"), G("東")}},
      {G("東東"), {"", "", ""}},
      {"lang_x|" + G("東") + "///" + G("東") + "|x", {"lang_x", G("東") + "\n" + G("東"), "x"}},
      // A lead byte cut off at the end of a line takes nothing with it.
      {"a|b|\x96", {"a", "b", "\x96"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(GbkToUtf8(c.line));
    EXPECT_EQ(ParseLanguageLine(c.line), c.entry);
  }

  TempFolder folder;
  const fs::path file = folder.path() / kLangFileName;
  WriteBytes(file, "lang_lblProvince|" + G("廣東省") + "|Guangdong\r\n");
  TLangList list;
  ASSERT_TRUE(list.ReadLanguageFile(file));
  list.UseChinese = true;
  EXPECT_EQ(list.GetText("lang_lblProvince"), G("廣東省"));
  list.UseChinese = false;
  EXPECT_EQ(list.GetText("lang_lblProvince"), "Guangdong");
}

TEST(LanguageFileReading, LinesHaveNoLengthLimit) {
  TempFolder folder;
  const fs::path file = folder.path() / kLangFileName;
  const std::string longText(200000, 'x');
  WriteBytes(file, "a|" + longText + "|b\r\nc|d|e\r\n");
  TLangList list;
  ASSERT_TRUE(list.ReadLanguageFile(file));
  ASSERT_EQ(list.FileEntries().size(), 2u);
  EXPECT_EQ(list.FileEntries()[0].chinese, longText);
}

TEST(LanguageFileReading, FailuresLeaveNoEntriesAndRaiseNothing) {
  TempFolder folder;
  TLangList list;
  EXPECT_FALSE(list.ReadLanguageFile(folder.path() / "missing.txt"));
  EXPECT_FALSE(list.ReadLanguageFile(folder.path()));  // a folder cannot be read as a file
  EXPECT_TRUE(list.ReadLanguageFile(fs::path()));       // no path: nothing to read
  EXPECT_TRUE(list.FileEntries().empty());
}

TEST(LanguageFileReading, ReadingAppendsToTheFileLayer) {
  TempFolder folder;
  const fs::path file = folder.path() / kLangFileName;
  WriteBytes(file, "a|b|c\r\n");
  TLangList list;
  ASSERT_TRUE(list.ReadLanguageFile(file));
  ASSERT_TRUE(list.ReadLanguageFile(file));
  EXPECT_EQ(list.FileEntries().size(), 2u);
}

// ---------------------------------------------------------------- looking up

class LookUp : public ::testing::Test {
 protected:
  void SetUp() override {
    list_.AddText("lang_btnSend", G("发送"), "Send");
    list_.AddText("info_DoOver", G("执行完毕"), "Operation complete");
    list_.AddText("lang_btnSend", "second", "second");
    list_.AddText("lang_lblBaud", G("串口波特率"), "Serial BaudRate ");
  }
  void UseFile(const std::string& bytes) {
    const fs::path file = folder_.path() / kLangFileName;
    WriteBytes(file, bytes);
    ASSERT_TRUE(list_.ReadLanguageFile(file));
  }
  // (Chinese result, English result)
  std::pair<std::string, std::string> Both(const std::string& name) {
    list_.UseChinese = true;
    std::string chinese = list_.GetText(name);
    list_.UseChinese = false;
    return {chinese, list_.GetText(name)};
  }

  TempFolder folder_;
  TLangList list_;
};

TEST_F(LookUp, BuiltInLayerAlone) {
  struct {
    const char* name;
    std::string chinese, english;
  } cases[] = {
      {"lang_btnSend", G("发送"), "Send"},           // first registration wins
      {"LANG_BTNSEND", G("发送"), "Send"},           // letter case ignored
      {"Send", G("发送"), "Send"},                   // an English text stands in for its name
      {"send", G("发送"), "Send"},
      {"\xB7\xA2\xCB\xCD", G("发送"), "Send"},       // so does a Chinese text ("发送")
      {"Serial BaudRate ", G("串口波特率"), "Serial BaudRate "},
      {"Serial BaudRate", "Serial BaudRate", "Serial BaudRate"},  // no trimming
      {"lang_xyz", "lang_xyz", "lang_xyz"},          // unknown: the name itself
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Both(c.name), std::make_pair(c.chinese, c.english));
  }
}

TEST_F(LookUp, FileLayerWinsAndFirstFileLineWins) {
  UseFile("info_DoOver|" + G("完成") + "|Done\r\n" + "INFO_DOOVER|late|late\r\n");
  EXPECT_EQ(Both("info_DoOver"), std::make_pair(G("完成"), std::string("Done")));
  EXPECT_EQ(Both("lang_btnSend"), std::make_pair(G("发送"), std::string("Send")));
}

TEST_F(LookUp, EmptyColumnsOfAFileLineAreServedAsEmpty) {
  // A line with too few columns still wins over the built-in entry: its empty
  // text is what the user wrote.
  UseFile("lang_btnSend|" + G("发出") + "\r\n" + "lang_lblBaud\r\n");
  EXPECT_EQ(Both("lang_btnSend"), std::make_pair(std::string(), G("发出")));
  // A line without separator has an empty name, so lang_lblBaud stays built-in.
  EXPECT_EQ(Both("lang_lblBaud"), std::make_pair(G("串口波特率"), std::string("Serial BaudRate ")));
}

TEST_F(LookUp, AFileTextMatchComesBeforeABuiltInName) {
  UseFile("other|lang_btnSend|x\r\n");
  EXPECT_EQ(Both("lang_btnSend"), std::make_pair(std::string("lang_btnSend"), std::string("x")));
}

TEST_F(LookUp, NamesAreSearchedBeforeChineseTextsBeforeEnglishTexts) {
  // Each later line matches in an earlier column than the line before it.
  UseFile("a|b|key\r\nc|key|d\r\nkey|e|f\r\n");
  EXPECT_EQ(Both("key"), std::make_pair(std::string("e"), std::string("f")));
  EXPECT_EQ(Both("b"), std::make_pair(std::string("b"), std::string("key")));
  TLangList fresh;
  fresh.AddText("a", "b", "key");
  fresh.AddText("c", "key", "d");
  fresh.UseChinese = false;
  EXPECT_EQ(fresh.GetText("key"), "d");
}

TEST_F(LookUp, TheTextLookupInterfaceGivesTheSameText) {
  const TextLookup& lookup = list_;
  list_.UseChinese = true;
  EXPECT_EQ(lookup.LangText("lang_btnSend"), G("发送"));
  list_.UseChinese = false;
  EXPECT_EQ(lookup.LangText("lang_btnSend"), "Send");
  EXPECT_EQ(lookup.LangText("nothing"), "nothing");
}

TEST(SameTextIgnoringCase, FoldsLettersButNeverTheSecondByteOfAChineseCharacter) {
  struct {
    std::string a, b;
    bool same;
  } cases[] = {
      {"lang_btnSend", "LANG_BTNSEND", true},
      {"lang_btnSend", "lang_btnSen", false},
      {"", "", true},
      {"[a]", "[A]", true},
      {"@", "`", false},  // 0x40 and 0x60 are not letters
      {G("发送"), G("发送"), true},
      {G("发送"), G("发出"), false},
      // 0x81 0x41 and 0x81 0x61 are two different characters, not "A" and "a".
      {"\x81\x41", "\x81\x61", false},
      {"x\x81\x41", "X\x81\x41", true},
      {G("ＡＢＣ"), G("ａｂｃ"), true},
      {G("ΑΩ"), G("αω"), true},
      {G("АЯ"), G("ая"), true},
      {G("发"), "ab", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(GbkToUtf8(c.a) + " / " + GbkToUtf8(c.b));
    EXPECT_EQ(SameTextIgnoringCase(c.a, c.b), c.same);
  }
}

// ---------------------------------------------------------------- loading

TEST(LoadLanguageFile, WritesTheDefaultFileWhenMissingThenReadsIt) {
  for (bool chinese : {true, false}) {
    SCOPED_TRACE(chinese);
    TempFolder folder;
    TLangList list = ListWithSystem(chinese);
    list.AddText("lang_btnSend", G("发送"), "Send");
    list.AddText("info_DoOver", G("执行完毕"), "Operation complete");
    const fs::path file = folder.path() / kLangFileName;
    EXPECT_EQ(list.LoadLanguageFile(file), LangFileStatus::WrittenAndRead);
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(list.UseChinese, chinese);
    // Both layers hold the same texts; the blank header line adds an empty entry.
    std::vector<LangEntry> expected = {{"", "", ""}};
    expected.insert(expected.end(), list.BuiltInEntries().begin(), list.BuiltInEntries().end());
    EXPECT_EQ(list.FileEntries(), expected);
    EXPECT_EQ(list.GetText("info_DoOver"), chinese ? G("执行完毕") : "Operation complete");
  }
}

TEST(LoadLanguageFile, AnExistingFileOverridesTheBuiltInTexts) {
  TempFolder folder;
  const fs::path file = folder.path() / kLangFileName;
  WriteBytes(file, ";mine\r\ninfo_DoOver|" + G("完成") + "|Done\r\n");
  TLangList list = ListWithSystem(false);
  list.AddText("info_DoOver", G("执行完毕"), "Operation complete");
  list.UseChinese = true;
  EXPECT_EQ(list.LoadLanguageFile(file), LangFileStatus::Read);
  EXPECT_FALSE(list.UseChinese);  // set from the system language
  EXPECT_EQ(list.GetText("info_DoOver"), "Done");
  list.UseChinese = true;
  EXPECT_EQ(list.GetText("info_DoOver"), G("完成"));
}

TEST(LoadLanguageFile, AnUnreadableFileLeavesTheBuiltInLayer) {
  TempFolder folder;
  const fs::path notAFile = folder.path() / kLangFileName;
  fs::create_directory(notAFile);
  TLangList list = ListWithSystem(true);
  list.AddText("lang_btnSend", G("发送"), "Send");
  EXPECT_EQ(list.LoadLanguageFile(notAFile), LangFileStatus::NotRead);
  EXPECT_TRUE(list.UseChinese);
  EXPECT_EQ(list.GetText("lang_btnSend"), G("发送"));
}

// A file that cannot be created does not stop start-up: the built-in layer
// and the system language serve.
void ExpectStartsWithoutFile(const fs::path& file) {
  SCOPED_TRACE(file.string());
  TLangList list = ListWithSystem(true);
  list.AddText("lang_btnSend", G("发送"), "Send");
  LangFileStatus status = LangFileStatus::Read;
  EXPECT_NO_THROW(status = list.LoadLanguageFile(file));
  EXPECT_EQ(status, LangFileStatus::NotCreated);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(list.UseChinese);
  EXPECT_TRUE(list.FileEntries().empty());
  EXPECT_EQ(list.GetText("lang_btnSend"), G("发送"));
}

TEST(LoadLanguageFile, FileThatCannotBeCreated) {
  TempFolder folder;
  WriteBytes(folder.path() / "plain", "x");
  ExpectStartsWithoutFile(folder.path() / "missing-folder" / kLangFileName);
  ExpectStartsWithoutFile(folder.path() / "plain" / kLangFileName);  // "folder" is a file
  ExpectStartsWithoutFile(fs::path("/proc/self") / kLangFileName);   // a read-only folder
}

TEST(LoadLanguageFile, ReadOnlyProgramFolder) {
  TempFolder folder;
  fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
  if (access(folder.path().c_str(), W_OK) == 0)
    GTEST_SKIP() << "this user may write into read-only folders";
  ExpectStartsWithoutFile(folder.path() / kLangFileName);
}

TEST(LoadLanguageFile, ACutOffDefaultFileIsNotLeftBehind) {
  TempFolder folder;
  const fs::path file = folder.path() / kLangFileName;
  TLangList list = ListWithSystem(true);
  for (int i = 0; i < 200; ++i) list.AddText("lang_entry" + std::to_string(i), "x", "y");

  // Writing stops after 1 KB, as on a full disk.
  void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const LangFileStatus status = list.LoadLanguageFile(file);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);

  EXPECT_EQ(status, LangFileStatus::NotCreated);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(list.GetText("lang_entry199"), "x");
}

// ---------------------------------------------------------------- system language

TEST(IsChineseLocale, FirstSetVariableDecides) {
  struct {
    const char *lcAll, *lcMessages, *lang;
    bool chinese;
  } cases[] = {
      {nullptr, nullptr, "zh_CN.UTF-8", true},
      {nullptr, nullptr, "zh_TW.Big5", true},
      {nullptr, nullptr, "zh", true},
      {nullptr, nullptr, "en_US.UTF-8", false},
      {nullptr, nullptr, nullptr, false},
      {"", "", "", false},
      {"", "", "zh_CN.GBK", true},            // empty values are passed over
      {nullptr, "zh_HK.UTF-8", "en_US", true},
      {nullptr, "en_GB.UTF-8", "zh_CN", false},
      {"C", "zh_CN.UTF-8", "zh_CN.UTF-8", false},  // LC_ALL wins
      {"zh_SG", "en_US", "en_US", true},
      {"C.UTF-8", nullptr, nullptr, false},
      {nullptr, nullptr, "POSIX", false},
      {nullptr, nullptr, "ja_JP.UTF-8", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.lcAll ? c.lcAll : "(unset)") + " " +
                 (c.lcMessages ? c.lcMessages : "(unset)") + " " + (c.lang ? c.lang : "(unset)"));
    EXPECT_EQ(IsChineseLocale(c.lcAll, c.lcMessages, c.lang), c.chinese);
  }
}

}  // namespace
}  // namespace t418
