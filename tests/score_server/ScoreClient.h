#pragma once

#include <string>

#include "score-server/ScoreService.h"
#include "score-server/Wire.h"

// The game's side of the exchange, written out here independently of the
// server so that the tests check the server against the client's formats.
namespace trv::scored::client {

// The game's encoding of one value: a space as "+", bytes from 128 and
// # % * + < > as %XX, and (this game's fix of the original form) "&" and "="
// as %XX too; everything else unchanged. For values without "&" or "=" this is
// the same as encoding the whole line after its first "=".
inline std::string EncodeValue(const std::string& value) {
  std::string out;
  for (char ch : value) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c == ' ') {
      out += '+';
    } else if (c >= 128 || c == '#' || c == '%' || c == '*' || c == '+' || c == '<' || c == '>' || c == '&' ||
               c == '=') {
      out += '%';
      out += "0123456789ABCDEF"[c >> 4];
      out += "0123456789ABCDEF"[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

inline std::string LogonBody(int u) {
  return "UserID=" + std::to_string(u) + "&Logon=1&Digest=" + Md5Hex(std::to_string(u) + "1");
}

// The (6-u)-th token of a logon reply; shorter when the reply is.
inline std::string TokenFrom(const std::string& reply, int u) {
  std::size_t at = std::size_t(5 - u) * 32;
  return at < reply.size() ? reply.substr(at, 32) : std::string();
}

// name and password are CP1251 bytes, as the game holds them.
inline std::string SubmitBody(const std::string& game, const std::string& name, const std::string& password,
                              long score, const std::string& token) {
  std::string digest = Md5Hex(game + name + Md5Hex(password) + std::to_string(score) + token);
  return "Score=" + std::to_string(score) + "&UserName=" + EncodeValue(name) + "&GameID=" + EncodeValue(game) +
         "&Digest=" + digest;
}

// The integer after "Status=", or -1 when the reply has no such line.
inline int StatusOf(const std::string& body) {
  std::size_t at = body.find("Status=");
  if (at == std::string::npos || (at > 0 && body[at - 1] != '\n')) return -1;
  try {
    return std::stoi(body.substr(at + 7));
  } catch (...) {
    return -1;
  }
}

// A browser's POST of the registration form (UTF-8 page).
inline std::string RegisterBody(const std::string& nameUtf8, const std::string& password,
                                const std::string& password2) {
  return "UserName=" + UrlEncode(nameUtf8) + "&Password=" + UrlEncode(password) + "&Password2=" + UrlEncode(password2);
}

}  // namespace trv::scored::client
