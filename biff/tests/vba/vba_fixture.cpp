#include "biff/tests/vba/vba_fixture.h"

#include <algorithm>

namespace biff::testing {

namespace ps = platform::storage;

namespace {

constexpr std::size_t kChunk = 4096;

// The split of a copy token's 16 bits at this many bytes into the chunk.
int OffsetBits(std::size_t Done) {
  int bits = 4;
  while (bits < 12 && (std::size_t{1} << bits) < Done) ++bits;
  return bits;
}

core::Bytes CompressChunk(const std::uint8_t* Data, std::size_t Size) {
  core::Bytes out;
  std::size_t pos = 0;
  while (pos < Size) {
    const std::size_t flagAt = out.size();
    out.push_back(0);
    for (int bit = 0; bit < 8 && pos < Size; ++bit) {
      const int bits = OffsetBits(pos);
      const std::size_t maxLength = (0xFFFFu >> bits) + 3;
      std::size_t bestLength = 0, bestOffset = 0;
      for (std::size_t from = 0; from < pos; ++from) {
        std::size_t n = 0;
        while (pos + n < Size && n < maxLength && Data[from + n] == Data[pos + n]) ++n;
        if (n > bestLength) {
          bestLength = n;
          bestOffset = pos - from;
        }
      }
      if (bestLength >= 3) {
        const auto token = static_cast<std::uint16_t>(((bestOffset - 1) << (16 - bits)) | (bestLength - 3));
        out.push_back(static_cast<std::uint8_t>(token & 0xFF));
        out.push_back(static_cast<std::uint8_t>(token >> 8));
        out[flagAt] = static_cast<std::uint8_t>(out[flagAt] | (1 << bit));
        pos += bestLength;
      } else {
        out.push_back(Data[pos++]);
      }
    }
  }
  return out;
}

void Put16(core::Bytes& Out, std::uint16_t V) {
  Out.push_back(static_cast<std::uint8_t>(V));
  Out.push_back(static_cast<std::uint8_t>(V >> 8));
}
void Put32(core::Bytes& Out, std::uint32_t V) {
  Put16(Out, static_cast<std::uint16_t>(V));
  Put16(Out, static_cast<std::uint16_t>(V >> 16));
}

void Record(core::Bytes& Out, std::uint16_t Id, const core::Bytes& Data) {
  Put16(Out, Id);
  Put32(Out, static_cast<std::uint32_t>(Data.size()));
  Out.insert(Out.end(), Data.begin(), Data.end());
}

core::Bytes U16(std::uint16_t V) { return {static_cast<std::uint8_t>(V), static_cast<std::uint8_t>(V >> 8)}; }
core::Bytes U32(std::uint32_t V) {
  core::Bytes b(4);
  core::store_le32(b.data(), V);
  return b;
}
core::Bytes Text(const std::string& S) { return core::Bytes(S.begin(), S.end()); }
core::Bytes Utf16(const std::string& Ascii) {
  core::Bytes b;
  for (char c : Ascii) {
    b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(0);
  }
  return b;
}
std::u16string Wide(const std::string& Ascii) { return std::u16string(Ascii.begin(), Ascii.end()); }

}  // namespace

core::Bytes CompressVBA(core::ByteSpan Data) {
  core::Bytes out{0x01};
  for (std::size_t start = 0; start < Data.size(); start += kChunk) {
    const std::size_t n = std::min(kChunk, Data.size() - start);
    core::Bytes body = CompressChunk(Data.data() + start, n);
    std::uint16_t header;
    if (body.size() > kChunk && n == kChunk) {
      // Raw: the 4096 bytes as they are.
      body.assign(Data.begin() + static_cast<std::ptrdiff_t>(start), Data.begin() + static_cast<std::ptrdiff_t>(start + n));
      header = static_cast<std::uint16_t>(0x3000 | (kChunk - 1));
    } else {
      header = static_cast<std::uint16_t>(0x8000 | 0x3000 | (body.size() + 2 - 3));
    }
    out.push_back(static_cast<std::uint8_t>(header & 0xFF));
    out.push_back(static_cast<std::uint8_t>(header >> 8));
    out.insert(out.end(), body.begin(), body.end());
  }
  return out;
}

std::vector<TVBAFixtureModule> FixtureModules() {
  TVBAFixtureModule book;
  book.Name = "ThisWorkbook";
  book.Document = true;
  book.Source =
      "Attribute VB_Name = \"ThisWorkbook\"\r\n"
      "Attribute VB_Base = \"0{00020819-0000-0000-C000-000000000046}\"\r\n"
      "Attribute VB_GlobalNameSpace = False\r\n"
      "Attribute VB_Creatable = False\r\n"
      "Attribute VB_PredeclaredId = True\r\n"
      "Attribute VB_Exposed = True\r\n"
      "Attribute VB_TemplateDerived = False\r\n"
      "Attribute VB_Customizable = True\r\n"
      "Private Sub Workbook_Open()\r\n"
      "    Sheets(1).Range(\"A1\").Value = \"opened\"\r\n"
      "End Sub\r\n";
  book.CodeSize = 333;
  TVBAFixtureModule calc;
  calc.Name = "Werkzeuge";
  calc.StreamName = "Module1";
  std::string source = "Attribute VB_Name = \"Werkzeuge\"\r\n";
  // Long enough for several chunks, repetitive enough for long copy tokens.
  for (int i = 0; i < 150; ++i)
    source += "Public Function Mittel" + std::to_string(i) + "(a As Double, b As Double) As Double\r\n"
              "    Mittel" + std::to_string(i) + " = (a + b) / 2 + " + std::to_string(i * 7) + "\r\n"
              "End Function\r\n";
  calc.Source = source;
  calc.CodeSize = 1234;
  return {book, calc};
}

core::Bytes DirStreamRecords(const std::vector<TVBAFixtureModule>& Modules, bool MissingTerminator) {
  core::Bytes d;
  Record(d, 0x0001, U32(1));        // PROJECTSYSKIND: 32-bit Windows
  Record(d, 0x0002, U32(0x0409));   // PROJECTLCID
  Record(d, 0x0014, U32(0x0409));   // PROJECTLCIDINVOKE
  Record(d, 0x0003, U16(1252));     // PROJECTCODEPAGE
  Record(d, 0x0004, Text("VBAProject"));
  Record(d, 0x0005, {});            // PROJECTDOCSTRING
  Record(d, 0x0040, {});
  Record(d, 0x0006, {});            // PROJECTHELPFILEPATH
  Record(d, 0x003D, {});
  Record(d, 0x0007, U32(0));        // PROJECTHELPCONTEXT
  Record(d, 0x0008, U32(0));        // PROJECTLIBFLAGS
  // PROJECTVERSION: its size field says 4, then a 32-bit major and a 16-bit minor version.
  Put16(d, 0x0009);
  Put32(d, 4);
  Put32(d, 0x5D5F3A8D);
  Put16(d, 0x0016);
  Record(d, 0x000C, {});            // PROJECTCONSTANTS
  Record(d, 0x003C, {});
  // A reference to the automation library.
  const std::string libid = "*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#C:\\Windows\\System32\\stdole2.tlb#OLE Automation";
  Record(d, 0x0016, Text("stdole"));  // REFERENCENAME
  Record(d, 0x003E, Utf16("stdole"));
  {
    core::Bytes reg = U32(static_cast<std::uint32_t>(libid.size()));
    reg.insert(reg.end(), libid.begin(), libid.end());
    const core::Bytes tail = {0, 0, 0, 0, 0, 0};
    reg.insert(reg.end(), tail.begin(), tail.end());
    Record(d, 0x000D, reg);  // REFERENCEREGISTERED
  }
  Record(d, 0x000F, U16(static_cast<std::uint16_t>(Modules.size())));  // PROJECTMODULES
  Record(d, 0x0013, U16(0xFFFF));                                      // PROJECTCOOKIE
  for (const TVBAFixtureModule& m : Modules) {
    const std::string stream = m.StreamName.empty() ? m.Name : m.StreamName;
    Record(d, 0x0019, Text(m.Name));
    Record(d, 0x0047, Utf16(m.Name));
    Record(d, 0x001A, Text(stream));
    Record(d, 0x0032, Utf16(stream));
    Record(d, 0x001C, {});  // MODULEDOCSTRING
    Record(d, 0x0048, {});
    Record(d, 0x0031, U32(static_cast<std::uint32_t>(m.CodeSize)));  // MODULEOFFSET
    Record(d, 0x001E, U32(0));                                      // MODULEHELPCONTEXT
    Record(d, 0x002C, U16(0xFFFF));                                 // MODULECOOKIE
    Record(d, m.Document ? 0x0022 : 0x0021, {});                     // MODULETYPE
    Record(d, 0x002B, {});                                          // MODULETERMINATOR
  }
  if (!MissingTerminator) Record(d, 0x0010, {});
  return d;
}

void MakeVBAProject(ps::Storage& Project, const std::vector<TVBAFixtureModule>& Modules, const core::Bytes& Dir) {
  ps::Storage& vba = Project.create_storage(u"VBA");
  const core::Bytes records = DirStreamRecords(Modules);
  vba.create_stream(u"dir").data = Dir.empty() ? CompressVBA(records) : Dir;
  // _VBA_PROJECT: the header of a project whose compiled state is to be rebuilt.
  vba.create_stream(u"_VBA_PROJECT").data = {0xCC, 0x61, 0xFF, 0xFF, 0x00, 0x00, 0x00};
  std::string project = "ID=\"{5B8A42A1-3D0C-4B36-9E63-0F4A3A6C2E11}\"\r\n";
  std::string workspace;
  for (const TVBAFixtureModule& m : Modules) {
    const std::string stream = m.StreamName.empty() ? m.Name : m.StreamName;
    core::Bytes data(m.CodeSize);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 37 + 11);
    const core::Bytes text = CompressVBA(core::ByteSpan(reinterpret_cast<const std::uint8_t*>(m.Source.data()), m.Source.size()));
    data.insert(data.end(), text.begin(), text.end());
    vba.create_stream(Wide(stream)).data = std::move(data);
    project += (m.Document ? "Document=" + m.Name + "/&H00000000" : "Module=" + m.Name) + "\r\n";
    workspace += m.Name + "=0, 0, 0, 0, C\r\n";
  }
  project += "Name=\"VBAProject\"\r\nHelpContextID=\"0\"\r\nVersionCompatible32=\"393222000\"\r\n"
             "\r\n[Host Extender Info]\r\n&H00000001={3832D640-CF90-11CF-8E43-00A0C911005A};VBE;&H00000000\r\n"
             "\r\n[Workspace]\r\n" + workspace;
  Project.create_stream(u"PROJECT").data = Text(project);
  Project.create_stream(u"PROJECTwm").data = {};
  for (const TVBAFixtureModule& m : Modules) {
    core::Bytes& wm = Project.open_stream(u"PROJECTwm")->data;
    const core::Bytes a = Text(m.Name), w = Utf16(m.Name);
    wm.insert(wm.end(), a.begin(), a.end());
    wm.push_back(0);
    wm.insert(wm.end(), w.begin(), w.end());
    wm.push_back(0);
    wm.push_back(0);
  }
  Project.open_stream(u"PROJECTwm")->data.push_back(0);
  Project.open_stream(u"PROJECTwm")->data.push_back(0);
  Project.clsid = {};
}

