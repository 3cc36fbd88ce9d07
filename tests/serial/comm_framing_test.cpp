// Chunks that end with their reply, on pseudo-terminals: the far end writes a
// reply in pieces, and the receive thread must hand it over whole, as a slow
// line would, and as soon as it is complete. Most cases run without a gap
// limit (ReadIntervalTimeout 0): there a chunk can only end by its reply (or
// at 1024 bytes), so its mere arrival shows the end-of-reply rule at work.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "serial/comm.h"
#include "serial_fixtures.h"

namespace t418::test {
namespace {

class CommFramingTest : public ::testing::Test {
 protected:
  CommFramingTest() : comm(dispatcher) {
    log.Attach(comm);
    comm.SetCommName(pty.Path());
    comm.SetBaudRate(115200);
  }

  // Writes the pieces with a short pause between them, so that each is a read
  // of its own, then waits for `count` chunks.
  bool WritePiecesAndReceive(const std::vector<std::string>& pieces, std::size_t count) {
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      if (i > 0) std::this_thread::sleep_for(30ms);
      pty.Write(pieces[i]);
    }
    return dispatcher.RunUntil([&] { return log.chunks.size() >= count; });
  }

  // Sends from the component and lets the far end take the bytes.
  void SendFromTool(const std::string& bytes) {
    ASSERT_TRUE(comm.SendData(bytes));
    ASSERT_EQ(pty.Read(bytes.size()), bytes);
  }

  Pty pty;
  QueueDispatcher dispatcher;
  TComm comm;
  EventLog log;
};

TEST_F(CommFramingTest, AReplyInPiecesArrivesAsOneChunkWithoutWaitingForAGap) {
  struct Case {
    const char* what;
    std::vector<std::string> pieces;
    std::vector<std::string> chunks;
  };
  const std::vector<Case> cases = {
      {"report split in its value",
       {"AT+VER?\r\n\r\n+VER:V1.0", ".4\r\n\r\nOK\r\n\r\n"},
       {"AT+VER?\r\n\r\n+VER:V1.0.4\r\n\r\nOK\r\n\r\n"}},
      {"OK inside the value, then the real OK",
       {"\r\n+STMSG:OK\r\n\r\n", "OK\r\n\r\n"},
       {"\r\n+STMSG:OK\r\n\r\nOK\r\n\r\n"}},
      {"echo first, its reply later",
       {"AT+CSQ\r\n", "\r\n+CSQ:24,99\r\n\r\nOK\r\n\r\n"},
       {"AT+CSQ\r\n\r\n+CSQ:24,99\r\n\r\nOK\r\n\r\n"}},
      {"error in three pieces", {"AT+SOCKA=X\r\n\r\n+ERR:", "4\r\n", "\r\n"}, {"AT+SOCKA=X\r\n\r\n+ERR:4\r\n\r\n"}},
      {"confirmation with echo, no +++ sent", {"a", "+ok\r\n"}, {"a+ok\r\n"}},
      {"two replies, two chunks", {"\r\nOK\r\n\r\n", "\r\n+ERR:5\r\n\r\n"}, {"\r\nOK\r\n\r\n", "\r\n+ERR:5\r\n\r\n"}},
  };
  comm.SetReadIntervalTimeout(0);
  comm.SetReplyFraming(FramingMode::kReplies);
  comm.OpenPort();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    log.chunks.clear();
    ASSERT_TRUE(WritePiecesAndReceive(c.pieces, c.chunks.size()));
    dispatcher.RunFor(50ms);  // nothing more
    EXPECT_EQ(std::vector<std::string>(log.chunks.begin(), log.chunks.end()), c.chunks);
  }
}

TEST_F(CommFramingTest, TheModeAnswerEndsAChunkOnlyAfterModeEntryWasSent) {
  comm.SetReadIntervalTimeout(0);
  comm.SetReplyFraming(FramingMode::kReplies);
  comm.OpenPort();

  SendFromTool("+++");
  EXPECT_EQ(comm.CurrentFraming(), FramingMode::kRepliesAfterModeEntry);
  ASSERT_TRUE(WritePiecesAndReceive({"a"}, 1));
  EXPECT_EQ(log.chunks.back(), "a");

  // After "a" went out, "a" is the first byte of "a+ok" CR LF, not an answer.
  SendFromTool("a");
  EXPECT_EQ(comm.CurrentFraming(), FramingMode::kReplies);
  ASSERT_TRUE(WritePiecesAndReceive({"a", "+ok\r\n"}, 2));
  EXPECT_EQ(log.chunks.back(), "a+ok\r\n");
  EXPECT_EQ(comm.ReplyFraming(), FramingMode::kReplies);
}

