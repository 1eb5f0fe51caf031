#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <sstream>

#include "tools/instrument-sim/faults.h"
#include "tools/instrument-sim/seed_file.h"
#include "tools/instrument-sim/tf_card.h"

namespace instrument_sim {
namespace {

TEST(CivilTime, RoundTripsAndChecksCalendarDates) {
  for (const CivilTime t : {CivilTime{2000, 1, 1, 0, 0, 0}, CivilTime{2016, 2, 29, 23, 59, 59},
                            CivilTime{2255, 12, 31, 12, 0, 1}}) {
    EXPECT_EQ(from_seconds(to_seconds(t)), t);
  }
  EXPECT_EQ(to_seconds(CivilTime{2018, 3, 1, 0, 0, 0}) - to_seconds(CivilTime{2018, 2, 28, 0, 0, 0}), 86400);
  EXPECT_FALSE(is_valid(CivilTime{2018, 2, 29, 0, 0, 0}));
  EXPECT_FALSE(is_valid(CivilTime{2018, 4, 31, 0, 0, 0}));
  EXPECT_FALSE(is_valid(CivilTime{1999, 12, 31, 0, 0, 0}));
  EXPECT_FALSE(is_valid(CivilTime{2256, 1, 1, 0, 0, 0}));
  EXPECT_FALSE(is_valid(CivilTime{2018, 4, 8, 24, 0, 0}));
}

TEST(TfCard, WritesOneFileOfTenByteRecordsPerDay) {
  const std::filesystem::path root = std::filesystem::path(::testing::TempDir()) / "isim_tf_card";
  std::filesystem::remove_all(root);
  // 7 April 22:00 to 9 April 04:00, every 2 hours: 1 + 12 + 3 records.
  const auto records = generate_history(CivilTime{2018, 4, 7, 22, 0, 0}, 7200, 16);
  const auto files = write_tf_card(root, 12, records);
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0], root / "THdb12" / "20180407.hhw");
  EXPECT_EQ(files[1].filename(), "20180408.hhw");
  EXPECT_EQ(files[2].filename(), "20180409.hhw");
  const std::size_t sizes[] = {10, 120, 30};
  std::size_t next = 0;
  for (std::size_t f = 0; f < files.size(); ++f) {
    std::ifstream in(files[f], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), sizes[f]);
    for (std::size_t at = 0; at < bytes.size(); at += kRecordSize) {
      EXPECT_EQ(decode_history_record(reinterpret_cast<const std::uint8_t*>(bytes.data() + at)), records[next++]);
    }
  }
  // The big-endian layout, byte for byte.
  Bytes one;
  append_record(one, HistoryRecord{-105, 653, CivilTime{2018, 4, 8, 9, 5, 7}});
  EXPECT_EQ(one, (Bytes{0xFF, 0x97, 0x02, 0x8D, 18, 4, 8, 9, 5, 7}));

  // Writing again replaces the day files instead of appending to them.
  write_tf_card(root, 12, records);
  EXPECT_EQ(std::filesystem::file_size(files[1]), 120u);
  EXPECT_THROW(write_tf_card(root, 248, records), std::invalid_argument);
  std::filesystem::remove_all(root);
}

