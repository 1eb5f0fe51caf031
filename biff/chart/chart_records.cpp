#include "biff/chart/chart_records.h"

#include <string>

#include "workbook/style_records.h"

namespace biff {

namespace {

// Deeper nesting than any chart has comes only from a damaged file.
constexpr int kMaxChartNesting = 64;
constexpr int kEmbeddedDrawingLimit = 80;
constexpr std::uint16_t kFBILength = 10;

bool IsBOF(std::uint16_t Id) { return Id == 0x0009 || Id == 0x0209 || Id == 0x0409 || Id == 0x0809; }

TChartRecord* TopAncestor(TChartRecord* R) {
  while (R->Parent) R = R->Parent;
  return R;
}

core::Bytes ReadBody(TXLSStream& Stream, const TBIFFHeader& H) {
  core::Bytes body(H.Length);
  if (H.Length == 0) return body;
  const int got = IsBOF(H.RecID) ? Stream.ReadNoDecrypt(body.data(), H.Length) : Stream.Read(body.data(), H.Length);
  if (got != H.Length) throw Exception("Unexpected end of chart record " + std::to_string(H.RecID));
  return body;
}

void ReadLevel(TChartRecord& List, TXLSStream& Stream, const TChartFonts& Fonts, int Depth) {
  if (Depth > kMaxChartNesting) throw Exception("Chart records nested too deep");
  TBIFFHeader h;
  while (Stream.ReadHeader(h) == 4) {
    switch (h.RecID) {
      case chrEOF:
        List.Append(std::make_unique<TChartRecord>(&List, h.RecID, ReadBody(Stream, h)));
        return;
      case chrEND:
        ReadBody(Stream, h);
        return;
      case chrBEGIN: {
        ReadBody(Stream, h);
        TChartRecord* last = List.Last();
        if (!last) throw Exception("List index out of bounds (-1)");
        ReadLevel(*last, Stream, Fonts, Depth + 1);
        break;
      }
      case chrMSODRAWING: {
        if (h.Length <= kEmbeddedDrawingLimit) {
          ReadBody(Stream, h);
          break;
        }
        List.Append(std::make_unique<TChartRecord>(&List, h.RecID));
        TChartRecord* root = FindChartRoot(&List);
        if (!root || !root->DrawingOwner) throw Exception("Chart record parent is not of excpected type");
        root->DrawingOwner->ReadChartDrawing(Stream, h.Length);
        break;
      }
      case chrFONTX: {
        core::Bytes body = ReadBody(Stream, h);
        const int key = body.size() >= 2 ? core::load_le16(body.data()) : 0;
        workbook::TXc12Font* font = FindFBIFont(List, key);
        if (!font && Fonts.FromFile) font = Fonts.FromFile(key);
        body.resize(2);
        TChartRecord& r = List.Append(std::make_unique<TChartRecord>(&List, h.RecID, body));
        r.Font = font;
        break;
      }
      case chrFBI: {
        core::Bytes body = ReadBody(Stream, h);
        body.resize(kFBILength);
        workbook::TXc12Font* font = Fonts.FromFile ? Fonts.FromFile(core::load_le16(body.data() + 8)) : nullptr;
        if (font) font->IsDefault = 1;  // kept in the workbook even when no cell uses it
        TChartRecord& r = List.Append(std::make_unique<TChartRecord>(&List, h.RecID, body));
        r.Font = font;
        break;
      }
      case chrGELFRAME: {
        core::Bytes block = ReadBody(Stream, h);
        for (std::uint16_t next = Stream.PeekRecordId(); next == chrGELFRAME || next == chrCONTINUE;
             next = Stream.PeekRecordId()) {
          TBIFFHeader c;
          if (Stream.ReadHeader(c) != 4) break;
          const core::Bytes piece = ReadBody(Stream, c);
          block.insert(block.end(), piece.begin(), piece.end());
        }
        List.Append(std::make_unique<TChartRecordUpdate>(&List, h.RecID, block));
        break;
      }
      default:
        List.Append(std::make_unique<TChartRecord>(&List, h.RecID, ReadBody(Stream, h)));
        break;
    }
  }
}

// Default record sets: a record id with its body in hexadecimal, or an instruction (BEGIN, END,
// the legend children).
struct TTableEntry {
  std::uint16_t Id;
  const char* Hex;
};

core::Bytes FromHex(const char* Hex) {
  core::Bytes b;
  int nibbles = 0;
  std::uint8_t v = 0;
  for (const char* p = Hex; *p; ++p) {
    int d;
    if (*p >= '0' && *p <= '9') d = *p - '0';
    else if (*p >= 'a' && *p <= 'f') d = *p - 'a' + 10;
    else continue;
    v = static_cast<std::uint8_t>(v * 16 + d);
    if (++nibbles % 2 == 0) {
      b.push_back(v);
      v = 0;
    }
  }
  return b;
}

#define Z4 "00 00 00 00 "
#define Z8 Z4 Z4
#define Z16 Z8 Z8

constexpr std::uint16_t B = chrBEGIN, E = chrEND;

const TTableEntry kDefaultChart[] = {
    {0x0809, "00 06 20 00 46 18 cd 07 c1 80 00 00 06 02 00 00"},                // 0 BOF
    {0x0014, ""},                                                               // 1 HEADER
    {0x0015, ""},                                                               // 2 FOOTER
    {0x0083, "00 00"},                                                          // 3 HCENTER
    {0x0084, "00 00"},                                                          // 4 VCENTER
    {0x00A1, "09 00 64 00 01 00 01 00 01 00 00 00 58 02 58 02 00 00 00 00 00 00 e0 3f 00 00 00 00 00 00 e0 3f 01 00"},
    {0x0033, "03 00"},                                                          // 6 PRINTSIZE
    {chrFBI, "08 16 57 12 a0 00 00 00 f0 00"},                                  // 7
    {chrFBI, "08 16 57 12 a0 00 01 00 f1 00"},                                  // 8
    {0x0012, "00 00"},                                                          // 9 PROTECT
    {0x1001, "00 00"},                                                          // 10 UNITS
    {chrCHART, "00 00 00 00 00 00 00 00 e8 7f 21 01 00 40 bf 00"},              // 11
    {B, ""},                                                                    // 12
    {0x00A0, "01 00 01 00"},                                                    // 13 SCL
    {0x1064, "00 00 01 00 00 00 01 00"},                                        // 14 PLOTGROWTH
    {chrFRAME, "00 00 02 00"},                                                  // 15
    {B, ""},                                                                    // 16
    {chrLINEFORMAT, "00 00 00 00 00 00 00 00 09 00 4d 00"},                     // 17
    {chrAREAFORMAT, "ff ff ff 00 00 00 00 00 01 00 01 00 4e 00 4d 00"},         // 18
    {E, ""},                                                                    // 19
    {chrSERIES, "01 00 01 00 0a 00 0a 00 01 00 00 00"},                         // 20
    {B, ""},                                                                    // 21
    {chrAI, "00 01 00 00 00 00 00 00"},                                         // 22 (kind 2 starts here)
    {chrAI, "01 02 00 00 00 00 0b 00 3b 00 00 00 00 09 00 00 00 00 00"},        // 23
    {chrAI, "02 00 00 00 00 00 00 00"},                                         // 24
    {chrAI, "03 01 00 00 00 00 00 00"},                                         // 25
    {chrDATAFORMAT, "ff ff 00 00 00 00 00 00"},                                 // 26
    {B, ""},                                                                    // 27
    {chr3DBARSHAPE, "00 00"},                                                   // 28
    {E, ""},                                                                    // 29
    {chrSERTOCRT, "00 00"},                                                     // 30
    {E, ""},                                                                    // 31
    {chrSHTPROPS, "0a 00 00 00"},                                               // 32
    {chrDEFAULTTEXT, "02 00"},                                                  // 33
    {chrTEXT, "02 02 01 00 00 00 00 00 cb ff ff ff ae ff ff ff " Z8 "b1 00 4d 00 a0 09 00 00"},
    {B, ""},                                                                    // 35
    {chrPOS, "02 00 02 00 " Z16},                                               // 36
    {chrFONTX, "f0 00"},                                                        // 37
    {chrAI, "00 01 00 00 00 00 00 00"},                                         // 38
    {E, ""},                                                                    // 39
    {chrDEFAULTTEXT, "03 00"},                                                  // 40
    {chrTEXT, "02 02 01 00 00 00 00 00 cb ff ff ff ae ff ff ff " Z8 "b1 00 4d 00 a0 09 00 00"},
    {B, ""},                                                                    // 42
    {chrPOS, "02 00 02 00 " Z16},                                               // 43
    {chrFONTX, "f1 00"},                                                        // 44
    {chrAI, "00 01 00 00 00 00 00 00"},                                         // 45
    {E, ""},                                                                    // 46
    {chrAXESUSED, "01 00"},                                                     // 47
    {chrAXISPARENT, "00 00 94 01 00 00 47 01 00 00 23 0b 00 00 fd 0b 00 00"},   // 48
    {B, ""},                                                                    // 49
    {chrPOS, "02 00 02 00 6a 00 00 00 a3 00 00 00 4d 0c 00 00 59 0e 00 00"},    // 50
    {chrAXIS, "00 00 " Z16},                                                    // 51
    {B, ""},                                                                    // 52
    {0x1020, "01 00 01 00 01 00 01 00"},                                        // 53 CATSERRANGE
    {0x1062, "00 00 00 00 01 00 00 00 01 00 00 00 00 00 00 00 ef 00"},          // 54 AXCEXT
    {0x101E, "02 00 03 01 " Z16 Z4 "23 00 4d 00 00 00"},                        // 55 TICK
    {E, ""},                                                                    // 56
    {chrAXIS, "01 00 " Z16},                                                    // 57
    {B, ""},                                                                    // 58
    {0x101F, Z16 Z16 Z8 "1f 01"},                                               // 59 VALUERANGE
    {0x101E, "02 00 03 01 " Z16 Z4 "23 00 4d 00 00 00"},                        // 60 TICK
    {0x1021, "01 00"},                                                          // 61 AXISLINEFORMAT
    {chrLINEFORMAT, "00 00 00 00 00 00 ff ff 09 00 4d 00"},                     // 62
    {E, ""},                                                                    // 63
    {chrPLOTAREA, ""},                                                          // 64
    {chrFRAME, "00 00 03 00"},                                                  // 65
    {B, ""},                                                                    // 66
    {chrLINEFORMAT, "80 80 80 00 00 00 00 00 00 00 17 00"},                     // 67
    {chrAREAFORMAT, "c0 c0 c0 00 00 00 00 00 01 00 00 00 16 00 4f 00"},         // 68
    {E, ""},                                                                    // 69
    {chrCHARTFORMAT, Z16 Z4},                                                   // 70
    {B, ""},                                                                    // 71
    {chrBAR, "00 00 96 00 00 00"},                                              // 72
    {chrCHARTFORMATLINK, "00 00 00 00 00 00 00 00 0f 00"},                      // 73
    {chrLEGEND, "db 0d 00 00 ab 06 00 00 85 01 00 00 f4 00 00 00 03 01 1f 00"}, // 74
    {chrLegendChildren, ""},                                                    // 75
    {E, ""},                                                                    // 76
    {E, ""},                                                                    // 77
    {E, ""},                                                                    // 78
    {chrSIINDEX, "02 00"},                                                      // 79
    {chrSIINDEX, "01 00"},                                                      // 80
    {chrSIINDEX, "03 00"},                                                      // 81
    {chrEOF, ""},                                                               // 82
};

const TTableEntry kLegendChildren[] = {
    {B, ""},
    {chrPOS, "05 00 02 00 db 0d 00 00 ab 06 00 00 " Z8},
    {chrTEXT, "02 02 01 00 00 00 00 00 af ff ff ff 86 ff ff ff " Z8 "b1 00 4d 00 a0 15 00 00"},
    {B, ""},
    {chrPOS, "02 00 02 00 " Z16},
    {chrAI, "00 01 00 00 00 00 00 00"},
    {E, ""},
    {E, ""},
};

const TTableEntry kDataFormatChildren[] = {
    {chr3DBARSHAPE, "00 00"},
    {chrLINEFORMAT, "00 00 00 00 00 00 00 00 01 00 4f 00"},
    {chrAREAFORMAT, "cc ff cc 00 ff ff ff 00 01 00 00 00 2a 00 09 00"},
    {chrPIEFORMAT, "00 00"},
    {chrMARKERFORMAT, "00 00 00 00 00 00 00 00 02 00 01 00 4d 00 4d 00 3c 00 00 00"},
};

#define COMMON_A                                                                 \
  {chrCHARTFORMATLINK, "00 00 00 00 00 00 00 00 0f 00"},                         \
      {chrLEGEND, "db 0d 00 00 ab 06 00 00 85 01 00 00 f4 00 00 00 03 01 1f 00"}, \
      {chrLegendChildren, ""}
#define COMMON_B                                                                          \
  {chrDATAFORMAT, "00 00 00 00 fd ff 00 00"}, {B, ""}, {chr3DBARSHAPE, "00 00"},          \
      {chrLINEFORMAT, "00 00 00 00 00 00 ff ff 09 00 4d 00"},                             \
      {chrAREAFORMAT, "ff ff ff 00 00 00 00 00 01 00 01 00 4e 00 4d 00"},                 \
      {chrPIEFORMAT, "00 00"},                                                            \
      {chrMARKERFORMAT, "00 00 00 00 00 00 00 00 00 00 00 00 4d 00 4d 00 3c 00 00 00"}, { \
    E, ""                                                                                 \
  }

const TTableEntry kArea[] = {{0x101A, "00 00"}, COMMON_A, COMMON_B};
const TTableEntry kBar[] = {{chrBAR, "00 00 96 00 01 00"}, COMMON_A};
const TTableEntry kLine[] = {{chrLINE, "00 00"}, COMMON_A};
const TTableEntry kPie[] = {{0x1019, "00 00 00 00 02 00"}, COMMON_A};
const TTableEntry kRadar[] = {{0x103E, "01 00 12 00"}, COMMON_A, COMMON_B};
const TTableEntry kScatter[] = {{0x101B, "64 00 01 00 00 00"}, COMMON_A, COMMON_B};
const TTableEntry kSurface[] = {{0x103F, "01 00"}, COMMON_A, COMMON_B};

#undef COMMON_A
#undef COMMON_B
#undef Z16
#undef Z8
#undef Z4

struct TTable {
  const TTableEntry* Entries;
  int Count;
};

template <std::size_t N>
constexpr TTable Table(const TTableEntry (&E)[N]) {
  return {E, static_cast<int>(N)};
}

void AddFromTable(TChartRecord& List, TTable T, int LastIndex, const TChartFonts& Fonts, int& Index) {
  for (; Index <= LastIndex && Index < T.Count; ++Index) {
    const TTableEntry& e = T.Entries[Index];
    switch (e.Id) {
      case chrBEGIN:
        // A BEGIN with nothing before it on its level has no record to open: it is skipped.
        if (TChartRecord* last = List.Last()) {
          ++Index;
          AddFromTable(*last, T, LastIndex, Fonts, Index);
        }
        break;
      case chrEND:
        return;
      case chrEOF:
        List.Append(std::make_unique<TChartRecord>(&List, e.Id));
        return;
      case chrFONTX: {
        const core::Bytes key = FromHex(e.Hex);
        TChartRecord& r = List.Append(std::make_unique<TChartRecord>(&List, e.Id, key));
        r.Font = FindFBIFont(List, core::load_le16(key.data()));
        break;
      }
      case chrFBI: {
        TChartRecord& r = List.Append(std::make_unique<TChartRecord>(&List, e.Id, FromHex(e.Hex)));
        r.Font = Fonts.NewChartFont ? Fonts.NewChartFont() : nullptr;
        if (r.Font) r.Font->IsDefault = 1;
        break;
      }
      case chrLegendChildren: {
        int i = 0;
        const TTable legend = Table(kLegendChildren);
        AddFromTable(List, legend, legend.Count - 1, Fonts, i);
        break;
      }
      default:
        List.Append(std::make_unique<TChartRecord>(&List, e.Id, FromHex(e.Hex)));
        break;
    }
  }
}

}  // namespace

// TChartRecord

TChartRecord::TChartRecord(TChartRecord* AParent, std::uint16_t ARecordId, core::ByteSpan AData)
    : RecordId(ARecordId), Data(AData.begin(), AData.end()), Parent(AParent) {}

TChartRecord& TChartRecord::Item(int Index) const {
  if (Index < 0 || Index >= Count()) throw Exception("List index out of bounds (" + std::to_string(Index) + ")");
  return *children_[static_cast<std::size_t>(Index)];
}

TChartRecord& TChartRecord::Append(std::unique_ptr<TChartRecord> Record) { return Insert(-1, std::move(Record)); }

TChartRecord& TChartRecord::Insert(int Index, std::unique_ptr<TChartRecord> Record) {
  if (Index > Count()) throw Exception("List index out of bounds (" + std::to_string(Index) + ")");
  Record->Parent = this;
  TChartRecord& r = *Record;
  if (Index < 0)
    children_.push_back(std::move(Record));
  else
    children_.insert(children_.begin() + Index, std::move(Record));
  return r;
}

std::unique_ptr<TChartRecord> TChartRecord::Extract(int Index) {
  Item(Index);
  std::unique_ptr<TChartRecord> r = std::move(children_[static_cast<std::size_t>(Index)]);
  children_.erase(children_.begin() + Index);
  r->Parent = nullptr;
  return r;
}

void TChartRecord::Resize(int Delta) {
  const long size = static_cast<long>(Data.size()) + Delta;
  if (size < 0 || size > 0xFFFF) throw Exception("Chart record size out of range");
  Data.resize(static_cast<std::size_t>(size));
}

std::size_t TChartRecord::CheckOffset(std::size_t Offset, std::size_t Size) const {
  if (Offset + Size > Data.size())
    throw Exception("Chart record " + std::to_string(RecordId) + " is too short");
  return Offset;
}

// Free functions

std::unique_ptr<TChartRecordUpdate> NewChartRoot(IChartDrawingOwner* Owner) {
  auto root = std::make_unique<TChartRecordUpdate>(nullptr, chrRoot);
  root->DrawingOwner = Owner;
  return root;
}

TChartRecord& InsertChartRecord(TChartRecord& List, int Index, std::uint16_t RecordId, bool UpdateClass,
                                int DataLength) {
  const core::Bytes zero(static_cast<std::size_t>(std::max(DataLength, 0)));
  std::unique_ptr<TChartRecord> r;
  if (UpdateClass)
    r = std::make_unique<TChartRecordUpdate>(&List, RecordId, zero);
  else
    r = std::make_unique<TChartRecord>(&List, RecordId, zero);
  return List.Insert(Index, std::move(r));
}

int IndexOfChartRecord(const TChartRecord& List, std::uint16_t RecordId) {
  for (int i = 0; i < List.Count(); ++i)
    if (List.Item(i).RecordId == RecordId) return i;
  return -1;
}

bool DeleteChartRecord(TChartRecord& List, std::uint16_t RecordId) {
  const int i = IndexOfChartRecord(List, RecordId);
  if (i < 0) return false;
  List.Extract(i);
  return true;
}

TChartRecord* FindChartRoot(TChartRecord* Record) {
  for (TChartRecord* r = Record; r; r = r->Parent)
    if (r->RecordId == chrRoot) return r;
  return nullptr;
}

workbook::TXc12Font* FindFBIFont(TChartRecord& List, int Key) {
  TChartRecord* root = FindChartRoot(&List);
  if (!root) root = TopAncestor(&List);
  for (int i = 0; i < root->Count(); ++i) {
    const TChartRecord& r = root->Item(i);
    if (r.RecordId == chrFBI && r.Data.size() >= kFBILength && core::load_le16(r.Data.data() + 8) == Key) return r.Font;
  }
  if (root->Count() > 0 && root->Last()->RecordId == chrFBI) throw Exception("Can not find FBI");
  return nullptr;
}

void ReadChartRecords(TChartRecord& List, TXLSStream& Stream, const TChartFonts& Fonts) {
  ReadLevel(List, Stream, Fonts, 0);
}

void WriteChartRecords(const TChartRecord& List, TXLSStream& Stream, const TChartFonts& Fonts) {
  for (int i = 0; i < List.Count(); ++i) {
    TChartRecord& r = List.Item(i);
    switch (r.RecordId) {
      case chrMSODRAWING: {
        TChartRecord* root = FindChartRoot(&r);
        if (!root || !root->DrawingOwner) throw Exception("Chart record parent is not of excpected type");
        root->DrawingOwner->WriteChartDrawing(Stream);
        break;
      }
      case chrFONTX: {
        const int index = r.Font && Fonts.ToFile ? Fonts.ToFile(*r.Font) : (r.Data.size() >= 2 ? r.Word(0) : 0);
        Stream.WriteHeader(r.RecordId, 2);
        Stream.WriteWord(static_cast<std::uint16_t>(index));
        break;
      }
      case chrFBI: {
        r.Data.resize(kFBILength);
        if (r.Font && Fonts.ToFile) r.SetWord(8, static_cast<std::uint16_t>(Fonts.ToFile(*r.Font)));
        Stream.WriteHeader(r.RecordId, kFBILength);
        Stream.Write(r.Data.data(), kFBILength);
        break;
      }
      case chrGELFRAME: {
        if (auto* u = dynamic_cast<TChartRecordUpdate*>(&r); u && u->OnUpdate) u->OnUpdate(*u);
        Stream.WriteRecord(r.RecordId, r.Data.data(), static_cast<int>(r.Data.size()));
        break;
      }
      default:
        Stream.WriteHeader(r.RecordId, r.DataLength());
        if (!r.Data.empty()) Stream.Write(r.Data.data(), static_cast<int>(r.Data.size()));
        break;
    }
    if (r.Count() > 0) {
      Stream.WriteHeader(chrBEGIN, 0);
      WriteChartRecords(r, Stream, Fonts);
      Stream.WriteHeader(chrEND, 0);
    }
  }
}

void AddDefaultChartRecords(TChartRecord& List, int Kind, const TChartFonts& Fonts) {
  int index = 0;
  auto walk = [&](TTable T, int First = 0) {
    index = First;
    AddFromTable(List, T, T.Count - 1, Fonts, index);
  };
  switch (Kind) {
    case 0: walk(Table(kDefaultChart)); break;
    case 1: walk(Table(kLegendChildren)); break;
    case 2: walk(Table(kDefaultChart), 22); break;
    case 3: walk(Table(kDataFormatChildren)); break;
    case 4: walk(Table(kArea)); break;
    case 5: walk(Table(kBar)); break;
    case 6: walk(Table(kLine)); break;
    case 7: walk(Table(kPie)); break;
    case 8: walk(Table(kRadar)); break;
    case 9: walk(Table(kScatter)); break;
    case 10: walk(Table(kSurface)); break;
    default: break;
  }
}

}  // namespace biff
