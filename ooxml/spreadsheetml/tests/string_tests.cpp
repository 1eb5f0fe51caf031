// Shared strings and rich text: runs and their properties, phonetic runs, the streamed items of the
// shared-string part, and the text escapes of SpreadsheetML strings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ooxml/spreadsheetml/tests/sml_testing.h"

namespace ooxml::sml {
namespace {

constexpr char kDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

// A shared-string part read with a handler that keeps every item as it writes itself.
struct SstRead {
  LoadedPart part;
  std::vector<std::string> items;
  std::vector<std::u16string> texts;

  explicit SstRead(const std::string& body) {
    part.doc.GetSst()->OnReadSi = [this](TCT_Rst& si) {
      texts.push_back(si.t);
      items.push_back(Compact(XpgWriteProbe(si, u"si", false, true)));
    };
    part.Load(kDecl + body);
  }
};

TEST(SmlRichText, ItemsReadAndWriteBack) {
  struct Case {
    const char* title;
    std::string in;
    std::vector<std::string> items;
    std::string reports = {};
  } cases[] = {
      {"runs only: empty plain text, then the runs",
       "<si><r><t>a</t></r><r><rPr><b/><sz val=\"11\"/><color rgb=\"FFFFFFFF\"/><rFont val=\"Arial\"/></rPr><t>b</t></r></si>",
       {"<si><t/><r><t>a</t></r><r><rPr><rFont val=\"Arial\" /><b/><color rgb=\"FFFFFFFF\" /><sz val=\"11\" /></rPr>"
        "<t>b</t></r></si>"}},
      {"empty item, both forms", "<si/><si></si>", {"<si><t/></si>", "<si><t/></si>"}},
      {"Booleans without val are true, val 0 is false; bare u is single",
       "<si><r><rPr><i/><strike val=\"0\"/><u/></rPr><t>x</t></r></si>",
       {"<si><t/><r><rPr><i/><u/></rPr><t>x</t></r></si>"}},
      {"properties holding only a single underline are still written",
       "<si><r><rPr><u val=\"single\"/></rPr><t>x</t></r></si>", {"<si><t/><r><rPr><u/></rPr><t>x</t></r></si>"}},
      {"space kept at the ends only",
       "<si><r><t xml:space=\"preserve\"> a</t></r><r><t>a b</t></r><r><t>\ta</t></r><r><t xml:space=\"preserve\">a\n</t></r>"
       "<r><t xml:space=\"preserve\">&#13;a</t></r></si>",
       {"<si><t/><r><t xml:space=\"preserve\" > a</t></r><r><t>a b</t></r><r><t>\ta</t></r>"
        "<r><t xml:space=\"preserve\" >a\n</t></r><r><t xml:space=\"preserve\" >_x000D_a</t></r></si>"}},
      {"phonetic runs and properties",
       "<si><t>漢字</t><rPh sb=\"0\" eb=\"2\"><t>かんじ</t></rPh><phoneticPr type=\"Hiragana\"/></si>",
       {"<si><t>漢字</t><rPh sb=\"0\" eb=\"2\" ><t>かんじ</t></rPh><phoneticPr fontId=\"-1\" type=\"Hiragana\" /></si>"}},
      {"xml:space on a phonetic text is no report", "<si><t>a</t><rPh sb=\"1\" eb=\"1\"><t xml:space=\"preserve\"> b</t></rPh></si>",
       {"<si><t>a</t><rPh sb=\"1\" eb=\"1\" ><t xml:space=\"preserve\" > b</t></rPh></si>"}},
      {"other attributes of a text are reported, not kept", "<si><t foo=\"1\">a</t></si>", {"<si><t>a</t></si>"},
       "Row 0: Unknown Attribute \"foo\""},
      {"unknown children are reported", "<si><t>a</t><x/><r><t>b</t><y/></r></si>", {"<si><t>a</t><r><t>b</t></r></si>"},
       "Row 0: Unknown Element \"x\"; Row 0: Unknown Element \"y\""},
  };
  for (const auto& c : cases) {
    SstRead r("<sst xmlns=\"urn:sml\">" + c.in + "</sst>");
    EXPECT_EQ(r.items, c.items) << c.title;
    EXPECT_EQ(Joined(r.part.reports), c.reports) << c.title;
  }
}

TEST(SmlRichText, TextEscapesAreDecodedAndWritten) {
  SstRead r("<sst><si><t>a_x000D_b_x005F_x0041_ &#x4E2D;&#13;</t></si></sst>");
  ASSERT_EQ(r.texts.size(), 1u);
  EXPECT_EQ(r.texts[0], u"a\rb_x0041_ \u4E2D\r");
  EXPECT_EQ(r.items[0], "<si><t xml:space=\"preserve\" >a_x000D_b_x005F_x0041_ 中_x000D_</t></si>");
  // Characters XML cannot hold, from the workbook side.
  ReadInto<TCT_Rst> si;
  si.obj.t = u"\x01x\xFFFE";
  EXPECT_EQ(si.Written(u"si"), "<si><t>_x0001_x_xFFFE_</t></si>");
}

TEST(SmlRichText, LongestCellTextRoundTrips) {
  std::u16string text(32767, u'x');
  for (std::size_t i = 0; i < text.size(); i += 97) text[i] = u'\u4E2D';
  text[100] = u'&';
  ReadInto<TCT_Rst> a;
  a.obj.t = text;
  const std::string written = XpgWriteProbe(a.obj, u"si", false, true);
  ReadInto<TCT_Rst> b(written);
  EXPECT_EQ(b.obj.t, text);
  EXPECT_EQ(Joined(b.reports), "");
}

TEST(SmlSharedStrings, StreamsItemsOneByOne) {
  // Each item reaches the event complete, once, before the next one replaces it.
  SstRead r("<sst count=\"abc\" uniqueCount=\"2\"><si><t>one</t></si><si><r><t>two</t></r></si><extLst><ext uri=\"u\"/></extLst></sst>");
  EXPECT_EQ(r.texts, (std::vector<std::u16string>{u"one", u""}));
  EXPECT_EQ(r.items, (std::vector<std::string>{"<si><t>one</t></si>", "<si><t/><r><t>two</t></r></si>"}));
  const TCT_Sst& sst = *r.part.doc.GetSst();
  EXPECT_EQ(sst.count, 0);
  EXPECT_EQ(sst.uniqueCount, 2);
  EXPECT_EQ(sst.extLst->ext.Count(), 1);
  // Without a handler the items are read and dropped.
  LoadedPart quiet;
  quiet.Load("<sst><si><t>one</t></si></sst>");
  EXPECT_EQ(Joined(quiet.reports), "");
}

TEST(SmlSharedStrings, WritesItemsPulledFromTheEvent) {
  TXPGDocXLSX doc;
  TCT_Sst& sst = *doc.GetSst();
  doc.Root().Attributes.AddAttribute(u"xmlns", u"urn:sml");
  sst.count = 3;
  const std::vector<std::u16string> strings{u"a", u" b", u""};
  std::size_t next = 0;
  sst.OnWriteSi = [&](TCT_Rst& si, bool& more) {
    if (next == strings.size()) return;
    si.t = strings[next];
    if (next == 0) si.r.Add()->t = u"run";
    ++next;
    more = true;
  };
  EXPECT_EQ(Compact(XpgSave(doc)),
            "<sst xmlns=\"urn:sml\" \ncount=\"3\" ><si><t>a</t><r><t>run</t></r></si>"
            "<si><t xml:space=\"preserve\" > b</t></si><si><t/></si></sst>");
  EXPECT_EQ(sst.si->r.Count(), 0) << "the item is cleared after it is written";
  // Nothing to write: no counts, no event, no extension: nothing but the declaration.
  TXPGDocXLSX empty;
  EXPECT_EQ(Compact(XpgSave(empty)), "");
}

}  // namespace
}  // namespace ooxml::sml
