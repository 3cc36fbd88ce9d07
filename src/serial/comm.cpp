#include "serial/comm.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <mutex>
#include <optional>
#include <system_error>

#include "serial/port_owner.h"
#include "serial/receive_filter.h"

namespace t418 {

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

// Milliseconds from now until the deadline for poll(): -1 without a deadline,
// never negative, rounded up so a wait never ends before its deadline.
int PollTimeout(std::optional<Clock::time_point> deadline) {
  if (!deadline) return -1;
  const auto left = *deadline - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<Ms>(left).count();
  return static_cast<int>(std::min<long long>(ms, 1 << 30));
}

std::optional<Clock::time_point> Earlier(std::optional<Clock::time_point> a,
                                         std::optional<Clock::time_point> b) {
  if (!a) return b;
  if (!b) return a;
  return std::min(*a, *b);
}

}  // namespace

// What the two threads of one opening share with each other and with the owner.
// The fields set at creation do not change while the threads run; the rest are
// atomics or sit behind the queue's mutex.
struct TComm::Link {
  Link(platform::LineHandle portLine, Dispatcher& d, std::weak_ptr<TComm*> o,
       std::shared_ptr<LineStatusSource> s, std::atomic<bool>& empty, std::uint64_t openingNo)
      : line(portLine), dispatcher(d), owner(std::move(o)), status(std::move(s)), sendDataEmpty(empty),
        opening(openingNo) {}
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  const platform::LineHandle line;
  platform::WakeEvent closing;  // once raised, raised until the end (the close signal)
  platform::WakeEvent queued;   // raised after each block queued for the transmit thread
  Dispatcher& dispatcher;
  const std::weak_ptr<TComm*> owner;
  const std::shared_ptr<LineStatusSource> status;
  std::atomic<bool>& sendDataEmpty;
  std::atomic<bool> hangupPosted{false};
  // Which opening of the component this link serves: its events are dropped
  // once the port was closed or opened anew.
  const std::uint64_t opening;
  // The driver's counters when the port was opened: what came later is reported.
  LineCounters countersAtOpen;
  CountersResult countersResultAtOpen = CountersResult::NotSupported;

  std::atomic<std::uint32_t> readInterval{0};
  std::atomic<std::uint32_t> readMultiplier{0};
  std::atomic<std::uint32_t> readConstant{0};
  std::atomic<std::uint32_t> writeMultiplier{0};
  std::atomic<std::uint32_t> writeConstant{0};
  std::atomic<bool> markedErrors{false};
  std::atomic<bool> ignoreNull{false};
  std::atomic<char> replacedChar{0};
  std::atomic<FramingMode> framing{FramingMode::kOff};

  std::mutex queueMutex;
  std::deque<std::string> queue;  // blocks waiting for the transmit thread

  // Runs f on the owner's thread, if the component still exists then and is
  // still in the opening this link served.
  template <typename F>
  void Notify(F f) {
    dispatcher.Post([o = owner, n = opening, f = std::move(f)]() mutable {
      if (auto self = o.lock(); self && (*self)->handle_ > 0 && (*self)->opening_ == n) f(**self);
    });
  }

  void PostHangup() {
    if (hangupPosted.exchange(true)) return;  // once per opening, whichever thread fails
    Notify([](TComm& c) {
      if (auto handler = c.OnRequestHangup) handler(c);
    });
  }

  void SignalClose() const { closing.Raise(); }

  bool Closing() const { return closing.Raised(); }

  void Push(std::string block) {
    {
      std::lock_guard<std::mutex> lock(queueMutex);
      queue.push_back(std::move(block));
    }
    queued.Raise();
  }

  std::optional<std::string> Pop() {
    std::lock_guard<std::mutex> lock(queueMutex);
    if (queue.empty()) return std::nullopt;
    std::string block = std::move(queue.front());
    queue.pop_front();
    return block;
  }
};

TComm::TComm(Dispatcher& dispatcher)
    : dispatcher_(dispatcher),
      self_(std::make_shared<TComm*>(this)),
      status_(std::make_shared<DriverLineStatus>()) {}

