#pragma once

#include <atomic>
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
  // Set from any thread, it ends the exchange within a fraction of a second
  // (error Canceled), however long the server keeps silent.
  std::shared_ptr<const std::atomic<bool>> cancel;
};

enum class HttpError {
  None,        // a reply arrived (any HTTP status)
  Timeout,     // no complete reply within the time limit
  Connection,  // no connection, refused, reset, or a broken reply
  TooLarge,    // the reply body passed maxReplyBytes
  Canceled,    // the request's cancel flag was set
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
    case HttpError::Canceled: return "canceled";
    case HttpError::Other: break;
  }
  return "other";
}

// Synchronous. The client keeps nothing between exchanges, so several threads
// may use one object at once (a worker sending scores beside the loop).
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
