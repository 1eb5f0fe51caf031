#include "biff/drawing/shape_objects.h"

#include <algorithm>

#include "core/strings.h"
#include "core/unicode.h"

namespace biff {

namespace {

constexpr std::size_t kTXOFixed = 18;
// Text bytes per CONTINUE record (the option byte comes in front).
constexpr std::size_t kTextPiece = 8222;
constexpr std::uint16_t kLbsDataCb = 8158;
constexpr std::uint8_t ptgRef = 0x24;
constexpr std::uint8_t ptgArea = 0x25;
constexpr std::uint8_t ptgArea3d = 0x3B;
constexpr std::uint8_t ptgNameX = 0x39;
// Charts inside drawings inside charts: only a damaged file nests them deeper.
constexpr int kMaxChartDepth = 8;

void PutCmo(core::ByteWriter& W, std::uint16_t Ot, std::uint16_t Id, std::uint16_t Flags) {
  W.u16le(ftCmo);
  W.u16le(18);
  W.u16le(Ot);
  W.u16le(Id);
  W.u16le(Flags);
  W.fill(12);
}

core::Bytes Body(const TBIFFRecord& R) { return R.Body; }

// The 8-bit base type of a token with its class bits folded.
std::uint8_t BaseTokenType(std::uint8_t T) { return (T & 0x40) || (T & 0x20) ? static_cast<std::uint8_t>((T & 0x1F) | 0x20) : T; }

}  // namespace

void WriteOBJSubRecord(core::ByteWriter& W, std::uint16_t Ft, core::ByteSpan Data) {
  if (Data.size() > 0xFFFF) throw Exception("OBJ sub-record too large");
  W.u16le(Ft);
  W.u16le(static_cast<std::uint16_t>(Data.size()));
  W.bytes(Data);
}

// ---- text ----

void TShapeOutsideMsoBaseText::Assign(TShapeOutsideMso& Dest) const {
  auto* d = dynamic_cast<TShapeOutsideMsoBaseText*>(&Dest);
  if (!d) throw Exception("Can not assign this interface");
  d->TXO = TXO;
  d->Text = Text;
  d->Runs = Runs;
}

void TShapeOutsideMsoBaseText::SetDefaultText() {
  TXO.assign(kTXOFixed, 0);
  core::store_le16(TXO.data(), 0x0212);
  Text.clear();
  Runs.assign(2, TTXORun{});
}

void TShapeOutsideMsoBaseText::SetText(std::u16string_view S) { Text = S.substr(0, MaxTextLength); }

void TShapeOutsideMsoBaseText::ReadTextRecords(TXLSStream& Stream) {
  TBIFFHeader h;
  if (Stream.ReadHeaderInRecord(h) != 4 || h.RecID != BIFFRECID_TXO) throw Exception("Excpected record missing: TXO");
  auto body = [&](const TBIFFHeader& H) {
    core::Bytes b(H.Length);
    if (H.Length > 0 && Stream.Read(b.data(), H.Length) != H.Length) throw Exception("Unexpected end of TXO");
    return b;
  };
  TXO = body(h);
  if (TXO.size() < kTXOFixed) throw Exception("TXO record too short");
  const std::size_t cch = core::load_le16(TXO.data() + 10);
  const std::size_t cbRuns = core::load_le16(TXO.data() + 12);
  Text.clear();
  Runs.clear();
  if (cch == 0) return;
  // Each piece carries its own option byte: 8-bit (Latin-1) and UTF-16 pieces may alternate.
  while (Text.size() < cch) {
    if (Stream.ReadHeaderInRecord(h) != 4 || h.RecID != BIFFRECID_CONTINUE) throw Exception("Excpected record missing: CONTINUE");
    const core::Bytes piece = body(h);
    if (piece.empty()) continue;
    const bool wide = piece[0] & 1;
    const std::size_t chars = wide ? (piece.size() - 1) / 2 : piece.size() - 1;
    const std::size_t take = std::min(chars, cch - Text.size());
    for (std::size_t i = 0; i < take; ++i)
      Text.push_back(wide ? static_cast<char16_t>(core::load_le16(piece.data() + 1 + 2 * i)) : static_cast<char16_t>(piece[1 + i]));
  }
  if (cbRuns == 0) return;
  if (Stream.ReadHeaderInRecord(h) != 4 || h.RecID != BIFFRECID_CONTINUE) throw Exception("Excpected record missing: CONTINUE");
  const core::Bytes runs = body(h);
  const std::size_t n = std::min(cbRuns / 8, runs.size() / 8);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* p = runs.data() + 8 * i;
    Runs.push_back({core::load_le16(p), core::load_le16(p + 2), core::load_le32(p + 4)});
  }
}

