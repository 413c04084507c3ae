#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "score-server/HttpRequestReader.h"

// The score server's HTTP side. One thread reads every connection without
// blocking, so a slow or idle client costs a socket and no worker; a whole
// request must arrive within a deadline. Complete requests go to a pool of
// workers that answer them and close the connection.
namespace trv::scored {

struct HttpAnswer {
  int status = 200;
  std::string contentType;
  std::string body;
  std::string note;  // for the log line only
};

struct FrontOptions {
  std::size_t workers = 16;
  std::chrono::milliseconds requestTime{5000};  // from accept to the last byte of the request
  std::chrono::milliseconds writeTime{5000};    // to write the answer
  std::size_t maxConnections = 1024;            // beyond it the oldest unfinished request is dropped
  std::size_t maxHead = 8192;
  std::size_t maxBody = 64 * 1024;
};

class HttpFront {
 public:
  using Handler = std::function<HttpAnswer(const HttpRequest& request, const std::string& peer)>;
  // One line per request: peer, method, path, status, body size, note.
  using Logger = std::function<void(const std::string& line)>;

  HttpFront(FrontOptions options, Handler handler, Logger logger);
  ~HttpFront();
  HttpFront(const HttpFront&) = delete;
  HttpFront& operator=(const HttpFront&) = delete;

  // The port bound (port 0: any free one), or -1 and *error.
  int Bind(const std::string& host, int port, std::string* error);
  // Serves until Stop(); answers the requests already read before it returns.
  void Run();
  // From any thread or a signal-waiting thread.
  void Stop();

 private:
  struct Job {
    int fd;
    std::string peer;
    HttpRequest request;
  };
  void Worker();
  // Writes the answer, closes the connection and logs the request.
  void Answer(int fd, const std::string& peer, const HttpRequest* request, const HttpAnswer& answer, bool mayWait);

  FrontOptions options_;
  Handler handler_;
  Logger logger_;
  int listenFd_ = -1;
  int wakeRead_ = -1, wakeWrite_ = -1;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

// The status line's reason for the codes the server sends.
const char* ReasonPhrase(int status);

}  // namespace trv::scored
