// Shared-string table: de-duplication, use counts and slot reuse, record layout, escaping.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "workbook/cell_format_editor.h"
#include "workbook/shared_strings.h"

using namespace workbook;

namespace {

struct SSTTest : ::testing::Test {
  TXc12DataStyleSheet ss;
  TXc12DataSST sst{&ss};

  template <class F>
  static std::string Raised(F f) {
    try {
      f();
    } catch (const Exception& e) {
      return e.what();
    }
    return "(nothing raised)";
  }
};

}  // namespace

TEST_F(SSTTest, SameTextSharesOneRecordAndUsesAreCountedByTheCaller) {
  int a = sst.AddString(u"温度");
  int b = sst.AddString(u"温度");
  EXPECT_EQ(a, b);
  EXPECT_EQ(sst.Count(), 1);
  EXPECT_EQ(TXc12DataSST::GetRefCount(sst.GetItems(a)), 0);
  sst.UseString(a);
  sst.UseString(b);
  EXPECT_EQ(TXc12DataSST::GetRefCount(sst.GetItems(a)), 2);
  EXPECT_NE(sst.AddString(u"温度 "), a);
  EXPECT_NE(sst.AddString(u"Temp"), sst.AddString(u"temp")) << "keys are case-sensitive";
}

TEST_F(SSTTest, ReleasedSlotsShrinkOrAreReusedLowestFirst) {
  for (const char16_t* t : {u"a", u"b", u"c", u"d"}) sst.UseString(sst.AddString(t));
  sst.ReleaseString(3);  // the last slot: Count shrinks
  EXPECT_EQ(sst.Count(), 3);
  EXPECT_EQ(sst.EmptySlots(), 0);
  sst.ReleaseString(2);
  sst.ReleaseString(0);
  EXPECT_EQ(sst.Count(), 2);
  EXPECT_EQ(sst.EmptySlots(), 1);
  sst.ReleaseString(0);  // an empty slot: nothing happens
  EXPECT_EQ(sst.EmptySlots(), 1);

  // The readers' adds always append, even with an empty slot below.
  EXPECT_EQ(sst.AddStringNoDedupe(u"raw"), 2);
  EXPECT_EQ(sst.AddRichString(u"rich", {}), 3);
  EXPECT_EQ(sst.AddRawString8(1, reinterpret_cast<const std::uint8_t*>("z")), 4);
  const char16_t wide[] = u"宽";
  EXPECT_EQ(sst.AddRawString16(1, wide), 5);

  EXPECT_EQ(sst.AddString(u"e"), 0) << "the lowest empty slot is reused";
  EXPECT_EQ(sst.EmptySlots(), 0);
  EXPECT_EQ(sst.AddString(u"f"), 6);
  EXPECT_EQ(sst.GetText(0), u"e");
  EXPECT_EQ(sst.GetText(1), u"b");
  EXPECT_EQ(sst.AddString(u"a"), 7) << "a freed text is gone from the index";
}

TEST_F(SSTTest, EightBitRecordsWhereEveryCharacterFits) {
  struct Case {
    std::u16string text;
    std::uint8_t kind;
    int bytes;
  } cases[] = {{u"25.3°C", 0, 6}, {u"\u00FF\u0001", 0, 2}, {u"25.3℃", 1, 10}, {u"", 0, 0}, {u"温湿度", 1, 6}};
  for (const Case& c : cases) {
    int i = sst.AddString(c.text);
    const TXc12SSTString* rec = sst.GetItems(i);
    EXPECT_EQ(TXc12DataSST::GetKind(rec), c.kind);
    EXPECT_EQ(TXc12DataSST::GetCharCount(rec), static_cast<int>(c.text.size()));
    EXPECT_EQ(TXc12DataSST::GetTextPtr(rec), rec + 7);
    if (c.text == u"25.3°C") {
      EXPECT_EQ(TXc12DataSST::GetTextPtr(rec)[4], 0xB0) << "one byte per character";
    }
    EXPECT_EQ(sst.GetText(i), c.text);
    EXPECT_EQ(TXc12DataSST::GetFontRuns(rec), nullptr);
    EXPECT_EQ(TXc12DataSST::GetFontRunCount(rec), 0);
    EXPECT_EQ(TXc12DataSST::GetCharCount(rec) * ((c.kind & 1) ? 2 : 1), c.bytes);
  }
}

