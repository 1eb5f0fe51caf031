// Notes written by this library, read by python3-xlrd: the first sheet's drawing of a workbook
// made by Perl's writer is replaced by one built here, and xlrd reports its notes.
#include <gtest/gtest.h>

#include <filesystem>

#include "biff/drawing/tests/drawing_test_util.h"
#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "platform/storage/compound_file.h"

namespace ps = platform::storage;
namespace fs = std::filesystem;
using namespace biff;
using namespace drawing_test;

namespace {

// The workbook stream with the first worksheet's drawing records (first MSODRAWING up to the
// last NOTE) replaced by Drawing, and the sheet positions of BOUNDSHEET moved to match.
core::Bytes ReplaceFirstDrawing(const core::Bytes& Stream, const core::Bytes& Drawing) {
  std::vector<Rec> rs = Records(Stream);
  std::size_t first = 0, last = 0, sheetBof = 0;
  int bofs = 0;
  for (std::size_t i = 0; i < rs.size(); ++i) {
    if (rs[i].id == BIFFRECID_BOF_8 && ++bofs == 2) sheetBof = i;
    if (bofs != 2) continue;
    if (rs[i].id == BIFFRECID_MSODRAWING && first == 0) first = i;
    if (rs[i].id == BIFFRECID_NOTE) last = i;
  }
  EXPECT_GT(first, sheetBof);
  EXPECT_GT(last, first);
  std::vector<Rec> out(rs.begin(), rs.begin() + static_cast<std::ptrdiff_t>(first));
  const std::vector<Rec> mine = Records(Drawing);
  out.insert(out.end(), mine.begin(), mine.end());
  out.insert(out.end(), rs.begin() + static_cast<std::ptrdiff_t>(last + 1), rs.end());
  core::Bytes joined = Join(out);
  // BOUNDSHEET positions: recomputed from where each BOF now stands.
  std::vector<std::uint32_t> bofPos;
  for (std::size_t p = 0; p + 4 <= joined.size();) {
    if (core::load_le16(joined.data() + p) == BIFFRECID_BOF_8) bofPos.push_back(static_cast<std::uint32_t>(p));
    p += 4 + core::load_le16(joined.data() + p + 2);
  }
  int sheet = 1;
  for (std::size_t p = 0; p + 4 <= joined.size();) {
    if (core::load_le16(joined.data() + p) == 0x0085) core::store_le32(joined.data() + p + 4, bofPos.at(sheet++));
    p += 4 + core::load_le16(joined.data() + p + 2);
  }
  return joined;
}

}  // namespace

TEST(DrawingInterop, XlrdReadsNotesWrittenHere) {
  if (!core::testing::HavePythonModules("xlrd")) GTEST_SKIP() << "python3-xlrd is not installed";
  TEscherGroup group;
  TDrawingServices sv;
  sv.TextId = [] { return 7u; };
  TEscherDrawing d(&group, sv);
  TShapeClientAnchor& a = d.AddNote();
  auto& na = static_cast<TShapeOutsideMsoNote&>(*a.Outside);
  na.SetText(u"Humidity checked \u6e7f\u5ea6");
  na.Author = u"Lab";
  na.Col = 1;
  na.Row = 1;
  d.AddTextBox();
  TShapeClientAnchor& b = d.AddNote();
  auto& nb = static_cast<TShapeOutsideMsoNote&>(*b.Outside);
  nb.SetText(std::u16string(5000, u'x'));  // two text CONTINUE records
  nb.Author = u"QA";
  nb.Col = 3;
  nb.Row = 7;

  const ps::CompoundFile in = ps::CompoundFile::load(THC_DRAWING_FIXTURES "/perl_notes_chart.xls");
  const ps::Stream* wb = in.root().open_stream(u"Workbook");
  ASSERT_NE(wb, nullptr);
  ps::CompoundFile out;
  out.root().create_stream(u"Workbook").data = ReplaceFirstDrawing(wb->data, Write(d));
  const core::testing::TempDir dir("thc_drawing");
  const fs::path file = dir.path() / "notes.xls";
  ps::write_file_atomically(file.string(), out.serialize());
  const std::string script =
      "import xlrd,sys\n"
      "b=xlrd.open_workbook(sys.argv[1],formatting_info=True)\n"
      "s=b.sheet_by_index(0)\n"
      "for (r,c),n in sorted(s.cell_note_map.items()):\n"
      "  print(r,c,n.author,len(n.text),n.text[:8],n.text[-2:].encode('unicode_escape').decode())\n";
  const core::testing::ToolRun run =
      core::testing::RunTool("/usr/bin/python3 -c \"" + script + "\" " + core::testing::Quoted(file));
  const std::string& got = run.output;
  EXPECT_EQ(run.status, 0) << got;
  EXPECT_EQ(got, "1 1 Lab 19 Humidity \\u6e7f\\u5ea6\n"
                 "7 3 QA 5000 xxxxxxxx xx\n");
}
