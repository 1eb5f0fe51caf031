// Compound files against independent readers: python3-olefile and the npm package cfb list every
// storage and stream (with size and checksum) of files the project wrote, and the project reads
// files that other programs wrote exactly as they do.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "biff/stream/xls_stream.h"
#include "core/strings.h"
#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "core/unicode.h"

namespace fs = std::filesystem;
namespace ps = platform::storage;
using namespace biff;

namespace {

fs::path source_dir() {
  const char* s = std::getenv("THC_SOURCE_DIR");
  return s ? fs::path(s) : fs::current_path().parent_path();
}
fs::path interop_dir() { return source_dir() / "biff" / "tests" / "interop"; }
fs::path fixtures_dir() { return source_dir() / "biff" / "tests" / "fixtures"; }

std::uint32_t fnv(const core::Bytes& b) {
  std::uint32_t h = 0x811C9DC5u;
  for (std::uint8_t c : b) h = (h ^ c) * 0x01000193u;
  return h;
}

std::string printable(std::u16string_view name) {
  std::string out;
  for (char16_t c : name) {
    if (c < 0x20)
      out += core::format("\\x%02x", static_cast<unsigned>(c));
    else
      out += core::u8(std::u16string_view(&c, 1));
  }
  return out;
}

void dump_into(const ps::Storage& s, const std::string& prefix, std::vector<std::string>& lines) {
  for (const auto& e : s.elements()) {
    std::string path = prefix + printable(e->name());
    if (e->is_storage()) {
      lines.push_back(path + "/\tD");
      dump_into(static_cast<const ps::Storage&>(*e), path + "/", lines);
    } else {
      const core::Bytes& d = static_cast<const ps::Stream&>(*e).data;
      lines.push_back(core::format("%s\tS\t%zu\t%08x", path.c_str(), d.size(), fnv(d)));
    }
  }
}

// The same listing the two peer scripts print.
std::string dump(const ps::Storage& root) {
  std::vector<std::string> lines;
  dump_into(root, "", lines);
  std::sort(lines.begin(), lines.end());
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  return out;
}

using core::testing::Quoted;
using core::testing::RunTool;
using core::testing::ToolRun;

bool have_olefile() {
  static const bool have = core::testing::HavePythonModules("olefile");
  return have;
}
bool have_cfb() {
  static const bool have =
      core::testing::Succeeds("node --version") && fs::exists(interop_dir() / "node_modules" / "cfb");
  return have;
}

std::string olefile_dump(const fs::path& file) {
  const ToolRun run = RunTool("/usr/bin/python3 " + Quoted(interop_dir() / "olefile_dump.py") + " " + Quoted(file));
  EXPECT_EQ(run.status, 0) << run.output;
  return run.output;
}

std::string cfb_dump(const fs::path& file) {
  const ToolRun run = RunTool("node " + Quoted(interop_dir() / "cfb_dump.js") + " " + Quoted(file));
  EXPECT_EQ(run.status, 0) << run.output;
  return run.output;
}

class Interop : public ::testing::Test {
protected:
  fs::path save(const std::string& name, const core::Bytes& bytes) {
    fs::path p = dir_.path() / name;
    ps::write_file_atomically(p.string(), bytes);
    return p;
  }

  // Both peers list the file exactly as the project's reader does.
  void expect_peers_agree(const fs::path& file, const std::string& want) {
    bool any = false;
    if (have_olefile()) {
      EXPECT_EQ(olefile_dump(file), want) << "olefile on " << file;
      any = true;
    }
    if (have_cfb()) {
      EXPECT_EQ(cfb_dump(file), want) << "cfb on " << file;
      any = true;
    }
    if (!any) GTEST_SKIP() << "neither python3-olefile nor the npm package cfb is installed";
  }

