// ZIP archives checked against independent archivers: archives the project writes are tested and
// read by unzip and Python's zipfile; archives that Python's zipfile and Info-ZIP's zip write
// (stored, deflated, comments, data descriptors) are read back byte for byte.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "core/unicode.h"
#include "io/zip_archive.h"
#include "io/tests/zip_test_support.h"

namespace io {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::Extract;
using testing::Ramp;
using testing::SampleText;
using testing::ToBytes;

using RunResult = core::testing::ToolRun;
using core::testing::HaveTool;
using core::testing::Quoted;
using core::testing::RunTool;

// Pseudo-random bytes that the Python side rebuilds with the same recipe.
Bytes Lcg(std::size_t n, std::uint32_t seed) {
  Bytes b(n);
  std::uint32_t x = seed;
  for (auto& v : b) {
    x = (x * 1103515245u + 12345u) & 0x7FFFFFFFu;
    v = static_cast<std::uint8_t>(x >> 16);
  }
  return b;
}

const char* kPythonRecipes = R"PY(
def lcg(n, seed):
    out = bytearray(n)
    x = seed
    for i in range(n):
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        out[i] = (x >> 16) & 0xFF
    return bytes(out)
def ramp(n):
    return bytes((i * 7) % 251 for i in range(n))
def text(lines):
    return "".join("line %d of the sample text\n" % i for i in range(lines)).encode()
)PY";

class ZipInterop : public ::testing::Test {
protected:
  std::string Path(const std::string& name) const { return scratch_.file(name); }
  void WriteFile(const std::string& name, const Bytes& b) const {
    std::ofstream(Path(name), std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }
  RunResult Python(const std::string& script) const {
    std::string file = Path("script.py");
    std::ofstream(file) << kPythonRecipes << script;
    return RunTool("cd " + Quoted(dir_) + " && /usr/bin/python3 " + Quoted(file));
  }
  const core::testing::TempDir scratch_{"thc_zip_interop"};
  const fs::path& dir_ = scratch_.path();
};

TEST_F(ZipInterop, ArchivesWrittenHereAreAcceptedByUnzipAndZipfile) {
  if (!HaveTool("/usr/bin/unzip") || !HaveTool("/usr/bin/python3")) GTEST_SKIP() << "unzip or python3 missing";
  testing::FixedTime fixed;
  const std::vector<std::pair<std::u16string, Bytes>> entries = {
      {u"[Content_Types].xml", SampleText(40)},
      {u"xl/worksheets/sheet1.bin", Lcg(300000, 7)},
      {u"empty.txt", {}},
      {u"数据/温度.txt", ToBytes("温度 25.3\n")},
  };
  TMemoryStream out;
  TXLSZipArchive zip;
  zip.OpenWrite(out);
  for (const auto& [name, data] : entries) {
    TMemoryStream src(data);
    zip.AddStream(name, src);
  }
  TCompressionStream* s = zip.BeginFile(u"streamed/part.xml");
  Bytes streamed = SampleText(2000);
  for (std::size_t at = 0; at < streamed.size(); at += 1000)
    s->WriteBuffer(streamed.data() + at, static_cast<std::int64_t>(std::min<std::size_t>(1000, streamed.size() - at)));
  zip.EndFile(s);
  zip.Close();
  out.SaveToFile(Path("ours.zip"));

  RunResult t = RunTool("unzip -t '" + Path("ours.zip") + "'");
  EXPECT_EQ(t.status, 0) << t.output;
  EXPECT_NE(t.output.find("No errors detected"), std::string::npos) << t.output;
  // unzip turns the names of archives made on a FAT host through the OEM code page even when the
  // UTF-8 flag is set, so only the ASCII names are compared here; zipfile checks the other below.
  RunResult l = RunTool("unzip -Z1 '" + Path("ours.zip") + "'");
  std::istringstream names(l.output);
  std::vector<std::string> listed;
  for (std::string n; std::getline(names, n);) listed.push_back(n);
  ASSERT_EQ(listed.size(), 5u) << l.output;
  EXPECT_EQ(listed[0], "[Content_Types].xml");
  EXPECT_EQ(listed[1], "xl/worksheets/sheet1.bin");
  EXPECT_EQ(listed[2], "empty.txt");
  EXPECT_EQ(listed[4], "streamed/part.xml");

  RunResult py = Python(R"PY(
import zipfile, zlib
z = zipfile.ZipFile("ours.zip")
assert z.testzip() is None
assert z.comment == b""
for i in z.infolist():
    data = z.read(i)
    print(i.filename, i.compress_type, "%08x" % i.CRC, i.file_size, i.compress_size, i.date_time, i.flag_bits,
          i.create_version, i.extract_version, i.external_attr, "%08x" % zlib.crc32(data))
)PY");
  ASSERT_EQ(py.status, 0) << py.output;
  std::istringstream lines(py.output);
  std::string line;
  std::size_t k = 0;
  auto expect = [&](const std::u16string& name, const Bytes& data, int method, int flags) {
    ASSERT_TRUE(std::getline(lines, line)) << py.output;
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(crc32(0, data.data(), static_cast<uInt>(data.size()))));
    std::string prefix = core::u8(name) + " " + std::to_string(method) + " " + crc + " " + std::to_string(data.size()) + " ";
    EXPECT_EQ(line.substr(0, prefix.size()), prefix) << line;
    std::string tail = " (2024, 5, 17, 10, 30, 20) " + std::to_string(flags) + " 20 20 32 " + crc;
    EXPECT_EQ(line.substr(line.size() - std::min(line.size(), tail.size())), tail) << line;
    ++k;
  };
  expect(entries[0].first, entries[0].second, 8, 0);
  expect(entries[1].first, entries[1].second, 8, 0);
  expect(entries[2].first, entries[2].second, 0, 0);
  expect(entries[3].first, entries[3].second, 8, 0x800);
  expect(u"streamed/part.xml", streamed, 8, 0);
  EXPECT_EQ(k, 5u);
}

