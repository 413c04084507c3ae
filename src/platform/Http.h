#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace trv {

class Trace;

// One form exchange with a web server. The body is sent as given (the caller
// encodes it); a reply is never allowed to grow past `maxReplyBytes`, and the
// whole exchange, connecting included, ends after `timeoutMs`.
struct HttpRequest {
  std::string url;
  std::string body;  // POST: the request body; GET: appended as the query
  std::string contentType = "application/x-www-form-urlencoded";
  std::string userAgent;
  int timeoutMs = 30000;  // values <= 0 mean the default, never "no limit"
  std::size_t maxReplyBytes = 64 * 1024;
};

enum class HttpError {
  None,        // a reply arrived (any HTTP status)
  Timeout,     // no complete reply within the time limit
  Connection,  // no connection, refused, reset, or a broken reply
  TooLarge,    // the reply body passed maxReplyBytes
  Other,       // a bad address or a local failure
};

struct HttpReply {
  HttpError error = HttpError::None;
  int status = 0;       // the HTTP status code; 0 when no reply arrived
  std::string body;     // the reply body bytes as received (empty on error)
  std::string message;  // what went wrong, for the log (UTF-8)

  bool Ok() const { return error == HttpError::None; }
};

inline const char* HttpErrorName(HttpError error) {
  switch (error) {
    case HttpError::None: return "none";
    case HttpError::Timeout: return "timeout";
    case HttpError::Connection: return "connection";
    case HttpError::TooLarge: return "too-large";
    case HttpError::Other: break;
  }
  return "other";
}

// Synchronous; safe to use from one thread at a time per object.
class Http {
 public:
  virtual ~Http() = default;
  virtual HttpReply Post(const HttpRequest& request) = 0;
  virtual HttpReply Get(const HttpRequest& request) = 0;
};

// The libcurl client both backends use. Each exchange is recorded as an "http"
// trace event (url, body, status) when `trace` is given.
std::unique_ptr<Http> CreateCurlHttp(Trace* trace);

}  // namespace trv