  core::testing::TempDir dir_{"thc_biff_interop"};
};

std::vector<fs::path> fixtures() {
  std::vector<fs::path> out;
  for (const auto& e : fs::directory_iterator(fixtures_dir()))
    if (e.path().extension() == ".xls") out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

// Walks every record of the workbook stream: each header and body lies inside the stream.
int walk_records(const fs::path& file, TExcelVersion* version) {
  TXLSStream s;
  *version = s.Open(file.string());
  int count = 0;
  TBIFFHeader h;
  core::Bytes body;
  while (s.ReadHeader(h) == 4) {
    body.resize(h.Length);
    EXPECT_EQ(s.Read(body.data(), h.Length), h.Length) << file << " record " << count;
    ++count;
  }
  EXPECT_EQ(static_cast<std::uint32_t>(s.Position()), s.InputSize()) << file;
  return count;
}

TEST_F(Interop, FilesOfOtherProgramsReadAsPeersReadThem) {
  auto files = fixtures();
  ASSERT_GE(files.size(), 5u);
  for (const fs::path& f : files) {
    ps::CompoundFile cf = ps::CompoundFile::load(f.string());
    std::string ours = dump(cf.root());
    TExcelVersion version;
    EXPECT_GT(walk_records(f, &version), 10) << f;
    EXPECT_EQ(version, f.filename() == "Test95.xls" ? xvExcel50 : xvExcel97) << f;
    expect_peers_agree(f, ours);
    // Rewritten by the project, the same storages, streams and bytes.
    fs::path again = save("re_" + f.filename().string(), cf.serialize());
    expect_peers_agree(again, ours);
  }
}

TEST_F(Interop, WrittenTreesOpenInPeers) {
  ps::CompoundFile cf;
  core::Bytes big(8u << 20);  // past 109 table sectors: DIFAT sectors in use
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 131 + (i >> 13));
  cf.root().create_stream(u"Workbook").data = big;
  cf.root().create_stream(u"empty");
  cf.root().create_storage(u"EmptyStorage");
  ps::Storage& many = cf.root().create_storage(u"\u6570\u636e");
  for (int i = 0; i < 120; ++i)
    many.create_stream(core::u16("s" + std::to_string(i))).data = core::Bytes(static_cast<std::size_t>(i * 37 + 1), static_cast<std::uint8_t>(i));
  many.create_storage(u"deeper").create_stream(u"\x05SummaryInformation").data = core::Bytes(4096, 5);
  fs::path file = save("tree.cfb", cf.serialize());
  expect_peers_agree(file, dump(cf.root()));
}

TEST_F(Interop, RecordStreamWithKeptStoragesOpensInPeers) {
  // Read a workbook with a VBA project and summary streams, write a new record stream with
  // CONTINUE pieces: the peers see the kept elements unchanged and the new Workbook stream.
  fs::path src = fixtures_dir() / "Test97.xls";
  TExtraObjects kept;
  {
    TXLSStream r;
    r.SetExtraObjects(&kept);
    ASSERT_EQ(r.Open(src.string()), xvExcel97);
  }
  core::Bytes body(20000);
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<std::uint8_t>(i);
  fs::path out = dir_.path() / "written.xls";
  {
    TXLSStream w;
    w.SetExtraObjects(&kept);
    w.CreateFile(out.string(), xvExcel97);
    w.WriteRecord(0x00EB, body.data(), static_cast<int>(body.size()));
    w.WriteHeader(0x000A, 0);
    w.Close();
  }
  ps::CompoundFile written = ps::CompoundFile::load(out.string());
  ps::CompoundFile original = ps::CompoundFile::load(src.string());
  original.root().destroy_element(u"Workbook");
  written.root().destroy_element(u"Workbook");
  EXPECT_EQ(dump(written.root()), dump(original.root())) << "kept elements unchanged";
  written = ps::CompoundFile::load(out.string());
  EXPECT_EQ(written.root().open_stream(u"Workbook")->data.size(), 20000u + 3 * 4 + 4);
  expect_peers_agree(out, dump(written.root()));
}

}  // namespace
