// NAME records with the own-workbook SUPBOOK and EXTERNSHEET they refer through, and the HLINK and
// HLINKTOOLTIP records of a sheet.
#include <algorithm>
#include <cstring>

#include "biff/writer/xls_writer.h"
#include "core/strings.h"
#include "workbook/manager.h"

namespace biff {

namespace wb = workbook;

namespace {

constexpr std::uint16_t kNAME = 0x0018;
constexpr std::uint16_t kSUPBOOK = 0x01AE;
constexpr std::uint16_t kEXTERNSHEET = 0x0017;
constexpr std::uint16_t kHLINK = 0x01B8;
constexpr std::uint16_t kEXTERNNAME = 0x0023;
constexpr std::uint16_t kXCT = 0x0059;
constexpr std::uint16_t kCRN = 0x005A;
constexpr std::uint16_t kHLINKTOOLTIP = 0x0800;

constexpr std::uint8_t kStdLink[16] = {0xD0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11,
                                       0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B};
constexpr std::uint8_t kURLMoniker[16] = {0xE0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11,
                                          0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B};
constexpr std::uint8_t kFileMoniker[16] = {0x03, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                           0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// Built-in name codes by the model's built-in id.
constexpr std::uint8_t kBuiltInCodes[] = {0x00, 0x03, 0x04, 0x05, 0x06, 0x07, 0x0C, 0x0D};

std::u16string Cut(const std::u16string& S, std::size_t N) { return S.size() > N ? S.substr(0, N) : S; }

// A 32-bit count (characters + 1, or bytes + 2), the characters and a 16-bit 0.
void HLinkString(core::ByteWriter& W, const std::u16string& S, bool CountInChars) {
  W.u32le(static_cast<std::uint32_t>(CountInChars ? S.size() + 1 : 2 * S.size() + 2));
  W.u16string_le(S);
  W.u16le(0);
}

}  // namespace

int TXLSWriteXLS::TabOf(int SheetIndex) const {
  for (int k = 0; k < Boundsheets_.Count(); ++k) {
    const TBoundsheetData* d = Boundsheets_.GetItem(k);
    if (d->Kind != 1 && d->SheetIndex == SheetIndex) return k;
  }
  return SheetIndex;
}

void TXLSWriteXLS::WriteSUPBOOK() {
  std::uint8_t b[4];
  core::store_le16(b, static_cast<std::uint16_t>(std::min(Boundsheets_.Count(), 0xFFFF)));
  core::store_le16(b + 2, 0x0401);
  WriteRecordData(kSUPBOOK, 4, b);
}

void TXLSWriteXLS::WriteEXTERNSHEET() {
  const int n = std::min(Doc_.Sheets().Count(), (Doc_.MaxRecordBody() - 2) / 6);
  core::ByteWriter w;
  w.u16le(static_cast<std::uint16_t>(n));
  for (int i = 0; i < n; ++i) {
    w.u16le(0);
    w.u16le(static_cast<std::uint16_t>(TabOf(i)));
    w.u16le(static_cast<std::uint16_t>(TabOf(i)));
  }
  WriteRecordData(kEXTERNSHEET, static_cast<int>(w.size()), w.data().data());
}

void TXLSWriteXLS::WriteExternals() {
  const TExternalNames& x = Doc_.ExternalNames();
  for (const auto& book : x.SupBooks) {
    core::ByteWriter w;
    if (book->IsSelf()) {
      w.u16le(static_cast<std::uint16_t>(std::min(Boundsheets_.Count(), 0xFFFF)));
      w.u16le(TSupBook::MarkerSelf);
    } else if (book->Marker == TSupBook::MarkerAddIn) {
      w.u16le(1);
      w.u16le(TSupBook::MarkerAddIn);
    } else {
      w.u16le(static_cast<std::uint16_t>(book->Sheets.size()));
      const std::u16string name = Cut(book->EncodedName, 255);
      w.u16le(static_cast<std::uint16_t>(name.size()));
      w.u8(1);
      w.u16string_le(name);
      for (const auto& sheet : book->Sheets) {
        const std::u16string s = Cut(sheet.Name, 255);
        w.u16le(static_cast<std::uint16_t>(s.size()));
        w.u8(1);
        w.u16string_le(s);
      }
    }
    WriteRecordData(kSUPBOOK, static_cast<int>(w.size()), w.data().data());
    for (const auto& n : book->Names) {
      core::ByteWriter e;
      e.u16le(n->Options);
      e.u32le(0);
      const std::u16string name = Cut(n->Name, 255);
      e.u8(static_cast<std::uint8_t>(name.size()));
      e.u8(1);
      e.u16string_le(name);
      if (n->Kind() == 0) {
        const auto& def = static_cast<const TExtNameName&>(*n).Definition;
        if (def.empty()) {
          // A name without a definition refers to #REF!.
          e.u16le(2);
          e.u8(0x1C);
          e.u8(0x17);
        } else {
          e.u16le(static_cast<std::uint16_t>(def.size()));
          e.bytes(def.data(), def.size());
        }
      }
      WriteRecordData(kEXTERNNAME, static_cast<int>(e.size()), e.data().data());
    }
    for (std::size_t i = 0; i < book->Sheets.size(); ++i) {
      const auto& crns = book->Sheets[i].CRNs;
      if (crns.empty()) continue;
      std::uint8_t xct[4];
      core::store_le16(xct, static_cast<std::uint16_t>(crns.size()));
      core::store_le16(xct + 2, static_cast<std::uint16_t>(i));
      WriteRecordData(kXCT, 4, xct);
      for (const auto& crn : crns) {
        core::ByteWriter c;
        c.u8(crn.Col2);
        c.u8(crn.Col1);
        c.u16le(crn.Row);
        c.bytes(crn.Values.data(), crn.Values.size());
        WriteRecordData(kCRN, static_cast<int>(c.size()), c.data().data());
      }
    }
  }
  if (x.HasExternSheets()) {
    const int n = std::min(static_cast<int>(x.ExtSheets.size()), (Doc_.MaxRecordBody() - 2) / 6);
    core::ByteWriter w;
    w.u16le(static_cast<std::uint16_t>(n));
    for (int i = 0; i < n; ++i) {
      const TExtSheetEntry& e = x.ExtSheets[static_cast<std::size_t>(i)];
      w.u16le(static_cast<std::uint16_t>(e.SupBook));
      // The document numbers its worksheets; the file numbers every sheet, chart sheets included.
      const bool own = e.SupBook >= 0 && e.SupBook < static_cast<int>(x.SupBooks.size()) &&
                       x.SupBooks[static_cast<std::size_t>(e.SupBook)]->IsSelf();
      w.u16le(own && e.First < 0xFFFE ? static_cast<std::uint16_t>(TabOf(e.First)) : e.First);
      w.u16le(own && e.Last < 0xFFFE ? static_cast<std::uint16_t>(TabOf(e.Last)) : e.Last);
    }
    WriteRecordData(kEXTERNSHEET, static_cast<int>(w.size()), w.data().data());
  }
}

void TXLSWriteXLS::WriteNAMEs() {
  const wb::TXc12DefinedNames& names = *Manager_.Workbook->DefinedNames;
  if (names.Count() == 0) return;
  NamesWritten_ = true;
  // Without a table of its own (a workbook not read from a file), names refer to sheets through
  // the own-workbook table written here, entry i being sheet i.
  const TExternalNames& x = Doc_.ExternalNames();
  const bool ownTable = !x.HasSupBooks();
  if (ownTable) {
    WriteSUPBOOK();
    WriteEXTERNSHEET();
  }
  auto externIndex = [&](const wb::TXc12DefinedName& N) -> int {
    if (ownTable) return std::max(N.RefSheet, 0);
    for (std::size_t i = 0; i < x.ExtSheets.size(); ++i)
      if (x.GetInternalSheetIndex(static_cast<int>(i)) == N.RefSheet && x.ExtSheets[i].First == x.ExtSheets[i].Last)
        return static_cast<int>(i);
    return N.ExternSheetIndex;
  };
  for (int i = 0; i < names.Count(); ++i) {
    const wb::TXc12DefinedName& n = *names.GetItems(i);
    const std::vector<std::uint8_t>& c = n.Compiled;
    if (!c.empty() && c[0] == 0xFE) throw Exception("TODO Array consts 97");
    const bool builtIn = n.BuiltIn < wb::bnNone || n.RawBuiltInCode != 0;
    const std::u16string name = Cut(n.Name, 255);
    const std::u16string texts[4] = {Cut(n.CustomMenu, 255), Cut(n.Description, 255), Cut(n.Help, 255),
                                     Cut(n.StatusBar, 255)};
    core::ByteWriter def;
    if (!c.empty() && c[0] == 0xFF) {
      def.bytes(c.data() + 1, c.size() - 1);
    } else if (n.RefKind == wb::nrkCell || n.RefKind == wb::nrkArea || !c.empty()) {
      // A definition held only in the engine's byte code reaches the file as the cell or area it
      // resolved to.
      std::uint8_t d[11] = {0x3B};
      core::store_le16(d + 1, static_cast<std::uint16_t>(std::max(externIndex(n), 0)));
      if (n.RefKind == wb::nrkCell || n.RefKind == wb::nrkArea) {
        const int r1 = n.RefArea.Row1 & 0x7FFFFFFF, r2 = n.RefArea.Row2 & 0x7FFFFFFF;
        const int c1 = n.RefArea.Col1 & 0x7FFF, c2 = n.RefArea.Col2 & 0x7FFF;
        core::store_le16(d + 3, static_cast<std::uint16_t>(std::min(r1, 0xFFFF)));
        core::store_le16(d + 5, static_cast<std::uint16_t>(std::min(r2, 0xFFFF)));
        core::store_le16(d + 7, static_cast<std::uint16_t>(std::min(c1, 0xFF)));
        core::store_le16(d + 9, static_cast<std::uint16_t>(std::min(c2, 0xFF)));
      }
      def.bytes(d, sizeof d);
    }
    std::uint16_t options = 0;
    if (n.Hidden) options |= 0x0001;
    if (n.Function) options |= 0x0002;
    if (n.VbProcedure) options |= 0x0004;
    if (builtIn) options |= 0x0020;
    options = static_cast<std::uint16_t>(options | ((n.FunctionGroupId & 0x3F) << 6));
    core::ByteWriter w;
    w.u16le(options);
    w.u8(0);
    w.u8(static_cast<std::uint8_t>(builtIn ? 1 : name.size()));
    w.u16le(static_cast<std::uint16_t>(def.size()));
    w.u16le(0);
    w.u16le(static_cast<std::uint16_t>(n.LocalSheetId >= 0 ? TabOf(n.LocalSheetId) + 1 : 0));
    for (const auto& t : texts) w.u8(static_cast<std::uint8_t>(t.size()));
    if (builtIn) {
      w.u8(0);
      w.u8(n.BuiltIn < wb::bnNone ? kBuiltInCodes[n.BuiltIn] : n.RawBuiltInCode);
    } else {
      w.u8(1);
      w.u16string_le(name);
    }
    w.bytes(def.data().data(), def.size());
    for (const auto& t : texts) {
      if (t.empty()) continue;
      w.u8(1);
      w.u16string_le(t);
    }
    WriteRecordData(kNAME, static_cast<int>(w.size()), w.data().data());
  }
}

void TXLSWriteXLS::WriteHLINKs() {
  if (!Sheet_->Hyperlinks) return;
  const wb::TXc12Hyperlinks& links = *Sheet_->Hyperlinks;
  for (int i = 0; i < links.Count(); ++i) {
    const wb::TXc12Hyperlink& h = *links.GetItem(i);
    if (h.GetCol1() < 0 || h.GetRow1() < 0 || h.GetCol1() > 255 || h.GetRow1() > 65535) continue;
    const std::uint16_t r1 = static_cast<std::uint16_t>(h.GetRow1());
    const std::uint16_t r2 = static_cast<std::uint16_t>(std::clamp(h.GetRow2(), h.GetRow1(), 65535));
    const std::uint16_t c1 = static_cast<std::uint16_t>(h.GetCol1());
    const std::uint16_t c2 = static_cast<std::uint16_t>(std::clamp(h.GetCol2(), h.GetCol1(), 255));
    // A link into the workbook keeps its target in the address when no location is given.
    const std::u16string location = h.Location.empty() && h.Kind == wb::xhltWorkbook ? h.Address : h.Location;
    std::uint32_t flags = h.Kind == wb::xhltURL ? 0x03 : h.Kind == wb::xhltFile ? 0x01 : h.Kind == wb::xhltUNC ? 0x103 : 0;
    if (!h.Display.empty()) flags |= 0x14;
    if (!location.empty()) flags |= 0x08;

    std::uint8_t head[32];
    core::store_le16(head, r1);
    core::store_le16(head + 2, r2);
    core::store_le16(head + 4, c1);
    core::store_le16(head + 6, c2);
    std::memcpy(head + 8, kStdLink, 16);
    core::store_le32(head + 24, 2);
    core::store_le32(head + 28, flags);
    core::ByteWriter w;
    w.bytes(head, sizeof head);
    if (!h.Display.empty()) HLinkString(w, h.Display, true);
    switch (h.Kind) {
      case wb::xhltURL:
        w.bytes(kURLMoniker, 16);
        HLinkString(w, h.Address, false);
        break;
      case wb::xhltFile: {
        std::u16string path = h.Address;
        std::uint16_t up = 0;
        while (path.size() >= 3 && path.compare(0, 3, u"..\\") == 0) {
          path.erase(0, 3);
          ++up;
        }
        w.bytes(kFileMoniker, 16);
        w.u16le(up);
        w.u32le(0);
        w.u16le(0xFFFF);
        w.u16le(0xDEAD);
        w.fill(20);
        if (path.empty()) {
          w.u32le(0);
        } else {
          w.u32le(static_cast<std::uint32_t>(2 * path.size() + 6));
          w.u32le(static_cast<std::uint32_t>(2 * path.size()));
          w.u16le(3);
          w.u16string_le(path);
        }
        break;
      }
      case wb::xhltUNC: HLinkString(w, h.Address, true); break;
      default: break;
    }
    if (!location.empty()) HLinkString(w, location, true);
    if (w.size() > static_cast<std::size_t>(Doc_.MaxRecordBody()))
      throw Exception(core::format("Hyperlink in cell %d:%d too long", r1, c1));
    WriteRecordData(kHLINK, static_cast<int>(w.size()), w.data().data());

    if (!h.Tooltip.empty()) {
      const std::u16string tip = Cut(h.Tooltip, 4000);
      core::ByteWriter t;
      t.u16le(kHLINKTOOLTIP);
      t.u16le(r1);
      t.u16le(r2);
      t.u16le(c1);
      t.u16le(c2);
      t.u16string_le(tip);
      t.u16le(0);
      WriteRecordData(kHLINKTOOLTIP, static_cast<int>(t.size()), t.data().data());
    }
  }
}

}  // namespace biff
