// Fast replies against the simulator on a paced line (115200 baud, so replies
// come in pieces): the engine sees the chunks it sees without the option, only
// sooner, and reads the same values; a firmware transfer frames its XModem
// replies and goes back to the command replies at its end.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <utility>

#include "loop/poll_loop.h"
#include "params/profile_file.h"
#include "session/profile_io.h"
#include "session/session.h"
#include "sim_process.h"
#include "temp_folder.h"
#include "text/gbk.h"

namespace t418 {
namespace {

using testing::SimProcess;
using namespace std::chrono_literals;

class RunListener : public SessionListener {
 public:
  int runsEnded = 0;
  bool lastRunCompleted = false;
  void PortStateChanged(bool) override {}
  void ShowProgress(int, int) override {}
  void HideProgress() override {}
  void ShowMessage(const std::string&) override {}
  void RunEnded(bool completed) override {
    ++runsEnded;
    lastRunCompleted = completed;
  }
};

class TextsView : public LogView {
 public:
  std::vector<std::pair<LogColour, std::string>> entries;
  void AppendEntry(LogPane pane, const std::string& entry, LogColour colour) override {
    if (pane == LogPane::Text) entries.emplace_back(colour, entry);
  }
  void ClearPane(LogPane) override {}
  void CountersChanged(std::uint32_t, std::uint32_t) override {}
  bool Holds(const std::string& utf8) const {
    for (const auto& [colour, text] : entries)
      if (text == Utf8ToGbk(utf8)) return true;
    return false;
  }
  std::size_t WarningCount() const {
    std::size_t n = 0;
    for (const auto& [colour, text] : entries) n += colour == LogColour::Warning;
    return n;
  }
};

// One session with its own loop; every received chunk recorded.
class FastRig {
 public:
  explicit FastRig(bool fast) {
    SessionOptions options;
    options.programFolder = folder.path();
    options.systemIsChinese = [] { return true; };
    options.useProfile = false;
    session = std::make_unique<Session>(loop, options);
    session->SetListener(&listener);
    session->Log().SetView(&view);
    session->Create();
    session->ApplyTexts();
    session->FinishCreate();
    session->Engine().delayTime = 0;
    session->SetReplyFraming(fast);
    session->OnChunk = [this](const std::string& chunk) { chunks.push_back(chunk); };
  }
  ~FastRig() {
    session->Close();
    session->Log().SetView(nullptr);
    session->SetListener(nullptr);
  }
  bool Run(int tag) {
    const int before = listener.runsEnded;
    session->Engine().ActionButtonClick(tag);
    return loop.RunUntil([&] { return listener.runsEnded > before; }, 30s) && listener.lastRunCompleted;
  }
  std::string Parameters() const {
    IniDocument document;
    SaveParameters(*session, document);
    return document.Serialize();
  }

  testing::TempFolder folder;
  PollLoop loop;
  RunListener listener;
  TextsView view;
  std::unique_ptr<Session> session;
  std::vector<std::string> chunks;
};

struct Outcome {
  std::vector<std::string> chunks;
  std::vector<std::string> values;
  std::string parameters;
};

// Command mode, then a full read, against a fresh simulator on a paced line.
Outcome EnterCommandModeAndReadAll(bool fast) {
  // Both runs meet the same terminal: one identity, whatever the link is named.
  SimProcess sim({"--name", SimProcess::UniqueName("fast"), "--baud", "115200", "--imei", "868323028765432",
                  "--iccid", "89860118802125746431", "--sn", "01201909110100002468"});
  FastRig rig(fast);
  rig.session->portSettings.port = sim.Port();
  // Kept across closing and opening again.
  EXPECT_TRUE(rig.session->OpenPort());
  rig.session->ClosePort();
  EXPECT_TRUE(rig.session->OpenPort());
  EXPECT_EQ(rig.session->Comm().ReplyFraming(), fast ? FramingMode::kReplies : FramingMode::kOff);

  EXPECT_TRUE(rig.Run(kTagPPPA));
  EXPECT_TRUE(rig.Run(kTagAskAll));
  rig.loop.RunUntil([] { return false; }, 200ms);  // a late piece would show here
  EXPECT_EQ(rig.listener.runsEnded, 2);
  EXPECT_EQ(rig.view.WarningCount(), 0u);
  return {rig.chunks, rig.session->Values().Entries(), rig.Parameters()};
}

TEST(FastRepliesAgainstSimulator, TheEngineSeesTheSameChunksAndReadsTheSameValues) {
  const Outcome slow = EnterCommandModeAndReadAll(false);
  const Outcome fast = EnterCommandModeAndReadAll(true);
  // "a", "a+ok" CR LF, then the version and the 69 queries, one chunk each.
  EXPECT_EQ(slow.chunks.size(), 72u);
  EXPECT_EQ(fast.chunks, slow.chunks);
  EXPECT_EQ(fast.values, slow.values);
  EXPECT_EQ(fast.parameters, slow.parameters);
  EXPECT_FALSE(fast.values.empty());
}

std::string RandomBytes(std::size_t size) {
  std::mt19937 random(static_cast<unsigned>(size));
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

TEST(FastRepliesAgainstSimulator, AFirmwareTransferFramesItsRepliesAndEndsBackInCommandReplies) {
  struct Case {
    bool fast;
    FramingMode during;
    std::uint32_t gapDuring;
    FramingMode after;
  };
  const Case cases[] = {
      {true, FramingMode::kXModem, 60, FramingMode::kReplies},
      // Without the option every read returns at once while a transfer runs.
      {false, FramingMode::kOff, kMaxDword, FramingMode::kOff},
  };
  const std::string firmware = RandomBytes(3000);
  std::string expected = firmware;
  expected.append((128 - firmware.size() % 128) % 128, '\x1A');
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fast ? "fast" : "slow");
    FastRig rig(c.fast);
    const auto image = rig.folder.path() / "received.bin";
    SimProcess sim({"--name", SimProcess::UniqueName("fastfw"), "--bootloader", "--baud", "115200", "--nak-every",
                    "7", "--firmware-out", image.string()});
    testing::WriteBytes(rig.folder.path() / "T418.bin", firmware);
    rig.session->portSettings.port = sim.Port();
    ASSERT_TRUE(rig.session->OpenPort());
    ASSERT_TRUE(rig.session->Upgrade().OpenFirmwareFile(rig.folder.path() / "T418.bin"));

    std::vector<std::pair<FramingMode, std::uint32_t>> during;
    rig.session->OnChunk = [&](const std::string&) {
      if (rig.session->Upgrade().XModemState() != 0)
        during.emplace_back(PlainFraming(rig.session->Comm().ReplyFraming()),
                            rig.session->Comm().ReadIntervalTimeout());
    };
    ASSERT_TRUE(rig.loop.RunUntil([&] { return rig.view.Holds("固件升级完成"); }, 30s));
    EXPECT_EQ(testing::ReadBytes(image).size(), expected.size());
    EXPECT_TRUE(testing::ReadBytes(image) == expected);
    EXPECT_EQ(rig.view.WarningCount(), 0u);
    // "C", 24 ACKs and a few NAKs, each one chunk of its own while the transfer ran.
    ASSERT_GE(during.size(), 25u);
    for (const auto& [mode, gap] : during) {
      EXPECT_EQ(mode, c.during);
      EXPECT_EQ(gap, c.gapDuring);
    }
    EXPECT_EQ(rig.session->Comm().ReplyFraming(), c.after);
    EXPECT_EQ(rig.session->Comm().ReadIntervalTimeout(), 60u);
  }
}

}  // namespace
}  // namespace t418