TComm::~TComm() {
  ClosePort();
  self_.reset();
}

void TComm::OpenPort() {
  if (handle_ > 0) throw ECommsError("This serial port already opened");

  platform::LineOpening opening = platform::OpenLine(commName_);
  if (opening.line == platform::kNoLine)
    throw ECommsError(opening.message, opening.error, DescribePortHolders(opening.holders));

  handle_ = opening.line;
  sendDataEmpty_ = true;
  // The time-outs take effect through the link created below; the line
  // settings now.
  ApplyLineSettings();

  link_ = std::make_shared<Link>(handle_, dispatcher_, self_, status_, sendDataEmpty_, ++opening_);
  if (!link_->closing.Valid() || !link_->queued.Valid()) {
    link_.reset();
    ReleasePort();
    throw ECommsError("Unable to create event");
  }
  // Nothing sent on this opening yet, so no answer is expected.
  framingNow_ = framing_;
  SyncLink();
  if (status_) link_->countersResultAtOpen = status_->Read(handle_, link_->countersAtOpen);

  // The receive thread runs at the normal priority (a raised one needs
  // privileges on Linux); it re-issues its read at once after each chunk all the same.
  try {
    readThread_ = std::thread(&TComm::ReceiveLoop, link_);
  } catch (const std::system_error&) {
    link_.reset();
    ReleasePort();
    throw ECommsError("Unable to create read thread");
  }
  try {
    writeThread_ = std::thread(&TComm::TransmitLoop, link_);
  } catch (const std::system_error&) {
    link_->SignalClose();
    platform::FlushLine(handle_, platform::Flush::Input);
    readThread_.join();
    link_.reset();
    ReleasePort();
    throw ECommsError("Unable to create write thread");
  }
}

void TComm::ClosePort() {
  if (handle_ <= 0) return;
  StopThreads();
  ReleasePort();
}

void TComm::StopThreads() {
  if (!link_) return;
  // One close signal ends every wait of both threads.
  link_->SignalClose();
  platform::FlushLine(handle_, platform::Flush::Input);
  if (readThread_.joinable()) readThread_.join();
  platform::FlushLine(handle_, platform::Flush::Output);
  sendDataEmpty_ = true;
  if (writeThread_.joinable()) writeThread_.join();
  // Blocks still queued are released with the link.
  link_.reset();
}

void TComm::ReleasePort() {
  platform::CloseLine(handle_, rs485Set_);
  handle_ = 0;
  sendDataEmpty_ = true;
}

bool TComm::SendData(const char* bytes, std::size_t count) {
  if (!link_ || count == 0) return false;
  sendDataEmpty_ = false;
  // Before the bytes can go out: the answer they ask for may come at once.
  const FramingMode next = FramingAfterSending(framing_, std::string_view(bytes, count));
  if (next != framingNow_) {
    framingNow_ = next;
    link_->framing = next;
  }
  // Each block is a copy that belongs to the transmit thread from here on, so
  // the caller may reuse its buffer at once.
  for (std::size_t offset = 0; offset < count; offset += kMaxBlock) {
    link_->Push(std::string(bytes + offset, std::min(kMaxBlock, count - offset)));
  }
  return true;
}

void TComm::ApplyLineSettings() {
  // The driver's answer is not looked at: a rate or mode it refuses leaves the
  // port as the driver has it.
  platform::WriteLineSettings(handle_, line_, rs485Set_);
  SyncLink();
}

void TComm::ApplyTimeouts() { SyncLink(); }

void TComm::SyncLink() {
  if (!link_) return;
  link_->markedErrors = line_.replaceWhenParityError && platform::DriverMarksLineErrors();
  link_->ignoreNull = line_.ignoreNullChar;
  link_->replacedChar = line_.replacedChar;
  link_->readInterval = timeouts_.readInterval;
  link_->readMultiplier = timeouts_.readMultiplier;
  link_->readConstant = timeouts_.readConstant;
  link_->writeMultiplier = timeouts_.writeMultiplier;
  link_->writeConstant = timeouts_.writeConstant;
  link_->framing = framingNow_;
}

