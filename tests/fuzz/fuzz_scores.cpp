// The score client's handling of what a server answers: logon replies cut
// into tokens, score replies split into lines and read for their status. The
// input is split at zero bytes: the first piece sets the attempts, the token
// slot, the time limit, the connection state and the server address; each
// further piece is one reply in turn (its first byte picks the HTTP outcome).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "online/VMHighScores.h"
#include "platform/Log.h"
#include "platform/Text.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

std::vector<std::string_view> Split(std::string_view s) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = s.find('\0', start);
    parts.push_back(s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) return parts;
    start = at + 1;
  }
}

// Answers each request with the next reply of the input; silence when they run out.
class ScriptedServer : public trv::Http {
 public:
  explicit ScriptedServer(std::vector<std::string_view> replies) : replies_(std::move(replies)) {}
  trv::HttpReply Post(const trv::HttpRequest& request) override {
    ++requests;
    // However the client is set up, no exchange may go unbounded.
    Check(request.timeoutMs > 0 && request.maxReplyBytes > 0 && request.maxReplyBytes <= 64 * 1024);
    trv::HttpReply reply;
    if (next_ >= replies_.size()) {
      reply.error = trv::HttpError::Timeout;
      return reply;
    }
    std::string_view r = replies_[next_++];
    const unsigned kind = r.empty() ? 0 : static_cast<unsigned char>(r[0]);
    if (!r.empty()) r.remove_prefix(1);
    switch (kind % 8) {
      case 0: reply.error = trv::HttpError::Connection; break;
      case 1: reply.error = trv::HttpError::TooLarge; break;
      case 2: reply.status = 500; break;
      default: reply.status = 200; break;
    }
    if (reply.Ok()) reply.body = std::string(r.substr(0, request.maxReplyBytes));
    lastBody = reply.Ok() && reply.status == 200 ? reply.body : "";
    return reply;
  }
  trv::HttpReply Get(const trv::HttpRequest& request) override { return Post(request); }

  int requests = 0;
  std::string lastBody;

 private:
  std::vector<std::string_view> replies_;
  std::size_t next_ = 0;
};

void CheckLines(std::string_view text) {
  using trv::TVMHighScores;
  const std::vector<std::string> lines = TVMHighScores::SplitLines(text);
  std::size_t total = 0;
  std::string joined;
  for (const std::string& line : lines) {
    Check(line.find_first_of("\r\n") == std::string::npos);
    total += line.size();
    joined += line + "\n";
  }
  Check(total <= text.size());
  Check(TVMHighScores::SplitLines(joined) == lines);  // the line breaks are all that went

  const std::int32_t status = TVMHighScores::ParseStatus(lines);
  if (status != TVMHighScores::kUnknown) {
    bool named = false;
    for (const std::string& line : lines) named = named || trv::AsciiLower(line.substr(0, 7)) == "status=";
    Check(named);
  }
  for (int u = 0; u <= 6; ++u) {
    const std::string token = TVMHighScores::TokenSlice(text, u);
    Check(token.size() <= 32 && (token.empty() || text.find(token) != std::string_view::npos));
    if (u < 1 || u > 5) Check(token.empty());
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  trv::SetLogFile("/dev/null");  // odd replies are logged; keep the disk out of it
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trv;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckLines(input);

  std::vector<std::string_view> pieces = Split(input);
  std::string_view setup = pieces[0];
  pieces.erase(pieces.begin());
  auto byte = [&](std::size_t i) { return i < setup.size() ? static_cast<unsigned char>(setup[i]) : 0u; };

  ScriptedServer server(pieces);
  const bool connected = byte(3) & 1;
  TVMHighScores client(server, [connected] { return connected; });
  client._NumRetries = std::int32_t(byte(0) % 8) - 2;  // zero and below included
  client.SetSlotPicker([slot = int(byte(1) % 8) - 1] { return slot; });
  client._TimeoutMSec = (std::int32_t(byte(2)) - 128) * 1000;
  client._ServerAddress = setup.size() > 4 ? std::string(setup.substr(4)) : "http://127.0.0.1/save.php";
  int errors = 0;
  client._OnConnectError = [&errors](TVMHighScores&, std::uint32_t code) {
    Check(code == TVMHighScores::kNoAccessAfterWizard);
    ++errors;
  };

  const std::int32_t status = client.SendScore(std::int32_t(size));
  // Each attempt is one logon and one score post at most, and there is at
  // least one attempt and at most the number asked for.
  const int attempts = client._NumRetries < 1 ? 1 : client._NumRetries;
  Check(server.requests <= 2 * attempts);
  if (server.requests > 0) Check(errors == 0);
  if (status != TVMHighScores::kConnectionError && status != TVMHighScores::kSendError) {
    // The status is the one the last reply carries (a score reply, or a logon refused with a status).
    Check(status == TVMHighScores::ParseStatus(client.ReplyLines()));
    Check(client.ReplyLines() == TVMHighScores::SplitLines(server.lastBody));
  }
  return 0;
}
