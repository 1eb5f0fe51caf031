// The instrument's answers, frame by frame, without a line in between.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/clock.h"
#include "core/strings.h"
#include "tools/instrument-sim/frame_assembler.h"
#include "tools/instrument-sim/instrument.h"

namespace instrument_sim {
namespace {

Bytes hex(const std::string& text) {
  Bytes out;
  std::string digits;
  for (char c : text) {
    if (c != ' ') digits += c;
  }
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) out.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  return out;
}

Bytes with_crc(Bytes b) {
  append_crc(b);
  return b;
}

std::string show(const std::optional<Bytes>& b) {
  if (!b) return "(none)";
  return core::to_hex(b->data(), b->size(), true);
}

// Sends a request (CRC added) and returns the reply without its CRC, after checking the CRC.
std::optional<Bytes> ask(Instrument& ins, const std::string& request) {
  std::optional<Bytes> reply = ins.handle(with_crc(hex(request)));
  if (!reply) return std::nullopt;
  EXPECT_TRUE(crc_ok(*reply)) << show(reply);
  reply->resize(reply->size() - 2);
  return reply;
}

std::uint32_t u32(const Bytes& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) | (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}
std::uint16_t u16(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]); }

class ProtocolTest : public ::testing::Test {
protected:
  // 2026-05-05 12:00:00 UTC; the instrument's clock follows it.
  core::VirtualClock clock_{core::WallTime{} + std::chrono::seconds(1777982400)};
  core::ScopedClock scoped_{clock_};
};

TEST(Crc, MatchesTheLineExamples) {
  EXPECT_EQ(crc16({}), 0xFFFF);
  EXPECT_EQ(with_crc(hex("01 03 00 00 00 06")), hex("01 03 00 00 00 06 C5 C8"));
  EXPECT_TRUE(crc_ok(hex("01 03 00 00 00 06 C5 C8")));
  EXPECT_FALSE(crc_ok(hex("01 03 00 00 00 06 C8 C5")));
  EXPECT_FALSE(crc_ok(hex("C5 C8")));
}

TEST(FrameAssembler, CutsFramesByFunctionCode) {
  FrameAssembler a;
  const Bytes read = with_crc(hex("01 03 00 00 00 06"));
  const Bytes write = with_crc(hex("01 10 00 DE 00 01 02 00 01"));
  const Bytes unknown = with_crc(hex("01 41 12"));
  // Arriving in odd pieces, with noise in front that the resynchronisation skips.
  Bytes stream = hex("55 AA");
  for (const Bytes* b : {&read, &write, &unknown}) stream.insert(stream.end(), b->begin(), b->end());
  std::vector<Bytes> frames;
  for (std::size_t at = 0; at < stream.size(); at += 3) {
    a.feed(ByteSpan(stream).subspan(at, std::min<std::size_t>(3, stream.size() - at)));
    while (auto f = a.next()) frames.push_back(*f);
  }
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0], read);
  EXPECT_EQ(frames[1], write);
  EXPECT_EQ(frames[2], unknown);
  EXPECT_EQ(a.pending(), 0u);
  EXPECT_EQ(a.dropped_bytes(), 2u);
}

TEST(FrameAssembler, TakesTheAcknowledgementItWaitsFor) {
  // An 8-byte echo of a pushed function-16 report has no byte count where a request has one.
  const Bytes ack = with_crc(hex("01 10 00 07 00 0E"));
  FrameAssembler a;
  a.feed(ByteSpan(ack).first(7));
  EXPECT_FALSE(a.next(&ack));
  a.feed(ByteSpan(ack).subspan(7));
  EXPECT_EQ(a.next(&ack), ack);
  // An acknowledgement nobody waits for (a wrong echo) is still cut as one 8-byte frame, so the request
  // after it is not swallowed, and the instrument gives it no answer.
  const Bytes read = with_crc(hex("01 03 00 00 00 06"));
  FrameAssembler b;
  b.feed(ack);
  b.feed(read);
  EXPECT_EQ(b.next(), ack);
  EXPECT_EQ(b.next(), read);
  Instrument ins;
  EXPECT_FALSE(ins.handle(ack));
}

struct Exchange {
  const char* name;
  const char* request;
  const char* reply;  // nullptr: no answer
};

class Exchanges : public ProtocolTest, public ::testing::WithParamInterface<Exchange> {};

