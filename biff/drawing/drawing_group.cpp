#include "biff/drawing/drawing_group.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "core/unicode.h"
#include "io/zlib_streams.h"

namespace biff {

const char* const MSOBlipTypeNames[8] = {"ERROR", "UNKNOWN", "EMF", "WMF", "PICT", "JPEG", "PNG", "BMP"};

namespace {

constexpr std::uint16_t kMSODrawingGroup = 0x00EB;
constexpr std::uint32_t kMaxOtherRecord = 8224;
// A metafile's stated inflated size only sizes the first buffer; the output still grows as needed.
constexpr std::uint32_t kMaxInflateEstimate = 16u << 20;
constexpr std::uint32_t kPlaceableWmfKey = 0x9AC6CDD7u;
constexpr std::size_t kPlaceableWmfHeader = 22;
constexpr std::size_t kBitmapFileHeader = 14;
constexpr std::size_t kMaxBitmapFile = 32767;
// The fixed fields of a BSE; an entry without a picture is only these.
constexpr std::uint32_t kEmptyBSEBody = 36;

std::uint16_t BlipInstance(TMSOBlipType Kind) {
  switch (Kind) {
    case msoblipEMF: return 0x3D4;
    case msoblipWMF: return 0x216;
    case msoblipPICT: return 0x542;
    case msoblipJPEG: return 0x46A;
    case msoblipPNG: return 0x6E0;
    case msoblipDIB: return 0x7A8;
    default: return 0;
  }
}

std::string Extension(const std::string& FileName) {
  const std::size_t dot = FileName.rfind('.');
  const std::size_t slash = FileName.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return core::ascii_upper(std::string_view(FileName).substr(dot + 1));
}

bool IsBlipType(std::uint16_t RecType) { return RecType >= msoBlipFirst && RecType <= msoBlipLast; }

// Keeps a record of the drawing group that the library does not interpret. A container is kept as
// its header followed by the records it holds, so that it is written back whole.
void KeepRaw(TMSORecords& Records, const TMSOHeader& Header, core::ByteSpan Body, int Depth = 0) {
  constexpr int kMaxNesting = 16;
  if (Depth > kMaxNesting) throw Exception("Containers nested too deep in MSODRAWINGGROUP");
  if (!Header.IsContainer()) {
    if (Header.Length > kMaxOtherRecord) throw Exception("Unknown FBT in MSODRAWINGGROUP to large");
    Records.Add(Header, Body);
    return;
  }
  Records.Add(Header);
  core::ByteReader r(Body);
  while (r.remaining() > 0) {
    const TMSOHeader h = TMSOHeader::Read(r);
    KeepRaw(Records, h, r.take(h.Length), Depth + 1);
  }
}

std::vector<std::uint32_t> ReadColors(core::ByteSpan Body, int Count) {
  core::ByteReader r(Body);
  std::vector<std::uint32_t> colors;
  for (int i = 0; i < Count && r.remaining() >= 4; ++i) colors.push_back(r.u32le());
  return colors;
}

void WriteColors(core::ByteWriter& W, std::uint16_t RecType, const std::vector<std::uint32_t>& Colors) {
  TMSOHeader::Make(0, static_cast<std::uint16_t>(Colors.size()), RecType, static_cast<std::uint32_t>(4 * Colors.size()))
      .Write(W);
  for (std::uint32_t c : Colors) W.u32le(c);
}

}  // namespace

TMSOBlipType PictureTypeFromFileName(const std::string& FileName) {
  const std::string ext = Extension(FileName);
  if (ext == "WMF") return msoblipWMF;
  if (ext == "EMF") return msoblipEMF;
  if (ext == "PICT") return msoblipPICT;
  if (ext == "JPG" || ext == "JPEG") return msoblipJPEG;
  if (ext == "PNG") return msoblipPNG;
  if (ext == "BMP") return msoblipDIB;
  throw Exception("Unknown picture type " + ext);
}

// TMSOPicture

void TMSOPicture::LoadFromFile(const std::string& AFileName) {
  const std::u16string upper = core::ascii_upper(core::utf8_to_utf16(AFileName));
  if (owner_)
    for (int i = 0; i < owner_->Count(); ++i)
      if (core::ascii_upper(owner_->GetItem(i).FileName) == upper)
        throw Exception("A picture with this name already exists.");
  const TMSOBlipType kind = PictureTypeFromFileName(AFileName);
  std::ifstream in(AFileName, std::ios::binary);
  if (!in) throw Exception("Cannot open file " + AFileName);
  const core::Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LoadFromStream(bytes, AFileName, kind);
}

void TMSOPicture::LoadFromStream(core::ByteSpan Bytes, const std::string& AFileName, TMSOBlipType AKind) {
  if (Extension(AFileName) == "BMP" && Bytes.size() > kMaxBitmapFile)
    throw Exception("Bitmap (BMP) pictures can be max 32767 bytes in size");
  std::size_t skip = 0;
  // Only a placeable metafile carries the 22-byte header; a plain one starts with its records.
  if (AKind == msoblipWMF && Bytes.size() >= kPlaceableWmfHeader && core::load_le32(Bytes.data()) == kPlaceableWmfKey)
    skip = kPlaceableWmfHeader;
  if (AKind == msoblipDIB) {
    if (Bytes.size() < kBitmapFileHeader || Bytes[0] != 'B' || Bytes[1] != 'M')
      throw Exception("Not a bitmap file: " + AFileName);
    skip = kBitmapFileHeader;
  }
  FileName = core::utf8_to_utf16(AFileName);
  Kind = AKind;
  RefCount = 0;
  Data.assign(Bytes.begin() + static_cast<std::ptrdiff_t>(skip), Bytes.end());
  ComputeId();
}

void TMSOPicture::SaveToStream(core::ByteWriter& W) const {
  if (Kind == msoblipDIB) {
    W.u8('B');
    W.u8('M');
    W.u32le(Size() + kBitmapFileHeader);
    W.u32le(0);
    W.u32le(54);
  }
  W.bytes(Data);
}

core::Bytes TMSOPicture::SaveToBytes() const {
  core::ByteWriter w;
  SaveToStream(w);
  return w.take();
}

bool TMSOPicture::ReadFromStream(core::ByteReader& R, std::int64_t& Length) {
  const TMSOHeader h = TMSOHeader::Read(R);
  if (h.RecType != msoBSE) throw Exception("Expected record missing: BSE");
  core::ByteReader bse(R.take(h.Length));
  Length -= 8 + static_cast<std::int64_t>(h.Length);

  const std::uint8_t btWin32 = bse.u8();
  bse.skip(1 + 16 + 2);  // btMacOS, rgbUid, tag
  const std::uint32_t size = bse.u32le();
  const std::int32_t cRef = bse.i32le();
  bse.skip(4 + 1);  // foDelay, unused1
  const std::uint8_t cbName = bse.u8();
  bse.skip(2);
  if (cbName > 0) {
    const bool wide = bse.u8() & 1;
    FileName.clear();
    for (int i = 0; i < cbName; ++i) FileName.push_back(wide ? static_cast<char16_t>(bse.u16le()) : bse.u8());
  }
  Kind = btWin32 <= msoblipDIB ? static_cast<TMSOBlipType>(btWin32) : msoblipERROR;
  RefCount = cRef;
  // Never referenced, of a kind the library cannot write back, or without a BLIP inside.
  if (cRef <= 0 || btWin32 > msoblipDIB || bse.remaining() < 8) return false;

  const TMSOHeader blip = TMSOHeader::Read(bse);
  if (!IsBlipType(blip.RecType)) throw Exception("Expected record missing: BLIP");
  if (blip.Length != size - 8) throw Exception("Blip size in BSE don't match actually blip");
  core::ByteReader b(bse.take(blip.Length));
  // An odd instance marks a BLIP that carries a second identifier.
  const std::size_t uids = (blip.Instance() & 1) ? 32 : 16;
  b.skip(uids);
  if (IsMetafile(Kind)) {
    const std::uint32_t cbSize = b.u32le();
    b.skip(16 + 8);  // rcBounds, ptSize
    const std::uint32_t cbSave = b.u32le();
    const std::uint8_t compression = b.u8();
    b.skip(1);  // filter
    const core::ByteSpan stored = b.take(cbSave);
    if (compression == 0) {
      io::ZlibDecompressBuffer(stored.data(), static_cast<int>(stored.size()),
                                     static_cast<int>(std::min(cbSize, kMaxInflateEstimate)), Data);
    } else {
      Data.assign(stored.begin(), stored.end());
    }
  } else {
    b.skip(1);  // tag
    const core::ByteSpan rest = b.take(b.remaining());
    Data.assign(rest.begin(), rest.end());
  }
  ComputeId();
  return Kind != msoblipERROR;
}

std::uint32_t TMSOPicture::Compress() {
  if (RefCount <= 0) return 8 + kEmptyBSEBody;
  if (!IsMetafile(Kind)) return Size() + 69;
  io::ZlibCompressBuffer(Data.data(), static_cast<int>(Data.size()), compressed_);
  return static_cast<std::uint32_t>(compressed_.size()) + 102;
}

void TMSOPicture::WriteBSE(core::ByteWriter& W) {
  if (RefCount <= 0) {
    // A picture nothing refers to keeps its place in the store (shapes number pictures by
    // position) but not its bytes: an entry without a BLIP, which readers pass over.
    TMSOHeader::Make(2, Kind, msoBSE, kEmptyBSEBody).Write(W);
    W.u8(Kind);
    W.u8(Kind);
    W.bytes(Id);
    W.u16le(0x00FF);
    W.u32le(0);       // size
    W.u32le(0);       // cRef
    W.u32le(0);       // foDelay
    W.u8(0);          // unused1
    W.u8(0);          // cbName
    W.u16le(0x0288);  // unused2, unused3
    return;
  }
  const bool metafile = IsMetafile(Kind);
  const std::uint32_t b = metafile ? static_cast<std::uint32_t>(compressed_.size()) + 50 : Size() + 17;
  TMSOHeader::Make(2, Kind, msoBSE, b + 44).Write(W);
  W.u8(Kind);
  W.u8(Kind);
  W.bytes(Id);
  W.u16le(0x00FF);
  W.u32le(b + 8);
  W.u32le(static_cast<std::uint32_t>(RefCount));
  W.u32le(0);       // foDelay
  W.u8(0);          // unused1
  W.u8(0);          // cbName
  W.u16le(0x0288);  // unused2, unused3
  TMSOHeader::Make(0, BlipInstance(Kind), static_cast<std::uint16_t>(msoBlipFirst + static_cast<int>(Kind)), b).Write(W);
  W.bytes(Id);
  if (metafile) {
    W.u32le(Size());
    for (std::int32_t v : {0, 0, 100, 100, 0, 0}) W.u32le(static_cast<std::uint32_t>(v));
    W.u32le(static_cast<std::uint32_t>(compressed_.size()));
    W.u8(0);
    W.u8(0xFE);
    W.bytes(compressed_);
    compressed_.clear();
    compressed_.shrink_to_fit();
  } else {
    W.u8(0xFF);
    W.bytes(Data);
  }
}

// TDGG

TDGGData* TDGG::Find(std::uint32_t DgId) {
  for (TDGGData& c : Clusters)
    if (c.DgId == DgId) return &c;
  return nullptr;
}

// TEscherGroup

void TEscherGroup::NewDrawing(TEscherDrawingBase* Drawing, std::uint32_t& DgId, std::uint32_t& SpIdBase) {
  if (DGG.Clusters.empty()) {
    DefaultProperties.Clear();
    DefaultProperties.Add(191, 0x00080008);
    DefaultProperties.Add(385, 0x08000041);
    DefaultProperties.Add(448, 0x08000040);
    DefaultProperties.UpdateCount();
    SplitMenuColors = {0x0800000D, 0x0800000C, 0x08000017, 0x100000F7};
    DGG.CSpSaved = 1;
  }
  // Clusters removed in between can leave the next number taken: the new drawing gets a free one.
  std::uint32_t id = static_cast<std::uint32_t>(DGG.Clusters.size()) + 1;
  while (DGG.Find(id)) ++id;
  DGG.Clusters.push_back({id, 0, Drawing, true});
  DGG.CDgSaved += 1;
  DgId = id;
  SpIdBase = NextSpIdBase();
}

void TEscherGroup::AttachDrawing(TEscherDrawingBase* Drawing, std::uint32_t DgId) {
  if (TDGGData* c = DGG.Find(DgId)) {
    c->Drawing = Drawing;
    c->Changed = false;
    return;
  }
  DGG.Clusters.push_back({DgId, static_cast<std::uint32_t>(Drawing ? Drawing->TopLevelShapeCount() : 0), Drawing, false});
  DGG.CDgSaved = std::max(DGG.CDgSaved, static_cast<std::uint32_t>(DGG.Clusters.size()));
}

void TEscherGroup::MarkChanged(std::uint32_t DgId) {
  TDGGData* c = DGG.Find(DgId);
  if (!c) throw Exception("Can not update FIDCL for DgId #" + std::to_string(DgId));
  c->Changed = true;
}

void TEscherGroup::RemoveCluster(std::uint32_t DgId) {
  if (DGG.Clusters.empty()) return;
  auto it = std::find_if(DGG.Clusters.begin(), DGG.Clusters.end(), [&](const TDGGData& c) { return c.DgId == DgId; });
  if (it == DGG.Clusters.end()) throw Exception("Can not delete FIDCL for DgId #" + std::to_string(DgId));
  DGG.Clusters.erase(it);
  if (DGG.CDgSaved > 0) DGG.CDgSaved -= 1;
}

std::uint32_t TEscherGroup::NextSpIdBase() {
  next_spid_base_ += 1024;
  return next_spid_base_;
}

TMSOPicture& TEscherGroup::AddPicture() {
  auto p = std::make_unique<TMSOPicture>(this);
  p->Index = Count() + 1;
  p->Name = "Picture " + std::to_string(Count() + 1);
  pictures_.push_back(std::move(p));
  return *pictures_.back();
}

void TEscherGroup::GetFileIndexes(std::vector<int>& List) const {
  for (const auto& p : pictures_) List.push_back(p->Index);
}

void TEscherGroup::ResetPictureCounts() {
  if (KeepPictureCounts) return;
  for (auto& p : pictures_) p->RefCount = 0;
}

void TEscherGroup::Clear() {
  KeepPictureCounts = false;
  DGG.Clusters.clear();
  DefaultProperties.Clear();
  SplitMenuColors.clear();
  OtherRecords.Clear();
  pictures_.clear();
}

void TEscherGroup::ReadPictures(core::ByteReader& R, std::int64_t Length) {
  int running = 0;
  while (Length > 0) {
    core::ByteReader peek = R;
    peek.skip(2);
    if (IsBlipType(peek.u16le())) {
      // A BLIP outside a BSE (or after one that was not loaded) is dropped.
      const TMSOHeader h = TMSOHeader::Read(R);
      R.skip(h.Length);
      Length -= 8 + static_cast<std::int64_t>(h.Length);
      continue;
    }
    AddPicture();
    bool loaded = false;
    try {
      loaded = pictures_.back()->ReadFromStream(R, Length);
    } catch (...) {
      pictures_.pop_back();
      throw;
    }
    if (loaded)
      pictures_.back()->Index = running;
    else
      pictures_.pop_back();
    ++running;
  }
}

void TEscherGroup::ReadFromBuffer(core::ByteSpan Body) {
  try {
    core::ByteReader r(Body);
    const TMSOHeader root = TMSOHeader::Read(r);
    if (root.RecType != msoDggContainer) throw Exception("Expected record missing: DGGContainer");
    std::int64_t remaining = root.Length;
    while (remaining > 0) {
      if (remaining < 8) throw Exception("MSOHeader split in MSODRAWINGGROUP");
      const TMSOHeader h = TMSOHeader::Read(r);
      remaining -= 8 + static_cast<std::int64_t>(h.Length);
      if (h.RecType == msoCLSID) throw Exception("CLSID in MSODRAWINGGROUP");
      const core::ByteSpan body = r.take(h.Length);
      switch (h.RecType) {
        case msoBStoreContainer: {
          core::ByteReader store(body);
          ReadPictures(store, h.Length);
          break;
        }
        case msoDgg: {
          core::ByteReader d(body);
          DGG.SpIdMax = d.u32le();
          const std::uint32_t cidcl = d.u32le();
          DGG.CSpSaved = d.u32le();
          DGG.CDgSaved = d.u32le();
          DGG.Clusters.clear();
          for (std::uint32_t i = 1; i < cidcl && d.remaining() >= 8; ++i) {
            TDGGData c;
            c.DgId = d.u32le();
            c.CSpIdCur = d.u32le();
            DGG.Clusters.push_back(c);
          }
          next_spid_base_ = DGG.SpIdMax & ~1023u;
          break;
        }
        case msoOPT: DefaultProperties.LoadFromBuffer(body, h.Instance()); break;
        case msoColorMRUContainer: MRUColors = ReadColors(body, h.Instance()); break;
        case msoSplitMenuColorContainer: SplitMenuColors = ReadColors(body, h.Instance()); break;
        default: KeepRaw(OtherRecords, h, body); break;
      }
    }
    if (remaining < 0) throw Exception("Error while reading MSODRAWINGGROUP. Length < 0");
  } catch (const core::TruncatedInput&) {
    throw Exception("Unexpected end of MSODRAWINGGROUP");
  }
}

void TEscherGroup::ReadFromStream(TXLSStream& Stream) {
  std::uint8_t head[8];
  if (Stream.Read(head, 8) != 8) throw Exception("Unexpected end of MSODRAWINGGROUP");
  core::Bytes body(head, head + 8);
  // The length comes from the file: read in pieces so that a false one cannot allocate at once.
  std::uint32_t left = core::load_le32(head + 4);
  std::uint8_t chunk[8192];
  while (left > 0) {
    const int want = static_cast<int>(std::min<std::uint32_t>(left, sizeof chunk));
    const int got = Stream.Read(chunk, want);
    if (got <= 0) break;
    body.insert(body.end(), chunk, chunk + got);
    left -= static_cast<std::uint32_t>(got);
    if (got < want) break;
  }
  ReadFromBuffer(body);
}

core::Bytes TEscherGroup::SaveToBuffer() {
  std::uint64_t store = 0;
  for (auto& p : pictures_) store += p->Compress();
  const std::size_t clusters = DGG.Clusters.size();
  std::uint64_t length = static_cast<std::uint64_t>(DefaultProperties.GetSize()) + 8 + 24 + 8 * clusters + store +
                         static_cast<std::uint64_t>(OtherRecords.GetSize());
  if (!SplitMenuColors.empty()) length += 8 + 4 * SplitMenuColors.size();
  if (!MRUColors.empty()) length += 8 + 4 * MRUColors.size();
  if (!pictures_.empty()) length += 8;

  core::ByteWriter w;
  TMSOHeader::Make(msoContainerVersion, 0, msoDggContainer, static_cast<std::uint32_t>(length)).Write(w);

  // Shape counts of the drawings present now; clusters without a drawing keep what was read.
  DGG.CSpSaved = 0;
  std::uint32_t maxSpIdCur = 0;
  for (TDGGData& c : DGG.Clusters) {
    if (!c.Drawing) continue;
    const auto shapes = static_cast<std::uint32_t>(c.Drawing->TopLevelShapeCount());
    DGG.CSpSaved += shapes + 1;
    if (c.Changed) {
      c.CSpIdCur = shapes + 1;
      maxSpIdCur = std::max(maxSpIdCur, c.Drawing->SpIdCur());
    }
  }
  DGG.SpIdMax = std::max(DGG.SpIdMax, maxSpIdCur);
  TMSOHeader::Make(0, 0, msoDgg, static_cast<std::uint32_t>(16 + 8 * clusters)).Write(w);
  w.u32le(DGG.SpIdMax);
  w.u32le(static_cast<std::uint32_t>(clusters + 1));
  w.u32le(DGG.CSpSaved);
  w.u32le(DGG.CDgSaved);
  for (const TDGGData& c : DGG.Clusters) {
    w.u32le(c.DgId);
    w.u32le(c.CSpIdCur);
  }

  if (!pictures_.empty()) {
    TMSOHeader::Make(msoContainerVersion, static_cast<std::uint16_t>(Count()), msoBStoreContainer,
                     static_cast<std::uint32_t>(store))
        .Write(w);
    for (auto& p : pictures_) p->WriteBSE(w);
  }
  w.bytes(DefaultProperties.SaveToBuffer(true));
  OtherRecords.WriteTo(w);
  if (!MRUColors.empty()) WriteColors(w, msoColorMRUContainer, MRUColors);
  if (!SplitMenuColors.empty()) WriteColors(w, msoSplitMenuColorContainer, SplitMenuColors);
  return w.take();
}

void TEscherGroup::WriteToStream(TXLSStream& Stream) {
  const core::Bytes body = SaveToBuffer();
  Stream.WriteHeader(kMSODrawingGroup, 0);
  Stream.Write(body.data(), static_cast<int>(body.size()));
}

}  // namespace biff
