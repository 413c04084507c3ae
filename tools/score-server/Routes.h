#pragma once

#include <string_view>

#include "score-server/ScoreService.h"

namespace trv::scored {

// The page a request target names ("/save.php?..." and so on), called with
// the method and body; 404 for anything else.
Reply Route(ScoreService& service, std::string_view method, std::string_view target, std::string_view body,
            std::string_view client);

}  // namespace trv::scored
