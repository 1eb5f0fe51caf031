#include "biff/reader/external_names.h"

#include <utility>

#include "biff/biff_error.h"
#include "biff/reader/body_reader.h"
#include "biff/stream/xls_stream.h"
#include "core/codepage.h"

namespace biff {

int TRecordBody::Ansi(int Offset, int Count, int CodePage, std::u16string& Text) const {
  const std::uint8_t* c = At(Offset, Count);
  if (CodePage == 1200) {  // a BIFF5 file that claims UTF-16 still stores 8-bit names
    Text.assign(c, c + Count);
  } else if (core::codepage_supported(CodePage)) {
    Text = core::codepage_to_utf16(CodePage, std::string_view(reinterpret_cast<const char*>(c), Count));
  } else {
    Text.assign(c, c + Count);  // Latin-1 and unknown pages widen one to one
  }
  return Offset + Count;
}

namespace {

// Walks an encoded file name (see TSupBook); Bracketed selects the form used in formula text.
std::u16string DecodeFileName(const TSupBook& Book, bool Bracketed) {
  const std::u16string& s = Book.EncodedName;
  std::size_t i = 0;
  if (s.size() >= 2 && s[0] <= 2) i = 1;
  // The last 0x02/0x03 separator comes before the file name.
  std::size_t last_sep = std::u16string::npos;
  for (std::size_t j = i; j < s.size(); ++j)
    if (s[j] == 2 || s[j] == 3) last_sep = j;
  std::u16string out;
  bool opened = false;
  for (; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (c == 1) {
      if (i + 1 < s.size()) {
        ++i;
        if (s[i] == u'@')
          out += u"\\\\";
        else {
          out += s[i];
          out += u":\\";
        }
      }
    } else if (c == 2 || c == 3) {
      if (!Bracketed)
        out += u'\\';
      else if (Book.Sheets.empty())
        out += u'|';
      else if (i == last_sep) {
        out += u"\\[";
        opened = true;
      } else
        out += u'\\';
    } else if (c == 4) {
      out += u"..\\";
    } else if (c >= 5 && c <= 8) {
      // dropped
    } else {
      out += c;
    }
  }
  if (Bracketed) {
    if (Book.Sheets.empty())
      out += u'!';
    else if (opened)
      out += u']';
    else
      out = u"[" + out + u"]";
  }
  return out;
}

// 16-bit count, option byte, characters.
int ReadString16(const TRecordBody& B, int Offset, std::u16string& Text) {
  const int count = B.U16(Offset);
  return B.Unicode(Offset + 2, count, Text);
}

}  // namespace

std::u16string TSupBook::GetFilename() const { return DecodeFileName(*this, false); }
std::u16string TSupBook::GetFilenameA() const { return DecodeFileName(*this, true); }

void TExternalNames::AddSupBook(const std::uint8_t* Body, int Len) {
  TRecordBody b(Body, Len);
  auto book = std::make_unique<TSupBook>();
  book->SheetCount = b.U16(0);
  const std::uint16_t w = b.U16(2);
  if (w == TSupBook::MarkerSelf || w == TSupBook::MarkerAddIn) {
    book->Marker = w;
  } else {
    int pos = b.Unicode(4, w, book->EncodedName);
    for (int i = 0; i < book->SheetCount; ++i) {
      TSupBookSheet sheet;
      pos = ReadString16(b, pos, sheet.Name);
      book->Sheets.push_back(std::move(sheet));
    }
  }
  SupBooks.push_back(std::move(book));
}

void TExternalNames::AddExternName(const std::uint8_t* Body, int Len) {
  TRecordBody b(Body, Len);
  if (SupBooks.empty()) throw Exception("EXTERNNAME without SUPBOOK");
  const std::uint16_t opt = b.U16(0);
  std::unique_ptr<TExtName> name;
  TExtNameName* plain = nullptr;
  if (opt == 0 || opt == 1) {
    auto n = std::make_unique<TExtNameName>();
    plain = n.get();
    name = std::move(n);
  } else if (opt & 0x0010) {
    name = std::make_unique<TExtNameOLE>();
  } else {
    name = std::make_unique<TExtNameDDE>();
  }
  name->Options = opt;
  int pos = b.Unicode(7, b.U8(6), name->Name);
  if (plain && b.Has(pos, 2)) {
    const int cce = b.U16(pos);
    const std::uint8_t* d = b.At(pos + 2, cce);
    plain->Definition.assign(d, d + cce);
  }
  SupBooks.back()->Names.push_back(std::move(name));
}

void TExternalNames::ReadExternSheet(const std::uint8_t* Body, int Len) {
  TRecordBody b(Body, Len);
  const int count = b.U16(0);
  b.Need(2, count * 6);
  for (int i = 0; i < count; ++i) {
    TExtSheetEntry e;
    e.SupBook = b.U16(2 + i * 6);
    e.First = b.U16(4 + i * 6);
    e.Last = b.U16(6 + i * 6);
    ExtSheets.push_back(e);
  }
}

void TExternalNames::AddCRN(int SheetIndex, const std::uint8_t* Body, int Len) {
  TRecordBody b(Body, Len);
  if (SupBooks.empty()) throw Exception("No SUPBOOK for CRN");
  TSupBook& book = *SupBooks.back();
  if (SheetIndex < 0 || SheetIndex >= static_cast<int>(book.Sheets.size()))
    throw Exception("Invalid SUPBOOK Sheet Index");
  TCRNItem item;
  item.Col2 = b.U8(0);
  item.Col1 = b.U8(1);
  item.Row = b.U16(2);
  item.Values.assign(Body + 4, Body + Len);
  book.Sheets[static_cast<std::size_t>(SheetIndex)].CRNs.push_back(std::move(item));
}

int TExternalNames::GetInternalSheetRange(int First, int Last, int SheetCount) {
  int self = -1;
  for (std::size_t i = 0; i < ExtSheets.size(); ++i) {
    const TExtSheetEntry& e = ExtSheets[i];
    if (e.SupBook < 0 || e.SupBook >= static_cast<int>(SupBooks.size()) || !SupBooks[e.SupBook]->IsSelf()) continue;
    self = e.SupBook;
    if (e.First == First && e.Last == Last) return static_cast<int>(i);
  }
  for (std::size_t i = 0; self < 0 && i < SupBooks.size(); ++i)
    if (SupBooks[i]->IsSelf()) self = static_cast<int>(i);
  if (self < 0) {
    auto book = std::make_unique<TSupBook>();
    book->SheetCount = static_cast<std::uint16_t>(SheetCount);
    book->Marker = TSupBook::MarkerSelf;
    SupBooks.push_back(std::move(book));
    self = static_cast<int>(SupBooks.size()) - 1;
  }
  ExtSheets.push_back({self, static_cast<std::uint16_t>(First), static_cast<std::uint16_t>(Last)});
  return static_cast<int>(ExtSheets.size()) - 1;
}

bool TExternalNames::GetExtSheetTabs(int Index, int& First, int& Last) const {
  if (Index < 0 || Index >= static_cast<int>(ExtSheets.size())) throw Exception("Invalid EXTERNSHEET index");
  First = ExtSheets[static_cast<std::size_t>(Index)].First;
  Last = ExtSheets[static_cast<std::size_t>(Index)].Last;
  return First == Last;
}

int TExternalNames::GetInternalSheetIndex(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(ExtSheets.size())) return -1;
  const TExtSheetEntry& e = ExtSheets[static_cast<std::size_t>(Index)];
  if (e.SupBook < 0 || e.SupBook >= static_cast<int>(SupBooks.size())) return -1;
  return SupBooks[static_cast<std::size_t>(e.SupBook)]->IsSelf() ? e.First : -1;
}

