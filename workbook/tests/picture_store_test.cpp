#include "workbook/picture_store.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace workbook {
namespace {

std::vector<std::uint8_t> Png(std::uint32_t w, std::uint32_t h) {
  std::vector<std::uint8_t> d = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (std::uint32_t v : {w, h})
    for (int s = 24; s >= 0; s -= 8) d.push_back(static_cast<std::uint8_t>(v >> s));
  d.insert(d.end(), {8, 2, 0, 0, 0, 0, 0, 0, 0});
  return d;
}

// SOI, an APP0 segment, optional fill bytes, SOF0 with the size, EOI.
std::vector<std::uint8_t> Jpeg(int w, int h, bool fill = false) {
  std::vector<std::uint8_t> d = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  if (fill) d.insert(d.end(), {0xFF, 0xFF});
  d.insert(d.end(), {0xFF, 0xC0, 0, 17, 8, static_cast<std::uint8_t>(h >> 8), static_cast<std::uint8_t>(h),
                     static_cast<std::uint8_t>(w >> 8), static_cast<std::uint8_t>(w), 3});
  d.resize(d.size() + 15, 0);
  d.insert(d.end(), {0xFF, 0xD9});
  return d;
}

std::vector<std::uint8_t> Emf(int frameW, int frameH) {
  std::vector<std::uint8_t> d(108, 0);
  auto put = [&](int off, std::int32_t v) {
    for (int i = 0; i < 4; ++i) d[static_cast<std::size_t>(off + i)] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put(0, 1);
  put(4, 108);
  put(24, 0);
  put(28, 0);
  put(32, frameW);
  put(36, frameH);
  put(40, 0x464D4520);
  return d;
}

std::vector<std::uint8_t> PlaceableWmf(int w, int h, int unitsPerInch) {
  std::vector<std::uint8_t> d(40, 0);
  const std::uint32_t magic = 0x9AC6CDD7;
  for (int i = 0; i < 4; ++i) d[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(magic >> (8 * i));
  d[10] = static_cast<std::uint8_t>(w);
  d[11] = static_cast<std::uint8_t>(w >> 8);
  d[12] = static_cast<std::uint8_t>(h);
  d[13] = static_cast<std::uint8_t>(h >> 8);
  d[14] = static_cast<std::uint8_t>(unitsPerInch);
  d[15] = static_cast<std::uint8_t>(unitsPerInch >> 8);
  return d;
}

TEST(PictureStore, ImageSizes) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> data;
    std::uint8_t type;
    bool ok;
    int w, h;
  };
  std::vector<std::uint8_t> shortPng = Png(3, 2);
  shortPng.resize(20);
  std::vector<std::uint8_t> truncatedSof = Jpeg(10, 20);
  truncatedSof.resize(24);
  std::vector<std::uint8_t> zeroLen = {0xFF, 0xD8, 0xFF, 0xE0, 0, 0, 1, 2, 3, 4, 5, 6, 7};
  std::vector<std::uint8_t> hugeLen = {0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6, 7};
  const Case cases[] = {
      {"png", Png(300, 200), xitPng, true, 300, 200},
      {"wide png", Png(70000, 5), xitPng, true, 70000, 5},
      {"short png", shortPng, xitPng, false, 0, 0},
      {"png as jpeg", Png(3, 2), xitJpeg, false, 0, 0},
      {"jpeg", Jpeg(640, 480), xitJpeg, true, 640, 480},
      {"jpeg with fill bytes", Jpeg(33, 44, true), xitJpeg, true, 33, 44},
      {"8-byte jpeg", {0xFF, 0xD8, 0xFF, 0xC0, 0, 0, 0, 0}, xitJpeg, false, 0, 0},
      {"truncated jpeg", truncatedSof, xitJpeg, false, 0, 0},
      {"zero segment length", zeroLen, xitJpeg, false, 0, 0},
      {"segment past the end", hugeLen, xitJpeg, false, 0, 0},
      {"emf 1 inch by 2 inch", Emf(2540, 5080), xitEmf, true, 96, 192},
      {"wmf 1440 units an inch", PlaceableWmf(2880, 720, 1440), xitWmf, true, 192, 48},
      {"wmf without units", PlaceableWmf(2880, 720, 0), xitWmf, false, 0, 0},
      {"gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0}, xitUnknown, false, 0, 0},
  };
  for (const Case& c : cases) {
    TMemoryStream s(c.data);
    s.SetPosition(3);
    std::int32_t w = -1, h = -1;
    EXPECT_EQ(TXc12GraphicImages::GetImageSize(s, c.type, w, h), c.ok) << c.what;
    EXPECT_EQ(s.GetPosition(), 0) << c.what;
    if (c.ok) {
      EXPECT_EQ(w, c.w) << c.what;
      EXPECT_EQ(h, c.h) << c.what;
    }
  }
}

// Damaged headers of every kind: measuring stays inside the bytes and never reports a size of 0.
TEST(PictureStore, DamagedHeadersAreRefused) {
  std::mt19937 rng(42);
  const std::vector<std::vector<std::uint8_t>> seeds = {Png(9, 9), Jpeg(9, 9, true), Emf(100, 100),
                                                        PlaceableWmf(90, 90, 96)};
  for (int i = 0; i < 3000; ++i) {
    std::vector<std::uint8_t> d = seeds[static_cast<std::size_t>(i) % seeds.size()];
    d.resize(std::uniform_int_distribution<std::size_t>(0, d.size())(rng));
    const int flips = std::uniform_int_distribution<int>(0, 4)(rng);
    for (int f = 0; f < flips && !d.empty(); ++f)
      d[std::uniform_int_distribution<std::size_t>(0, d.size() - 1)(rng)] = static_cast<std::uint8_t>(rng());
    for (std::uint8_t type : {xitJpeg, xitPng, xitEmf, xitWmf}) {
      std::int32_t w = 0, h = 0;
      if (TXc12GraphicImages::GetImageSize(d.data(), d.size(), type, w, h)) {
        EXPECT_GT(w, 0);
        EXPECT_GT(h, 0);
      }
    }
  }
}

TEST(PictureStore, TypesAndExtensions) {
  EXPECT_EQ(TXc12GraphicImages::TypeFromName(u"a.JPG"), xitJpeg);
  EXPECT_EQ(TXc12GraphicImages::TypeFromName(u"x.y.Jpeg"), xitJpeg);
  EXPECT_EQ(TXc12GraphicImages::TypeFromName(u"png"), xitPng);
  EXPECT_EQ(TXc12GraphicImages::TypeFromName(u"b.gif"), xitUnknown);
  EXPECT_EQ(TXc12GraphicImages::ExtensionOf(xitWmf), u"wmf");
  EXPECT_THROW(TXc12GraphicImages::ExtensionOf(xitUnknown), Exception);
}

TEST(PictureStore, AddPictureNamesMeasuresAndWarns) {
  TXLSErrorManager errors;
  errors.SetSaveToList(true);
  TXc12GraphicManager store(&errors);
  TMemoryStream png(Png(300, 200));
  TXc12GraphicImage* p = store.Images.AddPicture(png, u"C:/pics/chart.png");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Name, u"Image1.png");
  EXPECT_EQ(p->Width, 300);
  EXPECT_EQ(p->Height, 200);
  EXPECT_EQ(p->Size(), static_cast<int>(Png(300, 200).size()));
  TMemoryStream jpg(Jpeg(10, 20));
  TXc12GraphicImage* j = store.Images.AddPicture(jpg, u"a.JPG");
  ASSERT_NE(j, nullptr);
  EXPECT_EQ(j->Name, u"Image2.jpeg");
  TMemoryStream jpg2(Jpeg(10, 20));
  EXPECT_EQ(store.Images.AddPicture(jpg2, u"A.jpg"), j);
  EXPECT_EQ(store.Images.Count(), 2);

  TMemoryStream gif(std::vector<std::uint8_t>{'G', 'I', 'F'});
  EXPECT_EQ(store.Images.AddPicture(gif, u"b.gif"), nullptr);
  TMemoryStream bad(std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF, 0xC0, 0, 0, 0, 0});
  EXPECT_EQ(store.Images.AddPicture(bad, u"bad.jpg"), nullptr);
  EXPECT_EQ(store.Images.Count(), 2);
  ASSERT_EQ(errors.Messages().size(), 2u);
  EXPECT_EQ(errors.Messages()[0].Code, 3006);
  EXPECT_NE(errors.Messages()[0].Text.find(u"b.gif"), std::u16string::npos);
  EXPECT_EQ(errors.Messages()[1].Code, 3008);

