#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One-shot zlib inflation with bounded output, as the packed tree stores its
// directory and its files.
namespace trv::storeio {

// Deflate cannot expand data by more than about 1032:1 (a 258-byte match in
// two one-bit codes), so this many bytes is more than any `stored`-byte zlib
// stream can produce. A larger stated size is impossible and must not be
// allocated.
inline std::uint64_t MaxInflatedSize(std::uint64_t stored) { return stored * 1032 + 1024; }

// Inflates the zlib stream `in` in one call into `out`, whose size is the
// capacity; `out` is cut to the bytes produced. On failure returns false with
// the reason in `why` (more output than the capacity included).
bool InflateInto(const std::vector<std::uint8_t>& in, std::vector<std::uint8_t>& out, std::string& why);

}  // namespace trv::storeio
