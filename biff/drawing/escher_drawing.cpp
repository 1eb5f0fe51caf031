#include "biff/drawing/escher_drawing.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <typeinfo>

#include "biff/drawing/shape_objects.h"
#include "core/clock.h"
#include "core/strings.h"

namespace biff {

namespace {

// Deeper group nesting than any drawing has comes only from a damaged file.
constexpr int kMaxGroupNesting = 32;
constexpr int kPatriarchBytes = 80;
constexpr std::uint16_t kPropTextId = 128;
constexpr std::uint16_t kPropPib = 260;
constexpr std::uint16_t kPropPibName = 261;

void PutHeader(core::ByteWriter& W, std::uint8_t Ver, std::uint16_t Instance, std::uint16_t Type, std::int64_t Length) {
  if (Length < 0 || Length > 0xFFFFFFFFll) throw Exception("OfficeArt record too large");
  TMSOHeader::Make(Ver, Instance, Type, static_cast<std::uint32_t>(Length)).Write(W);
}

void PutRect(core::ByteWriter& W, const TChildRect& R) {
  W.u32le(static_cast<std::uint32_t>(R.Left));
  W.u32le(static_cast<std::uint32_t>(R.Top));
  W.u32le(static_cast<std::uint32_t>(R.Right));
  W.u32le(static_cast<std::uint32_t>(R.Bottom));
}

TChildRect GetRect(core::ByteReader& R) {
  TChildRect r;
  r.Left = R.i32le();
  r.Top = R.i32le();
  r.Right = R.i32le();
  r.Bottom = R.i32le();
  return r;
}

core::Bytes CmoBody(std::uint16_t Ot, std::uint16_t Id, std::uint16_t ObjFlags) {
  core::ByteWriter w;
  w.u16le(Ot);
  w.u16le(Id);
  w.u16le(ObjFlags);
  w.fill(12);
  return w.take();
}

}  // namespace

std::uint32_t NewTextId() {
  static std::mt19937 gen{std::random_device{}()};
  return static_cast<std::uint32_t>(std::uniform_int_distribution<int>(0, 65534)(gen)) + core::tick_count();
}

// ---- client anchor ----

void TMSOObjCLIENTANCHOR::Read(core::ByteReader& R) {
  std::int32_t* v[] = {&Flags, &Col1, &Dx1, &Row1, &Dy1, &Col2, &Dx2, &Row2, &Dy2};
  for (std::int32_t* p : v) *p = R.u16le();
}

void TMSOObjCLIENTANCHOR::Write(core::ByteWriter& W) const {
  for (std::int32_t x : {Flags, Col1, Dx1, Row1, Dy1, Col2, Dx2, Row2, Dy2}) W.u16le(static_cast<std::uint16_t>(x));
}

// ---- shapes ----

TShape::~TShape() = default;

bool TShape::HasTextObject() const { return dynamic_cast<const TShapeOutsideMsoBaseText*>(Outside.get()) != nullptr; }

int TShape::GetSize() const {
  std::int64_t size = Properties.GetSize() + 40 + AnchorSize();
  if (TertiaryProperties.Entries() > 0) size += 8 + TertiaryProperties.GetSize();
  if (HasTextObject()) size += 8;
  if (UnknownRecords) size += UnknownRecords->GetSize();
  return static_cast<int>(size);
}

void TShape::WriteSpContainer(core::ByteWriter& W, int ContainerLength) const {
  PutHeader(W, msoContainerVersion, 0, msoSpContainer, ContainerLength);
  PutHeader(W, 2, static_cast<std::uint16_t>(ShapeType), msoSp, 8);
  W.u32le(SpId);
  W.u32le(Flags);
  W.bytes(Properties.SaveToBuffer(true));
  if (TertiaryProperties.Entries() > 0) {
    PutHeader(W, 3, static_cast<std::uint16_t>(TertiaryProperties.Count), msoTertiaryOPT, TertiaryProperties.GetSize());
    core::Bytes b = TertiaryProperties.SaveToBuffer(false);
    W.bytes(b);
  }
  if (UnknownRecords) UnknownRecords->WriteTo(W);
  WriteAnchor(W);
  PutHeader(W, 0, 0, msoClientData, 0);
}

void TShape::WriteObjAndFollowing(TXLSStream& Stream) const {
  if (Outside && Outside->OwnsObj) {
    Outside->WriteToStream(Stream);
    return;
  }
  core::ByteWriter w;
  for (int i = 0; i < ObjRecords.Count(); ++i) {
    const TBIFFRecord* r = ObjRecords.Items(i);
    w.u16le(r->Id);
    w.u16le(r->Length());
    w.bytes(r->Body);
  }
  Stream.WriteRecord(BIFFRECID_OBJ, w.data().data(), static_cast<int>(w.size()));
  if (Outside) Outside->WriteToStream(Stream);
}

void TShape::WriteToStream(TXLSStream& Stream, core::ByteWriter* Lead) {
  const int size = GetSize();
  core::ByteWriter own;
  core::ByteWriter& w = Lead ? *Lead : own;
  WriteSpContainer(w, size - 8);
  Stream.WriteRecord(BIFFRECID_MSODRAWING, w.data().data(), static_cast<int>(w.size()));
  WriteObjAndFollowing(Stream);
}

void TShape::AssignBase(TShape& Dest) const {
  Dest.SpId = 0;
  Dest.ShapeType = ShapeType;
  Dest.Flags = Flags;
  Properties.AssignTo(Dest.Properties);
  Dest.Properties.Count = Properties.Count;
  Dest.UnknownRecords.reset();
  if (UnknownRecords) {
    Dest.UnknownRecords = std::make_unique<TMSORecords>();
    UnknownRecords->CopyTo(*Dest.UnknownRecords);
  }
  Dest.ObjRecords.Clear();
  ObjRecords.CopyTo(Dest.ObjRecords);
  if (Outside) {
    if (auto* note = dynamic_cast<const TShapeOutsideMsoNote*>(Outside.get())) {
      Dest.Outside = std::make_unique<TShapeOutsideMsoNote>();
      note->Assign(*Dest.Outside);
    } else if (auto* text = dynamic_cast<const TShapeOutsideMsoBaseText*>(Outside.get());
               text && typeid(*text) == typeid(TShapeOutsideMsoBaseText)) {
      Dest.Outside = std::make_unique<TShapeOutsideMsoBaseText>();
      text->Assign(*Dest.Outside);
    } else if (dynamic_cast<const TShapeOutsideMsoChart*>(Outside.get())) {
      if (!Dest.Outside) throw Exception("Can not assign this interface");
      Outside->Assign(*Dest.Outside);
    } else {
      throw Exception("Can not assign this interface");
    }
  }
}

void TShape::Assign(TShape& Dest) const {
  AssignBase(Dest);
  if (Dest.Properties.IndexOf(kPropTextId) >= 0) Dest.Properties.SetValue(kPropTextId, NewTextId());
  if (auto* a = const_cast<TShape*>(this)->ClientAnchor(); a && Dest.ClientAnchor()) *Dest.ClientAnchor() = *a;
  if (auto* a = const_cast<TShape*>(this)->ChildAnchor(); a && Dest.ChildAnchor()) *Dest.ChildAnchor() = *a;
}

void TShape::SetShapeType(std::uint32_t Type) {
  ShapeType = Type;
  std::uint16_t ot = 0;
  switch (Type) {
    case 1: ot = otRectangle; break;
    case 3: ot = otOval; break;
    case 13:
    case 20: ot = otLine; break;
    default: return;
  }
  const int i = IndexOfObjRecord(ftCmo);
  if (i >= 0 && ObjRecords.Items(i)->Body.size() >= 2) core::store_le16(ObjRecords.Items(i)->Body.data(), ot);
}

void TShape::SetFlipH(bool Value) { Flags = Value ? Flags | spfFlipH : Flags & ~spfFlipH; }
void TShape::SetFlipV(bool Value) { Flags = Value ? Flags | spfFlipV : Flags & ~spfFlipV; }

void TShape::AddMacroProperties() {
  Properties.Add(447, 0x00010001);
  Properties.Add(959, 0x00080008);
  Properties.UpdateCount();
}

int TShape::IndexOfObjRecord(std::uint16_t Ft) const { return ObjRecords.IndexOf(Ft); }

std::uint16_t TShape::ObjType() const {
  if (Outside && Outside->OwnsObj) return Outside->OwnObjType();
  const int i = IndexOfObjRecord(ftCmo);
  if (i < 0 || ObjRecords.Items(i)->Body.size() < 4) return 0;
  return core::load_le16(ObjRecords.Items(i)->Body.data());
}

std::uint16_t TShape::ObjId() const {
  if (Outside && Outside->OwnsObj) return Outside->ObjId;
  const int i = IndexOfObjRecord(ftCmo);
  if (i < 0 || ObjRecords.Items(i)->Body.size() < 4) return 0;
  return core::load_le16(ObjRecords.Items(i)->Body.data() + 2);
}

void TShapeClientAnchor::WriteAnchor(core::ByteWriter& W) const {
  PutHeader(W, 0, 0, msoClientAnchor, 18);
  Anchor.Write(W);
}

void TShapeChildAnchor::WriteAnchor(core::ByteWriter& W) const {
  PutHeader(W, 0, 0, msoChildAnchor, 16);
  PutRect(W, Rect);
}

void TShapeGroupClientAnchor::WriteAnchor(core::ByteWriter& W) const {
  PutHeader(W, 0, 0, msoClientAnchor, 18);
  Anchor.Write(W);
}

void TShapeGroupChildAnchor::WriteAnchor(core::ByteWriter& W) const {
  PutHeader(W, 0, 0, msoChildAnchor, 16);
  PutRect(W, Rect);
}

TShape& TShapeGroup::Add(std::unique_ptr<TShape> Shape) {
  Children_.push_back(std::move(Shape));
  return *Children_.back();
}

std::unique_ptr<TShape> TShapeGroup::Extract(int Index) {
  auto it = Children_.begin() + Index;
  std::unique_ptr<TShape> s = std::move(*it);
  Children_.erase(it);
  return s;
}

int TShapeGroup::GetOwnSize() const { return TShape::GetSize() + 32; }

int TShapeGroup::GetSize() const {
  std::int64_t size = GetOwnSize();
  for (const auto& c : Children_) size += c->GetSize();
  return static_cast<int>(size);
}

void TShapeGroup::WriteToStream(TXLSStream& Stream, core::ByteWriter* Lead) {
  core::ByteWriter own;
  core::ByteWriter& w = Lead ? *Lead : own;
  PutHeader(w, msoContainerVersion, 0, msoSpgrContainer, GetSize() - 8);
  PutHeader(w, msoContainerVersion, 0, msoSpContainer, GetOwnSize() - 16);
  PutHeader(w, 1, 0, msoSpgr, 16);
  PutRect(w, GroupRect);
  // The SpContainer without its header (already written with the FSPGR in front).
  core::ByteWriter rest;
  WriteSpContainer(rest, 0);
  w.bytes(core::ByteSpan(rest.data()).subspan(8));
  Stream.WriteRecord(BIFFRECID_MSODRAWING, w.data().data(), static_cast<int>(w.size()));
  WriteObjAndFollowing(Stream);
  for (auto& c : Children_) c->WriteToStream(Stream, nullptr);
}

void TShapeGroup::Assign(TShape& Dest) const {
  TShape::Assign(Dest);
  auto* g = dynamic_cast<TShapeGroup*>(&Dest);
  if (!g) throw Exception("Dont know how to Copy this shape");
  g->GroupRect = GroupRect;
  g->Children_.clear();
  for (const auto& c : Children_) {
    std::unique_ptr<TShape> copy;
    if (dynamic_cast<const TShapeGroupClientAnchor*>(c.get()))
      copy = std::make_unique<TShapeGroupClientAnchor>(g->Drawing_);
    else if (dynamic_cast<const TShapeGroupChildAnchor*>(c.get()))
      copy = std::make_unique<TShapeGroupChildAnchor>(g->Drawing_);
    else if (dynamic_cast<const TShapeChildAnchor*>(c.get()))
      copy = std::make_unique<TShapeChildAnchor>();
    else if (dynamic_cast<const TShapeClientAnchor*>(c.get()))
      throw Exception("ClientAnchor in ShapeGroup");
    else
      throw Exception("Dont know how to Copy this shape");
    c->Assign(*copy);
    if (g->Drawing_) {
      copy->SpId = g->Drawing_->NextSpId();
      if (copy->Properties.IndexOf(kPropTextId) >= 0)
        copy->Properties.SetValue(kPropTextId, g->Drawing_->Services().NextTextId());
    }
    g->Children_.push_back(std::move(copy));
  }
}

// ---- reading ----

// The drawing data of a sheet stream: the bodies of MSODRAWING records (and their CONTINUE
// records), read piece by piece. A piece runs out only where a shape's records continue in the
// next drawing record; the BIFF records between pieces (OBJ, TXO, text) are read by the callers.
class TDrawingInput {
public:
  TDrawingInput(TXLSStream& Stream, core::ByteSpan First) : s_(Stream), cur_(First.begin(), First.end()) {}

