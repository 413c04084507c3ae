#pragma once

#include <string>
#include <vector>

// The one table of answer-judging cases, shared by the normalisation test and
// the bank's CheckAnswer test.
namespace trv {

struct JudgeCase {
  std::string typed;                  // UTF-8
  std::vector<std::string> accepted;  // UTF-8, in the order of the question
  bool expected;
};

const std::vector<JudgeCase>& JudgeTable();

}  // namespace trv
