#pragma once
// A throwaway PostgreSQL server for one test program: a new cluster in a
// temporary folder, reached only through a Unix socket in that folder, started
// when a test first asks for it and stopped when the program ends (also when
// tests failed; a program that dies takes the server with it). Its superuser
// "t418" connects without a password; the role "pwuser" only with its
// password ("right-password"), to show a refused login. When the system has
// no PostgreSQL server, Available() is false and Why() says so.
//
// initdb and postgres refuse to run as root: run by root, they run as the
// "postgres" system user, which owns the folder.
#include <fcntl.h>
#include <grp.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace t418::testing {

class PgServer {
 public:
  static PgServer& Shared() {
    static PgServer server;
    return server;
  }

  // Starts the server unless it runs or could not be started; whether it runs.
  bool Available() {
    if (!tried_) {
      tried_ = true;
      why_ = Start();
      if (!why_.empty()) Stop();
    }
    return why_.empty();
  }
  const std::string& Why() const { return why_; }

  // A key=value connection string to the database "records".
  std::string ConnInfo(const std::string& user = "t418", const std::string& password = "") const {
    std::string info = "host=" + folder_.string() + " port=" + std::to_string(port_) + " user=" + user +
                       " dbname=records";
    if (!password.empty()) info += " password=" + password;
    return info;
  }
  // The connection string of a new, empty schema of its own: a fresh store for one test.
  std::string FreshSchemaConnInfo() {
    const std::string schema = "t" + std::to_string(++schemas_);
    const std::string error = Admin("CREATE SCHEMA " + schema);
    if (!error.empty()) throw std::runtime_error("cannot create a schema: " + error);
    return ConnInfo() + " options='-c search_path=" + schema + "'";
  }
  // Runs a statement as the superuser in "records"; the error text, or empty.
  std::string Admin(const std::string& sql) {
    if (admin_ == nullptr || PQstatus(admin_) != CONNECTION_OK) {
      if (admin_ != nullptr) PQfinish(admin_);
      admin_ = PQconnectdb(ConnInfo().c_str());
      if (PQstatus(admin_) != CONNECTION_OK) return PQerrorMessage(admin_);
    }
    PGresult* result = PQexec(admin_, sql.c_str());
    const ExecStatusType status = PQresultStatus(result);
    std::string error =
        status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK ? "" : std::string(PQresultErrorMessage(result));
    PQclear(result);
    return error;
  }