namespace {

// OBPROJ, the record that announces the project, after CODEPAGE in the globals; the sheets' stream
// offsets in BOUNDSHEET move with it.
void AnnounceProject(core::Bytes& Stream) {
  core::Bytes out;
  std::vector<std::size_t> sheetOffsets;
  for (std::size_t p = 0; p + 4 <= Stream.size();) {
    const std::uint16_t id = core::load_le16(Stream.data() + p);
    const std::size_t end = p + 4 + core::load_le16(Stream.data() + p + 2);
    if (id == 0x0085) sheetOffsets.push_back(out.size() + 4);
    out.insert(out.end(), Stream.begin() + static_cast<std::ptrdiff_t>(p), Stream.begin() + static_cast<std::ptrdiff_t>(end));
    if (id == 0x0042) Put32(out, 0x000000D3);
    p = end;
  }
  for (std::size_t at : sheetOffsets) core::store_le32(out.data() + at, core::load_le32(out.data() + at) + 4);
  Stream = std::move(out);
}

}  // namespace

core::Bytes AddVBAProject(const core::Bytes& Workbook, const std::vector<TVBAFixtureModule>& Modules, const core::Bytes& Dir) {
  ps::CompoundFile cf = ps::CompoundFile::parse(Workbook);
  AnnounceProject(cf.root().open_stream(u"Workbook")->data);
  ps::Storage& project = cf.root().create_storage(u"_VBA_PROJECT_CUR");
  MakeVBAProject(project, Modules, Dir);
  // Time stamps of the storage, carried by a byte-exact copy.
  project.created = 0x01D2C4A5B6C7D8E9ull;
  project.modified = 0x01D2C4A5B6C7D8EAull;
  return cf.serialize();
}

}  // namespace biff::testing
