// What only BIFF5 files need: their EXTERNSHEET and EXTERNNAME records and NAME records read into
// the tables BIFF8 formula tokens refer through, and their formula tokens turned into BIFF8 tokens.
// The records themselves stay stored raw, so a BIFF5 file is written back with them.
#include <algorithm>

#include "biff/biff_error.h"
#include "biff/document/biff5_document.h"
#include "biff/formula_encoder/biff_formula_handler.h"
#include "biff/formulas/biff5_tokens.h"
#include "biff/reader/body_reader.h"
#include "biff/reader/xls_reader.h"
#include "core/codepage.h"
#include "core/unicode.h"
#include "workbook/biff_codecs.h"
#include "workbook/manager.h"

namespace biff {

namespace wb = workbook;

namespace {

// An encoded document name of a BIFF5 EXTERNSHEET (after its 0x01 marker) as path, file and
// sheet: "[file]sheet" after the folders, or a file alone.
void SplitExternal(const std::u16string& Encoded, std::u16string& Path, std::u16string& File, std::u16string& Sheet) {
  std::u16string plain;
  for (std::size_t i = 0; i < Encoded.size(); ++i) {
    const char16_t c = Encoded[i];
    if (c == 0x01 && i + 1 < Encoded.size()) {
      const char16_t drive = Encoded[++i];
      plain += drive == u'@' ? std::u16string(u"\\\\") : std::u16string(1, drive) + u":\\";
    } else if (c == 0x02 || c == 0x03) {
      plain += u'\\';
    } else if (c == 0x04) {
      plain += u"..\\";
    } else if (c >= 0x05 && c <= 0x08) {
      continue;
    } else {
      plain += c;
    }
  }
  const std::size_t open = plain.find(u'[');
  const std::size_t close = plain.find(u']', open == std::u16string::npos ? 0 : open);
  if (open != std::u16string::npos && close != std::u16string::npos) {
    Path = plain.substr(0, open);
    File = plain.substr(open + 1, close - open - 1);
    Sheet = plain.substr(close + 1);
    return;
  }
  const std::size_t slash = plain.find_last_of(u'\\');
  Path = slash == std::u16string::npos ? std::u16string() : plain.substr(0, slash + 1);
  File = slash == std::u16string::npos ? plain : plain.substr(slash + 1);
  Sheet.clear();
}

}  // namespace

void TXLSReadXLS::RecEXTERNSHEET5() {
  // Stored raw as well (StoreRaw_ stays set): a BIFF5 file is written back with it.
  TRecordBody b(Buf_.data(), Header_.Length);
  TBiff5ExternSheet e;
  const int n = b.U8(0);
  if (n > 0) {
    e.Type = b.U8(1);
    Ansi(b, 2, n - 1).swap(e.Name);
  }
  Biff5ExternSheets_.push_back(std::move(e));
}

void TXLSReadXLS::RecEXTERNNAME5() {
  TRecordBody b(Buf_.data(), Header_.Length);
  if (Biff5ExternSheets_.empty()) return;
  Biff5ExternSheets_.back().Names.push_back(Ansi(b, 7, b.U8(6)));
}

void TXLSReadXLS::RecNAME5() {
  // Kept raw for a BIFF5 write, and read into the model's names in their order, so that name
  // tokens (which count NAME records) find them.
  TRecordBody b(Buf_.data(), Header_.Length);
  const std::uint16_t flags = b.U16(0);
  const int nameLen = b.U8(3);
  const int cce = b.U16(4);
  const int sheet = b.U16(8);
  const int local = sheet > 0 ? WorksheetOfTab(sheet - 1) : -1;
  wb::TXc12DefinedName* n =
      (flags & 0x0020) ? &AddName(flags, b.U8(14), {}, local) : &AddName(flags, -1, Ansi(b, 14, nameLen), local);
  const int pos = 14 + nameLen;
  const std::uint8_t* def = b.At(pos, cce);
  std::vector<std::uint8_t> tokens;
  int len = 0;
  if (cce > 0 && BIFF5TokensToBIFF8(def, cce, nullptr, 0, BIFF5Context(), tokens, len)) {
    n->Compiled.assign(1, 0xFF);
    n->Compiled.insert(n->Compiled.end(), tokens.begin(), tokens.begin() + len);
  }
}

TBIFF5TokenContext TXLSReadXLS::BIFF5Context() {
  TBIFF5TokenContext c;
  TExternalNames& x = Doc_.ExternalNames();
  const int tabs = SheetNames_.Count();
  c.Text = [this](const std::uint8_t* S, int Count) {
    return core::codepage_to_utf16(CodePage_, std::string_view(reinterpret_cast<const char*>(S), static_cast<std::size_t>(Count)));
  };
  // Sheets of the file itself are numbered by tab here; the read turns them into worksheets at
  // its end, as for BIFF8 files.
  auto own = [&x, tabs](int First, int Last) {
    if (First >= 0xF000 || Last >= 0xF000) First = Last = 0xFFFF;
    if (First > Last) std::swap(First, Last);
    return x.GetInternalSheetRange(First, Last, tabs);
  };
  c.ExternSheet = [this, &x, own, tabs](int Ixals, int First, int Last) -> int {
    if (Ixals < 0) return own(First, Last);
    if (Ixals == 0 || Ixals > static_cast<int>(Biff5ExternSheets_.size())) return -1;
    const TBiff5ExternSheet& e = Biff5ExternSheets_[static_cast<std::size_t>(Ixals - 1)];
    switch (e.Type) {
      case 0x02: return own(BoundsheetPos_, BoundsheetPos_);  // the sheet of the formula
      case 0x03: {                                             // a sheet of this file by name
        for (int t = 0; t < tabs; ++t)
          if (wb::UpperCaseW(SheetNames_.Get(t)) == wb::UpperCaseW(e.Name)) return own(t, t);
        return own(0xFFFF, 0xFFFF);
      }
      case 0x04: return own(First, Last);
      case 0x01: {
        std::u16string path, file, sheet;
        SplitExternal(e.Name, path, file, sheet);
        int index = -1, ext = -1;
        AddExternSheet(x, path, file, sheet, index, ext);
        return ext;
      }
      default: return -1;
    }
  };
  c.ExternName = [this, &x](int Ixals, int NameIndex, int& Ext, int& Index) {
    if (Ixals <= 0 || Ixals > static_cast<int>(Biff5ExternSheets_.size())) return false;
    const TBiff5ExternSheet& e = Biff5ExternSheets_[static_cast<std::size_t>(Ixals - 1)];
    if (NameIndex < 1 || NameIndex > static_cast<int>(e.Names.size())) return false;
    const std::u16string& name = e.Names[static_cast<std::size_t>(NameIndex - 1)];
    int book = -1;
    if (e.Type == 0x3A || e.Type == 0x04) {
      // Add-in functions: the workbook's add-in SUPBOOK, made on first use.
      for (std::size_t i = 0; i < x.SupBooks.size() && book < 0; ++i)
        if (x.SupBooks[i]->Marker == TSupBook::MarkerAddIn) book = static_cast<int>(i);
      if (book < 0) {
        const std::uint8_t body[] = {1, 0, 0x01, 0x3A};
        x.AddSupBook(body, sizeof body);
        book = static_cast<int>(x.SupBooks.size()) - 1;
      }
    } else if (e.Type == 0x01) {
      std::u16string path, file, sheet;
      SplitExternal(e.Name, path, file, sheet);
      int index = -1, ext = -1;
      AddExternSheet(x, path, file, sheet, index, ext);
      book = x.ExtSheets[static_cast<std::size_t>(ext)].SupBook;
    } else {
      return false;
    }
    TSupBook& b = *x.SupBooks[static_cast<std::size_t>(book)];
    Index = -1;
    for (std::size_t i = 0; i < b.Names.size() && Index < 0; ++i)
      if (b.Names[i]->Name == name) Index = static_cast<int>(i) + 1;
    if (Index < 0) {
      auto n = std::make_unique<TExtNameName>();
      n->Name = name;
      n->Definition = {0x1C, 0x17};
      b.Names.push_back(std::move(n));
      Index = static_cast<int>(b.Names.size());
    }
    Ext = -1;
    for (std::size_t i = 0; i < x.ExtSheets.size() && Ext < 0; ++i)
      if (x.ExtSheets[i].SupBook == book) Ext = static_cast<int>(i);
    if (Ext < 0) {
      x.ExtSheets.push_back({book, 0xFFFE, 0xFFFE});
      Ext = static_cast<int>(x.ExtSheets.size()) - 1;
    }
    return true;
  };
  return c;
}

bool TXLSReadXLS::BIFF5ToBIFF8(std::vector<std::uint8_t>& Tokens, int& Cce) {
  if (Cce < 0 || Cce > static_cast<int>(Tokens.size())) return false;
  std::vector<std::uint8_t> out;
  int len = 0;
  if (!BIFF5TokensToBIFF8(Tokens.data(), Cce, Tokens.data() + Cce, static_cast<int>(Tokens.size()) - Cce,
                          BIFF5Context(), out, len))
    return false;
  Tokens = std::move(out);
  Cce = len;
  return true;
}

}  // namespace biff