void TComm::ReceiveLoop(const std::shared_ptr<Link>& link) {
  const platform::LineHandle line = link->line;
  char buffer[kReadBufferSize];
  ReceiveFilter filter;

  LineStatusSource* status = link->status.get();
  LineCounters seen = link->countersAtOpen;
  bool watching = false;
  switch (link->countersResultAtOpen) {
    case CountersResult::Ok: watching = status != nullptr; break;
    case CountersResult::NotSupported: break;
    case CountersResult::Failed: link->PostHangup(); goto done;
  }
  {
    auto nextLook = Clock::now() + Ms(kStatusPollMs);

    // Compares the driver's counters with the last look and reports changes.
    auto look = [&]() -> bool {
      LineCounters now;
      switch (status->Read(line, now)) {
        case CountersResult::NotSupported: watching = false; return true;
        case CountersResult::Failed: link->PostHangup(); return false;
        case CountersResult::Ok: break;
      }
      std::uint32_t errors = 0;
      if (now.bufOverrun != seen.bufOverrun) errors |= kCeRxOver;
      if (now.overrun != seen.overrun) errors |= kCeOverrun;
      if (now.parity != seen.parity) errors |= kCeRxParity;
      if (now.frame != seen.frame) errors |= kCeFrame;
      if (now.brk != seen.brk) errors |= kCeBreak;
      std::uint32_t modem = 0;
      if (now.dcd != seen.dcd) modem |= kModemCarrier;
      if (now.rng != seen.rng) modem |= kModemRing;
      seen = now;
      if (errors) {
        link->Notify([errors](TComm& c) {
          if (auto handler = c.OnReceiveError) handler(c, errors);
        });
      }
      if (modem) {
        link->Notify([modem](TComm& c) {
          if (auto handler = c.OnModemStateChange) handler(c, modem);
        });
      }
      return true;
    };

    auto deliver = [&](std::size_t n) {
      // The block belongs to the task, and so to the owner's thread, from here on.
      link->Notify([block = std::string(buffer, n)](TComm& c) {
        if (auto handler = c.OnReceiveData) {
          handler(c, block.data(), static_cast<std::uint16_t>(block.size()));
        }
      });
    };

    for (;;) {
      // One read: up to 1024 bytes, ended by the gap after a byte, the total
      // time, or bytes that end with a complete reply.
      const std::uint32_t interval = link->readInterval;
      const std::uint32_t multiplier = link->readMultiplier;
      const std::uint32_t constant = link->readConstant;
      const bool totalLimit = multiplier != 0 || constant != 0;
      const bool atOnce = interval == kMaxDword && !totalLimit;
      const bool gapLimit = interval != 0 && interval != kMaxDword;
      std::optional<Clock::time_point> totalDeadline;
      if (totalLimit) {
        totalDeadline = Clock::now() + Ms(static_cast<long long>(multiplier) * kReadBufferSize +
                                          constant);
      }
      std::optional<Clock::time_point> gapDeadline;
      std::size_t n = 0;

      for (;;) {
        if (n == kReadBufferSize || (n > 0 && atOnce)) break;
        const auto readDeadline = Earlier(totalDeadline, gapDeadline);
        if (readDeadline && Clock::now() >= *readDeadline) break;
        const auto wake = Earlier(readDeadline, watching ? std::optional(nextLook) : std::nullopt);

        const platform::LineWait wait =
            platform::WaitOnLine(line, platform::WaitFor::Reading, link->closing, nullptr, PollTimeout(wake));
        if (wait.outcome == platform::LineWait::Interrupted) continue;
        if (wait.outcome == platform::LineWait::Failed) {
          link->PostHangup();
          goto done;
        }
        // Nothing is read after the close; a partial chunk is dropped like an
        // aborted read.
        if (wait.stopped) goto done;

        if (wait.lineInvalid) {
          if (n) deliver(n);
          link->PostHangup();
          goto done;
        }
        if (wait.lineReady || wait.lineHungUp) {
          const platform::IoResult got = platform::ReadLine(line, buffer + n, kReadBufferSize - n);
          if (got.status == platform::Io::Done) {
            const std::size_t kept =
                filter.Apply(buffer + n, got.count, link->markedErrors, link->replacedChar, link->ignoreNull);
            if (kept > 0) {
              n += kept;
              if (gapLimit) gapDeadline = Clock::now() + Ms(interval);
              if (EndsWithCompleteReply(std::string_view(buffer, n), link->framing)) break;
            }
          } else if (got.status == platform::Io::Gone) {
            // The device has gone (a pulled adapter, a closed pseudo-terminal
            // master). Hand over what came.
            if (n) deliver(n);
            link->PostHangup();
            goto done;
          } else if (wait.lineHungUp) {
            // A hung-up line that has nothing to read: stop rather than spin.
            if (n) deliver(n);
            link->PostHangup();
            goto done;
          }
        }
        if (watching && Clock::now() >= nextLook) {
          if (!look()) {
            if (n) deliver(n);
            goto done;
          }
          nextLook = Clock::now() + Ms(kStatusPollMs);
        }
      }
      // A read that ends on its total time with no byte delivers nothing.
      if (n) deliver(n);
    }
  }
done:
  platform::FlushLine(line, platform::Flush::Input);
}