TEST_P(Exchanges, AnswerAsTheLineExpects) {
  Instrument ins;
  ins.set_sensor(235, 600);
  const Exchange& e = GetParam();
  const std::optional<Bytes> reply = ask(ins, e.request);
  if (!e.reply) {
    EXPECT_FALSE(reply) << show(reply);
  } else {
    EXPECT_EQ(show(reply), show(hex(e.reply)));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Requests, Exchanges,
    ::testing::Values(
        // Live values: 23.5, 60.0, dew point 15.3, relays open, no alarm.
        Exchange{"live", "01 03 00 00 00 06", "01 03 0C 00 EB 02 58 00 99 00 00 00 00 00 00"},
        Exchange{"probe", "FF 03 00 C8 00 01", "01 03 02 00 01"},
        Exchange{"probe_other_register", "FF 03 00 C9 00 01", nullptr},
        Exchange{"probe_two_registers", "FF 03 00 C8 00 02", nullptr},
        Exchange{"other_address", "02 03 00 00 00 06", nullptr},
        Exchange{"unknown_function", "01 41 00 00", "01 C1 01"},
        Exchange{"coil_write_unsupported", "01 05 00 00 FF 00", "01 85 01"},
        Exchange{"unmapped_register", "01 03 00 E7 00 01", "01 83 02"},
        Exchange{"read_across_a_gap", "01 03 00 E6 00 04", "01 83 02"},
        Exchange{"count_zero", "01 03 00 00 00 00", "01 83 03"},
        Exchange{"count_too_large", "01 03 00 C8 00 7E", "01 83 03"},
        Exchange{"clock_start", "01 03 00 E3 00 03", "01 03 06 12 01 01 00 00 00"},
        Exchange{"model", "01 2E EA DF 00 02", "01 2E 04 14 08 00 0C"},
        Exchange{"custom_unknown", "01 2E 00 00 00 02", "01 AE 02"},
        Exchange{"custom_write", "01 2F EA E0 00 02 04 00 01 00 02", "01 2F EA E0 00 02"},
        Exchange{"custom_write_outside", "01 2F EA E3 00 02 04 00 01 00 02", "01 AF 02"},
        Exchange{"energy", "01 06 00 E6 00 04", "01 06 00 E6 00 04"},
        Exchange{"energy_too_high", "01 06 00 E6 00 05", "01 86 03"},
        Exchange{"energy_negative", "01 06 00 E6 FF FF", "01 86 03"},
        Exchange{"clear_wrong_value", "01 06 01 2C 00 02", "01 86 03"},
        Exchange{"address_zero", "01 06 00 C8 00 00", "01 86 03"},
        Exchange{"address_248", "01 06 00 C8 00 F8", "01 86 03"},
        Exchange{"no_baud_selected", "01 06 00 C9 FF FF", "01 86 03"},
        Exchange{"write_unmapped", "01 06 01 00 00 01", "01 86 02"},
        Exchange{"recording_off", "01 10 00 DE 00 01 02 00 00", "01 10 00 DE 00 01"},
        Exchange{"alarm_output_on", "01 10 00 E9 00 01 02 00 03", "01 10 00 E9 00 01"},
        Exchange{"byte_count_mismatch", "01 10 00 DE 00 01 04 00 00 00 00", "01 90 03"},
        Exchange{"write_multiple_unmapped", "01 10 01 00 00 01 02 00 01", "01 90 02"},
        Exchange{"clock_not_a_date", "01 10 00 E0 00 03 06 12 02 1E 00 00 00", "01 90 03"},
        Exchange{"history_unread_above_total", "01 10 07 D2 00 02 04 00 00 00 01", "01 90 03"},
        Exchange{"range_records_without_query", "01 03 13 88 00 09", "01 83 03"},
        Exchange{"range_counts_without_query", "01 03 0F A0 00 04", "01 03 08 00 00 00 00 00 00 00 00"},
        Exchange{"history_empty", "01 03 00 07 00 09", "01 83 03"},
        Exchange{"history_bad_count", "01 03 00 07 00 0A", "01 83 03"},
        Exchange{"alarm_counts", "01 03 03 E8 00 02", "01 03 04 00 00 00 00"},
        Exchange{"alarm_empty", "01 03 03 E8 00 07", "01 83 03"}),
    [](const ::testing::TestParamInfo<Exchange>& info) { return std::string(info.param.name); });

TEST_F(ProtocolTest, AlarmRecordsAreReadOldestUnreadFirst) {
  Instrument ins;
  for (const AlarmRecord& r : generate_alarms(CivilTime{2018, 4, 8, 9, 5, 7}, 3)) ins.add_alarm(r);
  EXPECT_EQ(show(ask(ins, "01 03 03 E8 00 02")), show(hex("01 03 04 00 03 00 03")));
  // counts after the read, then value, class, kind, time
  EXPECT_EQ(show(ask(ins, "01 03 03 E8 00 07")), show(hex("01 03 0E 00 03 00 02 01 64 02 01 12 04 08 09 05 07")));
  EXPECT_EQ(show(ask(ins, "01 03 03 E8 00 07")), show(hex("01 03 0E 00 03 00 01 00 01 01 01 12 04 08 09 23 07")));
  EXPECT_EQ(show(ask(ins, "01 03 03 E8 00 07")), show(hex("01 03 0E 00 03 00 00 01 5C 02 02 12 04 08 0A 05 07")));
  EXPECT_EQ(show(ask(ins, "01 03 03 E8 00 07")), show(hex("01 83 03")));
  // The unread count is set back, within the records held.
  EXPECT_EQ(show(ask(ins, "01 06 03 E9 00 02")), show(hex("01 06 03 E9 00 02")));
  EXPECT_EQ(ins.alarm_unread(), 2);
  EXPECT_EQ(show(ask(ins, "01 06 03 E9 00 04")), show(hex("01 86 03")));
  EXPECT_EQ(ins.alarm_unread(), 2);
}

TEST_F(ProtocolTest, FastHistoryReadsConsumeUpToOneHundredRecords) {
  Instrument ins;
  const auto records = generate_history(CivilTime{2018, 4, 8, 0, 0, 0}, 60, 250);
  for (const HistoryRecord& r : records) ins.add_history(r);
  EXPECT_EQ(show(ask(ins, "01 03 00 07 00 04")), show(hex("01 03 08 00 00 00 FA 00 00 00 FA")));

  std::size_t next = 0;
  for (const std::uint32_t expected_after : {150u, 50u, 0u}) {
    const std::optional<Bytes> full = ins.handle(with_crc(hex("01 03 00 07 01 F8")));  // 504 registers
    ASSERT_TRUE(full);
    ASSERT_TRUE(crc_ok(*full));
    const std::size_t n = std::min<std::size_t>(100, 250 - next);
    ASSERT_EQ(full->size(), 3 + 8 + 10 * n + 2);
    EXPECT_EQ((*full)[2], static_cast<std::uint8_t>((8 + 10 * n) & 0xFF));  // the one-byte count wraps
    EXPECT_EQ(u32(*full, 3), 250u);
    EXPECT_EQ(u32(*full, 7), expected_after);
    for (std::size_t i = 0; i < n; ++i) {
      EXPECT_EQ(decode_history_record(full->data() + 11 + 10 * i), records[next + i]) << i;
    }
    next += n;
  }
  EXPECT_EQ(show(ask(ins, "01 03 00 07 01 F8")), show(hex("01 83 03")));

  // Reset the unread count (32-bit) and read singly, with the byte count that fits.
  EXPECT_EQ(show(ask(ins, "01 10 07 D2 00 02 04 00 00 00 02")), show(hex("01 10 07 D2 00 02")));
  const std::optional<Bytes> one = ask(ins, "01 03 00 07 00 09");
  ASSERT_TRUE(one);
  EXPECT_EQ((*one)[2], 18);
  EXPECT_EQ(u32(*one, 7), 1u);
  EXPECT_EQ(decode_history_record(one->data() + 11), records[248]);

  // A reply longer than 255 bytes may also carry 255 in its count byte.
  ins.set_history_unread(100);
  ins.byte_count_mode = ByteCountMode::kSaturate;
  const std::optional<Bytes> saturated = ask(ins, "01 03 00 07 01 F8");
  ASSERT_TRUE(saturated);
  EXPECT_EQ((*saturated)[2], 0xFF);
  EXPECT_EQ(saturated->size(), 3u + 1008u);
}

TEST_F(ProtocolTest, DayQueryThenRecordsOneByOne) {
  struct Case {
    std::uint8_t model;
    const char* counts;       // the count read that fits the model
    const char* record;       // the record read that fits the model
    const char* wrong_counts;  // the other model's count read
  };
  for (const Case& c : {Case{0x11, "01 03 0B B8 00 02", "01 03 0B B8 00 07", "01 03 0B B8 00 04"},
                        Case{0x14, "01 03 0B B8 00 04", "01 03 0B B8 00 09", "01 03 0B B8 00 02"}}) {
    SCOPED_TRACE(c.model);
    Instrument ins;
    ins.model().model = c.model;
    // Three days: 7 April 23:00 .. 9 April 01:00, one record an hour.
    const auto records = generate_history(CivilTime{2018, 4, 7, 23, 0, 0}, 3600, 27);
    for (const HistoryRecord& r : records) ins.add_history(r);
    const bool wide = ins.extended_counters();
    EXPECT_EQ(wide, c.model == 0x14);

    EXPECT_EQ(show(ask(ins, "01 10 0B B8 00 02 04 12 04 0A 00")), show(hex("01 90 03")));  // no records on the 10th
    EXPECT_EQ(show(ask(ins, "01 10 0B B8 00 02 04 12 02 1E 00")), show(hex("01 90 03")));  // 30 February
    EXPECT_EQ(show(ask(ins, "01 10 0B B8 00 02 04 12 04 08 00")), show(hex("01 10 0B B8 00 02")));
    EXPECT_EQ(show(ask(ins, c.wrong_counts)), show(hex("01 83 02")));
    const std::optional<Bytes> counts = ask(ins, c.counts);
    ASSERT_TRUE(counts);
    EXPECT_EQ(wide ? u32(*counts, 3) : u16(*counts, 3), 24u);
    EXPECT_EQ(wide ? u32(*counts, 7) : u16(*counts, 5), 24u);
    for (std::uint32_t left = 23;; --left) {
      const std::optional<Bytes> r = ask(ins, c.record);
      ASSERT_TRUE(r);
      ASSERT_EQ(r->size(), wide ? 21u : 17u);
      EXPECT_EQ(wide ? u32(*r, 7) : u16(*r, 5), left);
      EXPECT_EQ(decode_history_record(r->data() + (wide ? 11 : 7)), records[1 + 23 - left]);
      if (left == 0) break;
    }
    EXPECT_EQ(show(ask(ins, c.record)), show(hex("01 83 03")));
    // Reading a day does not touch the unread count of the history.
    EXPECT_EQ(ins.history_unread(), 27u);
  }
}

TEST_F(ProtocolTest, RangeQueryThenFastReads) {
  Instrument ins;
  const auto records = generate_history(CivilTime{2018, 4, 1, 0, 0, 0}, 3600 * 6, 40);  // 4 a day, 10 days
  for (const HistoryRecord& r : records) ins.add_history(r);
  EXPECT_EQ(show(ask(ins, "01 10 0F A0 00 04 08 12 04 0B 00 12 04 0C 00")), show(hex("01 90 03")));
  EXPECT_EQ(show(ask(ins, "01 10 0F A0 00 04 08 12 04 03 00 12 04 07 00")), show(hex("01 10 0F A0 00 04")));
  EXPECT_EQ(show(ask(ins, "01 03 0F A0 00 04")), show(hex("01 03 08 00 00 00 14 00 00 00 14")));
  // 5 x 7 + 4 registers: seven records, then the thirteen left in two steps.
  std::size_t next = 8;
  for (const auto& [count, n, left] : {std::tuple{"00 27", 7u, 13u}, std::tuple{"01 F8", 13u, 0u}}) {
    const std::optional<Bytes> r = ask(ins, std::string("01 03 13 88 ") + count);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->size(), 11 + 10 * n);
    EXPECT_EQ(u32(*r, 3), 20u);
    EXPECT_EQ(u32(*r, 7), left);
    for (std::size_t i = 0; i < n; ++i) EXPECT_EQ(decode_history_record(r->data() + 11 + 10 * i), records[next + i]);
    next += n;
  }
  EXPECT_EQ(show(ask(ins, "01 03 13 88 00 09")), show(hex("01 83 03")));
  EXPECT_EQ(ins.history_unread(), 40u);
}