  std::int64_t Consumed = 0;
  TXLSStream& Stream() { return s_; }
  bool PieceLeft() const { return pos_ < cur_.size(); }

  void Read(std::uint8_t* Out, std::size_t N) {
    while (N > 0) {
      if (!PieceLeft()) NextPiece();
      const std::size_t k = std::min(N, cur_.size() - pos_);
      std::memcpy(Out, cur_.data() + pos_, k);
      pos_ += k;
      Out += k;
      N -= k;
      Consumed += static_cast<std::int64_t>(k);
    }
  }

  // Grows with the data actually present, so a false length cannot allocate at once.
  core::Bytes ReadBytes(std::uint32_t N) {
    core::Bytes b;
    while (N > 0) {
      if (!PieceLeft()) NextPiece();
      const std::size_t k = std::min<std::size_t>(N, cur_.size() - pos_);
      b.insert(b.end(), cur_.begin() + static_cast<std::ptrdiff_t>(pos_), cur_.begin() + static_cast<std::ptrdiff_t>(pos_ + k));
      pos_ += k;
      N -= static_cast<std::uint32_t>(k);
      Consumed += static_cast<std::int64_t>(k);
    }
    return b;
  }

  void Skip(std::uint32_t N) { ReadBytes(N); }

  TMSOHeader ReadHeader() {
    std::uint8_t b[8];
    Read(b, 8);
    core::ByteReader r(b, 8);
    return TMSOHeader::Read(r);
  }