  // A taken name is skipped.
  TMemoryStream read(Png(1, 1));
  store.Images.AddFromPackage(read, u"png", u"Image4.png", u"rId1", u"rId1");
  TMemoryStream next(Png(1, 1));
  EXPECT_EQ(store.Images.AddNew(next, xitPng)->Name, u"Image5.png");
}

TEST(PictureStore, SharedPackagePartAndFindByRel) {
  TXc12GraphicManager store(nullptr);
  TMemoryStream a(Png(5, 5));
  TXc12GraphicImage* first = store.Images.AddFromPackage(a, u"PNG", u"../media/image1.png", u"rId1", u"rId3");
  TMemoryStream b(Png(5, 5));
  TXc12GraphicImage* second = store.Images.AddFromPackage(b, u"png", u"../media/image1.png", u"rId2", u"rId7");
  EXPECT_EQ(first, second);
  EXPECT_EQ(first->RefCount, 2);
  EXPECT_EQ(first->ImageType, xitPng);
  EXPECT_EQ(first->Width, 0);
  EXPECT_EQ(store.Images.FindByRel(u"rId1", u"rId3"), first);
  EXPECT_EQ(store.Images.FindByRel(u"rId2", u"rId7"), first);
  EXPECT_EQ(store.Images.FindByRel(u"rId2", u"rId3"), nullptr);
  EXPECT_EQ(store.Images.FindByName(u"../media/IMAGE1.png"), nullptr);
}

