#include "shell/OutsideLinks.h"

#include <cctype>
#include <cstdlib>

#include "platform/Text.h"

namespace trv {
namespace {

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

std::string WithSlash(std::string base) {
  if (base.empty() || base.back() != '/') base += '/';
  return base;
}

}  // namespace

std::string DeploymentValue(Registry& settings, const std::string& title, const char* valueName,
                            const char* envName, const char* fallback) {
  if (const char* env = std::getenv(envName); env && *env) return Utf8ToCp1251(env);
  const std::optional<std::string> stored =
      settings.ReadString(RootKey::LocalMachine, "SOFTWARE\\VOMAR\\" + title, valueName);
  if (stored && !Trim(*stored).empty()) return Trim(*stored);
  return fallback;
}

std::string PercentEncode(std::string_view text, std::string_view keep) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (Unreserved(c) || (c != '\0' && keep.find(ch) != std::string_view::npos)) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string LinkAddress(const std::string& written) {
  static constexpr std::string_view kParts = ":/?#[]@!$&()*+,;=";
  const std::string utf8 = Cp1251ToUtf8(Trim(written));
  auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '%' && i + 2 < utf8.size() && hex(utf8[i + 1]) && hex(utf8[i + 2])) {
      out += '%';
      continue;
    }
    out += PercentEncode(std::string_view(utf8).substr(i, 1), kParts);
  }
  return out;
}

std::string SupportMailUrl(const std::string& address, const std::string& title, const std::string& errorText) {
  // The address keeps the characters a mail address may hold unescaped; the
  // header values keep nothing but the unreserved ones.
  const std::string subject = "Quiz Show Support: " + title;
  const std::string body = Utf8ToCp1251(
                               "Здравствуйте, у меня есть Ваша игра, которая называется \"") +
                           title +
                           Utf8ToCp1251(
                               "\". Когда я играл в неё и пытался послать результаты на сервер, возникла "
                               "следующая ошибка: \"") +
                           errorText + "\"";
  return "mailto:" + PercentEncode(Cp1251ToUtf8(address), "!$'()*+,;:@") +
         "?Subject=" + PercentEncode(Cp1251ToUtf8(subject)) + "&Body=" + PercentEncode(Cp1251ToUtf8(body));
}

std::string RatingsPageUrl(const std::string& base, const std::string& playerName) {
  return WithSlash(base) + "list.php?GameID=3&GamerSearch=" + PercentEncode(playerName);
}

std::string RegisterPageUrl(const std::string& base) { return WithSlash(base) + "register.php"; }

}  // namespace trv