  // A whole drawing record of its own (the one with a shape's ClientTextbox).
  core::Bytes TakeRecord(const char* Missing) {
    if (PieceLeft()) throw Exception(Missing);
    NextPiece(Missing, true);
    core::Bytes b(cur_.begin() + static_cast<std::ptrdiff_t>(pos_), cur_.end());
    Consumed += static_cast<std::int64_t>(b.size());
    pos_ = cur_.size();
    return b;
  }

  // Reads the body of the record whose header was just read.
  core::Bytes ReadBody(std::uint16_t Length) {
    core::Bytes b(Length);
    if (Length > 0 && s_.Read(b.data(), Length) != Length) throw Exception("Unexpected end of drawing record");
    return b;
  }

private:
  void NextPiece(const char* Missing = "Expected record missing: MSODRAWING", bool AllowEmpty = false) {
    for (;;) {
      TBIFFHeader h;
      if (s_.ReadHeaderInRecord(h) != 4) throw Exception(Missing);
      if (h.RecID == BIFFRECID_MSODRAWING || h.RecID == BIFFRECID_CONTINUE) {
        cur_ = ReadBody(h.Length);
        pos_ = 0;
        if (h.Length == 0 && !AllowEmpty) continue;
        return;
      }
      if (h.RecID != BIFFRECID_IMDATA) throw Exception(Missing);
      // Picture data of the old kind between drawing records: dropped with its continuations.
      ReadBody(h.Length);
      for (std::uint16_t id = s_.PeekRecordId(); id == BIFFRECID_CONTINUE || id == BIFFRECID_IMDATA;
           id = s_.PeekRecordId()) {
        s_.ReadHeaderInRecord(h);
        ReadBody(h.Length);
      }
    }
  }

  TXLSStream& s_;
  core::Bytes cur_;
  std::size_t pos_ = 0;
};

class TDrawingReader {
public:
  TDrawingReader(TEscherDrawing& D, TDrawingInput& In) : d_(D), in_(In) {}

  int ShapeCounter = 0;
  std::uint32_t MaxSpId = 0;

  std::int64_t ReadHeader();
  void ReadShapes(TShapeGroup& Group, std::int64_t L, int Depth);
  void ReadTrailing(std::int64_t Remaining);

private:
  void ReadOBJ(TShape& Shape, std::uint16_t& Ot);
  std::int64_t ReadTextbox(bool Seen);

