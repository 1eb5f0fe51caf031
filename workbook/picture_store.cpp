#include "workbook/picture_store.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "workbook/biff_codecs.h"

namespace workbook {

namespace {

std::vector<std::uint8_t> ReadRest(TStream& Stream) {
  const std::int64_t size = Stream.GetSize();
  const std::int64_t pos = Stream.GetPosition();
  std::vector<std::uint8_t> data(static_cast<std::size_t>(size > pos ? size - pos : 0));
  if (!data.empty()) Stream.ReadBuffer(data.data(), static_cast<std::int64_t>(data.size()));
  return data;
}

std::uint32_t BE16(const std::uint8_t* p) { return (std::uint32_t{p[0]} << 8) | p[1]; }
std::uint32_t BE32(const std::uint8_t* p) { return (BE16(p) << 16) | BE16(p + 2); }
std::int32_t LE32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
                                   (std::uint32_t{p[3]} << 24));
}
std::int16_t LE16(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }

bool JpegSize(const std::uint8_t* d, std::size_t size, std::int32_t& w, std::int32_t& h) {
  if (size <= 8 || d[0] != 0xFF || d[1] != 0xD8) return false;
  std::size_t pos = 2;
  std::uint8_t prefix = d[pos++];
  while (prefix == 0xFF && pos < size - 8) {
    const std::uint8_t code = d[pos++];
    if (code >= 0xC0 && code <= 0xC3) {
      pos += 3;
      if (pos + 4 > size) return false;
      h = static_cast<std::int32_t>(BE16(d + pos));
      w = static_cast<std::int32_t>(BE16(d + pos + 2));
      return w > 0 && h > 0;  // a frame without a size gives nothing to place
    }
    if (code == 0x01 || (code >= 0xD0 && code <= 0xD9)) {
      pos += 1;
      if (pos >= size) return false;
      prefix = d[pos++];
    } else if (code == 0xFF) {
      // A fill byte: the marker code follows.
    } else {
      if (pos + 2 > size) return false;
      const std::uint32_t len = BE16(d + pos);
      if (len < 2) return false;  // would not advance
      pos += len;
      if (pos >= size) return false;
      prefix = d[pos++];
    }
  }
  return false;
}

bool PngSize(const std::uint8_t* d, std::size_t size, std::int32_t& w, std::int32_t& h) {
  static const std::uint8_t sig[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  if (size < 24) return false;
  for (int i = 0; i < 8; ++i)
    if (d[i] != sig[i]) return false;
  // The full 32-bit width and height of the header chunk: pictures wider than 65535 exist.
  const std::uint32_t pw = BE32(d + 16), ph = BE32(d + 20);
  if (pw == 0 || ph == 0 || pw > 0x7FFFFFFF || ph > 0x7FFFFFFF) return false;
  w = static_cast<std::int32_t>(pw);
  h = static_cast<std::int32_t>(ph);
  return true;
}

// Device-independent size at 96 pixels an inch.
constexpr double kScreenDpi = 96.0;

std::int32_t ToPixels(double v) {
  if (!(v > 0) || v > std::numeric_limits<std::int32_t>::max()) return 0;
  return static_cast<std::int32_t>(std::lround(v));
}

bool MetafileSize(const std::uint8_t* d, std::size_t size, std::int32_t& w, std::int32_t& h) {
  // Enhanced metafile: header record 1 with " EMF" at 40; the frame at 24 is in 0.01 mm.
  if (size >= 88 && LE32(d) == 1 && LE32(d + 40) == 0x464D4520) {
    const double fw = static_cast<double>(LE32(d + 32)) - LE32(d + 24);
    const double fh = static_cast<double>(LE32(d + 36)) - LE32(d + 28);
    w = ToPixels(fw * kScreenDpi / 2540.0);
    h = ToPixels(fh * kScreenDpi / 2540.0);
    return w > 0 && h > 0;
  }
  // Placeable Windows metafile: bounding box in logical units, units per inch at 14.
  if (size >= 22 && static_cast<std::uint32_t>(LE32(d)) == 0x9AC6CDD7u) {
    const int units = static_cast<std::uint16_t>(LE16(d + 14));
    if (units == 0) return false;
    const double bw = static_cast<double>(LE16(d + 10)) - LE16(d + 6);
    const double bh = static_cast<double>(LE16(d + 12)) - LE16(d + 8);
    w = ToPixels(std::fabs(bw) * kScreenDpi / units);
    h = ToPixels(std::fabs(bh) * kScreenDpi / units);
    return w > 0 && h > 0;
  }
  return false;
}

}  // namespace

std::uint8_t TXc12GraphicImages::TypeFromName(const std::u16string& Name) {
  const std::size_t dot = Name.rfind(u'.');
  std::u16string ext = dot == std::u16string::npos ? Name : Name.substr(dot + 1);
  for (auto& c : ext)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  if (ext == u"jpg" || ext == u"jpeg") return xitJpeg;
  if (ext == u"png") return xitPng;
  if (ext == u"emf") return xitEmf;
  if (ext == u"wmf") return xitWmf;
  return xitUnknown;
}

std::u16string TXc12GraphicImages::ExtensionOf(std::uint8_t ImageType) {
  switch (ImageType) {
    case xitJpeg: return u"jpeg";
    case xitPng: return u"png";
    case xitEmf: return u"emf";
    case xitWmf: return u"wmf";
    default: throw Exception("Unknown image type");
  }
}

