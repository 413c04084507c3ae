#include "score-server/Routes.h"

namespace trv::scored {

Reply Route(ScoreService& service, std::string_view method, std::string_view target, std::string_view body,
            std::string_view client) {
  std::size_t q = target.find('?');
  std::string_view path = target.substr(0, q);
  std::string_view query = q == std::string_view::npos ? std::string_view() : target.substr(q + 1);
  if (method == "HEAD") method = "GET";
  if (path == "/save.php") return service.Save(method, body, client);
  if (path == "/register.php") return service.Register(method, body);
  if (path == "/list.php" || path == "/") {
    if (method != "GET") {
      Reply r;
      r.httpStatus = 405;
      r.body = "Method Not Allowed\n";
      r.note = "list wants GET";
      return r;
    }
    return service.List(path == "/" ? std::string_view() : query);
  }
  Reply r;
  r.httpStatus = 404;
  r.body = "Not Found\n";
  r.note = "no such page";
  return r;
}

}  // namespace trv::scored
