#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "biff/drawing/drawing_group.h"
#include "core/strings.h"
#include "core/unicode.h"

using namespace biff;

namespace {

struct FakeDrawing : TEscherDrawingBase {
  int Shapes = 0;
  std::uint32_t LastSpId = 0;
  int TopLevelShapeCount() const override { return Shapes; }
  std::uint32_t SpIdCur() const override { return LastSpId; }
};

core::Bytes Pattern(std::size_t N, std::uint8_t Seed) {
  core::Bytes b(N);
  for (std::size_t i = 0; i < N; ++i) b[i] = static_cast<std::uint8_t>(Seed + i * 7 + (i >> 5));
  return b;
}

// A temporary file removed when the test ends.
struct TempFile {
  std::filesystem::path path;
  TempFile(const std::string& Name, const core::Bytes& Bytes)
      : path(std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "-" + Name)) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(Bytes.data()),
                                                 static_cast<std::streamsize>(Bytes.size()));
  }
  ~TempFile() { std::filesystem::remove(path); }
};

}  // namespace

TEST(DrawingGroup, NewDrawingsGetIdsAndSpIdBases) {
  TEscherGroup g;
  FakeDrawing d1, d2, d3;
  std::uint32_t dg = 0, base = 0;
  g.NewDrawing(&d1, dg, base);
  EXPECT_EQ(dg, 1u);
  EXPECT_EQ(base, 1024u);
  EXPECT_TRUE(g.HasDrawings());
  EXPECT_EQ(g.DefaultProperties.GetValue(385), 0x08000041);
  g.NewDrawing(&d2, dg, base);
  EXPECT_EQ(dg, 2u);
  EXPECT_EQ(base, 2048u);
  EXPECT_EQ(g.DGG.CDgSaved, 2u);

  // Removing drawing 1 leaves dgid 2; the next drawing must not reuse it.
  g.RemoveCluster(1);
  g.NewDrawing(&d3, dg, base);
  EXPECT_NE(dg, 2u);
  EXPECT_EQ(base, 3072u);
  EXPECT_THROW(g.RemoveCluster(9), Exception);
  EXPECT_THROW(g.MarkChanged(9), Exception);
}

TEST(DrawingGroup, SpIdBaseContinuesAfterTheLargestReadId) {
  TEscherGroup g;
  core::ByteWriter w;
  TMSOHeader::Make(0xF, 0, msoDggContainer, 8 + 24).Write(w);
  TMSOHeader::Make(0, 0, msoDgg, 24).Write(w);
  for (std::uint32_t v : {3075u, 2u, 4u, 1u, 1u, 3u}) w.u32le(v);
  g.ReadFromBuffer(w.take());
  ASSERT_EQ(g.DGG.Clusters.size(), 1u);
  EXPECT_EQ(g.DGG.Clusters[0].CSpIdCur, 3u);
  FakeDrawing d;
  std::uint32_t dg = 0, base = 0;
  g.NewDrawing(&d, dg, base);
  EXPECT_EQ(base, 4096u);
  EXPECT_EQ(dg, 2u);
}

TEST(DrawingGroup, ClustersWithoutADrawingKeepWhatWasRead) {
  TEscherGroup g;
  FakeDrawing d;
  d.Shapes = 2;
  d.LastSpId = 1026;
  g.DGG.Clusters.push_back({1, 0, nullptr, false});
  g.DGG.Clusters.push_back({2, 7, nullptr, false});
  g.DGG.CDgSaved = 2;
  g.DefaultProperties.Add(191, 1);
  g.DefaultProperties.UpdateCount();
  g.AttachDrawing(&d, 1);
  g.MarkChanged(1);
  const core::Bytes b = g.SaveToBuffer();
  TEscherGroup back;
  back.ReadFromBuffer(b);
  EXPECT_EQ(back.DGG.CSpSaved, 3u);  // dgid 1 alone: two shapes and its group
  EXPECT_EQ(back.DGG.SpIdMax, 1026u);
  ASSERT_EQ(back.DGG.Clusters.size(), 2u);
  EXPECT_EQ(back.DGG.Clusters[0].CSpIdCur, 3u);
  EXPECT_EQ(back.DGG.Clusters[1].CSpIdCur, 7u);
}

