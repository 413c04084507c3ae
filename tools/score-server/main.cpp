// trivion-scored: the score server the game posts results to, with the
// registration and ratings pages a browser opens.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "score-server/ClientAddress.h"
#include "score-server/CommandLine.h"
#include "score-server/HttpFront.h"
#include "score-server/Routes.h"
#include "score-server/ScoreService.h"

int main(int argc, char** argv) {
  using namespace trv::scored;
  std::string error;
  auto line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), &error);
  if (!line) {
    std::cerr << "trivion-scored: " << error << "\n";
    return 2;
  }

  // SIGINT and SIGTERM are taken by one thread that stops the server; every
  // other thread inherits the blocked mask.
  signal(SIGPIPE, SIG_IGN);
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  ServiceOptions options;
  options.games = line->games;
  options.maxScore = line->maxScore;
  std::string warning;
  auto service = ScoreService::Open(line->db, options, &error, &warning);
  if (!service) {
    std::cerr << "trivion-scored: " << error << "\n";
    return 1;
  }
  if (!warning.empty()) std::cerr << "trivion-scored: warning: " << warning << "\n";

  FrontOptions front;
  front.workers = std::size_t(line->workers);
  front.requestTime = std::chrono::seconds(line->requestSeconds);
  const bool trustProxy = line->trustProxy;
  HttpFront server(
      front,
      [&](const HttpRequest& req, const std::string& peer) {
        std::string client = peer;
        if (trustProxy && !req.forwardedFor.empty()) client = LastForwardedFor(req.forwardedFor);
        Reply r = Route(*service, req.method, req.target, req.body, client);
        return HttpAnswer{r.httpStatus, r.contentType, std::move(r.body), std::move(r.note)};
      },
      [](const std::string& text) { std::fputs((text + "\n").c_str(), stderr); });

  int port = server.Bind(line->host, line->port, &error);
  if (port < 0) {
    std::cerr << "trivion-scored: " << error << "\n";
    return 1;
  }
  std::cout << "listening on " << line->host << ":" << port << std::endl;

  std::thread stopper([&server, stopSignals] {
    int sig = 0;
    sigwait(&stopSignals, &sig);
    server.Stop();
  });
  stopper.detach();

  server.Run();
  std::cerr << "trivion-scored: stopped\n";
  return 0;
}
