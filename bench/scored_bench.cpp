// The score server's request costs with many logon tokens outstanding: a
// submission with a wrong digest must not cost a hash per token of every
// client (it once held the server's lock for 14 ms with 10,000 of them).
#include <benchmark/benchmark.h>

#include <memory>

#include "score-server/ScoreService.h"
#include "score_server/ScoreClient.h"
#include "support/TestSupport.h"

namespace {

using namespace trv::scored;

struct Server {
  explicit Server(int others) {
    ServiceOptions options;
    options.maxTokens = 1000000;
    std::string error;
    service = ScoreService::Open((dir / "bench.db").string(), options, &error);
    service->Register("POST", client::RegisterBody("anna", "pw", "pw"));
    // Each from its own address, as a flood from many would be.
    for (int i = 0; i < others; ++i)
      service->Save("POST", client::LogonBody(3), "10." + std::to_string(i / 65536) + "." +
                                                      std::to_string(i / 256 % 256) + "." + std::to_string(i % 256));
    for (int i = 0; i < 5; ++i) service->Save("POST", client::LogonBody(3), "192.0.2.7");
  }
  trv::test::TempDir dir;
  std::unique_ptr<ScoreService> service;
};

void BM_BadDigestSubmission(benchmark::State& state) {
  Server server(int(state.range(0)));
  const std::string body = client::SubmitBody("3", "anna", "wrong", 500, std::string(32, 'a'));
  for (auto _ : state) {
    Reply r = server.service->Save("POST", body, "192.0.2.7");
    if (client::StatusOf(r.body) != kBadUserOrPassword) state.SkipWithError("not refused");
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_BadDigestSubmission)->Arg(0)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_Logon(benchmark::State& state) {
  Server server(0);
  const std::string body = client::LogonBody(2);
  for (auto _ : state) benchmark::DoNotOptimize(server.service->Save("POST", body, "198.51.100.1"));
}
BENCHMARK(BM_Logon)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