TEST_F(ZipInterop, ArchivesWrittenByZipfileAreReadBackExactly) {
  if (!HaveTool("/usr/bin/python3")) GTEST_SKIP() << "python3 missing";
  RunResult py = Python(R"PY(
import io, zipfile
def put(z, name, data, method, level=None):
    zi = zipfile.ZipInfo(name, date_time=(2023, 12, 31, 23, 59, 58))
    zi.compress_type = method
    if level is not None:
        z.writestr(zi, data, compresslevel=level)
    else:
        z.writestr(zi, data)
with zipfile.ZipFile("seekable.zip", "w") as z:
    put(z, "stored.bin", lcg(70000, 3), zipfile.ZIP_STORED)
    put(z, "fast.bin", lcg(70000, 3), zipfile.ZIP_DEFLATED, 1)
    put(z, "best.txt", text(5000), zipfile.ZIP_DEFLATED, 9)
    put(z, "empty", b"", zipfile.ZIP_DEFLATED)
    put(z, "ramp.bin", ramp(100000), zipfile.ZIP_DEFLATED)
    z.comment = b"x" * 1000
class Pipe(io.RawIOBase):
    def __init__(self): self.buf = bytearray()
    def writable(self): return True
    def write(self, b): self.buf += b; return len(b)
    def seekable(self): return False
p = Pipe()
with zipfile.ZipFile(p, "w", compression=zipfile.ZIP_DEFLATED) as z:
    with z.open("a/streamed.bin", "w") as f:
        f.write(lcg(150000, 9))
    with z.open("b/streamed.txt", "w") as f:
        f.write(text(3000))
    z.comment = b"streamed archive"
open("streamed.zip", "wb").write(p.buf)
print("ok")
)PY");
  ASSERT_EQ(py.status, 0) << py.output;

  TMemoryStream a;
  a.LoadFromFile(Path("seekable.zip"));
  TXLSZipArchive z1;
  z1.OpenRead(a);
  ASSERT_EQ(z1.Count(), 5);
  EXPECT_EQ(Extract(z1, u"stored.bin"), Lcg(70000, 3));
  EXPECT_EQ(Extract(z1, u"fast.bin"), Lcg(70000, 3));
  EXPECT_EQ(Extract(z1, u"best.txt"), SampleText(5000));
  EXPECT_EQ(Extract(z1, u"empty"), Bytes{});
  EXPECT_EQ(Extract(z1, u"ramp.bin"), Ramp(100000));
  core::LocalTime t;
  ASSERT_TRUE(z1.GetItem(0)->GetDateTime(t));
  EXPECT_EQ(t.year, 2023);
  EXPECT_EQ(t.second, 58);

  TMemoryStream b;
  b.LoadFromFile(Path("streamed.zip"));
  TXLSZipArchive z2;
  z2.OpenRead(b);
  ASSERT_EQ(z2.Count(), 2);
  EXPECT_NE(z2.GetItem(0)->Central.Flags & kZipFlagDataDescriptor, 0);
  EXPECT_EQ(Extract(z2, u"a/streamed.bin"), Lcg(150000, 9));
  EXPECT_EQ(Extract(z2, u"b/streamed.txt"), SampleText(3000));
}