void TShapeOutsideMsoBaseText::WriteTextRecords(TXLSStream& Stream) {
  if (TXO.size() < kTXOFixed) TXO.resize(kTXOFixed, 0);
  if (Text.size() > 0xFFFF) throw Exception("Text too long");
  const auto cch = static_cast<std::uint16_t>(Text.size());
  std::vector<TTXORun> runs;
  if (!Text.empty()) {
    // Runs start inside the text; the last one closes it at its length.
    for (std::size_t i = 0; i + 1 < Runs.size(); ++i)
      if (Runs[i].ich < cch && (runs.empty() || Runs[i].ich > runs.back().ich)) runs.push_back(Runs[i]);
    if (runs.empty()) runs.push_back(TTXORun{});
    runs.front().ich = 0;
    TTXORun last = Runs.size() >= 2 ? Runs.back() : TTXORun{};
    last.ich = cch;
    runs.push_back(last);
    Runs = runs;
  }
  if (8 * runs.size() > 0xFFFF) throw Exception("Too many text runs");
  core::store_le16(TXO.data() + 10, cch);
  core::store_le16(TXO.data() + 12, static_cast<std::uint16_t>(8 * runs.size()));

  core::ByteWriter tb;
  TMSOHeader::Make(0, 0, msoClientTextbox, 0).Write(tb);
  Stream.WriteRecord(BIFFRECID_MSODRAWING, tb.data().data(), static_cast<int>(tb.size()));
  Stream.WriteRecord(BIFFRECID_TXO, TXO.data(), static_cast<int>(TXO.size()));
  for (std::size_t at = 0; at < Text.size();) {
    const std::size_t n = std::min(kTextPiece / 2, Text.size() - at);
    core::ByteWriter p;
    p.u8(1);
    p.u16string_le(std::u16string_view(Text).substr(at, n));
    Stream.WriteRecord(BIFFRECID_CONTINUE, p.data().data(), static_cast<int>(p.size()));
    at += n;
  }
  if (!runs.empty()) {
    core::ByteWriter r;
    for (const TTXORun& x : runs) {
      r.u16le(x.ich);
      r.u16le(x.ifnt);
      r.u32le(x.reserved);
    }
    Stream.WriteRecord(BIFFRECID_CONTINUE, r.data().data(), static_cast<int>(r.size()));
  }
}

void TShapeOutsideMsoNote::Assign(TShapeOutsideMso& Dest) const {
  TShapeOutsideMsoBaseText::Assign(Dest);
  if (auto* n = dynamic_cast<TShapeOutsideMsoNote*>(&Dest)) {
    n->Col = Col;
    n->Row = Row;
    n->NoteFlags = NoteFlags;
    n->Author = Author;
  }
}

// ---- macros ----

std::u16string TShapeOutsideMsoBaseTextMacro::GetMacroName() const {
  if (Macro.size() < 11 || Macro[6] != ptgNameX || !Names_) return {};
  const int index = core::load_le16(Macro.data() + 9) - 1;
  if (index < 0 || index >= Names_->Count()) return {};
  return Names_->GetName(index);
}

// cce 7, four reserved bytes, the tokens (ptgNameX with the name's position), three bytes of padding.
core::Bytes MacroFormula(int NamePosition) {
  core::Bytes b(14, 0);
  core::store_le16(b.data(), 7);
  b[6] = ptgNameX;
  core::store_le16(b.data() + 9, static_cast<std::uint16_t>(NamePosition));
  return b;
}

namespace {

void ShiftMacro(core::Bytes& Macro, int Delta) {
  if (Macro.size() < 11 || Macro[6] != ptgNameX) return;
  core::store_le16(Macro.data() + 9, static_cast<std::uint16_t>(core::load_le16(Macro.data() + 9) + Delta));
}

}  // namespace