class FakePackage : public TXc12ImagePackage {
public:
  std::map<std::u16string, std::size_t> written;
  int relates = 0;
  std::u16string RelateImage(int N, const std::u16string& Ext) override {
    ++relates;
    return u"rIdImg" + std::u16string(1, static_cast<char16_t>(u'0' + N)) + Ext;
  }
  void WriteImagePart(int N, const std::u16string& Ext, const std::uint8_t*, std::size_t Size) override {
    std::u16string key = std::u16string(1, static_cast<char16_t>(u'0' + N)) + u"." + Ext;
    EXPECT_EQ(written.count(key), 0u);
    written[key] = Size;
  }
};

TEST(PictureStore, WriteImageOncePerSave) {
  TXc12GraphicManager store(nullptr);
  FakePackage pkg;
  store.Package = &pkg;
  TMemoryStream a(Png(5, 5)), b(Jpeg(4, 4));
  TXc12GraphicImage* p = store.Images.AddPicture(a, u"p.png");
  TXc12GraphicImage* j = store.Images.AddPicture(b, u"j.jpg");
  std::u16string rel;
  store.WriteImage(*j, rel);
  EXPECT_EQ(rel, u"rIdImg2jpeg");
  store.WriteImage(*j, rel);
  store.WriteImage(*p, rel);
  EXPECT_EQ(pkg.relates, 3);
  EXPECT_EQ(pkg.written.size(), 2u);
  EXPECT_EQ(pkg.written[u"1.png"], Png(5, 5).size());
  store.ResetWritten();
  pkg.written.clear();
  store.WriteImage(*j, rel);
  EXPECT_EQ(pkg.written.size(), 1u);
  store.Clear();
  EXPECT_EQ(store.Images.Count(), 0);
}

// A picture of a type the library does not know goes back out under its own extension, or as
// binary; never under a name a package cannot hold.
TEST(PictureStore, UnknownTypesAreWrittenUnderAValidExtension) {
  const struct {
    const char16_t* target;
    const char16_t* ext;
  } cases[] = {
      {u"/xl/media/image3.gif", u"gif"},
      {u"/xl/media/image4.TIFF", u"TIFF"},
      {u"/xl/media/noext", u"bin"},
      {u"/xl/media.d/noext", u"bin"},
      {u"/xl/media/odd.g?f", u"bin"},
      {u"/xl/media/long.abcdefghi", u"bin"},
  };
  for (const auto& c : cases) {
    TXc12GraphicManager store(nullptr);
    FakePackage pkg;
    store.Package = &pkg;
    TMemoryStream data(std::vector<std::uint8_t>{1, 2, 3});
    const std::u16string target = c.target;
    const std::u16string ext = target.substr(target.rfind(u'.') + 1);
    TXc12GraphicImage* img = store.Images.AddFromPackage(data, ext, target, u"/xl/drawings/drawing1.xml", u"rId1");
    ASSERT_EQ(img->ImageType, xitUnknown);
    std::u16string rel;
    store.WriteImage(*img, rel);
    EXPECT_EQ(pkg.written.count(u"1." + std::u16string(c.ext)), 1u) << std::string(target.begin(), target.end());
  }
}

}  // namespace
}  // namespace workbook
