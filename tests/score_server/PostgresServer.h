#pragma once

// A throwaway PostgreSQL server for one test process: initdb into a fresh
// folder, postgres listening on a Unix socket in that folder only. initdb
// refuses to run as root, so as root both run as "nobody".
#include <fcntl.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace trv::scored::test {

class PostgresServer {
 public:
  // The one server of this process, started on first use.
  static PostgresServer& Shared() {
    static PostgresServer server;
    return server;
  }

  // Empty when the server runs; otherwise why not.
  const std::string& Problem() const { return problem_; }
  // True when the binaries are not installed at all (the only reason to skip).
  bool Absent() const { return absent_; }
  // The libpq address of a database of the cluster.
  std::string Address(const std::string& db = "postgres") const {
    return "postgresql:///" + db + "?host=" + base_.string() + "&port=" + std::to_string(kPort) + "&user=postgres";
  }

  // The address of a new, empty database (so that tests run in one process
  // do not see each other's rows); empty and *error on failure. Retries while
  // the server is still starting.
  std::string FreshDatabase(std::string* error) {
    const std::string name = "t" + std::to_string(++databases_);
    for (int i = 0; i < 100; ++i) {
      PGconn* c = PQconnectdb(Address().c_str());
      if (PQstatus(c) == CONNECTION_OK) {
        PGresult* r = PQexec(c, ("CREATE DATABASE " + name).c_str());
        bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        if (!ok) *error = PQresultErrorMessage(r);
        PQclear(r);
        PQfinish(c);
        return ok ? Address(name) : std::string();
      }
      *error = PQerrorMessage(c);
      PQfinish(c);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return {};
  }

  ~PostgresServer() {
    if (pid_ > 0) {
      kill(pid_, SIGINT);  // fast shutdown
      waitpid(pid_, nullptr, 0);
    }
    std::error_code ec;
    if (!base_.empty()) std::filesystem::remove_all(base_, ec);
  }

 private:
  static constexpr int kPort = 5432;  // names the socket file only: no TCP

  PostgresServer() {
    std::filesystem::path bin = FindBin();
    if (bin.empty()) {
      absent_ = true;
      problem_ = "PostgreSQL server binaries (initdb, postgres) are not installed; scripts/setup-deps installs them";
      return;
    }
    char tmpl[] = "/tmp/trivion-pg-XXXXXX";
    if (!mkdtemp(tmpl)) {
      problem_ = "cannot make a temporary folder";
      return;
    }
    base_ = tmpl;
    const bool root = geteuid() == 0;
    if (root) {
      passwd* nobody = getpwnam("nobody");
      if (!nobody || chown(tmpl, nobody->pw_uid, nobody->pw_gid) != 0) {
        problem_ = "cannot hand the temporary folder to the user nobody";
        return;
      }
    }
    const std::string data = (base_ / "data").string();
    int rc = Run(root, {(bin / "initdb").string(), "-D", data, "-U", "postgres", "-A", "trust", "--no-sync",
                        "-E", "UTF8", "--locale=C"});
    if (rc != 0) {
      problem_ = "initdb failed (" + std::to_string(rc) + "); see " + (base_ / "initdb.log").string();
      return;
    }
    pid_ = Spawn(root, {(bin / "postgres").string(), "-D", data, "-k", base_.string(), "-p", std::to_string(kPort),
                        "-c", "listen_addresses=", "-c", "fsync=off", "-c", "max_connections=200"},
                 (base_ / "postgres.log").string());
    if (pid_ <= 0) {
      problem_ = "cannot start postgres";
      return;
    }
    // Ready once the socket is there and the start-up is past; the store's
    // own open retries cover the last moments.
    const auto socket = base_ / (".s.PGSQL." + std::to_string(kPort));
    for (int i = 0; i < 600 && !std::filesystem::exists(socket); ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        problem_ = "postgres exited at start";
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!std::filesystem::exists(socket)) problem_ = "postgres did not open its socket in 30 s";
  }

  // The newest installed major version.
  static std::filesystem::path FindBin() {
    std::filesystem::path best;
    int bestVersion = -1;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) {
      auto bin = e.path() / "bin";
      int version = std::atoi(e.path().filename().c_str());
      if (version > bestVersion && std::filesystem::exists(bin / "initdb") && std::filesystem::exists(bin / "postgres")) {
        best = bin;
        bestVersion = version;
      }
    }
    return best;
  }

  pid_t Spawn(bool root, std::vector<std::string> args, const std::string& log) {
    if (root) args.insert(args.begin(), {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

  int Run(bool root, std::vector<std::string> args) {
    pid_t pid = Spawn(root, std::move(args), (base_ / "initdb.log").string());
    if (pid <= 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::filesystem::path base_;
  std::string problem_;
  bool absent_ = false;
  int databases_ = 0;
  pid_t pid_ = -1;
};

}  // namespace trv::scored::test