void TExternalNames::GetExternRefText(int Index, int NameIndex, std::u16string& Text) const {
  if (Index < 0 || Index >= static_cast<int>(ExtSheets.size())) throw Exception("Invalid EXTERNSHEET index");
  const TExtSheetEntry& e = ExtSheets[static_cast<std::size_t>(Index)];
  if (e.SupBook < 0 || e.SupBook >= static_cast<int>(SupBooks.size())) throw Exception("Invalid SUPBOOK index");
  const TSupBook& book = *SupBooks[static_cast<std::size_t>(e.SupBook)];
  const std::u16string file = book.GetFilenameA();
  if (NameIndex < 0) {
    std::u16string sheet;
    if (e.First < 256 && e.First < book.Sheets.size()) sheet = book.Sheets[e.First].Name;
    Text = u"'" + file + sheet + u"'!";
  } else {
    if (NameIndex < 1 || NameIndex > static_cast<int>(book.Names.size())) throw Exception("Invalid external name index");
    Text = file + book.Names[static_cast<std::size_t>(NameIndex - 1)]->Name;
  }
}

namespace {

struct TBody {
  core::Bytes d;
  void u8(int v) { d.push_back(static_cast<std::uint8_t>(v)); }
  void u16(int v) {
    u8(v & 0xFF);
    u8((v >> 8) & 0xFF);
  }
  void u32(std::uint32_t v) {
    u16(static_cast<int>(v & 0xFFFF));
    u16(static_cast<int>(v >> 16));
  }
  // Option byte and characters: 8-bit when every character fits, else UTF-16.
  void chars(const std::u16string& s) {
    bool wide = false;
    for (char16_t c : s) wide = wide || c > 0xFF;
    u8(wide ? 1 : 0);
    for (char16_t c : s) wide ? u16(c) : u8(c);
  }
};

}  // namespace

