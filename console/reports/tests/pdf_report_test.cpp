// The PDF report read back from its file: pages and page breaks, the grid of each page, balanced
// graphics states, the file name taken at the begin, the open question, and what an abort, a
// replaced report and a failing end leave in the data folder.
#include <dlfcn.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

#include "console/reports/tests/pdf_report_fixture.h"
#include "core/error.h"

// Watches the calls that make a save durable: while `g_disk_log` is set, every fsync and rename is
// written to it ("fsync <path>", "rename <from> -> <to>"), and an fsync of `g_failing_sync` fails (EIO).
namespace {
std::vector<std::string>* g_disk_log = nullptr;
std::filesystem::path g_failing_sync;

std::string FdPath(int fd) {
  char link[64], target[4096];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = ::readlink(link, target, sizeof target - 1);
  return n < 0 ? std::string() : std::string(target, static_cast<std::size_t>(n));
}
}  // namespace

extern "C" int fsync(int fd) {
  static const auto next = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
  if (g_disk_log) {
    const std::string path = FdPath(fd);
    g_disk_log->push_back("fsync " + path);
    if (!g_failing_sync.empty() && path == g_failing_sync.string()) {
      errno = EIO;
      return -1;
    }
  }
  return next(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
  static const auto next = reinterpret_cast<int (*)(const char*, const char*)>(::dlsym(RTLD_NEXT, "rename"));
  if (g_disk_log) g_disk_log->push_back(std::string("rename ") + from + " -> " + to);
  return next(from, to);
}

namespace console::test {
namespace {

namespace pc = platform::components;

// Logs the disk calls while alive.
class DiskLog {
public:
  DiskLog() { g_disk_log = &calls; }
  ~DiskLog() {
    g_disk_log = nullptr;
    g_failing_sync.clear();
  }
  DiskLog(const DiskLog&) = delete;
  DiskLog& operator=(const DiskLog&) = delete;
  std::vector<std::string> calls;
};

TEST(PdfValueTextTest, ShortestFormOfRegisterValues) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {static_cast<std::int16_t>(0xFF83) / 10.0, "-12.5"},    // a negative temperature register
      {static_cast<std::uint16_t>(0x03E8) / 10.0, "100"},     // no trailing zeros, no point
      {static_cast<std::uint16_t>(0x8000) / 10.0, "3276.8"},  // not 3276.8000000000002
      {static_cast<std::int16_t>(0x8000) / 10.0, "-3276.8"},
      {static_cast<std::uint16_t>(0xFFFF) / 10.0, "6553.5"},
      {235 / 10.0, "23.5"},
      {1 / 10.0, "0.1"},
      {-0.0, "0"},
      {0.0, "0"},
  };
  for (const auto& c : cases) EXPECT_EQ(PdfValueText(c.value), c.text) << c.value;
}

// Tops of the grid rows a report of `records` rows has on each page: the header box and 47 rows on
// the first page, 51 on each later one, and a new page as soon as one is full.
std::vector<std::vector<double>> ExpectedGrid(int records) {
  std::vector<std::vector<double>> pages{{73}};
  double top = 88;
  int on_page = 4;
  for (int i = 0; i < records; ++i) {
    pages.back().push_back(top);
    top += 15;
    if (++on_page == 51) {
      pages.emplace_back();
      on_page = 0;
      top = 43;
    }
  }
  return pages;
}

TEST_F(PdfReportTest, PagesAndGridFollowTheRecordCount) {
  const struct {
    int records;
    std::size_t pages;
  } cases[] = {
      {0, 1},    // the title, headers and header box alone
      {1, 1},  {46, 1},
      {47, 2},   // the first page is full: an empty second page follows
      {48, 2},   // the 48th row opens page 2 at 43..58
      {98, 3},   // 47 + 51 rows and an empty third page
      {99, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.records << " records");
    WriteReport(c.records);
    const PdfPages pages = ReadPdfPages(ReportPath());
    ASSERT_EQ(pages.contents.size(), c.pages);
    EXPECT_DOUBLE_EQ(pages.height, 842);
    const auto expected = ExpectedGrid(c.records);
    ASSERT_EQ(expected.size(), c.pages);
    for (std::size_t p = 0; p < c.pages; ++p) {
      SCOPED_TRACE(::testing::Message() << "page " << p + 1);
      std::vector<double> rows;
      const std::vector<double> tops = GridTops(pages.contents[p], pages.height);
      // Four rectangles share each row's top edge.
      ASSERT_EQ(tops.size() % 4, 0u);
      for (std::size_t i = 0; i < tops.size(); i += 4) {
        EXPECT_TRUE(tops[i] == tops[i + 1] && tops[i] == tops[i + 2] && tops[i] == tops[i + 3]) << tops[i];
        rows.push_back(tops[i]);
      }
      EXPECT_EQ(rows, expected[p]);
      // Each stroke's state is restored: the page's base state plus one for a stroke at most.
      const int nesting = StateNesting(pages.contents[p]);
      EXPECT_GE(nesting, 1);
      EXPECT_LE(nesting, 2);
    }
    std::filesystem::remove(ReportPath());
    clock_.advance(std::chrono::seconds(1));
  }
}

TEST_F(PdfReportTest, GridRowsSpanTheFourColumns) {
  WriteReport(1);
  const PdfPages pages = ReadPdfPages(ReportPath());
  ASSERT_EQ(pages.contents.size(), 1u);
  // The header box and the first record row: left edge 57, right edges 120, 210, 300 and 537.
  const std::string& c = pages.contents[0];
  for (const char* line : {"57 754 63 15 re", "57 754 153 15 re", "57 754 243 15 re", "57 754 480 15 re",
                           "57 739 63 15 re", "57 739 480 15 re"})
    EXPECT_NE(c.find(line), std::string::npos) << line;
}

TEST_F(PdfReportTest, FileNameIsFixedAtTheBeginAndTheQuestionOpensTheFile) {
  const struct {
    int button;
    std::size_t opened;
    bool handler_there;
  } cases[] = {{1, 1, true}, {2, 0, true}, {1, 1, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "button " << c.button << (c.handler_there ? "" : ", no application"));
    clock_.set_wall(core::WallTime{} + std::chrono::seconds(1396947903));  // 2014-04-08 09:05:03
    shell_.clear();
    shell_.set_result(c.handler_there);
    report_->BeginPdfReport("1", "温湿度历史记录:2014-04-08", 203);
    const std::string name = "温湿度1历史记录2014年4月8日9时5分3秒.pdf";
    EXPECT_EQ(state_.ReportFileName, name);
    EXPECT_TRUE(report_->Running());
    clock_.advance(std::chrono::seconds(897));  // ended at 09:20:00
    for (int i = 0; i < 3; ++i) AddRecord(i);
    const auto slept = clock_.slept();
    dialogs_->Expect(pc::DialogKind::kMessageBox, "询问", "导出成功，是否打开文件？", c.button);
    // Without an application for the file, the user is told so and where the file is.
    if (!c.handler_there) dialogs_->Expect(pc::DialogKind::kMessageBox, "错误", "无法打开文件", 1);
    report_->EndPdfReport();
    EXPECT_EQ(dialogs_->pending(), 0u);
    EXPECT_FALSE(report_->Running());
    EXPECT_GE(clock_.slept() - slept, std::chrono::milliseconds(1000));
    EXPECT_EQ(DataEntries(), std::vector<std::string>{name});
    ASSERT_EQ(shell_.calls().size(), c.opened);
    if (c.opened == 1) {
      EXPECT_EQ(shell_.calls()[0].target, (data_ / name).string());
      EXPECT_EQ(shell_.calls()[0].working_dir, data_.string());
    }
    std::filesystem::remove(data_ / name);
  }
}

TEST_F(PdfReportTest, AbortDropsTheReportAndItsPartialFile) {
  report_->BeginPdfReport("7", "温湿度历史记录", 300);
  for (int i = 0; i < 60; ++i) AddRecord(i);
  // Under way, only the hidden partial file exists.
  const auto during = DataEntries();
  ASSERT_EQ(during.size(), 1u);
  EXPECT_EQ(during[0].front(), '.');
  EXPECT_FALSE(std::filesystem::exists(ReportPath()));

  report_->AbortPdfReport();
  EXPECT_FALSE(report_->Running());
  EXPECT_TRUE(DataEntries().empty());
  // Nothing is under way any more: a second abort, a stray row and an end do nothing (no question).
  report_->AbortPdfReport();
  AddRecord(60);
  report_->EndPdfReport();
  EXPECT_TRUE(DataEntries().empty());

  // The next report is whole.
  clock_.advance(std::chrono::seconds(1));
  WriteReport(2);
  EXPECT_EQ(DataEntries(), std::vector<std::string>{state_.ReportFileName});
  EXPECT_EQ(ReadPdfPages(ReportPath()).contents.size(), 1u);
}

TEST_F(PdfReportTest, BeginReplacesAnUnendedReport) {
  report_->BeginPdfReport("1", "温湿度历史记录", 300);
  for (int i = 0; i < 10; ++i) AddRecord(i);
  const std::string first = state_.ReportFileName;
  clock_.advance(std::chrono::seconds(5));
  WriteReport(48);
  EXPECT_NE(state_.ReportFileName, first);
  // The unended report left no partial file; the new one holds only its own rows.
  EXPECT_EQ(DataEntries(), std::vector<std::string>{state_.ReportFileName});
  EXPECT_EQ(ReadPdfPages(ReportPath()).contents.size(), 2u);
}

TEST_F(PdfReportTest, BeginWithoutDataFolderRaisesAndLeavesNothing) {
  std::filesystem::remove_all(data_);
  EXPECT_ANY_THROW(report_->BeginPdfReport("1", "温湿度历史记录", 300));
  EXPECT_FALSE(report_->Running());
  EXPECT_FALSE(std::filesystem::exists(data_));
}

// Makes every write to a regular file beyond `bytes` fail (EFBIG) while alive.
class FileSizeLimit {
public:
  explicit FileSizeLimit(rlim_t bytes) {
    old_signal_ = ::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit lower = old_;
    lower.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lower);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, old_signal_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
  rlimit old_{};
  sighandler_t old_signal_ = SIG_DFL;
};

// The report's data and the folder's entry for it are on the disk before the rename publishes it.
TEST_F(PdfReportTest, EndFlushesTheFileAndItsFolderBeforeTheRename) {
  data_ = std::filesystem::canonical(data_);
  report_->BeginPdfReport("1", "温湿度历史记录", 300);
  for (int i = 0; i < 30; ++i) AddRecord(i);
  const std::string partial = (data_ / DataEntries().at(0)).string();
  const std::string final_path = ReportPath().string();
  DiskLog log;
  dialogs_->Expect(pc::DialogKind::kMessageBox, "询问", "导出成功，是否打开文件？", 2);
  report_->EndPdfReport();
  const auto at = [&log](const std::string& call) {
    return std::find(log.calls.begin(), log.calls.end(), call) - log.calls.begin();
  };
  const auto rename_at = at("rename " + partial + " -> " + final_path);
  ASSERT_LT(rename_at, std::ssize(log.calls)) << "published by a rename";
  EXPECT_LT(at("fsync " + partial), rename_at) << "file flushed before the rename";
  EXPECT_LT(at("fsync " + data_.string()), rename_at) << "folder flushed before the rename";
  EXPECT_EQ(DataEntries(), std::vector<std::string>{state_.ReportFileName});
}

// A data folder the user may not write to (a read-only mount holds even for root): the report raises
// the save error and nothing is left in the folder. Run in a child that has a private view of the
// mounts; skipped where the system gives none.
TEST_F(PdfReportTest, ReadOnlyDataFolderRaisesAndLeavesNothing) {
  enum Outcome { kRaised = 0, kSaved = 1, kOtherError = 2, kNoReadOnlyFolder = 77 };
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const char* folder = data_.c_str();
    if (::unshare(CLONE_NEWNS) != 0 && ::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) ::_exit(kNoReadOnlyFolder);
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount(folder, folder, nullptr, MS_BIND, nullptr) != 0 ||
        ::mount(nullptr, folder, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
      ::_exit(kNoReadOnlyFolder);
    try {
      report_->BeginPdfReport("1", "温湿度历史记录", 300);
      for (int i = 0; i < 30; ++i) AddRecord(i);
      report_->EndPdfReport();
    } catch (const core::Error&) {
      ::_exit(report_->Running() ? kOtherError : kRaised);
    } catch (...) {
      ::_exit(kOtherError);
    }
    ::_exit(kSaved);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kNoReadOnlyFolder) GTEST_SKIP() << "no private read-only mount here";
  EXPECT_EQ(WEXITSTATUS(status), kRaised);
  EXPECT_TRUE(DataEntries().empty());
}

TEST_F(PdfReportTest, FailingEndRaisesAndLeavesNoFileUnderTheFinalName) {
  enum class Fault { kNameTakenByFolder, kDataFolderGone, kWriteFails, kFlushFails };
  for (Fault fault : {Fault::kNameTakenByFolder, Fault::kDataFolderGone, Fault::kWriteFails, Fault::kFlushFails}) {
    SCOPED_TRACE(::testing::Message() << "fault " << static_cast<int>(fault));
    std::filesystem::create_directories(data_);
    report_->BeginPdfReport("1", "温湿度历史记录", 300);
    for (int i = 0; i < 120; ++i) AddRecord(i);
    const std::filesystem::path final_path = ReportPath();
    std::unique_ptr<FileSizeLimit> limit;
    std::unique_ptr<DiskLog> disk;
    switch (fault) {
      case Fault::kNameTakenByFolder:
        std::filesystem::create_directory(final_path);
        std::filesystem::create_directory(final_path / "keep");
        break;
      case Fault::kDataFolderGone: std::filesystem::remove_all(data_); break;
      case Fault::kWriteFails: limit = std::make_unique<FileSizeLimit>(4096); break;
      case Fault::kFlushFails:
        disk = std::make_unique<DiskLog>();
        g_failing_sync = std::filesystem::canonical(data_ / DataEntries().at(0));
        break;
    }
    // No question is asked.
    EXPECT_ANY_THROW(report_->EndPdfReport());
    limit.reset();
    disk.reset();
    EXPECT_FALSE(report_->Running());
    EXPECT_FALSE(std::filesystem::is_regular_file(final_path));
    if (std::filesystem::exists(data_)) {
      for (const std::string& name : DataEntries())
        EXPECT_EQ(data_ / name, final_path) << "left behind: " << name;  // only the folder put in the way
    }
    std::filesystem::remove_all(data_);
    clock_.advance(std::chrono::seconds(1));
  }
}

}  // namespace
}  // namespace console::test
