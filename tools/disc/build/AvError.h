#pragma once

extern "C" {
#include <libavutil/error.h>
}

#include <string>

namespace trv::disc {

// The codec library's words for one of its error codes.
inline std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

}  // namespace trv::disc