void TShapeOutsideMsoBaseTextMacro::SetMacroName(std::u16string_view Name) {
  const int i = Names_ ? Names_->IndexOfName(Name) : -1;
  if (i < 0) throw Exception("Can not find Name " + core::utf16_to_utf8(Name));
  Macro = MacroFormula(i + 1);
}

void TShapeOutsideMsoBaseTextMacro::ShiftNameIndex(int Delta) { ShiftMacro(Macro, Delta); }

void TShapeOutsideMsoBaseTextMacro::WriteToStream(TXLSStream& Stream) {
  core::ByteWriter w;
  PutCmo(w, OwnObjType(), ObjId, ObjFlags);
  WriteBodies(w);
  WriteOBJSubRecord(w, ftEnd, {});
  Stream.WriteRecord(BIFFRECID_OBJ, w.data().data(), static_cast<int>(w.size()));
  WriteTextRecords(Stream);
}

namespace {

// Walks the OBJ sub-records of a control: ftCmo gives id and flags, ftEnd is skipped, Take gets
// every other one and returns False for those the control does not know.
template <class F>
void WalkRecords(TShapeOutsideMso& O, const TBaseRecordStorage& Records, const char* Unknown, F&& Take) {
  for (int i = 0; i < Records.Count(); ++i) {
    const TBIFFRecord& r = *Records.Items(i);
    if (r.Id == ftCmo) {
      if (r.Body.size() >= 6) {
        O.ObjId = core::load_le16(r.Body.data() + 2);
        O.ObjFlags = core::load_le16(r.Body.data() + 4);
      }
    } else if (r.Id != ftEnd && !Take(r)) {
      throw Exception(core::format(Unknown, r.Id));
    }
  }
  O.OwnsObj = true;
}

void PutIf(core::ByteWriter& W, std::uint16_t Ft, const core::Bytes& B) {
  if (!B.empty()) WriteOBJSubRecord(W, Ft, B);
}

}  // namespace

bool TShapeControlButton::ReadFromRecords(const TBaseRecordStorage& Records) {
  Macro.clear();
  WalkRecords(*this, Records, "Unknown record %.4X in OBJ LBS", [&](const TBIFFRecord& r) {
    if (r.Id != ftMacro) return false;
    Macro = Body(r);
    return true;
  });
  return true;
}

void TShapeControlButton::WriteBodies(core::ByteWriter& W) const { PutIf(W, ftMacro, Macro); }

bool TShapeControlCheckBox::ReadFromRecords(const TBaseRecordStorage& Records) {
  Macro.clear();
  Cbls.clear();
  CblsFmla.clear();
  CblsData.clear();
  WalkRecords(*this, Records, "Unknown record %.4X in OBJ CBLS", [&](const TBIFFRecord& r) {
    switch (r.Id) {
      case ftMacro: Macro = Body(r); return true;
      case ftCbls: Cbls = Body(r); return true;
      case ftCblsData: CblsData = Body(r); return true;
      case ftCblsFmla: CblsFmla = Body(r); return true;
      default: return false;
    }
  });
  return true;
}

void TShapeControlCheckBox::WriteBodies(core::ByteWriter& W) const {
  PutIf(W, ftCbls, Cbls);
  PutIf(W, ftMacro, Macro);
  PutIf(W, ftCblsFmla, CblsFmla);
  PutIf(W, ftCblsData, CblsData);
}

bool TShapeControlRadioButton::ReadFromRecords(const TBaseRecordStorage& Records) {
  Macro.clear();
  Cbls.clear();
  Rbo.clear();
  CblsData.clear();
  CblsFmla.clear();
  RboData.clear();
  WalkRecords(*this, Records, "Unknown record %.4X in OBJ RBO", [&](const TBIFFRecord& r) {
    switch (r.Id) {
      case ftMacro: Macro = Body(r); return true;
      case ftCbls: Cbls = Body(r); return true;
      case ftRbo: Rbo = Body(r); return true;
      case ftRboData: RboData = Body(r); return true;
      case ftCblsData: CblsData = Body(r); return true;
      case ftCblsFmla: CblsFmla = Body(r); return true;
      default: return false;
    }
  });
  return true;
}

void TShapeControlRadioButton::WriteBodies(core::ByteWriter& W) const {
  PutIf(W, ftCbls, Cbls);
  PutIf(W, ftRbo, Rbo);
  PutIf(W, ftMacro, Macro);
  PutIf(W, ftCblsFmla, CblsFmla);
  PutIf(W, ftCblsData, CblsData);
  PutIf(W, ftRboData, RboData);
}

