// Sheet-stream fragments for the drawing tests: write a drawing into a memory stream, split the
// bytes into records, and read them back the way the workbook reader does.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "biff/drawing/escher_drawing.h"
#include "biff/drawing/shape_objects.h"
#include "core/unicode.h"

namespace drawing_test {

struct Rec {
  std::uint16_t id;
  core::Bytes body;
};

inline std::vector<Rec> Records(const core::Bytes& S) {
  std::vector<Rec> out;
  for (std::size_t p = 0; p + 4 <= S.size();) {
    const std::uint16_t id = core::load_le16(S.data() + p);
    const std::uint16_t len = core::load_le16(S.data() + p + 2);
    out.push_back({id, core::Bytes(S.begin() + static_cast<std::ptrdiff_t>(p + 4),
                                   S.begin() + static_cast<std::ptrdiff_t>(std::min(S.size(), p + 4 + len)))});
    p += 4 + len;
  }
  return out;
}

inline core::Bytes Join(const std::vector<Rec>& Rs) {
  core::Bytes out;
  for (const Rec& r : Rs) {
    core::Bytes h(4);
    core::store_le16(h.data(), r.id);
    core::store_le16(h.data() + 2, static_cast<std::uint16_t>(r.body.size()));
    out.insert(out.end(), h.begin(), h.end());
    out.insert(out.end(), r.body.begin(), r.body.end());
  }
  return out;
}

inline core::Bytes Write(biff::TEscherDrawing& D) {
  biff::TXLSStream s;
  s.CreateMemory();
  D.WriteToStream(s);
  return s.MemoryBytes();
}

// Reads the drawing at the start of Stream and then the records after it as the reader does
// (NOTE records go to SetNote); returns the records that were not the drawing's.
inline std::vector<Rec> Read(biff::TEscherDrawing& D, const core::Bytes& Stream) {
  biff::TXLSStream s;
  s.CreateMemory();
  s.Write(Stream.data(), static_cast<int>(Stream.size()));
  s.Seek(0, 0);
  biff::TBIFFHeader h;
  std::vector<Rec> rest;
  while (s.ReadHeader(h) == 4) {
    if (h.RecID == biff::BIFFRECID_MSODRAWING) {
      D.ReadFromStream(s, h.Length);
      continue;
    }
    core::Bytes b(h.Length);
    if (h.Length) s.Read(b.data(), h.Length);
    if (h.RecID == biff::BIFFRECID_NOTE && b.size() >= 11) {
      std::u16string author;
      const int n = core::load_le16(b.data() + 8);
      for (int i = 0; i < n && b[10] == 1 && 11 + 2 * i + 1 < static_cast<int>(b.size()); ++i)
        author.push_back(static_cast<char16_t>(core::load_le16(b.data() + 11 + 2 * i)));
      D.SetNote(core::load_le16(b.data() + 2), core::load_le16(b.data()), author, core::load_le16(b.data() + 6),
                core::load_le16(b.data() + 4));
    }
    rest.push_back({h.RecID, b});
  }
  return rest;
}

// The document's NAME list, compared in upper case.
struct FakeNames : biff::IDrawingNames {
  std::vector<std::u16string> names;
  int Count() const override { return static_cast<int>(names.size()); }
  std::u16string GetName(int Index) const override { return names.at(Index); }
  int IndexOfName(std::u16string_view Name) const override {
    for (std::size_t i = 0; i < names.size(); ++i)
      if (core::ascii_upper(names[i]) == core::ascii_upper(std::u16string(Name))) return static_cast<int>(i);
    return -1;
  }
  int AddProcName(std::u16string_view Name) override {
    if (Name.empty() || IndexOfName(Name) >= 0) throw biff::Exception("Invalid name");
    names.emplace_back(Name);
    return Count();
  }
};

// Seeds for the fuzz corpus, written when THC_DRAWING_CORPUS names a folder.
inline void MaybeSaveSeed(const std::string& Name, const core::Bytes& Bytes) {
  const char* dir = std::getenv("THC_DRAWING_CORPUS");
  if (!dir) return;
  std::ofstream(std::filesystem::path(dir) / Name, std::ios::binary)
      .write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
}

}  // namespace drawing_test
