#include "store/Inflate.h"

#include <zlib.h>

namespace trv::storeio {

bool InflateInto(const std::vector<std::uint8_t>& in, std::vector<std::uint8_t>& out, std::string& why) {
  // zlib wants real pointers even for empty buffers.
  Bytef spareOut = 0;
  const Bytef spareIn = 0;
  uLongf produced = out.size();
  int rc = uncompress(out.empty() ? &spareOut : out.data(), &produced, in.empty() ? &spareIn : in.data(),
                      in.size());
  switch (rc) {
    case Z_OK:
      out.resize(produced);
      return true;
    case Z_BUF_ERROR:
      why = "inflates to more than " + std::to_string(out.size()) + " bytes";
      break;
    case Z_DATA_ERROR:
      why = "is not a whole zlib stream (damaged or cut short)";
      break;
    case Z_MEM_ERROR:
      why = "cannot be inflated: out of memory";
      break;
    default:
      why = "cannot be inflated: zlib error " + std::to_string(rc);
      break;
  }
  return false;
}

}  // namespace trv::storeio
