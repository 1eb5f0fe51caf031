// Record download throughput of the console at 115200 baud. The main window (headless) connects to
// the instrument simulator on a pseudo-terminal, queries the unread history records and reads them
// all in one continuous reading, as the operator does with "连续读取"; the simulator writes its replies
// at the speed of the line (bytes x 10 / baud). Reports records per second and the ratio of the
// line's own limit that the reading reaches: the time the request and reply bytes need on the line,
// divided by the time the reading took. Real time throughout: the console's pauses count.
//
//   console_records_bench [fast records=3000] [single records=200]
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>
#include <thread>

#include "console/main_form.h"
#include "platform/components/controls.h"
#include "platform/win/controls.h"
#include "platform/win/display.h"
#include "platform/win/win.h"
#include "tools/instrument-sim/simulator.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace sim = instrument_sim;
namespace pc = platform::components;

constexpr int kBaud = 115200;

bool PumpUntil(const std::function<bool()>& done, std::chrono::seconds bound) {
  const auto deadline = Clock::now() + bound;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    platform::win::MsgWaitForMultipleObjects(0, nullptr, platform::win::FALSE, 5, platform::win::QS_ALLINPUT);
    pc::Application().ProcessMessages();
  }
  return true;
}

struct Result {
  int records = 0;
  double seconds = 0;
  double line_seconds = 0;
};

// One continuous reading of `count` unread records, `fast` with up to 100 records per request.
bool Measure(int count, bool fast, Result& out) {
  sim::Instrument inst;
  inst.set_baud(kBaud);
  for (const sim::HistoryRecord& r : sim::generate_history({2024, 1, 1, 0, 0, 0}, 60, static_cast<std::size_t>(count))) {
    inst.add_history(r);
  }
  sim::Simulator simulator(std::move(inst));
  simulator.set_pacing(true);
  std::jthread peer([&simulator](std::stop_token stop) { simulator.run(stop, std::chrono::milliseconds(2)); });

  auto* form = pc::Application().CreateForm<console::Tform1>([](console::Tform1& f) { f.Build(); });
  bool ok = false;
  do {
    form->ComboBox6->SetText(simulator.port_path());
    form->ComboBox7->SetItemIndex(2);  // 115200
    form->LabeledEdit14->SetText("1");
    form->BitBtn2Click(nullptr);
    if (!PumpUntil([&] { return form->Status(5) == "正常" && form->Status(7).rfind("TH", 0) == 0; }, std::chrono::seconds(10))) {
      std::fprintf(stderr, "no connection: %s\n", form->Status(5).c_str());
      break;
    }
    form->BitBtn17Click(nullptr);
    if (!PumpUntil([&] { return form->LabeledEdit16->Text() == std::to_string(count).substr(0, 6); }, std::chrono::seconds(10))) {
      std::fprintf(stderr, "no counts\n");
      break;
    }
    form->CheckBox3->SetChecked(true);
    form->CheckBox10->SetChecked(fast);
    form->CheckBox6->SetChecked(false);
    form->CheckBox2->SetChecked(false);
    const auto before = simulator.stats();
    const auto start = Clock::now();
    form->BitBtn19Click(nullptr);
    if (!PumpUntil([&] { return !form->State().ContinuousRead; }, std::chrono::seconds(600))) {
      std::fprintf(stderr, "the reading did not end\n");
      break;
    }
    const auto end = Clock::now();
    const auto after = simulator.stats();
    out.records = form->ListBox2->Count();
    out.seconds = std::chrono::duration<double>(end - start).count();
    // Requests are 8 bytes; a reply carries 5 bytes of frame, 8 of counts and 10 per record.
    const double requests = static_cast<double>(after.frames - before.frames);
    const double replies = static_cast<double>(after.replies - before.replies);
    const double bytes = requests * 8 + replies * 13 + 10.0 * out.records;
    out.line_seconds = bytes * 10 / kBaud;
    ok = out.records == count && form->State().FailureCount == 0;
    if (!ok) std::fprintf(stderr, "%d of %d records, %d failures\n", out.records, count, form->State().FailureCount);
  } while (false);
  form->Comm().ClosePort();
  delete form;
  peer.request_stop();
  return ok;
}

void Print(const char* what, const Result& r) {
  std::printf("  %-26s %6d records in %7.3f s: %8.1f records/s; line limit %8.1f records/s; ratio %.3f\n", what,
              r.records, r.seconds, r.records / r.seconds, r.records / r.line_seconds, r.line_seconds / r.seconds);
}

}  // namespace

int main(int argc, char** argv) {
  const int fast_count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3000;
  const int single_count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;

  // Start-up creates the report folder in the working folder: a scratch one.
  char tmpl[] = "/tmp/thc_records_bench_XXXXXX";
  if (!::mkdtemp(tmpl)) return 1;
  const std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(tmpl);

  platform::win::reset_window_system();
  platform::win::InitControls();
  Result fast, single;
  const bool ok = Measure(fast_count, true, fast) && Measure(single_count, false, single);
  pc::ResetApplication();
  platform::win::reset_window_system();
  std::filesystem::current_path(old);
  std::filesystem::remove_all(tmpl);
  if (!ok) return 1;

  std::printf("record download at %d baud through a paced pty (ratio = line time of the bytes / elapsed)\n", kBaud);
  Print("fast reading (100/request)", fast);
  Print("single records", single);
  return 0;
}
