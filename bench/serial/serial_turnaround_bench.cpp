// Turn-around of one request through the serial component: TComm.SendData hands the live-value read to
// the write thread, the instrument simulator answers on the other end of a pseudo-terminal, the read
// thread posts the reply and OnReceiveData runs on this (GUI) thread. Reports the median, the 90th and
// 99th percentiles over the exchanges, next to the time the same bytes would take on a real line at the
// port's baud rate (bytes x 10 / baud), which a pty does not spend.
//
//   serial_turnaround_bench [exchanges=1000] [read interval ms, or "none" for take-what-is-there]
//
// With a read interval the component waits for the line to stay quiet that long after the last byte
// before it hands a block over, so the interval adds itself to every exchange; the console's own
// instruments answer in one piece, and "none" measures the component's own cost.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "platform/components/comm_notify_window.h"
#include "platform/win/win.h"
#include "serial/serial_port.h"
#include "tools/instrument-sim/crc16.h"
#include "tools/instrument-sim/simulator.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace win = platform::win;

double percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  const std::size_t i = std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())));
  return v[i];
}

}  // namespace

int main(int argc, char** argv) {
  const int exchanges = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
  std::uint32_t interval = serial::kReadIntervalNone;
  if (argc > 2 && std::strcmp(argv[2], "none") != 0)
    interval = static_cast<std::uint32_t>(std::atoi(argv[2]));

  instrument_sim::Simulator sim;
  const int baud = sim.instrument().baud();
  const std::uint8_t address = sim.instrument().address();
  std::jthread peer([&sim](std::stop_token stop) { sim.run(stop, std::chrono::milliseconds(20)); });

  serial::TComm comm(std::make_unique<platform::components::TCommNotifyWindow>());
  comm.SetCommName(sim.port_path());
  comm.SetBaudRate(static_cast<std::uint32_t>(baud));
  comm.SetOutx_CtsFlow(false);
  comm.SetOutx_DsrFlow(false);
  comm.SetReadIntervalTimeout(interval);

  // The live-value read: address, function 3, register 0, 6 registers.
  instrument_sim::Bytes request = {address, 0x03, 0x00, 0x00, 0x00, 0x06};
  instrument_sim::append_crc(request);
  const std::size_t reply_size = 5 + 2 * 6;

  std::size_t received = 0;
  bool bad_reply = false;
  instrument_sim::Bytes reply;
  comm.OnReceiveData = [&](serial::TComm*, const void* buffer, std::uint16_t length) {
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    reply.insert(reply.end(), p, p + length);
    received += length;
  };
  int hangups = 0;
  comm.OnRequestHangup = [&](serial::TComm*) { ++hangups; };

  try {
    comm.OpenPort();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "cannot open %s: %s\n", sim.port_path().c_str(), e.what());
    return 1;
  }

  std::vector<double> micros;
  micros.reserve(static_cast<std::size_t>(exchanges));
  int lost = 0;
  for (int i = 0; i < exchanges + 20; ++i) {  // the first 20 warm up and are not counted
    received = 0;
    reply.clear();
    const auto start = Clock::now();
    if (!comm.SendData(request.data(), static_cast<std::uint16_t>(request.size()))) {
      std::fprintf(stderr, "SendData failed\n");
      return 1;
    }
    const auto deadline = start + std::chrono::seconds(2);
    while (received < reply_size && hangups == 0 && Clock::now() < deadline) {
      win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 100, win::QS_ALLINPUT);
      win::ProcessPendingMessages();
    }
    const auto end = Clock::now();
    if (hangups) {
      std::fprintf(stderr, "the line hung up\n");
      return 1;
    }
    if (received < reply_size) {
      ++lost;
      continue;
    }
    if (!instrument_sim::crc_ok(reply)) bad_reply = true;
    if (i >= 20) micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
  }
  comm.ClosePort();
  peer.request_stop();
  peer.join();

  if (micros.empty()) {
    std::fprintf(stderr, "no exchange completed\n");
    return 1;
  }
  const double line_us = static_cast<double>((request.size() + reply_size) * 10) * 1e6 / baud;
  std::printf("serial turn-around on a pty, %zu exchanges (%d lost), read interval %s\n", micros.size(), lost,
              interval == serial::kReadIntervalNone ? "none" : (std::to_string(interval) + " ms").c_str());
  std::printf("  median %.1f us   p90 %.1f us   p99 %.1f us   max %.1f us\n", percentile(micros, 0.5),
              percentile(micros, 0.9), percentile(micros, 0.99), percentile(micros, 1.0));
  std::printf("  the same %zu bytes on a real line at %d baud: %.1f us (median / line = %.3f)\n",
              request.size() + reply_size, baud, line_us, percentile(micros, 0.5) / line_us);
  if (bad_reply) std::printf("  some replies failed their CRC\n");
  return bad_reply ? 1 : 0;
}
