// A session of a program installed as PREFIX/bin/NAME takes the language file
// and the region catalogue from PREFIX/share/t418 and writes nothing into bin.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "lang/lang_list.h"
#include "log_fakes.h"
#include "loop/poll_loop.h"
#include "session/session.h"
#include "session_fakes.h"
#include "temp_folder.h"

namespace t418 {
namespace {

namespace fs = std::filesystem;

// A session of a program in programFolder, started as the window starts it.
struct StartedSession {
  explicit StartedSession(const fs::path& programFolder) : session(loop, Options(programFolder, clock)) {
    session.Log().SetView(&logView);
    session.SetListener(&listener);
    session.Create();
    session.ApplyTexts();
    session.FinishCreate();
  }
  ~StartedSession() { session.Close(); }

  static SessionOptions Options(const fs::path& programFolder, testing::FixedLogClock& clock) {
    SessionOptions options;
    options.programFolder = programFolder;
    options.logClock = &clock;
    options.systemIsChinese = [] { return false; };
    options.useProfile = false;
    return options;
  }

  PollLoop loop;
  testing::FixedLogClock clock;
  testing::RecordingLogView logView;
  testing::MessageRecorder listener;
  Session session;
};

TEST(InstalledLayout, LanguageFileAndRegionCatalogueComeFromShareBesideBin) {
  testing::TempFolder root;
  const fs::path bin = root.path() / "usr" / "bin";
  const fs::path data = root.path() / "usr" / "share" / "t418";
  fs::create_directories(bin);
  fs::create_directories(data);
  fs::copy_file(fs::path(T418_SOURCE_DIR) / "resources" / "province&city.json", data / "province&city.json");
  testing::WriteBytes(data / kLangFileName, "head\r\nhead\r\n \r\ninfo_Start0|from-share-zh|from-share-en\r\n");

  {
    StartedSession started(bin);
    EXPECT_EQ(started.session.Lang().LangText("info_Start0"), "from-share-en");
    EXPECT_EQ(started.listener.messages, std::vector<std::string>{});  // no missing catalogue
    EXPECT_FALSE(started.session.Form().cbbProvince.Items().empty());
  }
  // The program's folder stays as the package left it.
  EXPECT_TRUE(fs::is_empty(bin));
}

// A program unpacked into a folder whose name is Chinese finds the catalogue
// beside it (on Windows the name must not pass through the ANSI code page).
TEST(InstalledLayout, RegionCatalogueBesideAProgramInAChineseFolder) {
  testing::TempFolder root;
  const fs::path folder = root.path() / fs::path(u8"\u914D\u7F6E\u5DE5\u5177");  // 配置工具
  fs::create_directories(folder);
  fs::copy_file(fs::path(T418_SOURCE_DIR) / "resources" / "province&city.json", folder / "province&city.json");

  StartedSession started(folder);
  EXPECT_EQ(started.listener.messages, std::vector<std::string>{});
  EXPECT_FALSE(started.session.Form().cbbProvince.Items().empty());
}

}  // namespace
}  // namespace t418
