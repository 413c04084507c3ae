#include "score-server/HttpFront.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace trv::scored {

namespace {

using Clock = std::chrono::steady_clock;

struct Connection {
  Connection(int f, std::string p, Clock::time_point d, const FrontOptions& o)
      : fd(f), peer(std::move(p)), deadline(d), reader(o.maxHead, o.maxBody) {}
  int fd;
  std::string peer;
  Clock::time_point deadline;
  HttpRequestReader reader;
};

std::string PeerText(const sockaddr_storage& a) {
  char buf[INET6_ADDRSTRLEN] = "?";
  if (a.ss_family == AF_INET)
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(a).sin_addr, buf, sizeof buf);
  else if (a.ss_family == AF_INET6)
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(a).sin6_addr, buf, sizeof buf);
  return buf;
}

std::string Printable(std::string_view s, std::size_t max) {
  if (s.empty()) return "-";
  std::string out;
  for (char c : s.substr(0, max)) out.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c);
  if (s.size() > max) out += "...";
  return out;
}

// Writes what it can before `deadline`; false when the peer did not take it all.
bool WriteAll(int fd, std::string_view data, Clock::time_point deadline) {
  while (!data.empty()) {
    ssize_t n = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n > 0) {
      data.remove_prefix(std::size_t(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      pollfd p{fd, POLLOUT, 0};
      if (poll(&p, 1, int(std::min<long long>(left, 1000))) < 0 && errno != EINTR) return false;
      continue;
    }
    return false;
  }
  return true;
}

std::string PathOf(const std::string& target) { return target.substr(0, target.find('?')); }

}  // namespace

const char* ReasonPhrase(int status) {
  switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 409: return "Conflict";
    case 411: return "Length Required";
    case 413: return "Payload Too Large";
    case 417: return "Expectation Failed";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 503: return "Service Unavailable";
    case 505: return "HTTP Version Not Supported";
    default: return "Unknown";
  }
}

HttpFront::HttpFront(FrontOptions options, Handler handler, Logger logger)
    : options_(options), handler_(std::move(handler)), logger_(std::move(logger)) {
  if (options_.workers < 1) options_.workers = 1;
  if (options_.maxConnections < 1) options_.maxConnections = 1;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
  }
}

HttpFront::~HttpFront() {
  if (listenFd_ >= 0) close(listenFd_);
  if (wakeRead_ >= 0) close(wakeRead_);
  if (wakeWrite_ >= 0) close(wakeWrite_);
}

int HttpFront::Bind(const std::string& host, int port, std::string* error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (int rc = getaddrinfo(host.empty() ? nullptr : host.c_str(), service.c_str(), &hints, &found); rc != 0) {
    *error = "cannot resolve " + host + ": " + gai_strerror(rc);
    return -1;
  }
  std::unique_ptr<addrinfo, void (*)(addrinfo*)> hold(found, freeaddrinfo);
  for (addrinfo* a = found; a; a = a->ai_next) {
    int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) continue;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(fd, a->ai_addr, a->ai_addrlen) == 0 && listen(fd, 1024) == 0) {
      sockaddr_storage bound{};
      socklen_t len = sizeof bound;
      getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &len);
      listenFd_ = fd;
      return ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(bound).sin6_port
                                               : reinterpret_cast<sockaddr_in&>(bound).sin_port);
    }
    close(fd);
  }
  *error = "cannot listen on " + host + ":" + service;
  return -1;
}

void HttpFront::Stop() {
  char c = 1;
  (void)!write(wakeWrite_, &c, 1);
}

void HttpFront::Answer(int fd, const std::string& peer, const HttpRequest* request, const HttpAnswer& answer,
                       bool mayWait) {
  std::string head = "HTTP/1.1 " + std::to_string(answer.status) + " " + ReasonPhrase(answer.status) + "\r\n";
  if (!answer.contentType.empty()) head += "Content-Type: " + answer.contentType + "\r\n";
  head += "Content-Length: " + std::to_string(answer.body.size()) + "\r\nConnection: close\r\n\r\n";
  const bool withBody = !request || request->method != "HEAD";
  bool written = WriteAll(fd, withBody ? head + answer.body : head, mayWait ? Clock::now() + options_.writeTime : Clock::now());
  shutdown(fd, SHUT_WR);
  close(fd);
  std::string line = Printable(peer, 64) + " " + Printable(request ? request->method : "", 16) + " " +
                     Printable(request ? PathOf(request->target) : "", 200) + " " + std::to_string(answer.status) +
                     " " + std::to_string(request ? request->body.size() : 0) + "B";
  if (!answer.note.empty()) line += " " + Printable(answer.note, 300);
  if (!written) line += " (answer not taken in time)";
  logger_(line);
}

