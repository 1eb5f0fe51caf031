// The record layouts, texts, sizes and requests, without a window.
#include "console/records.h"

#include <gtest/gtest.h>

#include "console/crc16.h"

namespace console {
namespace {

Frame WithCrc(Frame b) {
  AppendCrc(b);
  return b;
}

TEST(AlarmTexts, EveryClassAndTheKindsWithoutText) {
  struct Case {
    std::uint8_t cls, kind;
    std::int16_t value;
    const char* type;
    const char* text;
  };
  const Case cases[] = {
      {1, 1, 1, "DO1闭合", "1"},
      {1, 1, 0, "DO1打开", "0"},
      {1, 2, 0, "DO2打开", "0"},
      {1, 2, 1, "DO2闭合", "1"},
      {1, 3, 1, "", ""},
      {2, 1, 356, "高温告警", "35.6℃"},
      {2, 4, -52, "低温告警解除", "-5.2℃"},
      {2, 5, 853, "高湿告警", "85.3"},
      {2, 8, 210, "低湿告警解除", "21.0"},
      {2, 0, 1, "", ""},
      {2, 9, 1, "", ""},
      {3, 1, 12, "本地修改地址", "12"},
      {3, 5, 360, "本地修改高温告警", "36.0"},
      {4, 10, 15, "远程修改湿度缓冲值", "1.5"},
      {4, 17, 2, "远程修改用户密码", "2"},
      {4, 20, 11, "远程修改zigbee 频道", "11"},
      {3, 29, 0, "本地清除记录", "0"},
      {4, 26, 0, "远程修改时间", "0"},
      {4, 22, 5, "", ""},
      {3, 0, 5, "", ""},
      {4, 30, 5, "", ""},
      {0, 1, 5, "", ""},
      {5, 1, 5, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.cls) + "/" + std::to_string(c.kind));
    const AlarmTexts t = AlarmRecordTexts(c.cls, c.kind, c.value);
    EXPECT_EQ(t.type, c.type);
    EXPECT_EQ(t.value, c.text);
  }
  EXPECT_EQ(AlarmLine(5, AlarmRecordTexts(2, 1, 356), RecordTimeText(2018, 4, 8, 9, 5, 7)),
            "(5):高温告警:(35.6℃),2018-04-08 09:05:07");
}

TEST(HistoryRecords, DecodingAndLines) {
  const std::uint8_t bytes[] = {0xFF, 0x9C, 0x02, 0x58, 18, 4, 8, 9, 5, 7};
  const HistoryRecord r = DecodeHistoryRecord(bytes);
  EXPECT_EQ(r.temperature, -100);
  EXPECT_EQ(r.humidity, 600);
  EXPECT_EQ(RecordTimeText(r), "2018-04-08 09:05:07");
  EXPECT_EQ(HistoryLine(12, r), "(12):温度:-10.0,湿度:60.0;2018-04-08 09:05:07");
  EXPECT_EQ(DayLine(3, r), "(3):温度:-10.0,湿度:60.0;09:05:07");
  EXPECT_EQ(PushedRecordLine(0, r), "(0)温度:-10.0,湿度:60.0;2018-04-08 09:05:07");
  EXPECT_EQ(TenthsText(-5), "-0.5");
}

TEST(ReadingSizes, FastBatchesTimeOutsAndRecordsPresent) {
  struct Batch {
    std::int32_t to_read, batch;
    std::uint16_t quantity;
  };
  for (const Batch& b : {Batch{37, 37, 189}, Batch{250, 100, 504}, Batch{7, 7, 39}, Batch{0, 0, 4}, Batch{-3, 0, 4}}) {
    SCOPED_TRACE(b.to_read);
    EXPECT_EQ(FastReadBatch(b.to_read), b.batch);
    EXPECT_EQ(RecordReadQuantity(FastReadBatch(b.to_read)), b.quantity);
  }
  const std::uint32_t timeouts[] = {2000, 1500, 1000, 1500, 1000, 800, 600};
  for (std::uint8_t i = 0; i < 7; ++i) EXPECT_EQ(ContinuousReadTimeout(i), timeouts[i]);
  EXPECT_EQ(ContinuousReadTimeout(7), std::nullopt);

  // Records at 11.., the CRC after them.
  EXPECT_EQ(RecordsPresent(23, 11, 1), 1);
  EXPECT_EQ(RecordsPresent(22, 11, 1), 0);
  EXPECT_EQ(RecordsPresent(21, 11, 1), 0);
  EXPECT_EQ(RecordsPresent(13 + 1000, 11, 100), 100);
  EXPECT_EQ(RecordsPresent(13 + 999, 11, 100), 99);
  EXPECT_EQ(RecordsPresent(13 + 30, 11, 100), 3);
  EXPECT_EQ(RecordsPresent(13 + 30, 11, 2), 2);
  EXPECT_EQ(RecordsPresent(5, 11, 5), 0);
  EXPECT_EQ(RecordsPresent(19, 7, 1), 1);
  EXPECT_EQ(RecordsPresent(17, 7, 1), 0);

  const std::uint8_t big[] = {0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(LoadCount32(big), 0xFFFFFFFFu);
  EXPECT_EQ(ClampCount(0xFFFFFFFFu), 2147483647);
  EXPECT_EQ(ClampCount(37), 37);
}

TEST(RecordRequests, FramesAndTheirLimits) {
  EXPECT_EQ(DayQueryFrame(1, {2014, 4, 8}), WithCrc({1, 0x10, 0x0B, 0xB8, 0, 2, 0x04, 0x0E, 0x04, 0x08, 0x00}));
  EXPECT_EQ(RangeQueryFrame(3, {2000, 1, 1}, {2255, 12, 31}),
            WithCrc({3, 0x10, 0x0F, 0xA0, 0, 4, 8, 0, 1, 1, 0, 255, 12, 31, 0}));
  EXPECT_THROW(DayQueryFrame(1, {1999, 12, 31}), RangeError);
  EXPECT_THROW(RangeQueryFrame(1, {2014, 1, 1}, {2256, 1, 1}), RangeError);
  EXPECT_EQ(HistoryUnreadResetFrame(1, 2147483647), WithCrc({1, 0x10, 0x07, 0xD2, 0, 2, 4, 0x7F, 0xFF, 0xFF, 0xFF}));
  EXPECT_THROW(HistoryUnreadResetFrame(1, -1), RangeError);
  EXPECT_EQ(AlarmUnreadResetFrame(2, 0xFFFF), WithCrc({2, 6, 0x03, 0xE9, 0xFF, 0xFF}));
  EXPECT_EQ(RecordReadFrame(1, kRangeRegister, 504), WithCrc({1, 3, 0x13, 0x88, 0x01, 0xF8}));
  EXPECT_THROW(RecordReadFrame(1, kHistoryRegister, 505), RangeError);
  EXPECT_THROW(RecordReadFrame(1, kHistoryRegister, 3), RangeError);
  EXPECT_EQ(DayCountsFrame(1, true), WithCrc({1, 3, 0x0B, 0xB8, 0, 4}));
  EXPECT_EQ(DayCountsFrame(1, false), WithCrc({1, 3, 0x0B, 0xB8, 0, 2}));
  EXPECT_EQ(RangeCountsFrame(1), WithCrc({1, 3, 0x0F, 0xA0, 0, 4}));
}

}  // namespace
}  // namespace console
