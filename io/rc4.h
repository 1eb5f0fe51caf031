// RC4 stream cipher for the standard security handler. Each string or stream is encrypted by one
// RC4Crypt call after its own RC4Init.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace io {

struct RC4Context {
  std::array<std::uint8_t, 256> s{};
};

// Raises core::Error "RC4: Invalid key length" for a length outside 1..256.
void RC4Init(RC4Context& ctx, const void* key, std::size_t length);
// Input and Output may be the same buffer. The key stream starts with both indexes at 0.
void RC4Crypt(RC4Context& ctx, const void* input, void* output, std::size_t count);

}  // namespace io