void HttpFront::Worker() {
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      ready_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    HttpAnswer answer;
    try {
      answer = handler_(job.request, job.peer);
    } catch (...) {
      answer = {500, "text/plain", "Status=101\n", "internal error"};
    }
    Answer(job.fd, job.peer, &job.request, answer, true);
  }
}

void HttpFront::Run() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = false;
  }
  for (std::size_t i = 0; i < options_.workers; ++i) workers_.emplace_back([this] { Worker(); });

  // In accept order, so the first is the one nearest its deadline.
  std::vector<std::unique_ptr<Connection>> open;
  auto refuse = [&](Connection& c, int status, const char* why) {
    HttpAnswer a{status, "text/plain", std::string(ReasonPhrase(status)) + "\n", why};
    // The reading thread never waits on a peer: a refusal goes out in one try.
    Answer(c.fd, c.peer, nullptr, a, false);
    c.fd = -1;
  };
  std::vector<pollfd> polled;
  char buf[16384];
  bool running = listenFd_ >= 0;
  while (running) {
    polled.clear();
    polled.push_back({wakeRead_, POLLIN, 0});
    polled.push_back({listenFd_, POLLIN, 0});
    for (auto& c : open) polled.push_back({c->fd, POLLIN, 0});
    int wait = 1000;
    if (!open.empty()) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(open.front()->deadline - Clock::now()).count();
      wait = int(std::clamp<long long>(left + 1, 0, 1000));
    }
    if (poll(polled.data(), polled.size(), wait) < 0 && errno != EINTR) break;
    if (polled[0].revents) break;

    for (std::size_t i = 2; i < polled.size(); ++i) {
      if (!polled[i].revents) continue;
      Connection& c = *open[i - 2];
      for (int reads = 0; reads < 8 && c.fd >= 0; ++reads) {
        ssize_t n = recv(c.fd, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n <= 0) {  // gone before a whole request
          close(c.fd);
          c.fd = -1;
          break;
        }
        auto state = c.reader.Feed(std::string_view(buf, std::size_t(n)));
        if (c.reader.TakeContinue()) {
          static const char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";
          (void)!send(c.fd, kContinue, sizeof kContinue - 1, MSG_NOSIGNAL);
        }
        if (state == HttpRequestReader::State::kBad) {
          refuse(c, c.reader.ErrorStatus(), "malformed request");
        } else if (state == HttpRequestReader::State::kDone) {
          std::unique_lock lock(mutex_);
          if (jobs_.size() >= options_.maxConnections) {
            lock.unlock();
            refuse(c, 503, "workers behind");
          } else {
            jobs_.push_back({c.fd, c.peer, c.reader.Request()});
            ready_.notify_one();
            c.fd = -1;
          }
        }
      }
    }
    const auto now = Clock::now();
    for (auto& c : open)
      if (c->fd >= 0 && c->deadline <= now) refuse(*c, 408, "request not complete in time");
    open.erase(std::remove_if(open.begin(), open.end(), [](const auto& c) { return c->fd < 0; }), open.end());

    if (polled[1].revents) {
      for (int accepted = 0; accepted < 256; ++accepted) {
        sockaddr_storage addr{};
        socklen_t len = sizeof addr;
        int fd = accept4(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) break;
        // Full: the oldest unfinished request (a slow one, by now) gives way.
        if (open.size() >= options_.maxConnections) {
          refuse(*open.front(), 503, "dropped for a newer connection");
          open.erase(open.begin());
        }
        open.push_back(std::make_unique<Connection>(fd, PeerText(addr), Clock::now() + options_.requestTime, options_));
      }
    }
  }

  for (auto& c : open) close(c->fd);
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  ready_.notify_all();
  for (auto& t : workers_) t.join();
  workers_.clear();
}

}  // namespace trv::scored
