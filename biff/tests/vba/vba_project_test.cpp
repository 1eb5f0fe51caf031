// The VBA project of a workbook: the compressed container, the dir stream and module sources, a
// damaged project refused, and the "_VBA_PROJECT_CUR" storage carried byte for byte across a save.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "biff/document/vba_project.h"
#include "biff/tests/vba/vba_fixture.h"
#include "biff/writer/tests/writer_test_support.h"
#include "core/unicode.h"

namespace biff::testing {
namespace {

namespace ps = platform::storage;
namespace fs = std::filesystem;

core::Bytes Hex(const char* H) {
  core::Bytes b;
  for (const char* p = H; *p;) {
    if (*p == ' ') {
      ++p;
      continue;
    }
    b.push_back(static_cast<std::uint8_t>(std::stoi(std::string(p, 2), nullptr, 16)));
    p += 2;
  }
  return b;
}

std::string Str(const core::Bytes& B) { return std::string(B.begin(), B.end()); }
core::ByteSpan Span(const std::string& S) { return core::ByteSpan(reinterpret_cast<const std::uint8_t*>(S.data()), S.size()); }

TEST(VBACompression, ExamplesOfTheFormat) {
  struct Case {
    const char* compressed;
    const char* text;
  } cases[] = {
      {"01 19 B0 00 61 62 63 64 65 66 67 68 00 69 6A 6B 6C 6D 6E 6F 70 00 71 72 73 74 75 76 2E",
       "abcdefghijklmnopqrstuv."},
      {"01 2F B0 00 23 61 61 61 62 63 64 65 82 66 00 70 61 67 68 69 6A 01 38 08 61 6B 6C 00 30 6D 6E 6F 70 06 71 02 70"
       " 04 10 72 73 74 75 76 10 77 78 79 7A 00 3C",
       "#aaabcdefaaaaghijaaaaaklaaamnopqaaaaaaaaaaaarstuvwxyzaaa"},
  };
  for (const auto& c : cases) EXPECT_EQ(Str(TXLSVBA::Decompress(Hex(c.compressed))), c.text);
}

TEST(VBACompression, RoundTripsThroughEveryKindOfChunk) {
  std::mt19937 random(7);
  core::Bytes noise(4096 * 2 + 100);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  std::string repeated;
  for (int i = 0; i < 2000; ++i) repeated += "Dim x" + std::to_string(i % 13) + " As Long\r\n";
  struct Case {
    const char* what;
    core::Bytes data;
  } cases[] = {
      {"empty", {}},
      {"one byte", {'x'}},
      {"a run (copy overlapping its source)", core::Bytes(5000, 'a')},
      {"exactly one chunk", core::Bytes(noise.begin(), noise.begin() + 4096)},
      {"raw chunks and a short compressed one", noise},
      {"repeated lines over many chunks", core::Bytes(repeated.begin(), repeated.end())},
  };
  for (const auto& c : cases) {
    const core::Bytes packed = CompressVBA(c.data);
    EXPECT_EQ(TXLSVBA::Decompress(packed), c.data) << c.what;
  }
  // Where it pays, chunks are compressed; random data stays raw.
  EXPECT_LT(CompressVBA(core::Bytes(repeated.begin(), repeated.end())).size(), repeated.size() / 4);
  const core::Bytes raw = CompressVBA(core::Bytes(noise.begin(), noise.begin() + 4096));
  EXPECT_EQ(raw.size(), 1u + 2 + 4096);
  EXPECT_EQ(raw[2] & 0x80, 0) << "raw chunk flag";
  // Decompression may start inside the data (a module's source after its compiled code).
  core::Bytes module(77, 0xEE);
  const core::Bytes text = CompressVBA(Span("Sub A()\r\nEnd Sub\r\n"));
  module.insert(module.end(), text.begin(), text.end());
  EXPECT_EQ(Str(TXLSVBA::Decompress(module, 77)), "Sub A()\r\nEnd Sub\r\n");
}

TEST(VBACompression, DamagedDataIsRefused) {
  const core::Bytes good = Hex("01 19 B0 00 61 62 63 64 65 66 67 68 00 69 6A 6B 6C 6D 6E 6F 70 00 71 72 73 74 75 76 2E");
  struct Case {
    const char* what;
    core::Bytes data;
  } cases[] = {
      // A copy token at the first byte of a chunk has nothing to copy from.
      {"copy token before the chunk", Hex("01 03 B0 01 00 00")},
      // Offset 3 (bits 0010) when only two bytes were produced.
      {"copy token before its data", Hex("01 05 B0 04 61 62 00 20")},
      {"copy token cut short", Hex("01 03 B0 02 61 00")},
      {"chunk header cut short", Hex("01 03")},
      {"raw chunk shorter than 4096", Hex("01 FF 3F 61 62 63")},
      {"run past 4096 bytes in a chunk", Hex("01 07 B0 02 61 FF 0F FF 0F")},
  };
  for (const auto& c : cases) {
    try {
      TXLSVBA::Decompress(c.data);
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const Exception& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Damaged VBA project: ", 0), 0u) << c.what << ": " << e.what();
    }
  }
  EXPECT_NO_THROW(TXLSVBA::Decompress(good));
}

TEST(VBAModule, LeadingAttributeLinesBecomeAttributes) {
  struct Case {
    const char* what;
    const char* text;
    std::vector<std::u16string> attributes;
    std::vector<std::string> source;
  } cases[] = {
      {"three attributes", "Attribute VB_Name = \"M\"\r\nattribute VB_A = 1\r\nATTRIBUTE  VB_B = 2 \r\nSub X()\r\nEnd Sub\r\n",
       {u"VB_Name = \"M\"", u"VB_A = 1", u"VB_B = 2"}, {"Sub X()", "End Sub"}},
      {"only the leading ones", "Sub X()\r\nAttribute X.VB_UserMemId = 0\r\nEnd Sub\r\n", {},
       {"Sub X()", "Attribute X.VB_UserMemId = 0", "End Sub"}},
      {"line feeds alone", "Attribute VB_Name = \"M\"\nOption Explicit\n\n' end\n", {u"VB_Name = \"M\""},
       {"Option Explicit", "", "' end"}},
      {"no text", "", {}, {}},
  };
  for (const auto& c : cases) {
    TVBAModuleSource m;
    m.SetSource(c.text);
    std::vector<std::u16string> attrs;
    for (int i = 0; i < m.Attributes.Count(); ++i) attrs.push_back(m.Attributes.Get(i));
    EXPECT_EQ(attrs, c.attributes) << c.what;
    EXPECT_EQ(m.Source, c.source) << c.what;
  }
}

// A workbook file with the fixture's project, built around a workbook the writer made.
core::Bytes VBAWorkbook(const core::Bytes& Dir = {}, std::vector<TVBAFixtureModule> Modules = FixtureModules()) {
  Book b;
  b.Cells(0)->WriteFloat(0, 0, 0, 42);
  return AddVBAProject(b.Write(), Modules, Dir);
}

const ps::Storage& ProjectOf(const ps::CompoundFile& F) {
  const ps::Storage* p = F.root().open_storage(u"_VBA_PROJECT_CUR");
  if (!p) throw std::runtime_error("no _VBA_PROJECT_CUR");
  return *p;
}

// Every element below S with its class id, state bits, times and bytes, one line each.
void Describe(const ps::Storage& S, const std::string& Path, std::vector<std::string>& Out) {
  for (const auto& e : S.elements()) {
    std::string line = Path + core::u8(e->name()) + " " + std::to_string(e->state_bits) + " " +
                       std::to_string(e->created) + " " + std::to_string(e->modified) + " " +
                       std::string(e->clsid.begin(), e->clsid.end());
    if (e->is_storage()) {
      Out.push_back(line + " D");
      Describe(static_cast<const ps::Storage&>(*e), Path + core::u8(e->name()) + "/", Out);
    } else {
      Out.push_back(line + " S " + Str(static_cast<const ps::Stream&>(*e).data));
    }
  }
}

std::vector<std::string> DescribeProject(const core::Bytes& File) {
  const ps::CompoundFile f = ps::CompoundFile::parse(File);
  const ps::Storage& p = ProjectOf(f);
  std::vector<std::string> out{std::to_string(p.state_bits) + " " + std::to_string(p.created) + " " +
                               std::to_string(p.modified)};
  Describe(p, "", out);
  return out;
}

TEST(VBAProject, DirStreamAndModulesAreParsed) {
  const core::Bytes file = VBAWorkbook();
  ps::CompoundFile f = ps::CompoundFile::parse(file);
  TXLSVBA vba;
  EXPECT_FALSE(vba.HasProject());
  ASSERT_EQ(vba.ReadProject(f.root()), 1);
  EXPECT_TRUE(vba.HasProject());
  EXPECT_TRUE(vba.ProjectRead());
  // The project part ends where the first module begins: PROJECTCOOKIE is its last record.
  const TRecordStorageVBA& p = vba.ProjectRecords();
  ASSERT_GT(p.Count(), 0);
  EXPECT_EQ(p.Items(0).Id, 0x0001u);
  EXPECT_EQ(p.Items(p.Count() - 1).Id, 0x0013u);
  for (int i = 0; i < p.Count(); ++i)
    if (p.Items(i).Id == 0x0009) {
      EXPECT_EQ(p.Items(i).Data.size(), 6u) << "PROJECTVERSION and its minor version";
    }
  ASSERT_EQ(vba.ModuleCount(), 2);
  const std::vector<TVBAFixtureModule> want = FixtureModules();
  for (int m = 0; m < 2; ++m) {
    const TVBAModuleSource& mod = vba.Modules(m);
    EXPECT_EQ(core::u8(mod.Name), want[static_cast<std::size_t>(m)].Name);
    EXPECT_EQ(mod.ModuleType, want[static_cast<std::size_t>(m)].Document ? 1 : 0);
    EXPECT_EQ(mod.TextOffset, 16);
    EXPECT_EQ(mod.Records.Items(0).Id, 0x0019u);
    EXPECT_EQ(mod.Records.Items(mod.Records.Count() - 1).Id, 0x002Bu);
  }
  EXPECT_EQ(vba.Modules(0).Attributes.Count(), 8);
  EXPECT_EQ(vba.Modules(0).Attributes.Get(0), u"VB_Name = \"ThisWorkbook\"");
  EXPECT_EQ(vba.Modules(0).Source,
            (std::vector<std::string>{"Private Sub Workbook_Open()", "    Sheets(1).Range(\"A1\").Value = \"opened\"",
                                      "End Sub"}));
  // The second module's text, kept in the stream "Module1", runs over several chunks.
  const TVBAModuleSource& tools = vba.Modules(1);
  ASSERT_EQ(tools.Source.size(), 450u);
  EXPECT_EQ(tools.Source[448], "    Mittel149 = (a + b) / 2 + 1043");

  vba.Clear();
  EXPECT_FALSE(vba.HasProject());
  EXPECT_EQ(vba.ModuleCount(), 0);
}

TEST(VBAProject, AProducersProjectIsParsed) {
  std::ifstream in(fs::path(THC_BIFF_FIXTURES) / "Test97.xls", std::ios::binary);
  const core::Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ps::CompoundFile f = ps::CompoundFile::parse(data);
  TXLSVBA vba;
  ASSERT_EQ(vba.ReadProject(f.root()), 1);
  ASSERT_EQ(vba.ModuleCount(), 3);
  for (int m = 0; m < 3; ++m) {
    EXPECT_EQ(vba.Modules(m).ModuleType, 1) << "document modules";
    ASSERT_GT(vba.Modules(m).Attributes.Count(), 0);
    EXPECT_EQ(vba.Modules(m).Attributes.Get(0), u"VB_Name = \"" + vba.Modules(m).Name + u"\"");
  }
  EXPECT_EQ(vba.Modules(0).Name, u"ThisWorkbook");
}

TEST(VBAProject, StorageIsKeptByteForByteAcrossASave) {
  const core::Bytes file = VBAWorkbook();
  for (bool holder : {true, false}) {
    Book b(true);
    b.doc->SetVBA(holder);
    b.doc->ReadStream(file);
    EXPECT_EQ(b.doc->VBA() != nullptr, holder);
    if (holder) {
      EXPECT_EQ(b.doc->VBA()->ModuleCount(), 2);
    }
    const core::Bytes saved = b.Write();
    EXPECT_EQ(DescribeProject(saved), DescribeProject(file)) << (holder ? "with" : "without") << " the holder";
    EXPECT_EQ(Find(Records(saved), 0x00D3).size(), 1u) << "OBPROJ announces the project";
    // Read and saved once more: still the same.
    Book again(true);
    again.doc->SetVBA(holder);
    again.doc->ReadStream(saved);
    EXPECT_EQ(DescribeProject(again.Write()), DescribeProject(file));
  }
}

TEST(VBAProject, NoProjectNoStorage) {
  Book plain;
  plain.Cells(0)->WriteFloat(0, 0, 0, 1);
  const core::Bytes file = plain.Write();
  Book b(true);
  b.doc->SetVBA(true);
  b.doc->ReadStream(file);
  EXPECT_FALSE(b.doc->VBA()->HasProject());
  const core::Bytes saved = b.Write();
  EXPECT_EQ(ps::CompoundFile::parse(saved).root().find(u"_VBA_PROJECT_CUR"), nullptr);
  EXPECT_TRUE(Find(Records(saved), 0x00D3).empty());
  // A project storage without a dir stream is no project: nothing is parsed, the file still reads.
  ps::CompoundFile cf = ps::CompoundFile::parse(file);
  cf.root().create_storage(u"_VBA_PROJECT_CUR").create_storage(u"VBA").create_stream(u"other").data = {1, 2};
  TXLSVBA vba;
  EXPECT_EQ(vba.ReadProject(cf.root()), 0);
  EXPECT_FALSE(vba.HasProject());
}

TEST(VBAProject, DamagedProjectIsRejected) {
  std::vector<TVBAFixtureModule> modules = FixtureModules();
  core::Bytes records = DirStreamRecords(modules);
  core::Bytes tooMany = records;
  // PROJECTMODULES says 3: the terminator stands where the third module should begin.
  for (std::size_t i = 0; i + 8 <= tooMany.size(); ++i)
    if (core::load_le16(tooMany.data() + i) == 0x000F && core::load_le32(tooMany.data() + i + 2) == 2 &&
        core::load_le16(tooMany.data() + i + 6) == 2) {
      tooMany[i + 6] = 3;
      break;
    }
  core::Bytes longRecord = records;
  core::store_le32(longRecord.data() + 2, 0x7FFFFFFF);  // PROJECTSYSKIND longer than the stream
  core::Bytes badOffset = records;
  for (std::size_t i = 0; i + 10 <= badOffset.size(); ++i)
    if (core::load_le16(badOffset.data() + i) == 0x0031 && core::load_le32(badOffset.data() + i + 2) == 4) {
      core::store_le32(badOffset.data() + i + 6, 1u << 30);  // past the module stream
      break;
    }
  std::vector<TVBAFixtureModule> renamed = modules;
  renamed[1].StreamName = "Missing";
  const core::Bytes missingStream = [&] {
    // The dir stream names a stream the storage does not have.
    Book b;
    const core::Bytes file = AddVBAProject(b.Write(), modules, CompressVBA(DirStreamRecords(renamed)));
    return file;
  }();
  struct Case {
    const char* what;
    core::Bytes file;
    const char* message;
  } cases[] = {
      {"terminator missing", VBAWorkbook(CompressVBA(DirStreamRecords(modules, true))), "EOF missing in VBA dir stream"},
      {"more modules announced than there are", VBAWorkbook(CompressVBA(tooMany)), "EOF missing in VBA dir stream"},
      {"record longer than the stream", VBAWorkbook(CompressVBA(longRecord)), "Damaged VBA project: record 0x0001"},
      {"text offset past the module stream", VBAWorkbook(CompressVBA(badOffset)), "Damaged VBA project: module text"},
      {"module stream missing", missingStream, "Damaged VBA project: module stream \"Missing\" missing"},
      {"dir stream not compressed", VBAWorkbook(records), "Damaged VBA project"},
  };
  for (const auto& c : cases) {
    Book b(true);
    b.doc->SetVBA(true);
    try {
      b.doc->ReadStream(c.file);
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const Exception& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
    }
    EXPECT_FALSE(b.doc->VBA()->HasProject()) << c.what << ": nothing kept";
    // Without the holder the project is not parsed, and the file reads.
    Book plain(true);
    EXPECT_NO_THROW(plain.doc->ReadStream(c.file)) << c.what;
  }
}

}  // namespace
}  // namespace biff::testing