void TExternalNames::WriteToStream(TXLSStream& Stream) const {
  for (const auto& book : SupBooks) {
    TBody b;
    b.u16(book->SheetCount);
    if (book->Marker != 0) {
      b.u16(book->Marker);
    } else {
      b.u16(static_cast<int>(book->EncodedName.size()));
      b.chars(book->EncodedName);
      for (const TSupBookSheet& sheet : book->Sheets) {
        b.u16(static_cast<int>(sheet.Name.size()));
        b.chars(sheet.Name);
      }
    }
    Stream.WriteRecord(0x01AE, b.d.data(), static_cast<int>(b.d.size()));
    for (const auto& name : book->Names) {
      TBody n;
      n.u16(name->Options);
      if (name->Kind() == 2) {
        n.u32(static_cast<const TExtNameOLE&>(*name).StorageId);
      } else {
        n.u16(0);
        n.u16(0);
      }
      n.u8(static_cast<int>(name->Name.size()));
      n.chars(name->Name);
      if (name->Kind() == 0) {
        const auto& def = static_cast<const TExtNameName&>(*name).Definition;
        n.u16(static_cast<int>(def.size()));
        n.d.insert(n.d.end(), def.begin(), def.end());
      }
      Stream.WriteRecord(0x0023, n.d.data(), static_cast<int>(n.d.size()));
    }
    for (std::size_t i = 0; i < book->Sheets.size(); ++i) {
      const auto& crns = book->Sheets[i].CRNs;
      if (crns.empty()) continue;
      TBody x;
      x.u16(static_cast<int>(crns.size()));
      x.u16(static_cast<int>(i));
      Stream.WriteRecord(0x0059, x.d.data(), static_cast<int>(x.d.size()));
      for (const TCRNItem& c : crns) {
        TBody r;
        r.u8(c.Col2);
        r.u8(c.Col1);
        r.u16(c.Row);
        r.d.insert(r.d.end(), c.Values.begin(), c.Values.end());
        Stream.WriteRecord(0x005A, r.d.data(), static_cast<int>(r.d.size()));
      }
    }
  }
  if (ExtSheets.empty()) return;
  TBody e;
  e.u16(static_cast<int>(ExtSheets.size()));
  for (const TExtSheetEntry& x : ExtSheets) {
    e.u16(x.SupBook);
    e.u16(x.First);
    e.u16(x.Last);
  }
  Stream.WriteRecord(0x0017, e.d.data(), static_cast<int>(e.d.size()));
}

void TExternalNames::SheetInserted(int Sheet) {
  for (TExtSheetEntry& e : ExtSheets) {
    if (e.SupBook < 0 || e.SupBook >= static_cast<int>(SupBooks.size()) || !SupBooks[e.SupBook]->IsSelf()) continue;
    if (e.First >= Sheet) {
      if (e.First < 0xF000) ++e.First;
      if (e.Last >= Sheet && e.Last < 0xF000) ++e.Last;
    }
  }
}

void TExternalNames::SheetDeleted(int Sheet) {
  for (TExtSheetEntry& e : ExtSheets) {
    if (e.SupBook < 0 || e.SupBook >= static_cast<int>(SupBooks.size()) || !SupBooks[e.SupBook]->IsSelf()) continue;
    if (e.First >= Sheet) {
      if (e.First == Sheet) e.First = 0xFFFF;
      else if (e.First != 0xFFFF) --e.First;
      if (e.Last == Sheet) e.Last = 0xFFFF;
      else if (e.Last > Sheet && e.Last != 0xFFFF) --e.Last;
    }
  }
}

void TExternalNames::SheetMoved(int From, int To) {
  if (From == To) return;
  auto moved = [&](int Sheet) {
    if (Sheet >= 0xF000) return Sheet;
    if (Sheet == From) return To;
    if (From < To && Sheet > From && Sheet <= To) return Sheet - 1;
    if (To < From && Sheet >= To && Sheet < From) return Sheet + 1;
    return Sheet;
  };
  for (TExtSheetEntry& e : ExtSheets) {
    if (e.SupBook < 0 || e.SupBook >= static_cast<int>(SupBooks.size()) || !SupBooks[e.SupBook]->IsSelf()) continue;
    int first = moved(e.First), last = moved(e.Last);
    if (first > last && last < 0xF000) std::swap(first, last);
    e.First = static_cast<std::uint16_t>(first);
    e.Last = static_cast<std::uint16_t>(last);
  }
}

void TExternalNames::SetInternalTabCount(int Count) {
  for (const TExtSheetEntry& e : ExtSheets)
    if (e.SupBook >= 0 && e.SupBook < static_cast<int>(SupBooks.size()) && SupBooks[e.SupBook]->IsSelf())
      SupBooks[e.SupBook]->SheetCount = static_cast<std::uint16_t>(Count);
}

}  // namespace biff
