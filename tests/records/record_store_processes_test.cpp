// The store shared by processes: stations racing for one identity, and a
// station killed while it writes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <random>
#include <set>
#include <thread>

#include "forked_child.h"
#include "records/record_store.h"
#include "store_targets.h"

namespace t418 {
namespace {

using namespace std::chrono_literals;

using RecordStoreProcessTest = testing::StoreTest;

// Releases waiting processes all at once: each blocks reading the pipe until
// the test writes one byte per process.
class Barrier {
 public:
  Barrier() {
    if (::pipe(fds_) != 0) throw std::runtime_error("no pipe");
  }
  ~Barrier() {
    ::close(fds_[0]);
    ::close(fds_[1]);
  }
  void Wait() const {
    char byte;
    while (::read(fds_[0], &byte, 1) < 0 && errno == EINTR) {
    }
  }
  void Release(int processes) const {
    const std::string bytes(static_cast<std::size_t>(processes), 'g');
    if (::write(fds_[1], bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
      throw std::runtime_error("barrier not released");
  }

 private:
  int fds_[2];
};

TEST_P(RecordStoreProcessTest, OfTwoStationsClaimingOneImeiForDifferentIccidsAtOnceExactlyOneWins) {
  ASSERT_NE(Open(), nullptr);  // the schema is made before the race
  for (int round = 0; round < 50; ++round) {
    Barrier barrier;
    const std::string imei = "86" + std::to_string(1000000 + round);
    std::vector<std::unique_ptr<testing::ForkedChild>> stations;
    for (int station = 0; station < 2; ++station)
      stations.push_back(std::make_unique<testing::ForkedChild>([&, station](const testing::ChildReport& report) {
        StoreError error;
        auto store = OpenRecordStore(target_, error);
        if (store == nullptr) {
          report.Say("not opened: " + error);
          return;
        }
        report.Say("r");
        barrier.Wait();
        ClaimRequest claim;
        claim.identity.imei = imei;
        claim.identity.iccid = "8986" + std::to_string(round) + "-" + std::to_string(station);
        claim.station = "S" + std::to_string(station);
        const ClaimResult result = store->Claim(claim);
        report.Say(result.outcome == ClaimOutcome::Granted     ? "won"
                   : result.outcome == ClaimOutcome::Duplicate ? "lost"
                                                               : "failed: " + result.text);
      }));
    for (auto& station : stations) ASSERT_EQ(station->Read(1), "r") << "round " << round;
    barrier.Release(2);
    std::multiset<std::string> ends;
    for (auto& station : stations) ends.insert(station->Wait().report);
    ASSERT_EQ(ends, (std::multiset<std::string>{"lost", "won"})) << "round " << round;
  }
}

// A record of a writing loop: every field tells the record's number, so a
// half-written one shows.
ProvisionRecord Numbered(int n) {
  ProvisionRecord r;
  const std::string tag = std::to_string(n);
  r.station = "S";
  r.port = "/dev/ttyUSB" + tag;
  r.imei = "86" + tag;
  r.iccid = "8986" + tag;
  r.attempt = n;
  r.startedAt = RecordTime(std::chrono::milliseconds(1765440000000 + n));
  r.duration = std::chrono::milliseconds(n);
  r.reason = std::string(200, 'r') + tag;
  r.differences.assign(static_cast<std::size_t>(n % 5 + 1), "AT+X=" + tag);
  r.settingsSent = n;
  return r;
}

TEST_P(RecordStoreProcessTest, AStationKilledWhileWritingLeavesOnlyWholeRecordsAndTheStoreGoesOn) {
  ASSERT_NE(Open(), nullptr);
  std::mt19937 random(std::random_device{}());
  for (int run = 0; run < 3; ++run) {
    const std::size_t before = [&] {
      auto store = Open();
      std::vector<ProvisionRecord> all;
      EXPECT_EQ(store->Find({}, all), "");
      return all.size();
    }();
    testing::ForkedChild writer([&](const testing::ChildReport& report) {
      StoreError error;
      auto store = OpenRecordStore(target_, error);
      if (store == nullptr) return;
      for (int n = static_cast<int>(before) + 1;; ++n) {
        ProvisionRecord record = Numbered(n);
        if (!store->Add(record).empty()) return;
        report.Say(".");
      }
    });
    const std::size_t acknowledged = 5 + random() % 40;
    ASSERT_EQ(writer.Read(acknowledged).size(), acknowledged);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
    writer.Kill(SIGKILL);
    EXPECT_EQ(writer.Wait().signal, SIGKILL);

    auto store = Open();
    ASSERT_NE(store, nullptr);
    std::vector<ProvisionRecord> all;
    ASSERT_EQ(store->Find({}, all), "");
    ASSERT_GE(all.size(), before + acknowledged);
    for (const auto& record : all) {
      ProvisionRecord expected = Numbered(record.attempt);
      expected.id = record.id;
      EXPECT_EQ(record, expected);
    }
    // Numbered 1..N without a gap: nothing written was lost.
    for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(all[i].attempt, static_cast<int>(all.size() - i));
    ProvisionRecord next = Numbered(static_cast<int>(all.size()) + 1);
    EXPECT_EQ(store->Add(next), "");
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, RecordStoreProcessTest,
                         ::testing::Values(RecordBackend::Sqlite, RecordBackend::Postgres), testing::BackendName);

}  // namespace
}  // namespace t418
