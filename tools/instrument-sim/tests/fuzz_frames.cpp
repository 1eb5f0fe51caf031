// Line bytes into the simulator: the frame cutter must never overrun or hang, and every request that
// gets through (the input also carries frames whose CRC is filled in, to reach the register map) must
// get a well-formed reply or none.
#include <cstdint>
#include <cstdlib>

#include "core/clock.h"
#include "tools/instrument-sim/frame_assembler.h"
#include "tools/instrument-sim/instrument.h"

using namespace instrument_sim;

namespace {

void check_reply(const Bytes& request, const std::optional<Bytes>& reply) {
  if (!reply) return;
  // The largest reply is a fast read of 100 records.
  if (!crc_ok(*reply) || reply->size() < 5 || reply->size() > 1013 || ((*reply)[0] != request[0] && request[0] != 255)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static core::VirtualClock clock;
  core::ScopedClock scoped(clock);
  Instrument ins;
  if (size > 0) ins.model().model = data[0];
  for (const HistoryRecord& r : generate_history(CivilTime{2018, 4, 8, 22, 0, 0}, 1800, 150)) ins.add_history(r);
  for (const AlarmRecord& r : generate_alarms(CivilTime{2018, 4, 8, 0, 0, 0}, 5)) ins.add_alarm(r);

  // As raw line bytes.
  FrameAssembler raw;
  raw.feed(ByteSpan(data, size));
  while (auto frame = raw.next()) check_reply(*frame, ins.handle(*frame));

  // As length-prefixed frames that get a correct CRC.
  std::size_t at = 1;
  while (at < size) {
    const std::size_t n = std::min<std::size_t>(data[at], size - at - 1);
    Bytes frame(data + at + 1, data + at + 1 + n);
    at += 1 + n;
    if (frame.size() < 2) continue;
    append_crc(frame);
    FrameAssembler cutter;
    cutter.feed(frame);
    while (auto cut = cutter.next()) check_reply(*cut, ins.handle(*cut));
    check_reply(frame, ins.handle(frame));
  }
  return 0;
}
