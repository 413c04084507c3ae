#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Http.h"

namespace trv {

class Platform;

// Sends one score to the score server: logs on for a one-time token, then
// posts the score with a digest binding game, player, password, score and
// token. Text is CP1251. Synchronous, so the game runs it on a worker thread;
// the whole submission (every attempt, logon and post) is bounded by one
// deadline, every reply in size, and a cancel flag ends it at once, so a dead
// or hostile server can neither hang the game nor eat memory.
class TVMHighScores {
 public:
  // Statuses of SendScore. 0, 1, 101, 102, 105, 108 and 109 come from the
  // server's "Status" line; the client itself makes 104 and 9999 (103 only
  // when no attempt got as far as a reply).
  enum Status : std::int32_t {
    kSaved = 0,
    kNotBetter = 1,
    kDatabaseError = 101,
    kBadUser = 102,
    kSendError = 103,
    kConnectionError = 104,
    kRegistrationImpossible = 105,
    kNoAccessAfterWizard = 106,
    kConnectionCanceled = 107,
    kNoAccess = 108,
    kGameNotRegistered = 109,
    kUnknown = 9999,
  };

  // Largest reply body accepted; a logon reply is 160 bytes, a status a few.
  static constexpr std::size_t kMaxReplyBytes = 64 * 1024;
  static constexpr const char* kUserAgent = "Kerrow game";
  static constexpr const char* kContentType = "application/x-www-form-urlencoded";

  using TConnectErrorEvent = std::function<void(TVMHighScores& sender, std::uint32_t errorCode)>;

  // Uses the platform's HTTP client and its connection state.
  explicit TVMHighScores(Platform& platform);
  TVMHighScores(Http& web, std::function<bool()> isConnected);
  virtual ~TVMHighScores() = default;

  std::string _ServerAddress = "http://localhost/save.php";
  std::string _GameID = "1";
  std::string _UserName = "user";
  std::string _UserPassword = "user";
  std::int32_t _NumRetries = 3;
  // Bound of the whole SendScore, all attempts together: each exchange gets
  // what is left of it. <= 0 means 30000.
  std::int32_t _TimeoutMSec = 30000;
  TConnectErrorEvent _OnConnectError;

  // The whole submission; one of the statuses above.
  std::int32_t SendScore(std::int32_t score);
  // The token for one score post (up to 32 characters; empty on failure).
  // False when the exchange itself failed.
  bool Logon(std::string* token);
  // 0 when the server can be reached, else the connection error code (106:
  // this system has no dial-up and no connection wizard to offer).
  std::int32_t CheckConnection();
  // MD5 of the bytes, 32 lower-case hexadecimal digits.
  virtual std::string MakeDigest(std::string_view text);

  // One form post. True with the reply body when a reply arrived (an empty body
  // when nothing was sent for want of a connection); false on any failure of
  // the exchange (time-out, refused, reset, an HTTP error status, an oversized
  // reply).
  using Form = std::vector<std::pair<std::string, std::string>>;
  bool Post(const Form& fields, std::string* reply);

  // The reply of the last score post, as lines.
  const std::vector<std::string>& ReplyLines() const { return reply_; }

  // A flag another thread may set to end the submission: the exchange under
  // way stops within a fraction of a second and SendScore gives 104 at once.
  void SetCancel(std::shared_ptr<const std::atomic<bool>> cancel) { cancel_ = std::move(cancel); }
  bool Canceled() const { return cancel_ && cancel_->load(); }
  // Milliseconds of a steady clock, for the deadline (tests move it).
  void SetClock(std::function<std::int64_t()> nowMs) { nowMs_ = std::move(nowMs); }

  // The slot of the token taken at logon, 1..5; random unless a test sets it.
  void SetSlotPicker(std::function<int()> pick) { pickSlot_ = std::move(pick); }

  // A form body: "name=value" pairs joined by "&". Values (and everything but
  // the first name) keep the wire form the server expects: space as "+", bytes
  // 128..255 and "#%*+<>&=" as %XX, all else as is.
  static std::string EncodeForm(const Form& fields);
  static std::string EncodeFormValue(std::string_view cp1251);
  // The status on the first line starting with "Status=" (any case); 9999
  // when there is none or its value is not a 32-bit integer.
  static std::int32_t ParseStatus(const std::vector<std::string>& lines);
  static std::vector<std::string> SplitLines(std::string_view text);
  // The token of slot u (1..5) in a logon reply of five 32-character tokens.
  static std::string TokenSlice(std::string_view reply, int u);

 private:
  Http& web_;
  std::function<bool()> isConnected_;
  std::int32_t TimeoutMs() const;
  // What is left of the submission's time; the whole bound outside SendScore.
  std::int64_t RemainingMs() const;

  std::function<int()> pickSlot_;
  std::function<std::int64_t()> nowMs_;
  std::shared_ptr<const std::atomic<bool>> cancel_;
  std::int64_t deadline_ = -1;  // while SendScore runs
  std::vector<std::string> reply_;
  std::vector<std::string> logonRefusal_;  // the status lines of a refused logon
};

}  // namespace trv