void TComm::TransmitLoop(const std::shared_ptr<Link>& link) {
  const platform::LineHandle line = link->line;

  // Writes one block whole, or reports why not: false ends the thread.
  auto writeBlock = [&](const std::string& block) -> bool {
    const std::uint32_t multiplier = link->writeMultiplier;
    const std::uint32_t constant = link->writeConstant;
    std::optional<Clock::time_point> deadline;
    if (multiplier != 0 || constant != 0) {
      deadline = Clock::now() + Ms(static_cast<long long>(multiplier) * block.size() + constant);
    }
    std::size_t done = 0;
    while (done < block.size()) {
      const platform::IoResult put = platform::WriteLine(line, block.data() + done, block.size() - done);
      if (put.status == platform::Io::Done) {
        done += put.count;
        continue;
      }
      if (put.status == platform::Io::Gone) {
        link->PostHangup();
        return false;
      }
      const platform::LineWait wait =
          platform::WaitOnLine(line, platform::WaitFor::Writing, link->closing, nullptr, PollTimeout(deadline));
      if (wait.outcome == platform::LineWait::Interrupted) continue;
      if (wait.outcome == platform::LineWait::Failed) {
        link->PostHangup();
        return false;
      }
      if (wait.stopped) return false;  // closing: no notice
      if (wait.outcome == platform::LineWait::TimedOut) {
        // The write's total time has passed with the block not written whole.
        link->PostHangup();
        return false;
      }
      if ((wait.lineHungUp || wait.lineInvalid) && !wait.lineReady) {
        link->PostHangup();
        return false;
      }
    }
    return true;
  };

  bool noticeDue = true;  // so the first empty queue, right after opening, is reported
  for (;;) {
    std::optional<std::string> block = link->Pop();
    if (!block) {
      link->sendDataEmpty = true;
      if (noticeDue) {
        link->Notify([](TComm& c) {
          if (auto handler = c.OnSendDataEmpty) handler(c);
        });
        noticeDue = false;
      }
      const platform::LineWait wait =
          platform::WaitOnLine(line, platform::WaitFor::Nothing, link->closing, &link->queued, -1);
      if (wait.outcome == platform::LineWait::Interrupted) continue;
      if (wait.outcome == platform::LineWait::Failed) {
        link->PostHangup();
        break;
      }
      if (wait.stopped) break;
      link->queued.Clear();
      continue;
    }
    if (link->Closing()) break;
    if (!writeBlock(*block)) break;
    noticeDue = true;
    link->sendDataEmpty = true;
  }
  platform::FlushLine(line, platform::Flush::Output);
  link->sendDataEmpty = true;
}

}  // namespace t418
