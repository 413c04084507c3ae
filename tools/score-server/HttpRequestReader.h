#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Collects one HTTP/1.x request from the bytes of a connection as they come,
// without trusting any length the peer states beyond the limits given.
namespace trv::scored {

struct HttpRequest {
  std::string method;
  std::string target;
  std::string body;
  std::string forwardedFor;  // X-Forwarded-For, as sent
};

class HttpRequestReader {
 public:
  enum class State { kNeedMore, kDone, kBad };

  HttpRequestReader(std::size_t maxHead, std::size_t maxBody) : maxHead_(maxHead), maxBody_(maxBody) {}

  // Takes more bytes; bytes after a complete request are ignored (one
  // request per connection).
  State Feed(std::string_view bytes);
  State Current() const { return state_; }
  const HttpRequest& Request() const { return request_; }
  // The HTTP status to refuse a bad request with (400, 411, 413, 431, 501, 505).
  int ErrorStatus() const { return errorStatus_; }
  // True once, when the head asked for "100-continue" before its body.
  bool TakeContinue();

 private:
  State Fail(int status);
  State ParseHead(std::string_view head);

  std::size_t maxHead_, maxBody_;
  std::string buffer_;
  bool haveHead_ = false;
  std::size_t bodyLength_ = 0;
  bool wantsContinue_ = false;
  State state_ = State::kNeedMore;
  int errorStatus_ = 0;
  HttpRequest request_;
};

}  // namespace trv::scored
