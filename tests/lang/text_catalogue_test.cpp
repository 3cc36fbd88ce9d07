#include "lang/text_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "gbk_texts.h"
#include "text/gbk.h"
#include "temp_folder.h"

namespace t418 {
namespace {

namespace fs = std::filesystem;

using testing::G;
using testing::ReadBytes;
using testing::TempFolder;

// Splits at CR LF; the text after the last CR LF is the last element.
std::vector<std::string> SplitCrLf(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at; (at = bytes.find("\r\n", start)) != std::string::npos; start = at + 2)
    lines.push_back(bytes.substr(start, at - start));
  lines.push_back(bytes.substr(start));
  return lines;
}

TEST(TextCatalogue, HoldsTheThreeNameFamiliesOnceEach) {
  const auto texts = CatalogueTexts();
  ASSERT_EQ(texts.size(), 238u);
  EXPECT_STREQ(texts.front().name, "lang_Main_Title");
  EXPECT_STREQ(texts.back().name, "info_GNSSMULTInfo");
  int lang = 0, hint = 0, info = 0;
  std::set<std::string> names;
  for (const auto& t : texts) {
    const std::string name = t.name;
    EXPECT_TRUE(names.insert(name).second) << "twice: " << name;
    if (name.starts_with("lang_")) ++lang;
    else if (name.starts_with("hint_")) ++hint;
    else if (name.starts_with("info_")) ++info;
    else ADD_FAILURE() << "no family: " << name;
  }
  EXPECT_EQ(lang, 206);
  EXPECT_EQ(hint, 9);
  EXPECT_EQ(info, 23);
}

TEST(TextCatalogue, EveryTextIsCodePage936WithoutFileMarks) {
  for (const auto& t : CatalogueTexts()) {
    for (const std::string text : {t.chinese, t.english}) {
      SCOPED_TRACE(std::string(t.name) + ": " + text);
      const std::string gbk = Utf8ToGbk(text);
      // Nothing lost on the way: every character exists in code page 936.
      EXPECT_EQ(GbkToUtf8(gbk), text);
      EXPECT_FALSE(text.empty());
      EXPECT_EQ(text.find_first_of("\r\n|"), std::string::npos);
      EXPECT_EQ(text.find("///"), std::string::npos);
    }
  }
}

class RegisteredTexts : public ::testing::Test {
 protected:
  void SetUp() override { RegisterDefaultTexts(list_); }
  std::string Text(const char* name, bool chinese) {
    list_.UseChinese = chinese;
    return list_.GetText(name);
  }
  TLangList list_;
};

TEST_F(RegisteredTexts, AreRegisteredInCatalogueOrder) {
  const auto& entries = list_.BuiltInEntries();
  const auto texts = CatalogueTexts();
  const auto added = AddedTexts();
  ASSERT_EQ(entries.size(), texts.size() + added.size());
  for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(entries[i].name, texts[i].name);
  for (std::size_t i = 0; i < added.size(); ++i) EXPECT_EQ(entries[texts.size() + i].name, added[i].name);
}

TEST_F(RegisteredTexts, SpotChecksAreByteExact) {
  struct {
    const char* name;
    std::string chinese, english;
  } cases[] = {
      {"info_ComNoOpen", "串口未打开", "Serial port is not open"},
      {"info_DoOver", "执行完毕", "Operation complete"},
      {"info_Start2", "2. 打开串口;", "2. Click \"Open PC serial\""},
      {"info_Start3", "3. 获取当前参数;", "3. Click \"Query all parameters\""},
      {"info_Start5", "5. 设置所有参数;", "5. Click \"Set current parameters\""},
      {"info_FwUpTime", "耗时(秒): ", "Used time (s): "},
      {"info_ComOpenNo", "串口打开失败，请检查该串口是否被其他软件占用！",
       "Failure , please close other software which use this Com Port."},
      {"lang_rzgrpbxDo", " 执行命令及提示", " Operation and Hints"},
      {"lang_rzgrpbxWkmod", " 选择工作模式", " Choose Work Mode"},
      {"lang_rzgrpbxPara", "相关参数", " parameters"},
      {"lang_rzchckbxSkt", "连接服务器", "Enable Socket "},
      {"lang_lblOpenFlow", "流控 ", "Flow Control"},
      {"lang_lblOpenCom", "[PC串口参数] : 串口号", "[PC Serial Parameters] : ComName"},
      {"lang_lblCloudPa", "通讯密码:共8位,不足8位在前面补'0'.",
       "Communication Code:Length is 8,if less than 8,fill Char '0' in the front"},
      {"lang_About_OK", "确 认", "OK"},
      {"lang_About_Version", "版本：", "Version:"},
      {"lang_Menu_Cn", "简体中文", "简体中文"},
      {"lang_btnSend", "发送", "Send"},
      {"hint_imgGif", "藏这么严，还是被发现了 ^_^ ", "Hide so strict,also be discovered ^_^ "},
      {"hint_cbbUart", "DTU和串口终端应采用相同的串口参数",
       "M2M device should work in the same serial port parameters with Serial device "},
      {"info_GNSSMULTInfo", "复用原有通道功能仅支持网络透传模式使用",
       "MULT function only supports network transparent mode to use"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Text(c.name, true), G(c.chinese));
    EXPECT_EQ(Text(c.name, false), G(c.english));
  }
  // The bytes themselves: "执行完毕" and the full-width comma and exclamation mark.
  EXPECT_EQ(Text("info_DoOver", true), "\xD6\xB4\xD0\xD0\xCD\xEA\xB1\xCF");
  const std::string openNo = Text("info_ComOpenNo", true);
  EXPECT_NE(openNo.find("\xA3\xAC"), std::string::npos);
  EXPECT_EQ(openNo.substr(openNo.size() - 2), "\xA3\xA1");
}

TEST_F(RegisteredTexts, MakerTextsPointToNeutralPlaces) {
  for (const char* name : {"lang_Menu_DownUrl", "lang_Menu_WorkOrderUrl", "lang_About_Website"}) {
    for (bool chinese : {true, false}) {
      SCOPED_TRACE(std::string(name) + (chinese ? " cn" : " en"));
      const std::string url = Text(name, chinese);
      EXPECT_TRUE(url.starts_with("https://")) << url;
      EXPECT_NE(url.find(".example.com"), std::string::npos) << url;
    }
  }
  EXPECT_TRUE(Text("lang_About_Email", true).ends_with("@example.com"));
  EXPECT_TRUE(Text("lang_About_Description", true).starts_with(G("说明：")));
  EXPECT_TRUE(Text("lang_About_Description", false).starts_with("Instruction:  "));
  EXPECT_GT(Text("lang_About_Description", false).size(), std::string("Instruction:  ").size());
}

TEST(InitLanguage, WritesTheDefaultFileBesideTheProgram) {
  TempFolder folder;
  TLangList list([] { return true; });
  EXPECT_EQ(InitLanguage(list, folder.path()), LangFileStatus::WrittenAndRead);
  const std::string bytes = ReadBytes(folder.path() / "T418Lang.txt");

  // Every line ends with CR LF, and no LF stands alone.
  ASSERT_TRUE(bytes.ends_with("\r\n"));
  std::size_t lfs = 0;
  for (const char c : bytes) lfs += c == '\n';
  const std::vector<std::string> lines = SplitCrLf(bytes);
  EXPECT_EQ(lfs, lines.size() - 1);
  const std::size_t added = AddedTexts().size();
  ASSERT_EQ(lines.size(), 2u + 1u + 238u + added + 1u);  // the last element is the empty tail
  EXPECT_TRUE(lines[0].starts_with(G(";语言文件格式为: ")));
  EXPECT_TRUE(lines[1].starts_with(";Language file format: "));
  EXPECT_EQ(lines[2], " ");
  EXPECT_EQ(lines[3], "lang_Main_Title|ZAV-T418|ZAV-T418");
  EXPECT_EQ(lines[4], "lang_Main_AppTitle|ZAV-T418|ZAV-T418");
  EXPECT_EQ(lines[5], "lang_Menu_File|" + G("文件") + "|File");
  EXPECT_EQ(lines[240], "info_GNSSMULTInfo|" + G("复用原有通道功能仅支持网络透传模式使用") +
                            "|MULT function only supports network transparent mode to use");
  for (std::size_t i = 0; i < added; ++i)  // added messages follow the catalogue
    EXPECT_EQ(lines[241 + i], AddedTexts()[i].name + ("|" + G(AddedTexts()[i].chinese) + "|" +
                                                       G(AddedTexts()[i].english)));
  EXPECT_EQ(lines[241 + added], "");
  const auto texts = CatalogueTexts();
  for (std::size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(lines[3 + i],
              texts[i].name + ("|" + G(texts[i].chinese) + "|" + G(texts[i].english)));
  }
  // The whole file is code page 936: it converts to Unicode without loss.
  EXPECT_EQ(Utf8ToGbk(GbkToUtf8(bytes)), bytes);
  // No character became a "?" on the way (a question mark of a text stays one).
  const std::string utf8 = GbkToUtf8(bytes);
  EXPECT_EQ(std::count(utf8.begin(), utf8.end(), '?'), std::count(bytes.begin(), bytes.end(), '?'));

  // The texts come from the file now, and match the built-in ones.
  EXPECT_EQ(list.FileEntries().size(), 239u + added);
  EXPECT_EQ(list.GetText("lang_btnSend"), G("发送"));
  list.UseChinese = false;
  EXPECT_EQ(list.GetText("lang_btnSend"), "Send");
}

TEST(InitLanguage, WithoutAWritableFolderTheBuiltInTextsServe) {
  TempFolder folder;
  TLangList list([] { return false; });
  list.UseChinese = true;
  EXPECT_EQ(InitLanguage(list, folder.path() / "gone"), LangFileStatus::NotCreated);
  EXPECT_FALSE(list.UseChinese);
  EXPECT_EQ(list.GetText("info_DoOver"), "Operation complete");
  list.UseChinese = true;
  EXPECT_EQ(list.GetText("info_DoOver"), G("执行完毕"));
}

}  // namespace
}  // namespace t418