// ---- list data ----

int TObjLBS::GetSize(bool FromRead) const {
  if (FromRead) return static_cast<int>(AsRead.size());
  return (Tokens.empty() ? 10 : static_cast<int>(Tokens.size()) + 17) + TailSize();
}

void TObjLBS::ReadFromBuffer(core::ByteSpan Data) {
  AsRead.assign(Data.begin(), Data.end());
  core::ByteReader r(Data);
  const std::uint16_t cbFmla = r.u16le();
  Tokens.clear();
  Padding.clear();
  Reserved = 0;
  if (cbFmla != 0) {
    core::ByteReader f = r.sub(cbFmla);
    const std::uint16_t cce = f.u16le();
    Reserved = f.u32le();
    if (cce > f.remaining()) throw Exception("LBS formula longer than its field");
    const core::ByteSpan t = f.take(cce);
    Tokens.assign(t.begin(), t.end());
    const core::ByteSpan p = f.take(f.remaining());
    Padding.assign(p.begin(), p.end());
  }
  ReadFields(r);
  ReadTail(r);
}

void TObjLBS::ReadFields(core::ByteReader& R) {
  cLines = R.u16le();
  iSel = R.u16le();
  Flags = R.u16le();
  idEdit = R.u16le();
}

void TObjLBS::WriteTo(core::ByteWriter& W, bool FromRead) const {
  W.u16le(ftLbsData);
  W.u16le(kLbsDataCb);
  if (FromRead) {
    W.bytes(AsRead);
    return;
  }
  if (Tokens.empty()) {
    W.u16le(0);
  } else {
    W.u16le(static_cast<std::uint16_t>(Tokens.size() + 7));
    W.u16le(static_cast<std::uint16_t>(Tokens.size()));
    W.u32le(Reserved);
    W.bytes(Tokens);
    W.u8(0);
  }
  W.u16le(cLines);
  W.u16le(iSel);
  W.u16le(Flags);
  W.u16le(idEdit);
  WriteTail(W);
}

void TObjLBSListBox::ReadTail(core::ByteReader& R) {
  Selection.clear();
  if (Flags & 0x30) {
    const core::ByteSpan s = R.take(cLines);
    Selection.assign(s.begin(), s.end());
  }
}

int TObjLBSListBox::TailSize() const { return (Flags & 0x30) ? cLines : 0; }

void TObjLBSListBox::WriteTail(core::ByteWriter& W) const {
  if (!(Flags & 0x30)) return;
  core::Bytes s = Selection;
  s.resize(cLines, 0);
  W.bytes(s);
}

void TObjLBSComboBox::ReadTail(core::ByteReader& R) {
  wStyle = R.u16le();
  cLine = R.u16le();
  dxMin = R.u16le();
}

void TObjLBSComboBox::WriteTail(core::ByteWriter& W) const {
  W.u16le(wStyle);
  W.u16le(cLine);
  W.u16le(dxMin);
}

// ---- list box and drop-down ----

TShapeControlListBox::TShapeControlListBox(int AObjId, bool AIsCombo) : IsCombo(AIsCombo) {
  OwnsObj = true;
  ObjFlags = 0x2011;
  ObjId = static_cast<std::uint16_t>(AObjId);
  core::ByteWriter s;
  s.fill(4);
  for (std::uint16_t v : {0, 0, 4, 1, 5, 0, 16, 1}) s.u16le(v);
  Sbs = s.take();
  LinkedCell = {ptgRef, 1, 0, 1, 0, 0};
  if (IsCombo)
    LBS = std::make_unique<TObjLBSComboBox>();
  else
    LBS = std::make_unique<TObjLBSListBox>();
}

void TShapeControlListBox::Assign(TShapeOutsideMso&) const {
  throw Exception("TShapeControlListBox: Assign not implemented");
}

