// Everything the console knows about the link, the conversation with the instrument and the report
// being written. The main window owns one ConsoleState; only the main thread touches it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace console {

// What the next reply answers. The values are fixed (12, 14 and 15 are unused).
enum class ReplyState : std::int32_t {
  rsIdle = 0,
  rsMeasure = 1,
  rsParams = 2,
  rsClock = 3,
  rsAlarmCounts = 4,
  rsAlarmRecord = 5,
  rsHistoryCounts = 6,
  rsHistoryRecords = 7,
  rsDayCounts = 8,
  rsDayRecords = 9,
  rsRangeCounts = 10,
  rsRangeRecords = 11,
  rsProbeManual = 13,
  rsProbeScan = 16,
  rsClockCheck = 17,
  rsModelManual = 18,
  rsModelScan = 19,
};

// The record memories a reading goes through, each with its own count of records left.
enum class RecordStream { None, History, Range, Day, Alarm };

constexpr std::size_t kFrameCapacity = 1024;
// Instrument numbers 0..247 each get a list of day files.
constexpr std::size_t kDayFileLists = 248;

// Baud rate of a BaudIndex (0 = 1200 .. 6 = 1000000); 0 for an index outside the table.
std::int32_t BaudOfIndex(std::uint8_t index);

struct ConsoleState {
  // Request and reply buffers.
  std::array<std::uint8_t, kFrameCapacity> TxFrame{};
  std::int32_t TxLength = 0;
  std::array<std::uint8_t, kFrameCapacity> RxFrame{};
  std::int32_t RxLength = 0;
  std::array<std::uint8_t, kFrameCapacity + 1> RxAccumulator{};
  std::int32_t RxAccumulatorCount = 0;

  // The conversation.
  std::uint8_t DeviceAddress = 0;
  console::ReplyState ReplyState = console::ReplyState::rsIdle;
  bool ContinuousRead = false;
  std::uint8_t PendingQuery = 0;     // 0 none, 1 by-date query written, 2 by-range query written
  std::uint8_t PostWriteAction = 0;  // 0 nothing, 1 adopt address and baud, 2/3 resume alarm/history
  std::uint8_t RetryCount = 0;
  std::int32_t SuccessCount = 0;
  std::int32_t FailureCount = 0;

  // The link.
  bool Connected = false;
  std::uint8_t BaudIndex = 0;
  std::vector<std::string> PortNames;
  std::optional<std::vector<std::string>> PortNamesLatest;  // empty until the first refresh
  std::int32_t ScanPortIndex = 0;
  std::uint8_t ScanBaudIndex = 0;

  // Records.
  std::int32_t PushRecordCount = 0;
  std::int32_t RecordNumber = 0;
  std::int32_t RecordsToRead = 0;
  std::int32_t FastReadBatch = 0;
  bool ExtendedCounters = false;
  // What the instrument's last counts said was still to be read, and of which record memory; the
  // next reply's count is held against it, less the records that reply carries. -1: not known.
  RecordStream LeftStream = RecordStream::None;
  std::int64_t RecordsLeft = -1;
  // Records of the reading under way that the instrument counted as read but no reply carried.
  std::int64_t MissingRecordCount = 0;

  // The report being written.
  std::int32_t ReportRow = 0;
  std::int32_t ReportSheetIndex = 0;
  std::int32_t SheetRowCount = 0;
  // Rows of the report that stand for missing records: the records they stand for in the whole
  // report, and the rows on the sheet being filled.
  std::int32_t ReportMissing = 0;
  std::int32_t SheetGapRows = 0;
  std::string ReportFileName;
  double ReportTime = 0.0;
  std::uint16_t ReportYear = 0, ReportMonth = 0, ReportDay = 0, ReportHour = 0, ReportMinute = 0,
                ReportSecond = 0, ReportMilliSecond = 0;
  std::string ReportFirstTime;
  std::string ReportLastTime;
  std::int32_t PdfLeft = 0, PdfGridY = 0, PdfTextY = 0, PdfRowCount = 0;

  // TF-card day files.
  std::vector<std::vector<std::string>> DayFileIndex = std::vector<std::vector<std::string>>(kDayFileLists);
  std::int32_t TfFirstDayIndex = 0, TfLastDayIndex = 0;
  double TfFirstDate = 0.0, TfLastDate = 0.0;
  std::string TfRoot;
};

// Hands bytes to the serial component; its result is deliberately ignored (a closed port drops the
// frame and the reply time-out takes over).
using FrameWriter = std::function<bool(std::span<const std::uint8_t>)>;

// Sends `frame` (at most kFrameCapacity bytes) from TxFrame: copies it there unless it already is
// TxFrame, writes it, records TxLength, drops any partial reply and waits 30 ms on the clock seam so
// the instrument has the line to itself. Always true.
bool SendFrame(ConsoleState& state, const FrameWriter& write, std::span<const std::uint8_t> frame);

}  // namespace console
