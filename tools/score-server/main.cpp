// trivion-scored: the score server the game posts results to, with the
// registration and ratings pages a browser opens.
#include <httplib.h>
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "score-server/CommandLine.h"
#include "score-server/ScoreService.h"

namespace {

// The handler's reason for its answer, picked up by the request log line,
// which httplib writes on the same thread right after the handler.
thread_local std::string tRequestNote;

void Answer(const trv::scored::Reply& reply, httplib::Response& res) {
  res.status = reply.httpStatus;
  res.set_content(reply.body, reply.contentType.c_str());
  tRequestNote = reply.note;
}

std::string QueryOf(const std::string& target) {
  std::size_t q = target.find('?');
  return q == std::string::npos ? std::string() : target.substr(q + 1);
}

std::string Printable(const std::string& s, std::size_t max) {
  std::string out;
  for (char c : s.substr(0, max)) out.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c);
  if (s.size() > max) out += "...";
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  auto line = trv::scored::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), &error);
  if (!line) {
    std::cerr << "trivion-scored: " << error << "\n";
    return 2;
  }

  // SIGINT and SIGTERM are taken by one thread that stops the server; every
  // other thread (httplib's pool included) inherits the blocked mask.
  signal(SIGPIPE, SIG_IGN);
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  trv::scored::ServiceOptions options;
  options.games = line->games;
  std::string warning;
  auto service = trv::scored::ScoreService::Open(line->db, options, &error, &warning);
  if (!service) {
    std::cerr << "trivion-scored: " << error << "\n";
    return 1;
  }
  if (!warning.empty()) std::cerr << "trivion-scored: warning: " << warning << "\n";

  httplib::Server server;
  server.set_payload_max_length(64 * 1024);
  server.set_read_timeout(10, 0);
  server.set_write_timeout(10, 0);
  server.set_keep_alive_max_count(20);

  server.Post("/save.php", [&](const httplib::Request& req, httplib::Response& res) {
    Answer(service->Save("POST", req.body), res);
  });
  server.Get("/save.php", [&](const httplib::Request&, httplib::Response& res) {
    Answer(service->Save("GET", ""), res);
  });
  server.Get("/register.php", [&](const httplib::Request&, httplib::Response& res) {
    Answer(service->Register("GET", ""), res);
  });
  server.Post("/register.php", [&](const httplib::Request& req, httplib::Response& res) {
    Answer(service->Register("POST", req.body), res);
  });
  server.Get("/list.php", [&](const httplib::Request& req, httplib::Response& res) {
    Answer(service->List(QueryOf(req.target)), res);
  });
  server.Get("/", [&](const httplib::Request&, httplib::Response& res) { Answer(service->List(""), res); });
  server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
    res.status = 500;
    res.set_content("Status=101\n", "text/plain");
    tRequestNote = "internal error";
  });
  server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
    auto field = [](const std::string& s, std::size_t max) { return s.empty() ? std::string("-") : Printable(s, max); };
    std::string line = field(req.remote_addr, 64) + " " + field(req.method, 16) + " " + field(req.path, 200) + " " +
                       std::to_string(res.status) + " " + std::to_string(req.body.size()) + "B";
    if (!tRequestNote.empty()) line += " " + Printable(tRequestNote, 300);
    tRequestNote.clear();
    line += "\n";
    std::fputs(line.c_str(), stderr);
  });

  int port = line->port;
  if (port == 0) {
    port = server.bind_to_any_port(line->host);
    if (port < 0) {
      std::cerr << "trivion-scored: cannot listen on " << line->host << "\n";
      return 1;
    }
  } else if (!server.bind_to_port(line->host, port)) {
    std::cerr << "trivion-scored: cannot listen on " << line->host << ":" << port << "\n";
    return 1;
  }
  std::cout << "listening on " << line->host << ":" << port << std::endl;

  std::thread stopper([&server, stopSignals] {
    int sig = 0;
    sigwait(&stopSignals, &sig);
    server.stop();
  });
  stopper.detach();

  bool ok = server.listen_after_bind();
  std::cerr << "trivion-scored: stopped\n";
  return ok ? 0 : 1;
}