TEST_F(SSTTest, EscapingOfLiteralEscapeSequences) {
  struct Case {
    std::u16string in, out;
  } cases[] = {
      {u"a_x0041_b", u"a_x005F_x0041_b"},
      {u"_x0041__x0042_", u"_x005F_x0041__x005F_x0042_"},
      {u"_xZZZZ_", u"_x005F_xZZZZ_"},  // the four need not be hex digits
      {u"_x12_", u"_x12_"},
      {u"_X0041_", u"_X0041_"},
      {u"x_x0041", u"x_x0041"},
      {u"", u""},
  };
  for (const Case& c : cases) {
    std::u16string t = c.in;
    TXc12DataSST::EscapeLiteralX(t);
    EXPECT_EQ(t, c.out);
    EXPECT_EQ(sst.GetText(sst.AddString(c.in)), c.out);
  }
  TXc12DataSST legacy(&ss);
  legacy.AlreadyEscaped = true;
  EXPECT_EQ(legacy.GetText(legacy.AddString(u"a_x0041_b")), u"a_x0041_b");
  EXPECT_EQ(sst.GetText(sst.AddStringNoDedupe(u"a_x0041_b")), u"a_x0041_b");
}

TEST_F(SSTTest, RichRecordsHoldRunsAndTheirFontUses) {
  TXc12Font* f = ss.Fonts->Add();
  f->SetName(u"宋体");
  f->IncRef();  // a use of its own, so that the font stays when the text goes

  int empty = sst.AddRichString(u"plain", {});
  const TXc12SSTString* rec = sst.GetItems(empty);
  EXPECT_EQ(TXc12DataSST::GetKind(rec), 8);
  EXPECT_EQ(TXc12DataSST::GetFontRunCount(rec), 0);
  EXPECT_EQ(TXc12DataSST::GetTextPtr(rec), rec + 10);

  int rich = sst.AddRichString(u"温度25", {{0, f}, {2, nullptr}, {3, ss.Fonts->GetItem(0)}});
  rec = sst.GetItems(rich);
  EXPECT_EQ(TXc12DataSST::GetKind(rec), 9);
  EXPECT_EQ(TXc12DataSST::GetFontRunCount(rec), 3);
  EXPECT_EQ(TXc12DataSST::GetFontRuns(rec), rec + 10 + 8);
  EXPECT_EQ(TXc12DataSST::GetFontRun(rec, 0).Font, f);
  EXPECT_EQ(TXc12DataSST::GetFontRun(rec, 1).Font, nullptr);
  EXPECT_EQ(TXc12DataSST::GetFontRun(rec, 2).Index, 3);
  EXPECT_EQ(sst.GetText(rich), u"温度25");
  EXPECT_EQ(f->RefCount, 2) << "the record takes a use of each run's font";
  EXPECT_EQ(ss.Fonts->GetItem(0)->RefCount, 1);
  EXPECT_EQ(TXc12DataSST::GetRefCount(rec), 0);
  EXPECT_EQ(sst.AddString(u"温度25"), rich + 1) << "rich records are not in the index";

  sst.UseString(rich);
  sst.ReleaseString(rich);
  EXPECT_EQ(f->RefCount, 1);
  EXPECT_EQ(ss.Fonts->GetItem(0)->RefCount, 0);
  ASSERT_EQ(ss.Fonts->Count(), 2);

  sst.AddRichString(u"x", {{0, f}});
  sst.Clear();
  EXPECT_EQ(f->RefCount, 1) << "Clear gives the run fonts back too";
}