TEST_F(ZipInterop, ArchivesWrittenByInfoZipAreReadBackExactly) {
  if (!HaveTool("/usr/bin/zip")) GTEST_SKIP() << "zip missing";
  WriteFile("random.bin", Lcg(200000, 5));
  WriteFile("text.txt", SampleText(4000));
  WriteFile("empty.dat", {});
  fs::create_directories(dir_ / "nested" / "deeper");
  WriteFile("nested/deeper/ramp.bin", Ramp(9000));
  std::string cd = "cd '" + dir_.string() + "' && ";
  RunResult r1 = RunTool(cd + "echo 'archive comment line' | zip -q -X -z -r default.zip random.bin text.txt empty.dat nested");
  ASSERT_EQ(r1.status, 0) << r1.output;
  RunResult r2 = RunTool(cd + "zip -q -X -0 stored.zip random.bin text.txt");
  ASSERT_EQ(r2.status, 0) << r2.output;
  RunResult r3 = RunTool(cd + "zip -q -X -9 -D best.zip text.txt nested/deeper/ramp.bin");
  ASSERT_EQ(r3.status, 0) << r3.output;
  RunResult r4 = RunTool(cd + "cat random.bin | zip -q -X - - | cat > piped.zip");
  ASSERT_EQ(r4.status, 0) << r4.output;

  auto open = [&](const std::string& name, TMemoryStream& m, TXLSZipArchive& z) {
    m.LoadFromFile(Path(name));
    z.OpenRead(m);
  };
  {
    TMemoryStream m;
    TXLSZipArchive z;
    open("default.zip", m, z);
    EXPECT_EQ(Extract(z, u"random.bin"), Lcg(200000, 5));
    EXPECT_EQ(Extract(z, u"text.txt"), SampleText(4000));
    EXPECT_EQ(Extract(z, u"empty.dat"), Bytes{});
    EXPECT_EQ(Extract(z, u"nested/deeper/ramp.bin"), Ramp(9000));
    EXPECT_GE(z.IndexOf(u"nested/"), 0);  // directory entries are listed
  }
  {
    TMemoryStream m;
    TXLSZipArchive z;
    open("stored.zip", m, z);
    ASSERT_EQ(z.Count(), 2);
    EXPECT_EQ(z.GetItem(0)->GetMethod(), 0);
    EXPECT_EQ(Extract(z, u"random.bin"), Lcg(200000, 5));
    EXPECT_EQ(Extract(z, u"text.txt"), SampleText(4000));
  }
  {
    TMemoryStream m;
    TXLSZipArchive z;
    open("best.zip", m, z);
    ASSERT_EQ(z.Count(), 2);
    EXPECT_EQ(Extract(z, u"nested/deeper/ramp.bin"), Ramp(9000));
  }
  {
    TMemoryStream m;
    TXLSZipArchive z;
    open("piped.zip", m, z);
    ASSERT_EQ(z.Count(), 1);
    EXPECT_NE(z.GetItem(0)->Central.Flags & kZipFlagDataDescriptor, 0);
    EXPECT_EQ(Extract(z, u"-"), Lcg(200000, 5));
  }
}

}  // namespace
}  // namespace io