TEST(DrawingGroup, JpegBseLayoutAndRoundTrip) {
  const core::Bytes jpeg = Pattern(1000, 3);
  TEscherGroup g;
  FakeDrawing d;
  std::uint32_t dg, base;
  g.NewDrawing(&d, dg, base);
  TMSOPicture& p = g.AddPicture();
  p.LoadFromStream(jpeg, "photo.jpg", msoblipJPEG);
  p.RefCount = 1;
  EXPECT_EQ(p.Name, "Picture 1");
  const core::Bytes b = g.SaveToBuffer();
  EXPECT_EQ(core::load_le32(b.data() + 4), b.size() - 8);  // the container length adds up

  // Find the BSE: after the container header, the FDGG (8 + 16 + 8) and the store header.
  const std::size_t bse = 8 + 32 + 8;
  EXPECT_EQ(core::load_le16(b.data() + bse - 6), msoBStoreContainer);
  EXPECT_EQ(core::load_le32(b.data() + bse + 4), 1000u + 61);
  const std::size_t blip = bse + 8 + 36;
  EXPECT_EQ(core::load_le16(b.data() + blip), 0x46A << 4);
  EXPECT_EQ(core::load_le16(b.data() + blip + 2), 0xF01D);
  EXPECT_EQ(core::load_le32(b.data() + blip + 4), 1000u + 17);

  TEscherGroup back;
  back.ReadFromBuffer(b);
  back.AttachDrawing(&d, 1);
  back.MarkChanged(1);
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back.GetItem(0).Data, jpeg);
  EXPECT_EQ(back.GetItem(0).Kind, msoblipJPEG);
  EXPECT_EQ(back.GetItem(0).Id, io::TMD4Hash::Of(jpeg));
  EXPECT_EQ(back.GetItem(0).Index, 0);
  EXPECT_EQ(back.SaveToBuffer(), b);
}

TEST(DrawingGroup, UnreferencedPicturesAreSkippedAndIndexesKept) {
  TEscherGroup g;
  g.DefaultProperties.Add(191, 1);
  g.DefaultProperties.UpdateCount();
  for (int i = 0; i < 3; ++i) {
    TMSOPicture& p = g.AddPicture();
    p.LoadFromStream(Pattern(50 + i, static_cast<std::uint8_t>(i)), "p" + std::to_string(i) + ".png", msoblipPNG);
    p.RefCount = i == 0 ? 0 : 1;
  }
  TEscherGroup back;
  back.ReadFromBuffer(g.SaveToBuffer());
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.GetItem(0).Index, 1);
  EXPECT_EQ(back.GetItem(0).Data, Pattern(51, 1));
  std::vector<int> indexes;
  back.GetFileIndexes(indexes);
  EXPECT_EQ(indexes, (std::vector<int>{1, 2}));
}

TEST(DrawingGroup, MetafilesAreDeflatedAndLosePlaceableHeader) {
  core::Bytes wmf(22, 0);
  core::store_le32(wmf.data(), 0x9AC6CDD7u);
  const core::Bytes records = Pattern(3000, 9);
  wmf.insert(wmf.end(), records.begin(), records.end());
  TempFile file("chart.WMF", wmf);

  TEscherGroup g;
  g.DefaultProperties.Add(191, 1);
  g.DefaultProperties.UpdateCount();
  TMSOPicture& p = g.AddPicture();
  p.LoadFromFile(file.path.string());
  p.RefCount = 1;
  EXPECT_EQ(p.Kind, msoblipWMF);
  EXPECT_EQ(p.Data, records);
  EXPECT_THROW(g.AddPicture().LoadFromFile(file.path.string()), Exception);  // the name is in the store

  const core::Bytes b = g.SaveToBuffer();
  const std::size_t header = 8 + 24 + 8 + 8 + 36 + 8 + 16;  // to the metafile header of the first BLIP
  EXPECT_EQ(core::load_le32(b.data() + header), 3000u);
  EXPECT_EQ(core::load_le32(b.data() + header + 12), 100u);  // rcBounds right and bottom
  EXPECT_EQ(core::load_le32(b.data() + header + 16), 100u);
  EXPECT_LT(core::load_le32(b.data() + header + 28), 3000u);  // cbSave: deflated
  TEscherGroup back;
  back.ReadFromBuffer(b);
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back.GetItem(0).Data, records);
}