TEST_F(ProtocolTest, ClockIsSetAndKeepsRunning) {
  Instrument ins;
  EXPECT_EQ(show(ask(ins, "01 03 00 E0 00 03")), show(hex("01 03 06 1A 05 05 0C 00 00")));
  EXPECT_EQ(show(ask(ins, "01 10 00 E0 00 03 06 18 03 05 07 08 09")), show(hex("01 10 00 E0 00 03")));
  clock_.advance(std::chrono::seconds(65));
  EXPECT_EQ(show(ask(ins, "01 03 00 E0 00 03")), show(hex("01 03 06 18 03 05 07 09 0E")));
  // Both the date and the time changed: two remote-setting records.
  ASSERT_EQ(ins.alarms().size(), 2u);
  EXPECT_EQ(ins.alarms()[0].kind, kSettingDate);
  EXPECT_EQ(ins.alarms()[1].kind, kSettingTime);
  EXPECT_EQ(ins.alarms()[1].alarm_class, kRemoteSetting);
  // The recording start time is stored as given, and must be a date too.
  EXPECT_EQ(show(ask(ins, "01 10 00 E3 00 03 06 18 0D 01 00 00 00")), show(hex("01 90 03")));
  EXPECT_EQ(show(ask(ins, "01 10 00 E3 00 03 06 18 02 1D 17 3B 3B")), show(hex("01 10 00 E3 00 03")));
  EXPECT_EQ(show(ask(ins, "01 03 00 E3 00 03")), show(hex("01 03 06 18 02 1D 17 3B 3B")));
}

