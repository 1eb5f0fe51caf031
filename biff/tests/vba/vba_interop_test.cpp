// A workbook with a VBA project read and saved: python3-olefile lists the same storages and streams,
// with the same bytes, in the file read and in the file saved. Skipped only when olefile is absent.
#include <gtest/gtest.h>

#include <filesystem>

#include "biff/tests/vba/vba_fixture.h"
#include "biff/writer/tests/writer_test_support.h"
#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"

namespace biff::testing {
namespace {

namespace fs = std::filesystem;
using core::testing::HavePythonModules;
using core::testing::Quoted;
using core::testing::RunTool;

// olefile's list of the elements under "_VBA_PROJECT_CUR", each stream with its size and hash.
std::string ProjectListing(const fs::path& File) {
  const core::testing::ToolRun run =
      RunTool("/usr/bin/python3 " + Quoted(fs::path(THC_BIFF_TESTS) / "interop/olefile_dump.py") + " " + Quoted(File));
  EXPECT_EQ(run.status, 0) << run.output;
  std::string out;
  for (const std::string& line : core::testing::Lines(run.output))
    if (line.rfind("_VBA_PROJECT_CUR/", 0) == 0) out += line + "\n";
  return out;
}

TEST(VBAInterop, OlefileListsTheSameProjectInTheFileReadAndTheFileSaved) {
  if (!HavePythonModules("olefile")) GTEST_SKIP() << "python3-olefile not installed";
  core::testing::TempDir dir("thc_vba_interop");
  Book source;
  source.Cells(0)->WriteFloat(0, 0, 0, 42);
  const core::Bytes file = AddVBAProject(source.Write(), FixtureModules());
  Book b(true);
  b.doc->SetVBA(true);
  b.doc->ReadStream(file);
  ASSERT_EQ(b.doc->VBA()->ModuleCount(), 2);
  const fs::path read = dir.path() / "read.xls", saved = dir.path() / "saved.xls";
  platform::storage::write_file_atomically(read.string(), file);
  platform::storage::write_file_atomically(saved.string(), b.Write());
  const std::string want = ProjectListing(read);
  for (const char* stream : {"_VBA_PROJECT_CUR/VBA/dir\tS", "_VBA_PROJECT_CUR/VBA/Module1\tS",
                             "_VBA_PROJECT_CUR/VBA/ThisWorkbook\tS", "_VBA_PROJECT_CUR/PROJECT\tS"})
    EXPECT_NE(want.find(stream), std::string::npos) << stream << " in\n" << want;
  EXPECT_EQ(ProjectListing(saved), want);
}

}  // namespace
}  // namespace biff::testing
