#include "score-server/HttpRequestReader.h"

#include "platform/Text.h"

namespace trv::scored {

namespace {

bool IsToken(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
      return false;
  return true;
}

}  // namespace

HttpRequestReader::State HttpRequestReader::Fail(int status) {
  errorStatus_ = status;
  state_ = State::kBad;
  buffer_.clear();
  return state_;
}

bool HttpRequestReader::TakeContinue() {
  bool want = wantsContinue_ && haveHead_ && state_ == State::kNeedMore;
  wantsContinue_ = false;
  return want;
}

HttpRequestReader::State HttpRequestReader::Feed(std::string_view bytes) {
  if (state_ != State::kNeedMore) return state_;
  if (!haveHead_) {
    // Only as much as the head may take is kept while looking for its end.
    std::size_t room = maxHead_ + 4 - buffer_.size();
    std::size_t take = bytes.size() < room ? bytes.size() : room;
    std::size_t from = buffer_.size() >= 3 ? buffer_.size() - 3 : 0;
    buffer_.append(bytes.substr(0, take));
    bytes.remove_prefix(take);
    // Whichever blank line comes first ends the head; a bare LF is taken too.
    std::size_t end = buffer_.find("\r\n\r\n", from);
    std::size_t bare = buffer_.find("\n\n", from);
    std::size_t skip = 4;
    if (bare < end) {
      end = bare;
      skip = 2;
    }
    if (end == std::string::npos) return buffer_.size() > maxHead_ ? Fail(431) : state_;
    if (end > maxHead_) return Fail(431);
    std::string rest = buffer_.substr(end + skip);
    if (ParseHead(std::string_view(buffer_).substr(0, end)) == State::kBad) return state_;
    haveHead_ = true;
    buffer_ = std::move(rest);
  } else {
    // Body bytes beyond the stated length are never stored.
    std::size_t room = bodyLength_ - buffer_.size();
    buffer_.append(bytes.substr(0, bytes.size() < room ? bytes.size() : room));
    bytes = {};
  }
  if (!bytes.empty()) {
    std::size_t room = bodyLength_ > buffer_.size() ? bodyLength_ - buffer_.size() : 0;
    buffer_.append(bytes.substr(0, bytes.size() < room ? bytes.size() : room));
  }
  if (buffer_.size() >= bodyLength_) {
    request_.body = buffer_.substr(0, bodyLength_);
    buffer_.clear();
    state_ = State::kDone;
  }
  return state_;
}

HttpRequestReader::State HttpRequestReader::ParseHead(std::string_view head) {
  auto lineEnd = [&](std::size_t from) {
    std::size_t e = head.find('\n', from);
    return e == std::string_view::npos ? head.size() : e;
  };
  auto strip = [](std::string_view l) {
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    return l;
  };
  std::size_t e = lineEnd(0);
  std::string_view line = strip(head.substr(0, e));
  std::size_t s1 = line.find(' ');
  std::size_t s2 = s1 == std::string_view::npos ? s1 : line.find(' ', s1 + 1);
  if (s2 == std::string_view::npos) return Fail(400);
  std::string_view method = line.substr(0, s1), target = line.substr(s1 + 1, s2 - s1 - 1),
                   version = line.substr(s2 + 1);
  if (!IsToken(method) || target.empty() || target[0] != '/') return Fail(400);
  for (char c : target)
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return Fail(400);
  if (version != "HTTP/1.1" && version != "HTTP/1.0") return Fail(505);
  request_.method = std::string(method);
  request_.target = std::string(target);

  bool haveLength = false;
  std::size_t pos = e + 1;
  while (pos < head.size()) {
    e = lineEnd(pos);
    line = strip(head.substr(pos, e - pos));
    pos = e + 1;
    if (line.empty()) continue;
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !IsToken(line.substr(0, colon))) return Fail(400);
    std::string name = AsciiLower(line.substr(0, colon));
    std::string value = Trim(line.substr(colon + 1));
    if (name == "content-length") {
      if (value.empty() || value.size() > 18 || value.find_first_not_of("0123456789") != std::string::npos)
        return Fail(400);
      std::size_t n = std::stoull(value);
      if (haveLength && n != bodyLength_) return Fail(400);
      if (n > maxBody_) return Fail(413);
      bodyLength_ = n;
      haveLength = true;
    } else if (name == "transfer-encoding") {
      return Fail(411);  // the game and browsers post forms with a length
    } else if (name == "expect") {
      if (AsciiLower(value) != "100-continue") return Fail(417);
      wantsContinue_ = true;
    } else if (name == "x-forwarded-for") {
      if (request_.forwardedFor.size() < 1024) request_.forwardedFor += (request_.forwardedFor.empty() ? "" : ",") + value;
    }
  }
  return state_;
}

}  // namespace trv::scored