TEST_F(ProtocolTest, ParameterBlockChangesAddressAndBaudAfterTheAcknowledgement) {
  Instrument ins;
  std::string block = "01 10 00 C8 00 18 30";
  Bytes values;
  for (int r = 200; r < 224; ++r) {
    std::uint16_t v = ins.param(static_cast<std::uint16_t>(r));
    if (r == 200) v = 5;
    if (r == 201) v = 1;
    if (r == 216) v = 5817;
    block += core::format(" %02X %02X", v >> 8, v & 0xFF);
  }
  const Bytes request = with_crc(hex(block));
  ASSERT_EQ(request.size(), 57u);
  EXPECT_EQ(show(ask(ins, block)), show(hex("01 10 00 C8 00 18")));  // from the old address
  EXPECT_EQ(ins.address(), 5);
  EXPECT_EQ(ins.baud(), 19200);
  EXPECT_FALSE(ask(ins, "01 03 00 00 00 06"));
  EXPECT_TRUE(ask(ins, "05 03 00 00 00 06"));
  EXPECT_EQ(show(ask(ins, "FF 03 00 C8 00 01")), show(hex("05 03 02 00 05")));
  // Each changed setting is logged as a remote change: address, baud rate, password.
  ASSERT_EQ(ins.alarms().size(), 3u);
  EXPECT_EQ(ins.alarms()[0].kind, 1);
  EXPECT_EQ(ins.alarms()[0].value, 5);
  EXPECT_EQ(ins.alarms()[1].kind, 2);
  EXPECT_EQ(ins.alarms()[2].kind, 17);
  EXPECT_EQ(ins.alarms()[2].value, 5817);
  // A block with one value out of range changes nothing.
  EXPECT_EQ(show(ask(ins, "05 10 00 C8 00 02 04 00 07 FF FF")), show(hex("05 90 03")));
  EXPECT_EQ(ins.address(), 5);
}

