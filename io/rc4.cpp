#include "io/rc4.h"

#include <utility>

#include "core/error.h"

namespace io {

void RC4Init(RC4Context& ctx, const void* key, std::size_t length) {
  if (length < 1 || length > 256) throw core::Error("RC4: Invalid key length");
  const auto* k = static_cast<const std::uint8_t*>(key);
  for (int i = 0; i < 256; ++i) ctx.s[i] = static_cast<std::uint8_t>(i);
  std::uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    j = static_cast<std::uint8_t>(j + ctx.s[i] + k[i % length]);
    std::swap(ctx.s[i], ctx.s[j]);
  }
  ctx.i = 0;
  ctx.j = 0;
}

void RC4Crypt(RC4Context& ctx, const void* input, void* output, std::size_t count) {
  const auto* in = static_cast<const std::uint8_t*>(input);
  auto* out = static_cast<std::uint8_t*>(output);
  std::uint8_t i = ctx.i, j = ctx.j;
  for (std::size_t n = 0; n < count; ++n) {
    i = static_cast<std::uint8_t>(i + 1);
    j = static_cast<std::uint8_t>(j + ctx.s[i]);
    std::swap(ctx.s[i], ctx.s[j]);
    out[n] = static_cast<std::uint8_t>(in[n] ^ ctx.s[static_cast<std::uint8_t>(ctx.s[i] + ctx.s[j])]);
  }
  ctx.i = i;
  ctx.j = j;
}

}  // namespace io