bool TShapeControlListBox::ReadFromRecords(const TBaseRecordStorage& Records) {
  Sbs.clear();
  LinkedCell.clear();
  SbsFmla.clear();
  Macro.clear();
  LBS.reset();
  WalkRecords(*this, Records, "Unknown record %.4X in OBJ LBS", [&](const TBIFFRecord& r) {
    switch (r.Id) {
      case ftMacro: Macro = Body(r); return true;
      case ftSbs: Sbs = Body(r); return true;
      case ftSbsFmla:
        SbsFmla = Body(r);
        if (SbsFmla.size() >= 12 && core::load_le16(SbsFmla.data()) == 5)
          LinkedCell.assign(SbsFmla.begin() + 6, SbsFmla.begin() + 12);
        return true;
      case ftLbsData:
        if (IsCombo)
          LBS = std::make_unique<TObjLBSComboBox>();
        else
          LBS = std::make_unique<TObjLBSListBox>();
        LBS->ReadFromBuffer(r.Body);
        return true;
      default: return false;
    }
  });
  // An autofilter drop-down has no linked cell.
  if (ObjFlags & 0x0100) LinkedCell.clear();
  Changed = false;
  return true;
}

void TShapeControlListBox::WriteToStream(TXLSStream& Stream) {
  core::ByteWriter w;
  PutCmo(w, OwnObjType(), ObjId, ObjFlags);
  PutIf(w, ftSbs, Sbs);
  PutIf(w, ftMacro, Macro);
  if (Changed) {
    if (!LinkedCell.empty()) {
      core::ByteWriter f;
      f.u16le(static_cast<std::uint16_t>(LinkedCell.size() - 1));
      f.fill(4);
      f.bytes(LinkedCell);
      WriteOBJSubRecord(w, ftSbsFmla, f.data());
    }
    if (!LBS) LBS = IsCombo ? std::unique_ptr<TObjLBS>(new TObjLBSComboBox) : std::unique_ptr<TObjLBS>(new TObjLBSListBox);
    LBS->WriteTo(w, false);
    // The empty edit text of a drop-down.
    if (IsCombo) w.u32le(0);
  } else {
    PutIf(w, ftSbsFmla, SbsFmla);
    // The list data as read already end with whatever the producer wrote after them.
    if (LBS) LBS->WriteTo(w, true);
  }
  Stream.WriteRecord(BIFFRECID_OBJ, w.data().data(), static_cast<int>(w.size()));
}

void TShapeControlListBox::GetLinkedCell(int& Col, int& Row) const {
  if (LinkedCell.size() < 5 || LinkedCell[0] != ptgRef) throw Exception("Unknown SBS formula.");
  Row = core::load_le16(LinkedCell.data() + 1);
  Col = core::load_le16(LinkedCell.data() + 3) & 0x3FFF;
}

void TShapeControlListBox::SetLinkedCell(int Col, int Row) {
  if (LinkedCell.size() != 6 || LinkedCell[0] != ptgRef) throw Exception("Unknown SBS formula.");
  int c = 0;
  int r = 0;
  GetLinkedCell(c, r);
  if (c == Col && r == Row) return;
  const std::uint16_t flags = core::load_le16(LinkedCell.data() + 3) & 0xC000;
  core::store_le16(LinkedCell.data() + 1, static_cast<std::uint16_t>(Row));
  core::store_le16(LinkedCell.data() + 3, static_cast<std::uint16_t>((Col & 0x3FFF) | flags));
  Changed = true;
}

void TShapeControlListBox::GetSourceRange(int& Sheet, int& Col1, int& Row1, int& Col2, int& Row2) const {
  if (!LBS || LBS->Tokens.empty()) throw Exception("No source area assigned");
  const core::Bytes& t = LBS->Tokens;
  const std::uint8_t type = BaseTokenType(t[0]);
  std::size_t at = 1;
  if (t.size() == 9 && type == ptgArea) {
    Sheet = -1;
  } else if (t.size() == 11 && type == ptgArea3d) {
    Sheet = core::load_le16(t.data() + 1);
    at = 3;
  } else {
    throw Exception("Unknown LBS formula.");
  }
  Row1 = core::load_le16(t.data() + at);
  Row2 = core::load_le16(t.data() + at + 2);
  Col1 = core::load_le16(t.data() + at + 4) & 0x3FFF;
  Col2 = core::load_le16(t.data() + at + 6) & 0x3FFF;
}

