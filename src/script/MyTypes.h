#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trv {

using TDynamicStringArray = std::vector<std::string>;
using TDynamicIntegerArray = std::vector<std::int32_t>;
using TDynamicBooleanArray = std::vector<bool>;

}  // namespace trv