TEST_F(ProtocolTest, ClearRecordsWantsTheConfirmation) {
  Instrument ins;
  for (const HistoryRecord& r : generate_history(CivilTime{2018, 4, 8, 0, 0, 0}, 60, 10)) ins.add_history(r);
  for (const AlarmRecord& r : generate_alarms(CivilTime{2018, 4, 8, 0, 0, 0}, 4)) ins.add_alarm(r);
  EXPECT_EQ(show(ask(ins, "01 06 01 2C 00 01")), show(hex("01 06 01 2C 00 01")));
  EXPECT_TRUE(ins.history().empty());
  EXPECT_EQ(ins.history_unread(), 0u);
  ASSERT_EQ(ins.alarms().size(), 1u);  // only the clearing itself
  EXPECT_EQ(ins.alarms()[0].alarm_class, kRemoteSetting);
  EXPECT_EQ(ins.alarms()[0].kind, kSettingClearRecords);
  EXPECT_EQ(ins.alarm_unread(), 1);
}

TEST_F(ProtocolTest, AlarmsFollowTheLimitsWithHysteresis) {
  Instrument ins;  // high temperature limit 35.0, hysteresis 0.1; DO1 linked to high temperature
  ins.set_sensor(360, 500);
  std::optional<Bytes> live = ask(ins, "01 03 00 00 00 06");
  ASSERT_TRUE(live);
  EXPECT_EQ(u16(*live, 13), 1);  // alarm code: high temperature
  EXPECT_EQ(u16(*live, 9), 1);   // DO1 closed
  ins.set_sensor(350, 500);      // at the limit but inside the hysteresis band
  live = ask(ins, "01 03 00 00 00 06");
  EXPECT_EQ(u16(*live, 13), 1);
  ins.set_sensor(349, 500);
  live = ask(ins, "01 03 00 00 00 06");
  EXPECT_EQ(u16(*live, 13), 0);
  EXPECT_EQ(u16(*live, 9), 0);
  ASSERT_EQ(ins.alarms().size(), 4u);
  EXPECT_EQ(ins.alarms()[0].alarm_class, kAlarmEvent);
  EXPECT_EQ(ins.alarms()[0].kind, kHighTemperature);
  EXPECT_EQ(ins.alarms()[0].value, 360);
  EXPECT_EQ(ins.alarms()[1].alarm_class, kRelayEvent);
  EXPECT_EQ(ins.alarms()[1].value, 1);
  EXPECT_EQ(ins.alarms()[2].kind, kHighTemperatureCleared);
  EXPECT_EQ(ins.alarms()[3].alarm_class, kRelayEvent);
  EXPECT_EQ(ins.alarms()[3].value, 0);
  // Calibration offsets apply to what is reported.
  ins.set_param(reg::kTemperatureCalibration, static_cast<std::uint16_t>(-15));
  live = ask(ins, "01 03 00 00 00 02");
  EXPECT_EQ(static_cast<std::int16_t>(u16(*live, 3)), 334);
}