TEST(SeedFile, SetsUpTheInstrument) {
  std::istringstream in(R"(# a seed
address 9
baud 115200
parity E
model 0x27 0x10 3
sensor -5.5 72.5
param 204 300          # high limit 30.0
history 2018-04-08 09:05:07 23.5 60.0
history 2018-04-08 09:15:07 23.7 59.5
generate-history 2018-04-09 00:00:00 3600 24
alarm 2018-04-08 09:05:07 2 1 356
generate-alarms 2018-04-09 00:00:00 5
history-unread 10
alarm-unread 2
)");
  Instrument ins;
  load_seed(in, ins);
  EXPECT_EQ(ins.address(), 9);
  EXPECT_EQ(ins.baud(), 115200);
  EXPECT_EQ(ins.parity(), 'E');
  EXPECT_EQ(ins.model().model, 0x27);
  EXPECT_EQ(ins.model().options, 0x10);
  EXPECT_EQ(ins.model().version, 3);
  EXPECT_EQ(ins.live().temperature, -55);
  EXPECT_EQ(ins.live().humidity, 725);
  EXPECT_EQ(ins.param(reg::kHighTemperature), 300);
  ASSERT_EQ(ins.history().size(), 26u);
  EXPECT_EQ(ins.history()[1], (HistoryRecord{237, 595, CivilTime{2018, 4, 8, 9, 15, 7}}));
  EXPECT_EQ(ins.history_unread(), 10u);
  ASSERT_EQ(ins.alarms().size(), 6u);
  EXPECT_EQ(ins.alarms()[0], (AlarmRecord{356, kAlarmEvent, 1, CivilTime{2018, 4, 8, 9, 5, 7}}));
  EXPECT_EQ(ins.alarm_unread(), 2);
}

TEST(SeedFile, TheExampleLoads) {
  Instrument ins;
  load_seed_file(std::string(INSTRUMENT_SIM_SOURCE_DIR) + "/example.seed", ins);
  EXPECT_EQ(ins.history().size(), 1442u);
  EXPECT_EQ(ins.history_unread(), 250u);
  EXPECT_EQ(ins.alarm_unread(), 5);
  EXPECT_EQ(ins.clock_offset(), 360);
}

TEST(SeedFile, ReportsTheLineOfAMistake) {
  struct Case {
    const char* text;
    int line;
  };
  for (const Case& c : {Case{"address 0", 1}, Case{"\naddress 248", 2}, Case{"baud 57600", 1},
                        Case{"parity X", 1}, Case{"history 2018-02-30 00:00:00 1 1", 1},
                        Case{"history 2018-04-08 00:00 1 1", 1}, Case{"sensor 1.5", 1}, Case{"sensor a b", 1},
                        Case{"# ok\n\nparam 199 1", 3}, Case{"model 0x100 0 0", 1}, Case{"colour blue", 1},
                        Case{"generate-history 2255-12-31 00:00:00 86400 3", 1}}) {
    SCOPED_TRACE(c.text);
    std::istringstream in(c.text);
    Instrument ins;
    try {
      load_seed(in, ins);
      ADD_FAILURE() << "accepted";
    } catch (const SeedError& e) {
      EXPECT_EQ(e.line(), c.line) << e.what();
    }
  }
}

TEST(FaultText, ParsesTheCommandLineForm) {
  const Fault split = parse_fault("split:2,5:20");
  EXPECT_EQ(split.kind, FaultKind::kSplit);
  EXPECT_EQ(split.pieces, (std::vector<std::size_t>{2, 5}));
  EXPECT_EQ(split.time, Millis(20));
  EXPECT_EQ(parse_fault("split:3").time, Millis(50));
  EXPECT_EQ(parse_fault("delay:1500").time, Millis(1500));
  EXPECT_EQ(parse_fault("crc").kind, FaultKind::kCorruptCrc);
  EXPECT_EQ(parse_fault("short").keep, 0u);
  EXPECT_EQ(parse_fault("short:4").keep, 4u);
  EXPECT_EQ(parse_fault("foreign:9").value, 9);
  EXPECT_EQ(parse_fault("silent").kind, FaultKind::kNoAnswer);
  EXPECT_EQ(parse_fault("exception:3").value, 3);
  EXPECT_EQ(parse_fault("stray:47").value, 47);
  for (const char* bad : {"", "split", "split:0", "split:2,x", "delay", "delay:-1", "crc:1", "foreign:256",
                          "exception:0", "stray:6", "bogus", "silent:1"}) {
    EXPECT_THROW(parse_fault(bad), std::invalid_argument) << bad;
  }
}

}  // namespace
}  // namespace instrument_sim