TEST_F(SSTTest, ErrorsAndBounds) {
  sst.AddString(u"a");
  sst.UseString(sst.AddString(u"b"));
  sst.UseString(0);
  sst.UseString(sst.AddString(u"c"));
  sst.ReleaseString(0);  // slot 0 is now empty, not the last
  EXPECT_EQ(Raised([&] { sst.GetItems(-1); }), "Index out of range");
  EXPECT_EQ(Raised([&] { sst.GetText(sst.Count()); }), "Index out of range");
  EXPECT_EQ(Raised([&] { sst.UseString(0); }), "SST String is Nil");
  EXPECT_EQ(Raised([&] { sst.UseString(3); }), "Index out of range");
  EXPECT_EQ(Raised([&] { sst.GetText(0); }), "SST String is Nil");
  EXPECT_EQ(Raised([&] { sst.AddRawString8(-1, nullptr); }), "SST: bad string data");

  // A text longer than the record's 16-bit count is refused instead of wrapping.
  EXPECT_EQ(Raised([&] { sst.AddString(std::u16string(65536, u'x')); }), "SST: string too long");
  EXPECT_EQ(Raised([&] { sst.AddStringNoDedupe(std::u16string(70000, u'x')); }), "SST: string too long");
  int longest = sst.AddString(std::u16string(65535, u'y'));
  EXPECT_EQ(TXc12DataSST::GetCharCount(sst.GetItems(longest)), 65535);
}

TEST_F(SSTTest, RecordKindsTheAccessorsAccept) {
  // Kinds 4, 5, 12 and 13 come from the legacy format with a phonetic block before the text.
  struct Case {
    std::uint8_t kind;
    int offset;
  } cases[] = {{0, 7}, {1, 7}, {4, 12}, {5, 12}, {8, 10}, {9, 10}, {12, 16}, {13, 16}};
  for (const Case& c : cases) {
    std::uint8_t rec[64] = {};
    rec[4] = 2;
    rec[6] = c.kind;
    std::uint8_t* text = rec + c.offset;
    if (c.kind & 1) {
      const char16_t w[] = u"hi";
      std::memcpy(text, w, 4);
    } else {
      std::memcpy(text, "hi", 2);
    }
    EXPECT_EQ(TXc12DataSST::GetTextPtr(rec), rec + c.offset) << int(c.kind);
    EXPECT_EQ(TXc12DataSST::RecordText(rec), u"hi") << int(c.kind);
    EXPECT_EQ(TXc12DataSST::GetFontRuns(rec) != nullptr, (c.kind & 8) != 0);
  }
  std::uint8_t bad[16] = {};
  bad[6] = 2;
  try {
    TXc12DataSST::GetTextPtr(bad);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "SST: Unhandled string type.");
  }
}

TEST_F(SSTTest, IndexIsRebuiltAfterReadsAndClear) {
  // Records of a file's table: equal texts may repeat; the later one is found first.
  sst.AddStringNoDedupe(u"x");
  sst.AddRawString8(1, reinterpret_cast<const std::uint8_t*>("x"));
  sst.AddRichString(u"y", {});
  EXPECT_FALSE(sst.HashValid());
  sst.AfterRead();
  EXPECT_TRUE(sst.HashValid());
  EXPECT_EQ(sst.AddString(u"x"), 1);
  EXPECT_EQ(sst.AddString(u"y"), 3);

  // Releasing the indexed duplicate leaves no entry pointing at its freed slot.
  sst.UseString(0);
  sst.UseString(1);
  sst.UseString(2);
  sst.ReleaseString(1);
  int again = sst.AddString(u"x");
  EXPECT_EQ(sst.GetText(again), u"x");
  EXPECT_NE(sst.GetItems(again), nullptr);

  sst.Clear();
  EXPECT_EQ(sst.Count(), 0);
  EXPECT_EQ(sst.Capacity(), 0);
  EXPECT_FALSE(sst.HashValid());
  sst.AddRawString16(1, u"z");
  EXPECT_EQ(sst.AddString(u"z"), 0) << "the first AddString after Clear rebuilds the index";
  EXPECT_EQ(sst.Capacity(), 255);
}

