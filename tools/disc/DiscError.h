#pragma once

#include <stdexcept>

namespace trv::disc {

// Input the writers or the tool's verbs refuse; the message is UTF-8 and names
// what was refused.
class DiscError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Wrong arguments to a verb: the tool answers with the verb's usage line.
class UsageError : public DiscError {
 public:
  using DiscError::DiscError;
};

}  // namespace trv::disc