TEST(DrawingGroup, BitmapFilesAreLimitedAndGetTheirHeaderBack) {
  auto bmp = [](std::size_t N) {
    core::Bytes b = Pattern(N, 1);
    b[0] = 'B';
    b[1] = 'M';
    return b;
  };
  TEscherGroup g;
  EXPECT_THROW(g.AddPicture().LoadFromStream(bmp(32768), "big.bmp", msoblipDIB), Exception);
  TMSOPicture& p = g.AddPicture();
  p.LoadFromStream(bmp(32767), "small.bmp", msoblipDIB);
  EXPECT_EQ(p.Size(), 32767u - 14);
  const core::Bytes saved = p.SaveToBytes();
  ASSERT_EQ(saved.size(), 32767u);
  EXPECT_EQ(core::load_le32(saved.data() + 2), 32767u);
  EXPECT_EQ(core::load_le32(saved.data() + 10), 54u);
  EXPECT_THROW(PictureTypeFromFileName("x.gif"), Exception);
  EXPECT_EQ(PictureTypeFromFileName("dir.v2/x.JPEG"), msoblipJPEG);
}

TEST(DrawingGroup, SecondIdentifierAndForeignRecordsAreHandled) {
  // A PNG BLIP with two identifiers (odd instance), an unknown container with a child, MRU colours.
  const core::Bytes png = Pattern(40, 5);
  core::ByteWriter blip;
  TMSOHeader::Make(0, 0x6E1, 0xF01E, 32 + 1 + 40).Write(blip);
  blip.bytes(core::Bytes(32, 0xAB));
  blip.u8(0xFF);
  blip.bytes(png);
  const core::Bytes blipBytes = blip.take();
  core::ByteWriter bse;
  TMSOHeader::Make(2, msoblipPNG, msoBSE, 36 + static_cast<std::uint32_t>(blipBytes.size())).Write(bse);
  bse.u8(msoblipPNG);
  bse.u8(msoblipPNG);
  bse.bytes(core::Bytes(16, 0));
  bse.u16le(0xFF);
  bse.u32le(static_cast<std::uint32_t>(blipBytes.size()));
  bse.u32le(1);
  bse.bytes(core::Bytes(8, 0));
  bse.bytes(blipBytes);
  const core::Bytes bseBytes = bse.take();

  core::ByteWriter inner;
  TMSOHeader::Make(0xF, 1, msoBStoreContainer, static_cast<std::uint32_t>(bseBytes.size())).Write(inner);
  inner.bytes(bseBytes);
  TMSOHeader::Make(0xF, 0, 0xF123, 12).Write(inner);
  TMSOHeader::Make(0, 0, 0xF124, 4).Write(inner);
  inner.u32le(77);
  TMSOHeader::Make(0, 2, msoColorMRUContainer, 8).Write(inner);
  inner.u32le(1);
  inner.u32le(2);
  const core::Bytes innerBytes = inner.take();
  core::ByteWriter all;
  TMSOHeader::Make(0xF, 0, msoDggContainer, static_cast<std::uint32_t>(innerBytes.size())).Write(all);
  all.bytes(innerBytes);

  TEscherGroup g;
  g.ReadFromBuffer(all.take());
  ASSERT_EQ(g.Count(), 1);
  EXPECT_EQ(g.GetItem(0).Data, png);
  EXPECT_EQ(g.MRUColors, (std::vector<std::uint32_t>{1, 2}));
  ASSERT_EQ(g.OtherRecords.Count(), 2);
  EXPECT_EQ(g.OtherRecords.GetRecType(1), 0xF124);
  TEscherGroup again;
  again.ReadFromBuffer(g.SaveToBuffer());
  EXPECT_EQ(again.OtherRecords.Count(), 2);
  EXPECT_EQ(again.OtherRecords.GetData(1), g.OtherRecords.GetData(1));
}

TEST(DrawingGroup, DamagedGroupsRaiseTheLibrarysError) {
  TEscherGroup g;
  FakeDrawing d;
  std::uint32_t dg, base;
  g.NewDrawing(&d, dg, base);
  for (int i = 0; i < 2; ++i) {
    TMSOPicture& p = g.AddPicture();
    p.LoadFromStream(Pattern(300, static_cast<std::uint8_t>(i)), i ? "a.emf" : "b.png", i ? msoblipEMF : msoblipPNG);
    p.RefCount = 1;
  }
  const core::Bytes good = g.SaveToBuffer();
  std::mt19937 rng(7);
  int failures = 0;
  for (int round = 0; round < 3000; ++round) {
    core::Bytes b = good;
    if (round < 600) {
      b.resize(static_cast<std::size_t>(round) % good.size());
    } else {
      for (int k = 0; k < 1 + round % 4; ++k) b[rng() % b.size()] = static_cast<std::uint8_t>(rng());
    }
    TEscherGroup back;
    try {
      back.ReadFromBuffer(b);
    } catch (const core::Error&) {  // the library's own errors, the zlib wrapper's among them
      ++failures;
    }
  }
  EXPECT_GT(failures, 600);  // every truncation fails cleanly; nothing else escapes
}
