// instrument-sim: plays one temperature and humidity instrument on a pseudo-terminal.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "tools/instrument-sim/seed_file.h"
#include "tools/instrument-sim/simulator.h"
#include "tools/instrument-sim/tf_card.h"

namespace {

const char kHelp[] = R"(Usage: instrument-sim [options]

Plays one temperature and humidity instrument on a pseudo-terminal. It prints the path of its port
("port: /dev/pts/N") and serves requests until it is stopped with Ctrl-C. Point the console (or any
other program) at that path, or at the link given with --link, and connect.

The instrument answers only while the other side has set the port to the instrument's baud rate, so a
program that scans baud rates finds it at the right one. (A pty keeps no parity: --parity only sets
the instrument's parity register.)

Line:
  --address N        line address, 1..247 (default 1); the probe to 255 is always answered
  --baud R           9600, 19200, 115200 or 1000000 (default 9600)
  --parity P         N, E or O (default N)
  --link PATH        also make PATH a symbolic link to the port (removed on exit)
  --pace             send at the speed of the line: bytes x 10 / baud
  --verbose          print every frame in hex on stderr
  --saturate-byte-count
                     put 255 into the byte count of replies longer than 255 bytes (fast reads)
                     instead of the length's low byte

Instrument:
  --model M          model byte (default 0x14: temperature and humidity, series 4, 32-bit day
                     counts, interval in seconds); series 1..3 count days in 16 bits
  --options B        option bits (default 0x08)
  --firmware V       firmware version (default 12)
  --seed FILE        set the instrument up from FILE (statements: address, baud, parity, model,
                     sensor, param, clock-offset, history, alarm, generate-history,
                     generate-alarms, history-unread, alarm-unread; see seed_file.h and
                     tools/instrument-sim/example.seed); the other options override it
  --history N        without --seed: N history records, one a minute up to now (default 1440)
  --alarms N         without --seed: N alarm records (default 16)
  --unread N         history records that count as unread (default: all)
  --clock-offset S   instrument clock minus PC clock in seconds (360: the console offers to set it)
  --no-logging       do not log a new record at each recording interval while running

Reports the instrument pushes (the console acknowledges them):
  --push-live S      push the live values every S seconds
  --push-records S   push the newest records every S seconds

Faults, for trying the console's error handling (FAULT as below):
  --fault FAULT      apply to replies; with --fault-every N to every N-th reply only
    split:2,5[:GAP]  send the reply in pieces of 2, 5 and the rest bytes, GAP ms apart (50)
    delay:MS         send the reply MS ms late
    crc              corrupt the reply's CRC
    short[:KEEP]     cut the reply to KEEP bytes (default: all but the last three)
    foreign:ADDR     reply from address ADDR
    silent           do not reply
    exception:CODE   an exception reply with CODE (1 function, 2 register, 3 no data, ...)
    stray:F          send an unasked acknowledgement of function 5, 15 or 47 before the reply

TF card:
  --tf-card DIR      write the history as day files to DIR/THdb<address>/YYYYMMDD.hhw and exit

  --help             show this text
)";

volatile std::sig_atomic_t g_stop = 0;
void on_signal(int) { g_stop = 1; }

struct Options {
  std::optional<int> address;
  std::optional<int> baud;
  std::optional<char> parity;
  std::string link;
  bool pace = false;
  bool verbose = false;
  bool saturate = false;
  std::optional<int> model;
  std::optional<int> options;
  std::optional<int> firmware;
  std::string seed;
  long history = 1440;
  long alarms = 16;
  long unread = -1;
  std::optional<long> clock_offset;
  bool logging = true;
  long push_live = 0;
  long push_records = 0;
  std::vector<instrument_sim::Fault> faults;
  long fault_every = 1;
  std::string tf_card;
};

long number(const std::string& option, const std::string& text, long lo, long hi) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0' || v < lo || v > hi) {
    throw std::invalid_argument(option + " wants a number from " + std::to_string(lo) + " to " + std::to_string(hi));
  }
  return v;
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw std::invalid_argument(a + " needs a value");
      return argv[++i];
    };
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      std::exit(0);
    } else if (a == "--address") {
      o.address = static_cast<int>(number(a, value(), 1, 247));
    } else if (a == "--baud") {
      o.baud = static_cast<int>(number(a, value(), 1, 4000000));
    } else if (a == "--parity") {
      const std::string p = value();
      if (p != "N" && p != "E" && p != "O") throw std::invalid_argument("--parity is N, E or O");
      o.parity = p[0];
    } else if (a == "--link") {
      o.link = value();
    } else if (a == "--pace") {
      o.pace = true;
    } else if (a == "--verbose") {
      o.verbose = true;
    } else if (a == "--saturate-byte-count") {
      o.saturate = true;
    } else if (a == "--model") {
      o.model = static_cast<int>(number(a, value(), 0, 255));
    } else if (a == "--options") {
      o.options = static_cast<int>(number(a, value(), 0, 255));
    } else if (a == "--firmware") {
      o.firmware = static_cast<int>(number(a, value(), 0, 65535));
    } else if (a == "--seed") {
      o.seed = value();
    } else if (a == "--history") {
      o.history = number(a, value(), 0, 400000);
    } else if (a == "--alarms") {
      o.alarms = number(a, value(), 0, 65535);
    } else if (a == "--unread") {
      o.unread = number(a, value(), 0, 400000);
    } else if (a == "--clock-offset") {
      o.clock_offset = number(a, value(), -3153600000L, 3153600000L);
    } else if (a == "--no-logging") {
      o.logging = false;
    } else if (a == "--push-live") {
      o.push_live = number(a, value(), 1, 86400);
    } else if (a == "--push-records") {
      o.push_records = number(a, value(), 1, 86400);
    } else if (a == "--fault") {
      o.faults.push_back(instrument_sim::parse_fault(value()));
    } else if (a == "--fault-every") {
      o.fault_every = number(a, value(), 1, 1000000);
    } else if (a == "--tf-card") {
      o.tf_card = value();
    } else {
      throw std::invalid_argument("unknown option " + a + " (see --help)");
    }
  }
  if (o.faults.size() > 1) throw std::invalid_argument("give --fault once");
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace instrument_sim;
  try {
    const Options o = parse(argc, argv);
    Instrument ins;
    // Model and clock first: the generated records depend on them.
    if (o.model) ins.model().model = static_cast<std::uint8_t>(*o.model);
    if (o.clock_offset) ins.set_clock_offset(*o.clock_offset);
    if (!o.seed.empty()) {
      load_seed_file(o.seed, ins);
    } else {
      const std::int64_t now = to_seconds(ins.clock());
      const CivilTime first = from_seconds(now - now % 60 - 60 * o.history);
      for (const HistoryRecord& r : generate_history(first, 60, static_cast<std::size_t>(o.history))) ins.add_history(r);
      for (const AlarmRecord& r : generate_alarms(from_seconds(now - 1800 * o.alarms), static_cast<std::size_t>(o.alarms))) {
        ins.add_alarm(r);
      }
    }
    // Options on the command line override the seed.
    if (o.address) ins.set_address(*o.address);
    if (o.baud) ins.set_baud(*o.baud);
    if (o.parity) ins.set_parity(*o.parity);
    if (o.model) ins.model().model = static_cast<std::uint8_t>(*o.model);
    if (o.options) ins.model().options = static_cast<std::uint8_t>(*o.options);
    if (o.firmware) ins.model().version = static_cast<std::uint16_t>(*o.firmware);
    if (o.clock_offset) ins.set_clock_offset(*o.clock_offset);
    if (o.saturate) ins.byte_count_mode = ByteCountMode::kSaturate;
    if (o.unread >= 0) ins.set_history_unread(static_cast<std::uint32_t>(o.unread));

    if (!o.tf_card.empty()) {
      const std::vector<HistoryRecord> records(ins.history().begin(), ins.history().end());
      const auto files = write_tf_card(o.tf_card, ins.address(), records);
      std::printf("wrote %zu day files with %zu records to %s/THdb%d\n", files.size(), records.size(),
                  o.tf_card.c_str(), ins.address());
      return 0;
    }

    ins.set_logging(o.logging);
    Simulator sim(std::move(ins));
    if (!o.link.empty()) sim.port().create_link(o.link);
    sim.set_pacing(o.pace);
    if (o.verbose) sim.set_trace(&std::cerr);
    if (!o.faults.empty()) sim.faults().every(o.faults[0], static_cast<unsigned>(o.fault_every));

    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
    std::printf("port: %s\n", sim.port_path().c_str());
    if (!o.link.empty()) std::printf("link: %s\n", o.link.c_str());
    std::printf("instrument: address %d, %d baud, %c81, model 0x%02X, %zu history records (%u unread), %zu alarm records\n",
                sim.instrument().address(), sim.instrument().baud(), sim.instrument().parity(),
                sim.instrument().model().model, sim.instrument().history().size(),
                sim.instrument().history_unread(), sim.instrument().alarms().size());
    std::fflush(stdout);

    core::Clock& clock = core::current_clock();
    core::Millis next_live = clock.monotonic() + core::Millis(o.push_live * 1000);
    core::Millis next_records = clock.monotonic() + core::Millis(o.push_records * 1000);
    while (!g_stop) {
      sim.service(core::Millis(50));
      sim.instrument().tick();
      const core::Millis now = clock.monotonic();
      if (o.push_live && now >= next_live) {
        sim.push_live();
        next_live = now + core::Millis(o.push_live * 1000);
      }
      if (o.push_records && now >= next_records) {
        sim.push_records(kMaxPushedRecords);
        next_records = now + core::Millis(o.push_records * 1000);
      }
    }
    const SimulatorStats s = sim.stats();
    std::printf("served %zu frames, %zu replies, %zu at a wrong line setting, %zu pushes (%zu acknowledged)\n",
                s.frames, s.replies, s.wrong_line, s.pushes, s.push_acks);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "instrument-sim: %s\n", e.what());
    return 2;
  }
}
