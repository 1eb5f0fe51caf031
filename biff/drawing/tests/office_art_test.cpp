#include <gtest/gtest.h>

#include "biff/drawing/office_art.h"

using namespace biff;

namespace {

core::Bytes Entry(std::uint16_t Id, std::uint32_t Value) {
  core::ByteWriter w;
  w.u16le(Id);
  w.u32le(Value);
  return w.take();
}

core::Bytes Concat(std::initializer_list<core::Bytes> Parts) {
  core::Bytes out;
  for (const core::Bytes& p : Parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

core::Bytes Utf16z(std::u16string_view S) {
  core::Bytes b;
  for (char16_t c : S) {
    b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  b.insert(b.end(), {0, 0});
  return b;
}

}  // namespace

TEST(OfficeArtRecords, ContainersCountTheirHeaderOnly) {
  TMSORecords recs;
  const core::Bytes body{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  recs.Add(TMSOHeader::Make(0xF, 0, msoDgContainer, 1000));
  recs.Add(TMSOHeader::Make(0, 5, msoDg, 8), body);
  EXPECT_EQ(recs.GetSize(), 8 + 16);
  EXPECT_EQ(recs.GetInstance(1), 5);
  EXPECT_EQ(recs.GetData(1).size(), 8u);

  core::ByteWriter w;
  recs.WriteTo(w);
  const core::Bytes out = w.take();
  ASSERT_EQ(out.size(), 24u);
  EXPECT_EQ(core::load_le16(out.data()), 0x000F);
  EXPECT_EQ(core::load_le32(out.data() + 4), 1000u);  // a container's length is kept as read
  EXPECT_EQ(core::load_le16(out.data() + 8), 0x0050);
  EXPECT_EQ(out[16], 1);

  TMSORecords copy;
  recs.CopyTo(copy);
  EXPECT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.GetData(1), recs.GetData(1));
  EXPECT_THROW(recs.Add(TMSOHeader::Make(0, 0, msoDg, 8), core::Bytes(4)), Exception);
}

TEST(OfficeArtProperties, ReadKeepsOnlyTheInstanceCount) {
  const core::Bytes body = Concat({Entry(0x7F, 1), Entry(0xBF, 2), Entry(0x1BF, 3)});
  TOPT opt;
  opt.LoadFromBuffer(body, 2);
  EXPECT_EQ(opt.Entries(), 2);
  EXPECT_EQ(opt.Count, 2);
  EXPECT_EQ(opt.GetValue(0xBF), 2);
  EXPECT_EQ(opt.GetValue(0x1BF), -1);
}

TEST(OfficeArtProperties, DroppedComplexDataIsSkipped) {
  // Three entries with an instance count of two: the third entry's data lie between the kept
  // entries' data and must not be read as the second's.
  const core::Bytes body = Concat({Entry(0xC380, 4), Entry(0xC105, 0), Entry(0xC380, 6), {'a', 0, 0, 0},
                                   {'x', 0, 'y', 0, 0, 0}});
  TOPT opt;
  opt.LoadFromBuffer(body, 2);
  ASSERT_EQ(opt.Entries(), 2);
  EXPECT_EQ(opt.GetComplexString(0x380), u"a");
  EXPECT_EQ(opt.GetComplexString(0x105), u"");
}

TEST(OfficeArtProperties, LengthsThatDoNotAddUpAreRefused) {
  struct Case {
    const char* what;
    core::Bytes body;
  } cases[] = {
      {"a partial entry", Concat({Entry(0x7F, 1), {1, 2, 3}})},
      {"complex data past the end", Concat({Entry(0xC380, 10), {1, 2}})},
      {"a huge complex length", Concat({Entry(0xC380, 0xFFFFFFF0u)})},
  };
  for (const Case& c : cases) {
    TOPT opt;
    EXPECT_THROW(opt.LoadFromBuffer(c.body, 5), Exception) << c.what;
  }
}

TEST(OfficeArtProperties, ComplexStringsAndSizes) {
  TOPT opt;
  opt.Add(0x104, 1, true);
  opt.AddComplexString(0x105, u"a.jpg");
  opt.UpdateCount();
  EXPECT_EQ(opt.GetSize(), 6 * 2 + 12);
  EXPECT_EQ(opt.GetComplexString(0x105), u"a.jpg");
  EXPECT_EQ(opt.GetId(1), 0xC105);

  const core::Bytes b = opt.SaveToBuffer(true);
  ASSERT_EQ(b.size(), 8u + 24u);
  EXPECT_EQ(core::load_le16(b.data()), 0x0023);  // recVer 3, instance 2
  EXPECT_EQ(core::load_le16(b.data() + 2), msoOPT);
  EXPECT_EQ(core::load_le32(b.data() + 4), 24u);
  EXPECT_EQ(core::Bytes(b.begin() + 20, b.end()), Utf16z(u"a.jpg"));

  opt.SetComplexString(0x105, u"longer.png");
  EXPECT_EQ(opt.GetValueAt(1), 22u);
  EXPECT_EQ(opt.GetComplexString(0x105), u"longer.png");
  EXPECT_THROW(opt.SetValueAt(1, 3), Exception);
}

TEST(OfficeArtProperties, AccessorsOfAbsentProperties) {
  TOPT opt;
  opt.Add(0xBF, 0x80008);
  opt.Add(4, 7);
  EXPECT_EQ(opt.GetId(0), 4);  // rotation goes first
  opt.SetValue(0x181, 9);
  EXPECT_EQ(opt.Entries(), 2);
  EXPECT_EQ(opt.GetValue(0x181), -1);
  EXPECT_EQ(opt.GetTextId(), 0);
  EXPECT_EQ(opt.GetBlipId(), -1);
  EXPECT_THROW(opt.SetBlipId(3), Exception);
  opt.SetComplexString(0x380, u"name");
  EXPECT_EQ(opt.GetComplexString(0x380), u"");
}

TEST(OfficeArtProperties, AssignKeepsEachPropertysData) {
  TOPT opt;
  opt.Add(0x104, 3, true);
  opt.AddComplexString(0x105, u"pic.png");
  opt.AddComplexString(0x380, u"Picture 1");
  opt.UpdateCount();
  TOPT copy;
  copy.Add(0x7F, 1);
  opt.AssignTo(copy);
  EXPECT_EQ(copy.Entries(), 3);
  EXPECT_EQ(copy.GetComplexString(0x105), u"pic.png");
  EXPECT_EQ(copy.GetComplexString(0x380), u"Picture 1");
  EXPECT_EQ(copy.GetBlipId(), 3);
  EXPECT_EQ(copy.SaveToBuffer(true), opt.SaveToBuffer(true));
}

TEST(OfficeArtProperties, WrittenThroughTheRecordStream) {
  TOPT opt;
  opt.Add(0x80, 0x10000);
  opt.AddComplexString(0x380, u"Text 1");
  opt.UpdateCount();
  TXLSStream s;
  s.CreateMemory();
  opt.WriteToStream(s);
  EXPECT_EQ(s.MemoryBytes(), opt.SaveToBuffer(true));
  EXPECT_EQ(opt.GetTextId(), 0x10000);
}