  TEscherDrawing& d_;
  TDrawingInput& in_;
};

std::int64_t TDrawingReader::ReadHeader() {
  TMSOHeader h = in_.ReadHeader();
  if (h.RecType != msoDg) throw Exception("Expected record missing: DG");
  if (h.Length < 8) throw Exception("DG record too short");
  d_.DgId_ = h.Instance();
  {
    core::Bytes b = in_.ReadBytes(h.Length);
    core::ByteReader r(b);
    d_.Csp_ = r.u32le();
    d_.SpIdCur_ = r.u32le();
  }
  if (d_.Group_) d_.Group_->AttachDrawing(&d_, d_.DgId_);
  h = in_.ReadHeader();
  if (h.RecType == msoFRITContainer) {
    const std::uint16_t count = h.Instance();
    if (h.Length < 4u * count) throw Exception("FRITCONTAINER too short");
    core::Bytes b = in_.ReadBytes(h.Length);
    core::ByteReader r(b);
    d_.RegroupItems_.clear();
    for (int i = 0; i < count; ++i) d_.RegroupItems_.push_back(r.u32le());
    h = in_.ReadHeader();
  }
  if (h.RecType != msoSpgrContainer) throw Exception("Expected record missing: SPGRCONTAINER");
  std::int64_t g = h.Length;
  h = in_.ReadHeader();
  if (h.RecType != msoSpContainer) throw Exception("Expected record missing: SPCONTAINER");
  g -= static_cast<std::int64_t>(h.Length) + 8;
  // The patriarch's own container: its FSPGR and FSP (anything else in it is not kept).
  std::int64_t c = h.Length;
  bool haveSpgr = false;
  bool haveSp = false;
  TShapeGroupClientAnchor& root = *d_.Root_;
  while (c > 0) {
    const TMSOHeader r = in_.ReadHeader();
    c -= static_cast<std::int64_t>(r.Length) + 8;
    if (c < 0) throw Exception("Error while reading Shape. Length <> 0");
    core::Bytes b = in_.ReadBytes(r.Length);
    core::ByteReader br(b);
    if (r.RecType == msoSpgr && !haveSp) {
      if (b.size() < 16) throw Exception("Expected record missing: SPGR");
      root.GroupRect = GetRect(br);
      haveSpgr = true;
    } else if (r.RecType == msoSp) {
      if (!haveSpgr) throw Exception("Expected record missing: SPGR");
      if (b.size() < 8) throw Exception("Expected record missing: SP");
      root.SpId = br.u32le();
      root.Flags = br.u32le();
      root.ShapeType = r.Instance();
      if (!(root.Flags & spfPatriarch)) throw Exception("SP is not root");
      haveSp = true;
    }
  }
  if (!haveSpgr) throw Exception("Expected record missing: SPGR");
  if (!haveSp) throw Exception("Expected record missing: SP");
  MaxSpId = std::max(MaxSpId, root.SpId);
  return g;
}

std::int64_t TDrawingReader::ReadTextbox(bool Seen) {
  if (Seen) return 0;
  return static_cast<std::int64_t>(in_.TakeRecord("Excpected record missing: MSODRAWING").size());
}

void TDrawingReader::ReadOBJ(TShape& Shape, std::uint16_t& Ot) {
  if (in_.PieceLeft()) throw Exception("Expected record missing: OBJ");
  TXLSStream& s = in_.Stream();
  TBIFFHeader h;
  if (s.ReadHeaderInRecord(h) != 4 || h.RecID != BIFFRECID_OBJ) throw Exception("Expected record missing: OBJ");
  const core::Bytes body = in_.ReadBody(h.Length);
  core::ByteReader r(body);
  Ot = 0;
  while (r.remaining() > 0) {
    if (r.remaining() < 4) throw Exception("OBJ sub-record header split");
    const std::uint16_t ft = r.u16le();
    std::uint16_t cb = r.u16le();
    if (ft == ftLbsData) {
      // The list data run to the end of the record; its cb is no length.
      cb = static_cast<std::uint16_t>(r.remaining());
      const core::ByteSpan d = r.take(cb);
      Shape.ObjRecords.Add(MakeIdLen(ft, cb), d.data());
      if (Ot == otListBox || Ot == otDropDown) {
        Shape.ObjRecords.Add(MakeIdLen(ftEnd, 0), nullptr);
        return;
      }
      continue;
    }
    if (ft != ftEnd && (ft < 4 || ft > 21)) throw Exception(core::format("Unknown OBJ record %.2X", ft));
    if (ft == ftEnd) {
      Shape.ObjRecords.Add(MakeIdLen(ftEnd, 0), nullptr);
      return;
    }
    if (cb > r.remaining()) throw Exception(core::format("OBJ sub-record %.2X longer than its record", ft));
    const core::ByteSpan d = r.take(cb);
    if (ft == ftCmo) {
      if (cb < 6) throw Exception("ftCmo too short");
      Ot = core::load_le16(d.data());
      const int id = core::load_le16(d.data() + 2);
      if (id > d_.HighestObjId_) d_.HighestObjId_ = id;
    }
    Shape.ObjRecords.Add(MakeIdLen(ft, cb), d.data());
  }
}

void TDrawingReader::ReadShapes(TShapeGroup& Group, std::int64_t L, int Depth) {
  if (Depth > kMaxGroupNesting) throw Exception("Shape groups nested too deep");
  for (;;) {
    if (L == 0) return;
    if (L < 0) throw Exception("Error while reading Shape. Group Length <> 0");
    ++ShapeCounter;
    TMSOHeader h = in_.ReadHeader();
    if (static_cast<std::int64_t>(h.Length) > L) return;
    std::int64_t c;
    std::int64_t children = -1;
    if (h.RecType == msoSpgrContainer) {
      const TMSOHeader h2 = in_.ReadHeader();
      c = h2.Length;
      children = static_cast<std::int64_t>(h.Length) - (c + 8);
      if (children < 0) throw Exception("Error while reading Shape. Group Length <> 0");
      h = h2;
    } else {
      c = h.Length;
    }
    L -= c + 8;
    if (h.RecType != msoSpContainer) throw Exception("Expected record missing: SPCONTAINER");

    std::unique_ptr<TShape> shape;
    TChildRect spgr;
    bool textboxSeen = false;
    auto need = [&]() -> TShape& {
      if (!shape) throw Exception("Expected record missing: SP");
      return *shape;
    };
    while (c > 0) {
      const TMSOHeader r = in_.ReadHeader();
      c -= static_cast<std::int64_t>(r.Length) + 8;
      if (c < 0) throw Exception("Error while reading Shape. Length <> 0");
      switch (r.RecType) {
        case msoSpgr: {
          if (r.Length < 16) throw Exception("SPGR record too short");
          core::Bytes b = in_.ReadBytes(r.Length);
          core::ByteReader br(b);
          spgr = GetRect(br);
          break;
        }
        case msoSp: {
          if (shape) throw Exception("SP record twice in a shape");
          if (r.Length < 8) throw Exception("SP record too short");
          core::Bytes b = in_.ReadBytes(r.Length);
          core::ByteReader br(b);
          const std::uint32_t spid = br.u32le();
          const std::uint32_t flags = br.u32le();
          if (flags & spfGroup) {
            if (children < 0) throw Exception("Group shape outside a group container");
            std::unique_ptr<TShapeGroup> g;
            if (flags & spfChild)
              g = std::make_unique<TShapeGroupChildAnchor>(&d_);
            else
              g = std::make_unique<TShapeGroupClientAnchor>(&d_);
            g->GroupRect = spgr;
            shape = std::move(g);
          } else if (flags & spfChild) {
            shape = std::make_unique<TShapeChildAnchor>();
          } else {
            shape = std::make_unique<TShapeClientAnchor>();
          }
          shape->SpId = spid;
          shape->Flags = flags;
          shape->ShapeType = r.Instance();
          MaxSpId = std::max(MaxSpId, spid);
          break;
        }
        case msoOPT: {
          core::Bytes b = in_.ReadBytes(r.Length);
          need().Properties.LoadFromBuffer(b, r.Instance());
          break;
        }
        case msoTertiaryOPT: {
          core::Bytes b = in_.ReadBytes(r.Length);
          need().TertiaryProperties.LoadFromBuffer(b, r.Instance());
          break;
        }
        case msoChildAnchor: {
          TChildRect* a = need().ChildAnchor();
          if (!a) throw Exception("CHILDANCHOR when shape not is ChildAnchor");
          if (r.Length < 16) throw Exception("CHILDANCHOR too short");
          core::Bytes b = in_.ReadBytes(r.Length);
          core::ByteReader br(b);
          *a = GetRect(br);
          break;
        }
        case msoClientAnchor: {
          TMSOObjCLIENTANCHOR* a = need().ClientAnchor();
          if (!a) throw Exception("CLIENTANCHOR when shape not is ClientAnchor");
          if (in_.Stream().Version() != xvExcel97) throw Exception("Unhandled excel version");
          if (r.Length < 18) throw Exception("CLIENTANCHOR too short");
          core::Bytes b = in_.ReadBytes(r.Length);
          core::ByteReader br(b);
          a->Read(br);
          break;
        }
        case msoClientTextbox:
          // Some producers keep the text box record inside the shape's own drawing record.
          in_.Skip(r.Length);
          textboxSeen = true;
          break;
        case msoClientData: {
          if (r.Length > 0) throw Exception("Size of CLIENTDATA > 0");
          TShape& s = need();
          std::uint16_t ot = 0;
          ReadOBJ(s, ot);
          const std::int32_t txid = s.Properties.GetTextId();
          TDrawingServices& sv = d_.Services_;
          TShapeOutsideMsoBaseText* text = nullptr;
          auto takeRecords = [&](TShapeOutsideMso& o) {
            if (o.ReadFromRecords(s.ObjRecords)) s.ObjRecords.Clear();
          };
          auto cmo = [&](TShapeOutsideMso& o) {
            const int i = s.IndexOfObjRecord(ftCmo);
            if (i >= 0 && s.ObjRecords.Items(i)->Body.size() >= 6) {
              o.ObjId = core::load_le16(s.ObjRecords.Items(i)->Body.data() + 2);
              o.ObjFlags = core::load_le16(s.ObjRecords.Items(i)->Body.data() + 4);
            }
          };
          switch (ot) {
            case otChart: {
              auto chart = std::make_unique<TShapeOutsideMsoChart>(d_.Group_, sv);
              cmo(*chart);
              s.Outside = std::move(chart);
              s.Outside->ReadFromStream(in_.Stream());
              break;
            }
            case otButton:
            case otCheckBox:
            case otOptionButton: {
              std::unique_ptr<TShapeOutsideMsoBaseTextMacro> m;
              if (ot == otButton)
                m = std::make_unique<TShapeControlButton>(sv.Names);
              else if (ot == otCheckBox)
                m = std::make_unique<TShapeControlCheckBox>(sv.Names);
              else
                m = std::make_unique<TShapeControlRadioButton>(sv.Names);
              takeRecords(*m);
              text = m.get();
              s.Outside = std::move(m);
              break;
            }
            case otScrollBar: {
              auto o = std::make_unique<TShapeControlScrollBar>();
              takeRecords(*o);
              s.Outside = std::move(o);
              break;
            }
            case otListBox:
            case otDropDown: {
              std::unique_ptr<TShapeControlListBox> o;
              if (ot == otDropDown)
                o = std::make_unique<TShapeControlComboBox>(0);
              else
                o = std::make_unique<TShapeControlListBox>(0);
              takeRecords(*o);
              s.Outside = std::move(o);
              break;
            }
            case otNote: {
              auto n = std::make_unique<TShapeOutsideMsoNote>();
              cmo(*n);
              text = n.get();
              s.Outside = std::move(n);
              break;
            }
            default:
              if (txid != 0) {
                auto t = std::make_unique<TShapeOutsideMsoBaseText>();
                cmo(*t);
                text = t.get();
                s.Outside = std::move(t);
              }
              break;
          }
          if (text) {
            c -= ReadTextbox(textboxSeen);
            text->ReadTextRecords(in_.Stream());
          }
          break;
        }
        default: {
          core::Bytes b = in_.ReadBytes(r.Length);
          TShape& s = need();
          if (!s.UnknownRecords) s.UnknownRecords = std::make_unique<TMSORecords>();
          s.UnknownRecords->Add(r, b);
          break;
        }
      }
    }
    if (c != 0) throw Exception("Error while reading Shape. Length <> 0");
    TShape& s = need();
    const bool isGroup = s.IsGroup();
    if (children >= 0 && !isGroup) throw Exception("Group container without a group shape");
    TShape& added = Group.Add(std::move(shape));
    if (d_.OnShapeRead) d_.OnShapeRead(d_, added);
    if (isGroup) {
      L -= children + 8;
      ReadShapes(static_cast<TShapeGroup&>(added), children, Depth + 1);
    }
  }
}

void TDrawingReader::ReadTrailing(std::int64_t Remaining) {
  // What the DgContainer holds after the shapes (the solver container) stands in the same drawing
  // record or in the MSODRAWING that follows the last shape.
  if (Remaining <= 0) return;
  if (!in_.PieceLeft() && in_.Stream().PeekRecordId() != BIFFRECID_MSODRAWING) return;
  auto solver = std::make_unique<TMSORecords>();
  while (Remaining > 0) {
    const TMSOHeader h = in_.ReadHeader();
    Remaining -= 8;
    if (h.IsContainer()) {
      solver->Add(h);
      continue;
    }
    if (static_cast<std::int64_t>(h.Length) > Remaining) throw Exception("Drawing record longer than its container");
    core::Bytes b = in_.ReadBytes(h.Length);
    solver->Add(h, b);
    Remaining -= h.Length;
  }
  d_.Solver_ = std::move(solver);
}

// ---- the drawing ----

TEscherDrawing::TEscherDrawing(TEscherGroup* Group, TDrawingServices Services)
    : Group_(Group), Services_(std::move(Services)), Root_(std::make_unique<TShapeGroupClientAnchor>(this)) {}

TEscherDrawing::~TEscherDrawing() {
  try {
    ReleaseCluster();
  } catch (...) {
  }
}

void TEscherDrawing::ReleaseCluster() {
  if (DgId_ != 0 && Group_)
    while (Group_->DGG.Find(DgId_)) Group_->RemoveCluster(DgId_);
  DgId_ = 0;
}

void TEscherDrawing::ReadFromStream(TXLSStream& Stream, int Length) {
  if (Length < 0) throw Exception("Invalid MSODRAWING length");
  if (Stream.CONTINUEMode()) Stream.EndCONTINUERead();
  core::Bytes body(static_cast<std::size_t>(Length));
  if (Length > 0 && Stream.Read(body.data(), Length) != Length) throw Exception("Unexpected end of MSODRAWING");
  ReadFromStream(Stream, core::ByteSpan(body));
}

void TEscherDrawing::ReadFromStream(TXLSStream& Stream, core::ByteSpan FirstBody) {
  if (Stream.CONTINUEMode()) Stream.EndCONTINUERead();
  TDrawingInput in(Stream, FirstBody);
  TMSOHeader h;
  try {
    h = in.ReadHeader();
  } catch (const std::exception&) {
    throw Exception("Expected record missing: DGCONTAINER");
  }
  if (h.RecType != msoDgContainer) throw Exception("Expected record missing: DGCONTAINER");
  HighestObjId_ = 0;
  const std::int64_t start = in.Consumed;
  TDrawingReader reader(*this, in);
  try {
    const std::int64_t g = reader.ReadHeader();
    reader.ReadShapes(*Root_, g, 0);
    reader.ReadTrailing(static_cast<std::int64_t>(h.Length) - (in.Consumed - start));
  } catch (const std::exception& e) {
    SpIdCur_ = std::max(SpIdCur_, reader.MaxSpId + 1);
    throw Exception(core::format("Error on reading shape #%d\r", reader.ShapeCounter) + e.what());
  }
  // New shapes must not take an id that a shape of the file already has.
  SpIdCur_ = std::max(SpIdCur_, reader.MaxSpId + 1);
}

void TEscherDrawing::WriteToStream(TXLSStream& Stream) {
  if (Root_->GetCount() == 0) return;
  std::int64_t sum = 0;
  for (int i = 0; i < Root_->GetCount(); ++i) sum += Root_->GetItem(i).GetSize();
  std::int64_t n = kPatriarchBytes;
  if (!RegroupItems_.empty()) n += 8 + 4 * static_cast<std::int64_t>(RegroupItems_.size());
  const std::int64_t t = n + sum - 8;
  core::ByteWriter w;
  PutHeader(w, msoContainerVersion, 0, msoDgContainer, t + (Solver_ ? Solver_->GetSize() : 0));
  PutHeader(w, 0, static_cast<std::uint16_t>(DgId_), msoDg, 8);
  Csp_ = static_cast<std::uint32_t>(Root_->GetCount() + 1);
  w.u32le(Csp_);
  w.u32le(SpIdCur_);
  if (!RegroupItems_.empty()) {
    PutHeader(w, 0, static_cast<std::uint16_t>(RegroupItems_.size()), msoFRITContainer, 4 * RegroupItems_.size());
    for (std::uint32_t x : RegroupItems_) w.u32le(x);
  }
  PutHeader(w, msoContainerVersion, 0, msoSpgrContainer, 48 + sum);
  PutHeader(w, msoContainerVersion, 0, msoSpContainer, 40);
  PutHeader(w, 1, 0, msoSpgr, 16);
  PutRect(w, Root_->GroupRect);
  PutHeader(w, 2, 0, msoSp, 8);
  w.u32le(Root_->SpId);
  w.u32le(Root_->Flags);
  for (int i = 0; i < Root_->GetCount(); ++i) Root_->GetItem(i).WriteToStream(Stream, i == 0 ? &w : nullptr);
  if (Solver_) {
    core::ByteWriter sw;
    Solver_->WriteTo(sw);
    Stream.WriteRecord(BIFFRECID_MSODRAWING, sw.data().data(), static_cast<int>(sw.size()));
  }
  for (int i = 0; i < Root_->GetCount(); ++i) {
    TShape& s = Root_->GetItem(i);
    auto* note = dynamic_cast<TShapeOutsideMsoNote*>(s.Outside.get());
    if (!note) continue;
    if (note->Author.size() > 0xFFFF) throw Exception("Note author too long");
    core::ByteWriter nb;
    nb.u16le(static_cast<std::uint16_t>(note->Row));
    nb.u16le(static_cast<std::uint16_t>(note->Col));
    nb.u16le(note->NoteFlags);
    nb.u16le(s.ObjId());
    nb.u16le(static_cast<std::uint16_t>(note->Author.size()));
    nb.u8(note->Author.empty() ? 0 : 1);
    nb.u16string_le(note->Author);
    Stream.WriteRecord(BIFFRECID_NOTE, nb.data().data(), static_cast<int>(nb.size()));
  }
}

void TEscherDrawing::SetNote(int Col, int Row, std::u16string_view Author, int ObjId, int Flags) {
  for (int i = 0; i < Root_->GetCount(); ++i) {
    TShape& s = Root_->GetItem(i);
    auto* note = dynamic_cast<TShapeOutsideMsoNote*>(s.Outside.get());
    if (note && s.ObjId() == ObjId) {
      note->Col = Col;
      note->Row = Row;
      note->NoteFlags = static_cast<std::uint16_t>(Flags);
      note->Author = Author;
      return;
    }
  }
  throw Exception(core::format("Can not find shape for note #%d", ObjId));
}

std::uint32_t TEscherDrawing::NextSpId() {
  // A cluster holds 1024 ids: a drawing that fills its cluster goes on in a new one of its own
  // rather than into the ids of the next drawing.
  if (Group_ && DgId_ != 0 && SpIdCur_ % 1024 == 0) {
    SpIdCur_ = std::max(Group_->NextSpIdBase(), SpIdCur_);
    Group_->DGG.Clusters.push_back({DgId_, 0, this, true});
  }
  return SpIdCur_++;
}

int TEscherDrawing::NextObjId() { return ++HighestObjId_; }

void TEscherDrawing::PrepareNewShape() {
  if (DgId_ != 0) {
    // A drawing read with its root alone keeps the cluster it has.
    if (Group_) Group_->MarkChanged(DgId_);
    return;
  }
  std::uint32_t dgid = 1;
  std::uint32_t base = 1024;
  if (Group_) Group_->NewDrawing(this, dgid, base);
  DgId_ = dgid;
  SpIdCur_ = base;
  Root_->Flags = spfGroup | spfPatriarch;
  Root_->SpId = SpIdCur_++;
}

TShapeClientAnchor& TEscherDrawing::NewShape(std::uint32_t Type, int Col1, int Row1, int Col2, int Row2) {
  PrepareNewShape();
  auto s = std::make_unique<TShapeClientAnchor>();
  s->ShapeType = Type;
  s->SpId = NextSpId();
  s->Flags = spfHaveAnchor | spfHaveSpt;
  s->Anchor.Col1 = Col1;
  s->Anchor.Row1 = Row1;
  s->Anchor.Col2 = Col2;
  s->Anchor.Row2 = Row2;
  return static_cast<TShapeClientAnchor&>(Root_->Add(std::move(s)));
}

void TEscherDrawing::FinishObj(TShape& Shape, std::uint16_t Ot, std::uint16_t ObjFlags,
                               const std::vector<std::pair<std::uint16_t, core::Bytes>>& Further) {
  const core::Bytes cmo = CmoBody(Ot, static_cast<std::uint16_t>(NextObjId()), ObjFlags);
  Shape.ObjRecords.Add(MakeIdLen(ftCmo, static_cast<std::uint16_t>(cmo.size())), cmo.data());
  for (const auto& [ft, body] : Further)
    Shape.ObjRecords.Add(MakeIdLen(ft, static_cast<std::uint16_t>(body.size())), body.data());
  Shape.ObjRecords.Add(MakeIdLen(ftEnd, 0), nullptr);
}

namespace {

void AddProps(TOPT& P, std::initializer_list<std::pair<std::uint16_t, std::uint32_t>> List) {
  for (const auto& [id, v] : List) P.Add(id, v);
}

}  // namespace

TShapeClientAnchor& TEscherDrawing::AddTextBox() {
  TShapeClientAnchor& s = NewShape(202, 1, 1, 3, 5);
  AddProps(s.Properties, {{128, Services_.NextTextId()}, {139, 2}, {191, 0x00080008}, {385, 0x08000041}, {448, 0x08000040}});
  s.Properties.UpdateCount();
  auto t = std::make_unique<TShapeOutsideMsoBaseText>();
  t->ObjId = static_cast<std::uint16_t>(NextObjId());
  t->SetDefaultText();
  s.Outside = std::move(t);
  FinishObj(s, otText, 0x6011, {});
  return s;
}

TShapeClientAnchor& TEscherDrawing::AddBasic() {
  TShapeClientAnchor& s = NewShape(20, 1, 1, 3, 5);
  AddProps(s.Properties, {{191, 0x00080008}, {324, 4}, {383, 0x00010000}, {447, 0x00100000}, {448, 0x08000040}, {511, 0x00100010}});
  s.Properties.UpdateCount();
  FinishObj(s, otLine, 0x6011, {});
  return s;
}

TShapeClientAnchor& TEscherDrawing::AddControlShape() {
  TShapeClientAnchor& s = NewShape(201, 3, 1, 5, 5);
  AddProps(s.Properties, {{127, 0x01040104}, {191, 0x00080008}, {448, 0x08000040}, {511, 0x00100010}});
  s.Properties.UpdateCount();
  return s;
}

TShapeClientAnchor& TEscherDrawing::AddListBox() {
  TShapeClientAnchor& s = AddControlShape();
  s.Outside = std::make_unique<TShapeControlListBox>(NextObjId());
  return s;
}

TShapeClientAnchor& TEscherDrawing::AddComboBox() {
  TShapeClientAnchor& s = AddControlShape();
  s.Anchor.Row2 = 2;
  s.Outside = std::make_unique<TShapeControlComboBox>(NextObjId());
  return s;
}

TShapeClientAnchor& TEscherDrawing::AddAutofilterComboBox() {
  TShapeClientAnchor& s = AddComboBox();
  static_cast<TShapeControlListBox&>(*s.Outside).SetAutofilter(true);
  return s;
}

namespace {

// Buttons, check boxes and option buttons: the control's own OBJ, text and default text settings.
template <class T>
void MakeTextControl(TEscherDrawing& D, TShapeClientAnchor& S, std::u16string_view Text, std::uint16_t ObjFlags) {
  auto c = std::make_unique<T>(D.Services().Names);
  c->ObjId = static_cast<std::uint16_t>(D.NextObjId());
  c->ObjFlags = ObjFlags;
  c->SetDefaultText();
  c->SetText(Text);
  S.Outside = std::move(c);
}

}  // namespace

TShapeClientAnchor& TEscherDrawing::AddButton() {
  TShapeClientAnchor& s = NewShape(201, 3, 1, 4, 2);
  AddProps(s.Properties, {{127, 0x01040104}, {128, Services_.NextTextId()}, {133, 1}, {139, 2}, {191, 0x001A0008},
                          {385, 0x08000043}, {387, 0x08000043}, {447, 0x00110011}, {448, 0x08000040}, {959, 0x00080008}});
  s.Properties.UpdateCount();
  MakeTextControl<TShapeControlButton>(*this, s, u"Button", 0x4001);
  return s;
}

TShapeClientAnchor& TEscherDrawing::AddNote() {
  TShapeClientAnchor& s = NewShape(202, 1, 1, 3, 5);
  AddProps(s.Properties, {{128, Services_.NextTextId()}, {139, 2}, {191, 0x00080008}, {344, 0}, {385, 0x08000050},
                          {387, 0x08000050}, {389, 0x100000F4}, {447, 0x00100010}, {451, 0x100000F4}, {513, 0},
                          {515, 0x100000F4}, {575, 0x00030003}, {959, 0x00020002}});
  s.Properties.UpdateCount();
  auto n = std::make_unique<TShapeOutsideMsoNote>();
  n->ObjId = static_cast<std::uint16_t>(NextObjId());
  n->SetDefaultText();
  if (Services_.DefaultFontIndex) n->Runs[0].ifnt = static_cast<std::uint16_t>(Services_.DefaultFontIndex());
  s.Outside = std::move(n);
  FinishObj(s, otNote, 0x4011, {{ftNts, core::Bytes(22, 0)}});
  return s;
}

TShapeClientAnchor& TEscherDrawing::AddAutoShape() {
  TShapeClientAnchor& s = NewShape(183, 1, 1, 2, 5);
  AddProps(s.Properties, {{191, 0x00080008}, {385, 0x08000041}, {448, 0x08000040}});
  s.Properties.UpdateCount();
  FinishObj(s, otOfficeArt, 0x6011, {});
  return s;
}

TShapeClientAnchor& TEscherDrawing::AddPicture() {
  TShapeClientAnchor& s = NewShape(75, 1, 1, 3, 7);
  s.Properties.Add(kPropPib, 0, true);
  s.Properties.AddComplexString(kPropPibName, u"[???]");
  s.Properties.UpdateCount();
  FinishObj(s, otPicture, 0x6011, {{ftCf, core::Bytes{0xFF, 0xFF}}, {ftPioGrbit, core::Bytes{0, 0}}});
  return s;
}

TShapeClientAnchor& TEscherDrawing::AddRadioButton() {
  TShapeClientAnchor& s = NewShape(201, 3, 1, 4, 2);
  AddProps(s.Properties, {{127, 0x01000100}, {128, Services_.NextTextId()}, {133, 1}, {139, 2}, {191, 0x001A0008},
                          {383, 0x00290029}, {385, 0x08000041}, {447, 0x00100000}, {448, 0x08000040}, {511, 0x00080000}});
  s.Properties.UpdateCount();
  MakeTextControl<TShapeControlRadioButton>(*this, s, u"RadioButton", 0x0011);
  static_cast<TShapeControlRadioButton&>(*s.Outside).Cbls.assign(12, 0);
  return s;
}

TShapeClientAnchor& TEscherDrawing::AddCheckBox() {
  TShapeClientAnchor& s = NewShape(201, 3, 1, 4, 2);
  AddProps(s.Properties, {{127, 0x01000100}, {128, Services_.NextTextId()}, {133, 1}, {139, 2}, {191, 0x001A0008},
                          {383, 0x00290029}, {385, 0x08000041}, {447, 0x00100000}, {448, 0x08000040}, {511, 0x00080000}});
  s.Properties.UpdateCount();
  MakeTextControl<TShapeControlCheckBox>(*this, s, u"CheckBox", 0x0011);
  static_cast<TShapeControlCheckBox&>(*s.Outside).Cbls.assign(12, 0);
  return s;
}

TShapeClientAnchor& TEscherDrawing::AddChart() {
  TShapeClientAnchor& s = NewShape(201, 2, 1, 8, 16);
  AddProps(s.Properties, {{127, 0x01040104}, {191, 0x00080008}, {385, 0x0800004E}, {387, 0x0800004D},
                          {447, 0x00100010}, {448, 0x0800004D}, {511, 0x00100010}, {575, 0x00020000}});
  s.Properties.UpdateCount();
  auto c = std::make_unique<TShapeOutsideMsoChart>(Group_, Services_);
  s.Outside = std::move(c);
  FinishObj(s, otChart, 0x6011, {});
  return s;
}

void TEscherDrawing::DeleteShape(std::uint32_t SpId) {
  for (int i = 0; i < Root_->GetCount(); ++i) {
    if (Root_->GetItem(i).SpId != SpId) continue;
    Root_->Extract(i);
    if (Root_->GetCount() > 0) {
      if (Group_ && DgId_ != 0) Group_->MarkChanged(DgId_);
    } else {
      ReleaseCluster();
    }
    return;
  }
}

void TEscherDrawing::Clear() {
  Root_->ClearChildren();
  Solver_.reset();
  RegroupItems_.clear();
  ReleaseCluster();
}

namespace {

template <class F>
void ForEachShape(TShapeGroup& G, F&& Fn) {
  for (int i = 0; i < G.GetCount(); ++i) {
    TShape& s = G.GetItem(i);
    if (s.IsGroup())
      ForEachShape(static_cast<TShapeGroup&>(s), Fn);
    else
      Fn(s);
  }
}

// The drawing inside an embedded chart (pictures of the chart's own shapes), or none.
TEscherDrawing* ChartDrawingOf(const TShape& S) {
  const auto* c = dynamic_cast<const TShapeOutsideMsoChart*>(S.Outside.get());
  return c ? c->Drawing() : nullptr;
}

}  // namespace

void TEscherDrawing::MarkUsedPictures() {
  if (!Group_) return;
  ForEachShape(*Root_, [&](TShape& s) {
    // A picture frame's picture, and the picture of any other shape's fill.
    const std::int32_t pib = s.ShapeType == 75 ? s.Properties.GetValue(kPropPib) : -1;
    const std::int32_t blip = s.Properties.GetBlipId();
    for (const std::int32_t p : {pib, blip == pib ? -1 : blip}) {
      if (p > Group_->Count()) throw Exception("Unassigned picture in file.");
      if (p > 0) ++Group_->GetItem(p - 1).RefCount;
    }
    if (TEscherDrawing* d = ChartDrawingOf(s)) d->MarkUsedPictures();
  });
}

void TEscherDrawing::RemapBlipIds(const std::vector<int>& FileIndexes) {
  ForEachShape(*Root_, [&](TShape& s) {
    if (TEscherDrawing* d = ChartDrawingOf(s)) d->RemapBlipIds(FileIndexes);
    const std::int32_t b = s.Properties.GetBlipId();
    if (b <= 0) return;
    auto it = std::find(FileIndexes.begin(), FileIndexes.end(), b - 1);
    if (it == FileIndexes.end()) throw Exception(core::format("Can not find Blip Id #%d", b));
    s.Properties.SetBlipId(static_cast<std::uint32_t>(it - FileIndexes.begin() + 1));
  });
}

}  // namespace biff