  void Stop() {
    if (admin_ != nullptr) PQfinish(admin_);
    admin_ = nullptr;
    if (server_ > 0) {
      ::kill(server_, SIGINT);  // fast shutdown
      const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      int status = 0;
      while (::waitpid(server_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > giveUp) {
          ::kill(server_, SIGKILL);
          ::waitpid(server_, &status, 0);
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      server_ = -1;
    }
    if (!folder_.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(folder_, ec);
      folder_.clear();
    }
  }

  ~PgServer() { Stop(); }

 private:
  PgServer() = default;

  // The bin folder of the newest installed server version; empty when none.
  static std::filesystem::path ServerBin() {
    std::filesystem::path best;
    int bestVersion = -1;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) {
      const int version = std::atoi(entry.path().filename().c_str());
      if (version > bestVersion && std::filesystem::exists(entry.path() / "bin" / "postgres") &&
          std::filesystem::exists(entry.path() / "bin" / "initdb")) {
        bestVersion = version;
        best = entry.path() / "bin";
      }
    }
    return best;
  }

  // Runs a program (as the postgres user when this is root), its output to log.
  pid_t Spawn(const std::vector<std::string>& args, const std::filesystem::path& log, bool dieWithUs) const {
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const int in = ::open("/dev/null", O_RDONLY);
    if (out >= 0) {
      ::dup2(out, 1);
      ::dup2(out, 2);
    }
    if (in >= 0) ::dup2(in, 0);
    if (::chdir(folder_.c_str()) != 0) ::_exit(126);
    if (runAs_ != nullptr && (::setgroups(0, nullptr) != 0 || ::setgid(runAs_->gid) != 0 || ::setuid(runAs_->uid) != 0))
      ::_exit(126);
    // After the change of user, which clears it: the server goes when the test program does.
    if (dieWithUs) ::prctl(PR_SET_PDEATHSIG, SIGQUIT);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }

  std::string Tail(const std::filesystem::path& log) const {
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    std::string all = text.str();
    return all.size() > 600 ? all.substr(all.size() - 600) : all;
  }

  // Empty when the server runs, else why not.
  std::string Start() {
    const std::filesystem::path bin = ServerBin();
    if (bin.empty()) return "no PostgreSQL server installed (/usr/lib/postgresql/*/bin/postgres)";
    struct passwd* postgres = nullptr;
    if (::geteuid() == 0) {
      postgres = ::getpwnam("postgres");
      if (postgres == nullptr) return "running as root and there is no postgres user to run the server as";
      user_ = {postgres->pw_uid, postgres->pw_gid};
      runAs_ = &user_;
    }
    char folder[] = "/tmp/t418-pg.XXXXXX";
    if (::mkdtemp(folder) == nullptr) return "cannot make a temporary folder";
    folder_ = folder;
    if (runAs_ != nullptr && ::chown(folder, runAs_->uid, runAs_->gid) != 0) return "cannot give the folder to postgres";
    const std::filesystem::path data = folder_ / "data";
    const std::filesystem::path log = folder_ / "server.log";
    const pid_t initdb = Spawn({(bin / "initdb").string(), "-D", data.string(), "-U", "t418", "-A", "trust", "-E",
                                "UTF8", "--locale=C", "--no-sync"},
                               log, false);
    int status = 0;
    if (initdb < 0 || ::waitpid(initdb, &status, 0) != initdb || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      return "initdb failed: " + Tail(log);
    std::random_device random;
    port_ = 20000 + static_cast<int>(random() % 40000);
    {
      std::ofstream conf(data / "postgresql.conf", std::ios::app);
      conf << "\nlisten_addresses = ''\nunix_socket_directories = '" << folder_.string() << "'\nport = " << port_
           << "\nfsync = off\nsynchronous_commit = off\nfull_page_writes = off\nshared_buffers = 16MB\n"
              "max_connections = 40\nlc_messages = 'C'\n";
      std::ofstream hba(data / "pg_hba.conf", std::ios::trunc);
      hba << "local all pwuser scram-sha-256\nlocal all all trust\n";
    }
    server_ = Spawn({(bin / "postgres").string(), "-D", data.string()}, log, true);
    if (server_ < 0) return "cannot start postgres";
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    const std::string ping = "host=" + folder_.string() + " port=" + std::to_string(port_) + " user=t418 dbname=postgres";
    while (PQping(ping.c_str()) != PQPING_OK) {
      if (::waitpid(server_, &status, WNOHANG) == server_) {
        server_ = -1;
        return "postgres ended at its start: " + Tail(log);
      }
      if (std::chrono::steady_clock::now() > giveUp) return "postgres did not start within 30 s: " + Tail(log);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    PGconn* setup = PQconnectdb(ping.c_str());
    std::string error;
    for (const char* sql : {"CREATE DATABASE records", "CREATE ROLE pwuser LOGIN PASSWORD 'right-password'"}) {
      PGresult* result = PQexec(setup, sql);
      if (PQresultStatus(result) != PGRES_COMMAND_OK) error = PQresultErrorMessage(result);
      PQclear(result);
    }
    PQfinish(setup);
    if (!error.empty()) return "cannot set up the server: " + error;
    return Admin("CREATE SCHEMA pwuser AUTHORIZATION pwuser");
  }

  struct User {
    uid_t uid;
    gid_t gid;
  };
  bool tried_ = false;
  std::string why_;
  std::filesystem::path folder_;
  int port_ = 0;
  pid_t server_ = -1;
  User user_{};
  const User* runAs_ = nullptr;
  PGconn* admin_ = nullptr;
  int schemas_ = 0;
};

// Stops the shared server once every test of the program has run.
class PgServerEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { PgServer::Shared().Stop(); }
};

inline ::testing::Environment* const kPgServerEnvironment =
    ::testing::AddGlobalTestEnvironment(new PgServerEnvironment);

}  // namespace t418::testing
