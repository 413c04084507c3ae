#include <curl/curl.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/Http.h"
#include "platform/Log.h"
#include "platform/Trace.h"

namespace trv {
namespace {

constexpr int kDefaultTimeoutMs = 30000;

struct Sink {
  std::string* body;
  std::size_t limit;
  bool tooLarge = false;
};

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const std::size_t n = size * count;
  if (n > sink->limit - sink->body->size()) {
    sink->tooLarge = true;
    return 0;  // makes curl abort the transfer
  }
  sink->body->append(data, n);
  return n;
}

// Called by curl at least once a second while it waits, so a cancel ends even
// an exchange with a server that accepted and keeps silent.
int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* cancel = static_cast<const std::atomic<bool>*>(user);
  return cancel->load() ? 1 : 0;  // non-zero aborts the transfer
}

// Loopback never goes through a proxy, whatever the environment says, so that
// a local score server is always reached directly.
std::string NoProxyList() {
  std::string list = "localhost,127.0.0.1,::1";
  for (const char* name : {"no_proxy", "NO_PROXY"}) {
    const char* v = std::getenv(name);
    if (v && *v) return list + "," + v;
  }
  return list;
}

class CurlHttp : public Http {
 public:
  explicit CurlHttp(Trace* trace) : trace_(trace), noProxy_(NoProxyList()) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  }

  HttpReply Post(const HttpRequest& request) override { return Exchange(request, true); }
  HttpReply Get(const HttpRequest& request) override { return Exchange(request, false); }

 private:
  HttpReply Exchange(const HttpRequest& request, bool post);

  Trace* trace_;
  std::string noProxy_;
};

HttpReply CurlHttp::Exchange(const HttpRequest& request, bool post) {
  HttpReply reply;
  std::string url = request.url;
  if (!post && !request.body.empty())
    url += (url.find('?') == std::string::npos ? "?" : "&") + request.body;

  CURL* curl = curl_easy_init();
  if (!curl) {
    reply.error = HttpError::Other;
    reply.message = "cannot start an HTTP exchange";
  } else {
    const long timeout = request.timeoutMs > 0 ? request.timeoutMs : kDefaultTimeoutMs;
    Sink sink{&reply.body, request.maxReplyBytes};
    curl_slist* headers = nullptr;
    if (post && !request.contentType.empty())
      headers = curl_slist_append(headers, ("Content-Type: " + request.contentType).c_str());
    char errorText[CURL_ERROR_SIZE] = {};

    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeout);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeout);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, noProxy_.c_str());
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maxReplyBytes));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    if (!request.userAgent.empty()) curl_easy_setopt(curl, CURLOPT_USERAGENT, request.userAgent.c_str());
    if (headers) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    if (request.cancel) {
      curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Progress);
      curl_easy_setopt(curl, CURLOPT_XFERINFODATA, request.cancel.get());
      curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    }
    if (post) {
      curl_easy_setopt(curl, CURLOPT_POST, 1L);
      curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
      curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    }

    const CURLcode code = request.cancel && request.cancel->load() ? CURLE_ABORTED_BY_CALLBACK
                                                                   : curl_easy_perform(curl);
    if (code == CURLE_OK) {
      long status = 0;
      curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
      reply.status = static_cast<int>(status);
    } else {
      reply.body.clear();
      reply.message = errorText[0] ? errorText : curl_easy_strerror(code);
      if (sink.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        reply.error = HttpError::TooLarge;
        reply.message = "reply larger than " + std::to_string(request.maxReplyBytes) + " bytes";
      } else if (code == CURLE_ABORTED_BY_CALLBACK) {
        reply.error = HttpError::Canceled;
        reply.message = "canceled";
      } else if (code == CURLE_OPERATION_TIMEDOUT) {
        reply.error = HttpError::Timeout;
      } else if (code == CURLE_URL_MALFORMAT || code == CURLE_UNSUPPORTED_PROTOCOL ||
                 code == CURLE_OUT_OF_MEMORY || code == CURLE_FAILED_INIT) {
        reply.error = HttpError::Other;
      } else {
        reply.error = HttpError::Connection;
      }
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
  }

  if (!reply.Ok()) Log("http", (post ? "POST " : "GET ") + request.url + ": " + reply.message);
  if (trace_) {
    auto ev = trace_->Emit("http");
    ev.Text("url", request.url).Text("body", request.body).Int("status", reply.status);
    if (!reply.Ok()) ev.Utf8("error", HttpErrorName(reply.error));
  }
  return reply;
}

}  // namespace

std::unique_ptr<Http> CreateCurlHttp(Trace* trace) { return std::make_unique<CurlHttp>(trace); }

}  // namespace trv