void TShapeControlListBox::SetSourceRange(int /*Sheet*/, int Col1, int Row1, int Col2, int Row2) {
  if (!LBS) LBS = IsCombo ? std::unique_ptr<TObjLBS>(new TObjLBSComboBox) : std::unique_ptr<TObjLBS>(new TObjLBSListBox);
  core::Bytes& t = LBS->Tokens;
  if (t.size() != 9 || t[0] != ptgArea) t = {ptgArea, 0, 0, 0, 0, 0, 0, 0, 0};
  core::store_le16(t.data() + 1, static_cast<std::uint16_t>(Row1));
  core::store_le16(t.data() + 3, static_cast<std::uint16_t>(Row2));
  core::store_le16(t.data() + 5, static_cast<std::uint16_t>(Col1));
  core::store_le16(t.data() + 7, static_cast<std::uint16_t>(Col2));
  Changed = true;
}

void TShapeControlListBox::SetAutofilter(bool Value) {
  if (!Value) throw Exception("An autofilter combo box can not be changed to a normal.");
  ObjFlags = 0x2101;
  if (!LBS) LBS = std::make_unique<TObjLBSComboBox>();
  LBS->Flags = 0x0301;
  if (auto* c = dynamic_cast<TObjLBSComboBox*>(LBS.get())) {
    c->wStyle = 10;
    c->cLine = 8;
  }
  LinkedCell.clear();
  Changed = true;
}

void TShapeControlListBox::ShiftNameIndex(int Delta) { ShiftMacro(Macro, Delta); }

// ---- scroll bar ----

bool TShapeControlScrollBar::ReadFromRecords(const TBaseRecordStorage& Records) {
  Sbs.clear();
  SbsFmla.clear();
  Macro.clear();
  WalkRecords(*this, Records, "Unknown record %.4X in OBJ CBLS", [&](const TBIFFRecord& r) {
    switch (r.Id) {
      case ftMacro: Macro = Body(r); return true;
      case ftSbs: Sbs = Body(r); return true;
      case ftSbsFmla: SbsFmla = Body(r); return true;
      default: return false;
    }
  });
  return true;
}

void TShapeControlScrollBar::WriteToStream(TXLSStream& Stream) {
  core::ByteWriter w;
  PutCmo(w, otScrollBar, ObjId, ObjFlags);
  PutIf(w, ftSbs, Sbs);
  PutIf(w, ftMacro, Macro);
  PutIf(w, ftSbsFmla, SbsFmla);
  WriteOBJSubRecord(w, ftEnd, {});
  Stream.WriteRecord(BIFFRECID_OBJ, w.data().data(), static_cast<int>(w.size()));
}

// ---- chart ----

namespace {
thread_local int chart_depth = 0;

struct DepthGuard {
  DepthGuard() {
    if (++chart_depth > kMaxChartDepth) {
      --chart_depth;
      throw Exception("Charts nested too deep");
    }
  }
  ~DepthGuard() { --chart_depth; }
};
}  // namespace

TShapeOutsideMsoChart::TShapeOutsideMsoChart(TEscherGroup* Group, TDrawingServices Services)
    : Group_(Group), Services_(std::move(Services)), Root_(NewChartRoot(this)) {}

TShapeOutsideMsoChart::~TShapeOutsideMsoChart() = default;

void TShapeOutsideMsoChart::Assign(TShapeOutsideMso& Dest) const {
  auto* d = dynamic_cast<TShapeOutsideMsoChart*>(&Dest);
  if (!d) throw Exception("Wrong type of shape in Assign");
  TXLSStream m;
  m.CreateMemory();
  WriteChartRecords(*Root_, m, Services_.Fonts);
  m.Seek(0, 0);
  d->Root_->Clear();
  ReadChartRecords(*d->Root_, m, d->Services_.Fonts);
}

void TShapeOutsideMsoChart::ReadFromStream(TXLSStream& Stream) {
  DepthGuard guard;
  ReadChartRecords(*Root_, Stream, Services_.Fonts);
}

void TShapeOutsideMsoChart::WriteToStream(TXLSStream& Stream) { WriteChartRecords(*Root_, Stream, Services_.Fonts); }

void TShapeOutsideMsoChart::ReadChartDrawing(TXLSStream& Stream, int Length) {
  DepthGuard guard;
  Drawing_ = std::make_unique<TEscherDrawing>(Group_, Services_);
  Drawing_->ReadFromStream(Stream, Length);
}

void TShapeOutsideMsoChart::WriteChartDrawing(TXLSStream& Stream) {
  if (Drawing_) Drawing_->WriteToStream(Stream);
}

}  // namespace biff