TEST_F(ProtocolTest, LoggingAppendsARecordEachInterval) {
  Instrument ins;
  ins.model().model = 0x11;  // interval in minutes
  ins.set_param(reg::kInterval, 2);
  ins.set_logging(true);
  ins.tick();
  clock_.advance(std::chrono::minutes(7));
  ins.tick();
  ASSERT_EQ(ins.history().size(), 3u);
  EXPECT_EQ(ins.history_unread(), 3u);
  EXPECT_EQ(ins.history()[0].time, (CivilTime{2026, 5, 5, 12, 2, 0}));
  EXPECT_EQ(ins.history()[2].time, (CivilTime{2026, 5, 5, 12, 6, 0}));
  ins.set_param(reg::kRecording, 0);
  clock_.advance(std::chrono::minutes(10));
  ins.tick();
  EXPECT_EQ(ins.history().size(), 3u);
}

TEST_F(ProtocolTest, PushedReportsCarryLiveValuesAndNewestRecords) {
  Instrument ins;
  ins.set_sensor(-100, 600);
  ins.set_battery(87);
  const auto records = generate_history(CivilTime{2018, 4, 8, 0, 0, 0}, 60, 30);
  for (const HistoryRecord& r : records) ins.add_history(r);
  ins.set_history_unread(4);
  const Bytes live = ins.live_push();
  ASSERT_TRUE(crc_ok(live));
  ASSERT_EQ(live.size(), 31u);
  EXPECT_EQ(show(Bytes(live.begin(), live.begin() + 9)), show(hex("01 10 00 00 00 0B 16 FF 9C")));
  EXPECT_EQ(u16(live, 19), 87);
  EXPECT_EQ(u32(live, 21), 30u);
  EXPECT_EQ(u32(live, 25), 4u);

  const Bytes two = ins.record_push(2);
  ASSERT_TRUE(crc_ok(two));
  EXPECT_EQ(show(Bytes(two.begin(), two.begin() + 7)), show(hex("01 10 00 07 00 0E 1C")));
  ASSERT_EQ(two.size(), 7u + 28u + 2u);
  EXPECT_EQ(decode_history_record(two.data() + 15), records[28]);
  EXPECT_EQ(decode_history_record(two.data() + 25), records[29]);
  // The byte count stays within its byte.
  EXPECT_EQ(ins.record_push(100)[6], 8 + 10 * kMaxPushedRecords);
}

}  // namespace
}  // namespace instrument_sim