TEST_F(SSTTest, TextsAnEightBitCodePageWouldConfuseStayApart) {
  int a = sst.AddString(u"标题");
  int b = sst.AddString(u"样式");
  int c = sst.AddString(u"??");
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  EXPECT_EQ(sst.GetText(b), u"样式");
}

// Random adds, uses and releases against a reference model of the slots.
TEST(SSTModel, UseCountsAndSlotsStayExactOverRandomSequences) {
  const std::vector<std::u16string> pool = {u"a", u"b", u"25.3°C", u"温度", u"湿度", u"_x0041_", u"", u"long text here",
                                            u"Z", u"年月日"};
  for (unsigned seed : {7u, 8u, 9u}) {
    TXc12DataStyleSheet ss;
    TXc12Font* font = ss.Fonts->Add();
    font->SetName(u"Arial");
    font->IsDefault = 1;  // stays in the list, so its count can be checked at any time
    TXc12DataSST sst(&ss);
    sst.AlreadyEscaped = true;
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };

    struct Slot {
      std::u16string text;
      int uses = 0;
      bool rich = false;
    };
    std::vector<std::optional<Slot>> model;  // size() == Count
    std::vector<int> held;                   // one entry per use held by a "cell"
    int reusedSlots = 0;

    for (int step = 0; step < 4000; ++step) {
      int op = pick(10);
      if (op < 5) {
        const std::u16string& t = pool[static_cast<std::size_t>(pick(static_cast<int>(pool.size())))];
        int expect = -1;
        for (std::size_t i = 0; i < model.size(); ++i)
          if (model[i] && !model[i]->rich && model[i]->text == t) expect = static_cast<int>(i);
        if (expect < 0) {
          for (std::size_t i = 0; i < model.size() && expect < 0; ++i)
            if (!model[i]) expect = static_cast<int>(i);
          if (expect < 0) {
            expect = static_cast<int>(model.size());
            model.emplace_back();
          } else {
            ++reusedSlots;
          }
          model[static_cast<std::size_t>(expect)] = Slot{t, 0, false};
        }
        ASSERT_EQ(sst.AddString(t), expect) << "step " << step;
        sst.UseString(expect);
        ++model[static_cast<std::size_t>(expect)]->uses;
        held.push_back(expect);
      } else if (op == 5) {
        int i = sst.AddRichString(u"rich", {{0, font}, {1, font}});
        ASSERT_EQ(i, static_cast<int>(model.size()));
        model.push_back(Slot{u"rich", 1, true});
        sst.UseString(i);
        held.push_back(i);
      } else if (!held.empty()) {
        std::size_t k = static_cast<std::size_t>(pick(static_cast<int>(held.size())));
        int i = held[k];
        held.erase(held.begin() + static_cast<long>(k));
        sst.ReleaseString(i);
        if (--model[static_cast<std::size_t>(i)]->uses == 0) {
          model[static_cast<std::size_t>(i)].reset();
          if (i == static_cast<int>(model.size()) - 1) model.pop_back();
        }
      }

      ASSERT_EQ(sst.Count(), static_cast<int>(model.size())) << "step " << step;
      int empty = 0, runUses = 0;
      for (std::size_t i = 0; i < model.size(); ++i) {
        const TXc12SSTString* rec = sst.GetItems(static_cast<int>(i));
        if (!model[i]) {
          ++empty;
          ASSERT_EQ(rec, nullptr);
          continue;
        }
        ASSERT_NE(rec, nullptr);
        ASSERT_EQ(TXc12DataSST::GetRefCount(rec), model[i]->uses) << "slot " << i << " step " << step;
        ASSERT_EQ(TXc12DataSST::RecordText(rec), model[i]->text);
        if (model[i]->rich) runUses += 2;
      }
      ASSERT_EQ(sst.EmptySlots(), empty);
      ASSERT_EQ(font->RefCount, runUses);
    }
    EXPECT_GT(reusedSlots, 0) << "the sequence should reuse empty slots";
  }
}
