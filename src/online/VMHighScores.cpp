#include "online/VMHighScores.h"


#include <algorithm>
#include <chrono>
#include <charconv>
#include <random>

#include "platform/Log.h"
#include "platform/Md5.h"
#include "platform/Platform.h"
#include "platform/Text.h"

namespace trv {
namespace {

constexpr int kDefaultTimeoutMs = 30000;
constexpr std::size_t kTokenLength = 32;
constexpr int kTokenCount = 5;

// A server on this machine needs no outside connection (a local or demo
// server is reachable whatever the network interfaces say).
bool IsLoopbackUrl(std::string_view url) {
  std::size_t start = url.find("://");
  start = start == std::string_view::npos ? 0 : start + 3;
  std::string_view rest = url.substr(start);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (std::size_t at = rest.rfind('@'); at != std::string_view::npos) rest = rest.substr(at + 1);
  std::string_view host;
  if (!rest.empty() && rest.front() == '[') {
    host = rest.substr(1, rest.find(']') == std::string_view::npos ? 0 : rest.find(']') - 1);
  } else {
    host = rest.substr(0, rest.find(':'));
  }
  const std::string h = AsciiLower(host);
  return h == "localhost" || h == "::1" || h.rfind("127.", 0) == 0;
}

}  // namespace

TVMHighScores::TVMHighScores(Platform& platform)
    : TVMHighScores(platform.Web(), [&platform] { return platform.Desktop().IsConnected(); }) {}

TVMHighScores::TVMHighScores(Http& web, std::function<bool()> isConnected)
    : web_(web), isConnected_(std::move(isConnected)) {
  nowMs_ = [] {
    using namespace std::chrono;
    return std::int64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  };
  pickSlot_ = [engine = std::mt19937(std::random_device{}())]() mutable {
    return std::uniform_int_distribution<int>(1, kTokenCount)(engine);
  };
}

std::string TVMHighScores::EncodeFormValue(std::string_view cp1251) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(cp1251.size());
  for (char ch : cp1251) {
    const auto b = static_cast<unsigned char>(ch);
    if (b == ' ') {
      out += '+';
    } else if (b >= 128 || b == '#' || b == '%' || b == '*' || b == '+' || b == '<' || b == '>' ||
               b == '&' || b == '=') {
      // "&" and "=" too: left raw they would split a user name into fields.
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

std::string TVMHighScores::EncodeForm(const Form& fields) {
  std::string body;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) body += '&';
    // The first name stays as is; the other names are plain words either way.
    body += i == 0 ? fields[i].first : EncodeFormValue(fields[i].first);
    body += '=';
    body += EncodeFormValue(fields[i].second);
  }
  return body;
}

std::vector<std::string> TVMHighScores::SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(pos));
      break;
    }
    lines.emplace_back(text.substr(pos, end - pos));
    pos = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
  return lines;
}

std::int32_t TVMHighScores::ParseStatus(const std::vector<std::string>& lines) {
  static constexpr std::string_view kName = "Status=";
  for (const std::string& line : lines) {
    if (line.size() < kName.size() || !EqualsNoCaseAscii(std::string_view(line).substr(0, kName.size()), kName))
      continue;
    const std::string value = Trim(std::string_view(line).substr(kName.size()));
    std::string_view digits = value;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    std::int32_t status = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), status);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) return kUnknown;
    return status;
  }
  return kUnknown;
}

std::string TVMHighScores::TokenSlice(std::string_view reply, int u) {
  if (u < 1 || u > kTokenCount) return {};
  const std::size_t from = static_cast<std::size_t>(kTokenCount - u) * kTokenLength;
  if (from >= reply.size()) return {};
  return std::string(reply.substr(from, kTokenLength));
}

std::string TVMHighScores::MakeDigest(std::string_view text) {
  std::string hex = Md5Hex(text);
  if (hex.empty()) Log("online", "MD5 failed");
  return hex;
}

std::int32_t TVMHighScores::CheckConnection() {
  if (IsLoopbackUrl(_ServerAddress)) return 0;
  if (isConnected_ && isConnected_()) return 0;
  // Nowhere to dial and no wizard to start: the state after a wizard that
  // did not bring the machine online.
  return kNoAccessAfterWizard;
}

