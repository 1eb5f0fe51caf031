// RC4 stream cipher: the PDF standard security handler encrypts each string or stream by one
// RC4Crypt call after its own RC4Init; the legacy workbook format runs one key stream over many
// calls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace io {

struct RC4Context {
  std::array<std::uint8_t, 256> s{};
  std::uint8_t i = 0;
  std::uint8_t j = 0;
};

// Raises core::Error "RC4: Invalid key length" for a length outside 1..256.
void RC4Init(RC4Context& ctx, const void* key, std::size_t length);
// Input and Output may be the same buffer. The key stream starts with both indexes at 0 after
// RC4Init and goes on where the previous call left it.
void RC4Crypt(RC4Context& ctx, const void* input, void* output, std::size_t count);

}  // namespace io
