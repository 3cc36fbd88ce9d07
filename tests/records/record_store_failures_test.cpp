// What a store that cannot be used says: a server nobody answers on, a wrong
// password, a connection lost during the run, a file that may not be written
// or is no database at all. Each a clear line; nothing the user had is changed.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "forked_child.h"
#include "pg_server.h"
#include "records/record_store.h"
#include "temp_folder.h"

namespace t418 {
namespace {

// A TCP port on this computer that nobody listens on.
int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(fd);
  return ntohs(address.sin_port);
}

TEST(RecordStoreFailures, AServerNobodyListensOnIsRefusedWithTheReasonInBothAddressForms) {
  const std::string port = std::to_string(FreePort());
  for (const std::string target : {"postgresql://t418@127.0.0.1:" + port + "/records",
                                   "host=127.0.0.1 port=" + port + " dbname=records user=t418"}) {
    StoreError error;
    EXPECT_EQ(OpenRecordStore(target, error), nullptr) << target;
    EXPECT_EQ(error.rfind("cannot connect to the records server: ", 0), 0u) << error;
    EXPECT_NE(error.find("Connection refused"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

TEST(RecordStoreFailures, AWrongPasswordIsRefusedAndTheRightOneLetsIn) {
  auto& server = testing::PgServer::Shared();
  if (!server.Available()) GTEST_SKIP() << "PostgreSQL tests skipped: " << server.Why();
  StoreError error;
  EXPECT_EQ(OpenRecordStore(server.ConnInfo("pwuser", "wrong-password"), error), nullptr);
  EXPECT_EQ(error.rfind("cannot connect to the records server: ", 0), 0u) << error;
  EXPECT_NE(error.find("password authentication failed for user \"pwuser\""), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  error.clear();
  EXPECT_NE(OpenRecordStore(server.ConnInfo("pwuser", "right-password"), error), nullptr) << error;
}

TEST(RecordStoreFailures, AConnectionLostDuringTheRunFailsOneRecordWholeAndTheNextGoesIn) {
  auto& server = testing::PgServer::Shared();
  if (!server.Available()) GTEST_SKIP() << "PostgreSQL tests skipped: " << server.Why();
  StoreError error;
  auto store = OpenRecordStore(server.FreshSchemaConnInfo(), error);
  ASSERT_NE(store, nullptr) << error;
  ProvisionRecord first;
  first.station = "S1";
  first.port = "/dev/ttyUSB0";
  ASSERT_EQ(store->Add(first), "");
  // The server ends every other session, as a restart of the server or a broken network would.
  ASSERT_EQ(server.Admin("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                         "WHERE datname = 'records' AND pid <> pg_backend_pid()"),
            "");
  ProvisionRecord lost = first;
  lost.port = "/dev/ttyUSB1";
  const StoreError failed = store->Add(lost);
  EXPECT_NE(failed.find("the connection to the records server was lost"), std::string::npos) << failed;
  EXPECT_EQ(failed.find('\n'), std::string::npos) << failed;
  ProvisionRecord later = first;
  later.port = "/dev/ttyUSB2";
  EXPECT_EQ(store->Add(later), "");
  std::vector<ProvisionRecord> all;
  ASSERT_EQ(store->Find({}, all), "");
  std::vector<std::string> ports;
  for (const auto& r : all) ports.push_back(r.port);
  std::sort(ports.begin(), ports.end());
  EXPECT_EQ(ports, (std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyUSB2"}));
}

TEST(RecordStoreFailures, ASqliteFileThisUserMayNotWriteIsRefusedAsReadOnlyAndKept) {
  testing::TempFolder folder;
  const auto path = folder.path() / "records.db";
  {
    StoreError error;
    auto store = OpenRecordStore(path.string(), error);
    ASSERT_NE(store, nullptr) << error;
    ProvisionRecord record;
    ASSERT_EQ(store->Add(record), "");
  }
  const std::string bytes = testing::ReadBytes(path);
  std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  std::filesystem::permissions(folder.path(), std::filesystem::perms::all);
  // Root may write any file: the store is opened by an ordinary user then.
  const testing::ChildEnd child = testing::RunInChild([&]() -> std::string {
    if (::geteuid() == 0) {
      const passwd* nobody = ::getpwnam("nobody");
      if (nobody == nullptr || ::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)
        return "cannot become nobody";
    }
    StoreError error;
    auto store = OpenRecordStore(path.string(), error);
    return store == nullptr ? error : "opened";
  });
  EXPECT_EQ(child.report, "cannot use the records file " + path.string() + ": the file is read-only");
  EXPECT_EQ(testing::ReadBytes(path), bytes);
}

TEST(RecordStoreFailures, AFileThatIsNoDatabaseIsRefusedAndNotTouched) {
  testing::TempFolder folder;
  const auto path = folder.path() / "records.db";
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 37 + 11) % 256);
  testing::WriteBytes(path, junk);
  StoreError error;
  EXPECT_EQ(OpenRecordStore(path.string(), error), nullptr);
  EXPECT_EQ(error, "cannot use the records file " + path.string() + ": file is not a database");
  EXPECT_EQ(testing::ReadBytes(path), junk);
}

TEST(RecordStoreFailures, NoTargetIsRefused) {
  StoreError error;
  EXPECT_EQ(OpenRecordStore("", error), nullptr);
  EXPECT_EQ(error, "no records database given");
}

TEST(RecordStoreTarget, ServerAddressesAndConnectionStringsPickPostgresAnythingElseIsAFile) {
  const struct {
    const char* target;
    RecordBackend backend;
  } cases[] = {
      {"postgresql://line@db.example/records", RecordBackend::Postgres},
      {"postgres://db.example/records", RecordBackend::Postgres},
      {"host=db.example user=line", RecordBackend::Postgres},
      {"dbname=records", RecordBackend::Postgres},
      {"/var/lib/t418/records.db", RecordBackend::Sqlite},
      {"records.db", RecordBackend::Sqlite},
      {"postgresql.db", RecordBackend::Sqlite},
      {"./a=b.db", RecordBackend::Sqlite},
      {"/srv/ghost=1/records.db", RecordBackend::Sqlite},
      {"port=5432 host=db.example", RecordBackend::Postgres},
  };
  for (const auto& c : cases) EXPECT_EQ(RecordBackendOf(c.target), c.backend) << c.target;
}

}  // namespace
}  // namespace t418