std::int32_t TVMHighScores::TimeoutMs() const { return _TimeoutMSec > 0 ? _TimeoutMSec : kDefaultTimeoutMs; }

std::int64_t TVMHighScores::RemainingMs() const {
  if (deadline_ < 0) return TimeoutMs();
  return std::max<std::int64_t>(0, deadline_ - nowMs_());
}

bool TVMHighScores::Post(const Form& fields, std::string* reply) {
  reply->clear();
  const std::int64_t remaining = RemainingMs();
  if (Canceled() || remaining <= 0) return false;
  const std::int32_t code = CheckConnection();
  if (code != 0) {
    Log("online", "not connected (" + std::to_string(code) + "), nothing sent to " + Cp1251ToUtf8(_ServerAddress));
    if (_OnConnectError) _OnConnectError(*this, static_cast<std::uint32_t>(code));
    return true;
  }
  HttpRequest request;
  request.url = _ServerAddress;
  request.body = EncodeForm(fields);
  request.contentType = kContentType;
  request.userAgent = kUserAgent;
  request.timeoutMs = int(remaining);
  request.cancel = cancel_;
  request.maxReplyBytes = kMaxReplyBytes;
  HttpReply answer = web_.Post(request);
  if (!answer.Ok()) return false;
  if (answer.status < 200 || answer.status > 299) {
    Log("online", Cp1251ToUtf8(_ServerAddress) + " answered HTTP " + std::to_string(answer.status));
    return false;
  }
  *reply = std::move(answer.body);
  return true;
}

bool TVMHighScores::Logon(std::string* token) {
  token->clear();
  int u = pickSlot_ ? pickSlot_() : 1;
  if (u < 1 || u > kTokenCount) u = 1;
  const std::string slot = std::to_string(u);
  std::string reply;
  if (!Post({{"UserID", slot}, {"Logon", "1"}, {"Digest", MakeDigest(slot + "1")}}, &reply)) return false;
  // A server that refuses the logon answers with an error status instead of
  // tokens; a slice of that text would only earn a misleading "bad user"
  // later. A logon can never report a saved score, so lower statuses are not
  // taken from it.
  std::vector<std::string> lines = SplitLines(reply);
  if (const std::int32_t status = ParseStatus(lines); status != kUnknown && status >= 100) {
    logonRefusal_ = std::move(lines);
    return true;
  }
  *token = TokenSlice(reply, u);
  return true;
}

std::int32_t TVMHighScores::SendScore(std::int32_t score) {
  reply_ = {"Status=" + std::to_string(kSendError)};
  std::int32_t attempts = _NumRetries;
  std::int32_t status = kSendError;
  deadline_ = nowMs_() + TimeoutMs();
  struct EndDeadline {
    std::int64_t& deadline;
    ~EndDeadline() { deadline = -1; }
  } endDeadline{deadline_};
  do {
    --attempts;
    // No attempt starts once the player gave up or the time is spent.
    if (Canceled() || RemainingMs() <= 0) {
      Log("online", Canceled() ? "the score submission was canceled" : "the score submission ran out of time");
      // Out of time between attempts, the server's last status stands.
      if (Canceled() || status == kSendError) status = kConnectionError;
      break;
    }
    std::string token;
    std::string reply;
    const std::string scoreText = std::to_string(score);
    logonRefusal_.clear();
    if (!Logon(&token)) {
      status = kConnectionError;
      continue;
    }
    if (!logonRefusal_.empty()) {
      reply_ = std::move(logonRefusal_);
      status = ParseStatus(reply_);
      Log("online", "the score server refused the logon with status " + std::to_string(status));
      continue;
    }
    const std::string digest =
        MakeDigest(_GameID + _UserName + MakeDigest(_UserPassword) + scoreText + token);
    if (!Post({{"Score", scoreText}, {"UserName", _UserName}, {"GameID", _GameID}, {"Digest", digest}}, &reply)) {
      status = kConnectionError;
      continue;
    }
    reply_ = SplitLines(reply);
    status = ParseStatus(reply_);
    if (status == kUnknown) Log("online", "score reply without a usable status line");
  } while (!(status < 100 || attempts <= 0 || status == kConnectionCanceled));
  if (Canceled()) status = kConnectionError;
  return status;
}

}  // namespace trv