bool TXc12GraphicImages::GetImageSize(const std::uint8_t* Data, std::size_t Size, std::uint8_t ImageType,
                                      std::int32_t& Width, std::int32_t& Height) {
  std::int32_t w = 0, h = 0;
  bool ok = false;
  switch (ImageType) {
    case xitJpeg: ok = JpegSize(Data, Size, w, h); break;
    case xitPng: ok = PngSize(Data, Size, w, h); break;
    case xitEmf:
    case xitWmf: ok = MetafileSize(Data, Size, w, h); break;
    default: break;
  }
  if (ok) {
    Width = w;
    Height = h;
  }
  return ok;
}

bool TXc12GraphicImages::GetImageSize(TStream& Stream, std::uint8_t ImageType, std::int32_t& Width,
                                      std::int32_t& Height) {
  Stream.SetPosition(0);
  const std::vector<std::uint8_t> data = ReadRest(Stream);
  Stream.SetPosition(0);
  return GetImageSize(data.data(), data.size(), ImageType, Width, Height);
}

TXc12GraphicImage* TXc12GraphicImages::AddFromPackage(TStream& Stream, const std::u16string& Ext,
                                                      const std::u16string& Target, const std::u16string& OwnerId,
                                                      const std::u16string& RelId) {
  if (TXc12GraphicImage* found = FindByName(Target)) {
    ++found->RefCount;
    found->OtherOwners.emplace_back(OwnerId, RelId);
    return found;
  }
  auto img = std::make_unique<TXc12GraphicImage>();
  img->Data = ReadRest(Stream);
  img->OwnerId = OwnerId;
  img->RelationshipId = RelId;
  img->Name = Target;
  img->ImageType = TypeFromName(Ext);
  img->RefCount = 1;
  return Add(std::move(img));
}

TXc12GraphicImage* TXc12GraphicImages::AddPicture(TStream& Stream, const std::u16string& FileName) {
  const std::uint8_t type = TypeFromName(FileName);
  if (type == xitUnknown) {
    if (Errors_) Errors_->Warning(FileName, 3006);
    return nullptr;
  }
  if (TXc12GraphicImage* found = FindByFileName(FileName)) {
    if (found->Width > 0 && found->Height > 0) return found;
    std::int32_t w = 0, h = 0;
    if (GetImageSize(found->Data.data(), found->Data.size(), found->ImageType, w, h)) {
      found->Width = w;
      found->Height = h;
    } else if (Errors_) {
      Errors_->Warning(u"", 3008);
    }
    return found;
  }
  TXc12GraphicImage* added = nullptr;
  try {
    std::int32_t w = 0, h = 0;
    if (!GetImageSize(Stream, type, w, h)) {
      if (Errors_) Errors_->Warning(u"", 3008);
      return nullptr;
    }
    added = AddNew(Stream, type);
    added->FileName = FileName;
    added->Width = w;
    added->Height = h;
  } catch (const Exception&) {
    // A stream that cannot be read leaves no picture, or one not measured.
  }
  return added;
}

TXc12GraphicImage* TXc12GraphicImages::AddNew(TStream& Stream, std::uint8_t ImageType) {
  const std::u16string ext = ExtensionOf(ImageType);
  int n = Count();
  std::u16string name;
  do {
    ++n;
    std::string num = std::to_string(n);
    name = u"Image" + std::u16string(num.begin(), num.end()) + u"." + ext;
  } while (FindByName(name));
  auto img = std::make_unique<TXc12GraphicImage>();
  img->Data = ReadRest(Stream);
  img->Name = name;
  img->ImageType = ImageType;
  img->RefCount = 1;
  return Add(std::move(img));
}

TXc12GraphicImage* TXc12GraphicImages::FindByRel(const std::u16string& OwnerId, const std::u16string& RelId) const {
  for (const auto& img : items_) {
    if (img->OwnerId == OwnerId && img->RelationshipId == RelId) return img.get();
    for (const auto& other : img->OtherOwners)
      if (other.first == OwnerId && other.second == RelId) return img.get();
  }
  return nullptr;
}

TXc12GraphicImage* TXc12GraphicImages::FindByName(const std::u16string& Name) const {
  for (const auto& img : items_)
    if (img->Name == Name) return img.get();
  return nullptr;
}

TXc12GraphicImage* TXc12GraphicImages::FindByFileName(const std::u16string& FileName) const {
  const std::u16string key = UpperCaseW(FileName);
  for (const auto& img : items_)
    if (!img->FileName.empty() && UpperCaseW(img->FileName) == key) return img.get();
  return nullptr;
}

void TXc12GraphicManager::ResetWritten() {
  for (const auto& img : Images) img->Written = false;
}

namespace {

// The extension a picture is written under. One of a type this library does not know (a GIF or TIFF
// read from a package) keeps the extension of its name, so it goes back out as it came in; without a
// usable one it is plain binary. Part names allow no '?' or other such characters.
std::u16string WriteExtension(const TXc12GraphicImage& Image) {
  if (Image.ImageType <= xitWmf) return TXc12GraphicImages::ExtensionOf(Image.ImageType);
  const std::size_t dot = Image.Name.rfind(u'.');
  const std::size_t slash = Image.Name.find_last_of(u"/\\");
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return u"bin";
  std::u16string ext = Image.Name.substr(dot + 1);
  const bool usable = !ext.empty() && ext.size() <= 8 && std::all_of(ext.begin(), ext.end(), [](char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
  });
  return usable ? ext : u"bin";
}

}  // namespace

void TXc12GraphicManager::WriteImage(TXc12GraphicImage& Image, std::u16string& RelId) {
  if (!Package) throw Exception("No package to write the image to");
  const std::u16string ext = WriteExtension(Image);
  RelId = Package->RelateImage(Image.Index + 1, ext);
  if (!Image.Written) {
    Package->WriteImagePart(Image.Index + 1, ext, Image.Data.data(), Image.Data.size());
    Image.Written = true;
  }
}

}  // namespace workbook
