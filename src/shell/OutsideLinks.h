#pragma once

#include <string>
#include <string_view>

#include "platform/Registry.h"

// Addresses outside the program that the shell's commands open: the support
// mail and the score server's pages. Texts in and out are CP1251, but every
// address built here is plain ASCII, so that no desktop handler has to guess
// an encoding.
namespace trv {

// Built-in deployment values, used when neither the machine's settings nor
// the environment name one.
inline constexpr const char* kDefaultSupportMail = "support@trivion.example.org";
inline constexpr const char* kDefaultScoreServer = "http://scores.trivion.example.org/";

// A deployment value: the environment variable `envName` when set and not
// empty (UTF-8), else the string value `valueName` of HKEY_LOCAL_MACHINE
// "SOFTWARE\VOMAR\" + title when it is a non-empty string, else `fallback`.
std::string DeploymentValue(Registry& settings, const std::string& title, const char* valueName,
                            const char* envName, const char* fallback);

// Every byte of `text` outside the unreserved characters of URIs (letters,
// digits, "-", ".", "_", "~") and outside `keep` as "%" and two upper-case
// hexadecimal digits.
std::string PercentEncode(std::string_view text, std::string_view keep = {});

// An address a content author wrote (a link of the About box), made safe to
// hand to the desktop: its CP1251 text as UTF-8, with blanks, quotes,
// backslashes, control characters and every non-ASCII byte percent-encoded.
// The characters that give an address its parts stay, and so does a "%" that
// already starts an escape.
std::string LinkAddress(const std::string& written);

// The support mail: a mailto URL whose subject and body name the title and
// quote `errorText` (all CP1251), percent-encoded as UTF-8 so that "&", "?",
// "%", "#", blanks and line breaks in any of them arrive as written.
std::string SupportMailUrl(const std::string& address, const std::string& title, const std::string& errorText);

// The score server's pages: `base` is the server's base address (a "/" is
// added when it lacks one). The player's name goes into the query as its
// CP1251 bytes, percent-encoded, as the server's own forms send it.
std::string RatingsPageUrl(const std::string& base, const std::string& playerName);
std::string RegisterPageUrl(const std::string& base);

}  // namespace trv
