// The score server's request handling over arbitrary bytes: the same bytes as
// an HTTP request read in pieces, and as a method, target and form body routed
// to the pages against a temporary SQLite database.
//
// Input: byte 0 picks the method, then the target up to the first newline,
// then the body. A body holding "Digest=*" gets the right digest for its
// fields and a fresh token, so that the fuzzer reaches what lies behind the
// digest check.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/Md5.h"
#include "score-server/HttpRequestReader.h"
#include "score-server/Routes.h"
#include "score-server/ScoreService.h"
#include "score-server/Wire.h"

namespace {

using namespace trv::scored;

ScoreService* Service() {
  static std::unique_ptr<ScoreService> service = [] {
    char dir[] = "/tmp/fuzz-scored-XXXXXX";
    if (!mkdtemp(dir)) __builtin_trap();
    static std::string path = std::string(dir) + "/scores.db";
    // Gone with the process; the database lives as long as the open handle.
    ServiceOptions options;
    options.games = 3;
    std::string error;
    auto s = ScoreService::Open(path, options, &error);
    if (!s) __builtin_trap();
    s->Register("POST", "UserName=anna&Password=pw&Password2=pw");
    std::filesystem::remove_all(dir);
    return s;
  }();
  return service.get();
}

// Replaces "Digest=*" by the digest the game would send for the body's own
// fields, with a token from a logon of this client.
std::string WithDigest(ScoreService& service, const std::string& body) {
  const std::size_t at = body.find("Digest=*");
  if (at == std::string::npos) return body;
  std::string rest = body.substr(0, at) + body.substr(at + 8);
  auto form = ParseForm(rest);
  if (!form) return body;
  Reply logon = service.Save("POST", "UserID=5&Logon=1&Digest=" + trv::Md5Hex("51"), "fuzz");
  const std::string token = logon.body.substr(0, 32);
  const std::string digest =
      trv::Md5Hex((*form)["GameID"] + (*form)["UserName"] + trv::Md5Hex("pw") + (*form)["Score"] + token);
  return body.substr(0, at) + "Digest=" + digest + body.substr(at + 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  // As raw HTTP, fed in two pieces split where the first byte says.
  HttpRequestReader reader(8192, 64 * 1024);
  const std::size_t split = size ? data[0] % (size + 1) : 0;
  reader.Feed(std::string_view(input).substr(0, split));
  reader.TakeContinue();
  if (reader.Feed(std::string_view(input).substr(split)) == HttpRequestReader::State::kDone &&
      reader.Request().body.size() > 64 * 1024)
    __builtin_trap();

  if (size == 0) return 0;
  static const char* const kMethods[] = {"POST", "GET", "HEAD", "PUT"};
  const char* method = kMethods[data[0] % 4];
  const std::string rest = input.substr(1);
  const std::size_t nl = rest.find('\n');
  const std::string target = rest.substr(0, nl);
  const std::string body = nl == std::string::npos ? std::string() : rest.substr(nl + 1);
  ScoreService& service = *Service();
  Reply r = Route(service, method, target, WithDigest(service, body), "fuzz");
  // The game's page always answers HTTP 200 with a status or its tokens.
  if (target == "/save.php" && r.httpStatus != 200)
    __builtin_trap();
  return 0;
}