TEST_F(CommFramingTest, TransferRepliesHandOverAtOnceAndTheFinalReplyWhole) {
  comm.SetReadIntervalTimeout(0);
  comm.SetReplyFraming(FramingMode::kXModem);
  comm.OpenPort();
  for (const std::string& reply : {std::string("C"), std::string("\x06"), std::string("\x15")}) {
    log.chunks.clear();
    ASSERT_TRUE(WritePiecesAndReceive({reply}, 1));
    EXPECT_EQ(log.chunks.front(), reply);
  }
  // After the end of transmission an ACK may begin the final reply.
  SendFromTool(std::string(1, '\x04'));
  log.chunks.clear();
  ASSERT_TRUE(WritePiecesAndReceive({"\x06", "\r\n>"}, 1));
  dispatcher.RunFor(50ms);
  ASSERT_EQ(log.chunks.size(), 1u);
  EXPECT_EQ(log.chunks.front(), std::string("\x06\r\n>", 4));
}

TEST_F(CommFramingTest, WhatIsNoCompleteReplyStillEndsAtTheGap) {
  struct Case {
    const char* what;
    FramingMode mode;
    std::vector<std::string> pieces;
    std::vector<std::string> chunks;
  };
  // The pause between pieces (30 ms) is far below the gap (400 ms).
  const std::vector<Case> cases = {
      {"start-up message, then a reply within the gap", FramingMode::kReplies,
       {"\r\n[ZAV-T418]\r\n", "\r\nOK\r\n\r\n"}, {"\r\n[ZAV-T418]\r\n\r\nOK\r\n\r\n"}},
      {"start-up message alone", FramingMode::kReplies, {"\r\n[ZAV-T418]\r\n"}, {"\r\n[ZAV-T418]\r\n"}},
      {"an abort's two CANs", FramingMode::kXModem, {"\x18", "\x18"}, {"\x18\x18"}},
      {"a reply with the option off", FramingMode::kOff, {"\r\nOK\r\n\r\n", "\r\n+ERR:5\r\n\r\n"},
       {"\r\nOK\r\n\r\n\r\n+ERR:5\r\n\r\n"}},
      {"the same with the option on", FramingMode::kReplies, {"\r\nOK\r\n\r\n", "\r\n+ERR:5\r\n\r\n"},
       {"\r\nOK\r\n\r\n", "\r\n+ERR:5\r\n\r\n"}},
  };
  comm.SetReadIntervalTimeout(400);
  comm.OpenPort();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    comm.SetReplyFraming(c.mode);
    log.chunks.clear();
    ASSERT_TRUE(WritePiecesAndReceive(c.pieces, c.chunks.size()));
    dispatcher.RunFor(450ms);  // past the gap: nothing more
    EXPECT_EQ(std::vector<std::string>(log.chunks.begin(), log.chunks.end()), c.chunks);
  }
}

TEST_F(CommFramingTest, TheLimitOf1024BytesStillCutsALongReply) {
  comm.SetReadIntervalTimeout(0);
  comm.SetReplyFraming(FramingMode::kReplies);
  comm.OpenPort();
  const std::string reply = "\r\n+HTPHD:" + std::string(1500, 'x') + "\r\n\r\nOK\r\n\r\n";
  pty.Write(reply);
  ASSERT_TRUE(dispatcher.RunUntil([&] { return log.received.size() >= reply.size(); }));
  ASSERT_EQ(log.chunks.size(), 2u);
  EXPECT_EQ(log.chunks[0].size(), 1024u);
  EXPECT_EQ(log.received, reply);
}

TEST_F(CommFramingTest, TheModeIsKeptAcrossReopeningAndTheExpectedAnswerIsNot) {
  comm.SetReadIntervalTimeout(0);
  comm.SetReplyFraming(FramingMode::kReplies);
  comm.OpenPort();
  SendFromTool("+++");
  comm.ClosePort();
  comm.OpenPort();
  EXPECT_EQ(comm.ReplyFraming(), FramingMode::kReplies);
  EXPECT_EQ(comm.CurrentFraming(), FramingMode::kReplies);
  ASSERT_TRUE(WritePiecesAndReceive({"\r\n+VER:V1", "\r\n\r\nOK\r\n\r\n"}, 1));
  EXPECT_EQ(log.chunks.front(), "\r\n+VER:V1\r\n\r\nOK\r\n\r\n");
}

}  // namespace
}  // namespace t418::test
