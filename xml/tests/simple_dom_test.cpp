#include "xml/simple_dom.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/error.h"
#include "xml/tests/event_log.h"

namespace {

using namespace ooxml;

std::string Save(const TXpgSimpleDOM& dom) {
  XmlMemoryStream out;
  dom.SaveToStream(out);
  return out.Data();
}

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r";

TEST(SimpleDom, BuildsTrimmedTreeWithNormalisedAttributes) {
  TXpgSimpleDOM dom;
  XmlMemoryStream in(
      "<?xml version=\"1.0\"?>\n<doc a=\"x&#13;&#10;y\" b=\"p&#9;q\">\n  <first>  x  </first>\n  <v:shape id='1'/>\n"
      "<!-- dropped --></doc>");
  dom.Parse(in);
  ASSERT_EQ(dom.Root()->GetCount(), 1);
  TXpgDOMNode* doc = dom.Root()->GetItem(0);
  EXPECT_EQ(doc->Name, u"doc");
  EXPECT_EQ(doc->Attributes.GetValue(u"a"), u"x y");
  EXPECT_EQ(doc->Attributes.GetValue(u"b"), u"pq");
  ASSERT_EQ(doc->GetCount(), 2);
  EXPECT_EQ(doc->GetItem(0)->Text, u"x");
  EXPECT_EQ(doc->GetItem(1)->Name, u"v:shape");
  EXPECT_EQ(doc->GetItem(1)->Parent(), doc);
  EXPECT_FALSE(dom.IsEmpty());
}

TEST(SimpleDom, FindFollowsTheFirstChildOfEachName) {
  TXpgSimpleDOM dom;
  dom.LoadFromString(u"<r><a><x/></a><a><b><c>deep</c></b></a></r>");
  TXpgDOMNode* r = dom.Root()->Find(u"r", true);
  EXPECT_EQ(r->Find(u"a/b", false), nullptr);
  try {
    r->Find(u"a/b", true);
    FAIL();
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "XML error: Can not find expected node \"b\"");
  }
  try {
    r->Find(u"q/b", true);
    FAIL();
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "XML error: Can not find expected node \"q/b\"");
  }
  EXPECT_EQ(r->Find(u"a/x", true)->Name, u"x");
  EXPECT_EQ(dom.Root()->Find(u"r", false)->GetItem(1)->Find(u"b/c", true)->Text, u"deep");
}

TEST(SimpleDom, Attributes) {
  TXpgDOMAttributes attrs;
  attrs.Add(u"x", u"x");
  attrs.AddInt(u"n", -4);
  EXPECT_EQ(attrs.GetIntValue(u"x", 5), 0);
  EXPECT_EQ(attrs.GetIntValue(u"missing", 5), 5);
  EXPECT_EQ(attrs.GetIntValue(u"n", 5), -4);
  attrs.SetIntValue(u"n", 12);
  attrs.SetIntValue(u"m", 3);
  EXPECT_EQ(attrs.GetCount(), 3);
  EXPECT_EQ(attrs.GetValue(u"n"), u"12");
  EXPECT_EQ(attrs.Find(u"N"), nullptr);
  TXpgDOMAttributes copy;
  copy.Add(u"old", u"1");
  copy.Assign(attrs);
  EXPECT_EQ(copy.GetCount(), 3);
  EXPECT_EQ(copy.GetItem(2)->Name, u"m");
  EXPECT_THROW(copy.GetItem(3), core::Error);
}

TEST(SimpleDom, SaveForms) {
  TXpgSimpleDOM dom;
  EXPECT_EQ(Save(dom), kDecl);
  dom.LoadFromString(u"<r k=\"a&amp;b\"><n>text<c/></n><e></e><t>x</t></r>");
  EXPECT_EQ(Save(dom), kDecl + "<r k=\"a&amp;b\" >\r<n>\r<c/>\r</n>\r<e/>\r<t>x</t>\r</r>\r");
}

TEST(SimpleDom, CopyCloneExtractAdd) {
  TXpgSimpleDOM dom;
  dom.LoadFromString(u"<r><a k=\"1\">t<b/><c/></a><z/></r>");
  TXpgDOMNode* r = dom.Root()->GetItem(0);
  std::unique_ptr<TXpgDOMNode> clone = r->GetItem(0)->Clone();
  EXPECT_EQ(clone->Name, u"a");
  EXPECT_EQ(clone->Parent(), nullptr);
  ASSERT_EQ(clone->GetCount(), 2);
  EXPECT_EQ(clone->GetItem(1)->Name, u"c");
  EXPECT_EQ(clone->Attributes.GetValue(u"k"), u"1");

  // Copying a node into its own child copies what it held before.
  TXpgDOMNode* a = r->GetItem(0);
  a->CopyTo(*a->GetItem(0));
  EXPECT_EQ(a->GetItem(0)->GetCount(), 2);
  EXPECT_EQ(a->GetItem(0)->Name, u"b");

  std::unique_ptr<TXpgDOMNode> z = r->Extract(1);
  EXPECT_EQ(r->GetCount(), 1);
  EXPECT_EQ(z->Parent(), nullptr);
  TXpgDOMNode* adopted = a->Add(std::move(z));
  EXPECT_EQ(adopted->Parent(), a);
  EXPECT_EQ(a->GetItem(a->GetCount() - 1)->Name, u"z");
  // A node cannot be adopted below itself; the caller keeps it.
  std::unique_ptr<TXpgDOMNode> own = r->Extract(0);
  EXPECT_THROW(own->GetItem(0)->Add(std::move(own)), core::Error);
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->Name, u"a");
}

TEST(SimpleDom, ParseErrorKeepsPartialTreeAndNextParseStartsClean) {
  TXpgSimpleDOM dom;
  XmlMemoryStream bad("<r><a/><b>");
  EXPECT_THROW(dom.Parse(bad), core::Error);
  ASSERT_EQ(dom.Root()->GetCount(), 1);
  EXPECT_EQ(dom.Root()->GetItem(0)->GetCount(), 2);
  dom.LoadFromString(u"<q/>");
  ASSERT_EQ(dom.Root()->GetCount(), 1);
  EXPECT_EQ(dom.Root()->GetItem(0)->Name, u"q");
  XmlMemoryStream lenient("</x><r></y></z><c/>");
  dom.ParseTolerant(lenient);
  EXPECT_EQ(dom.Root()->GetCount(), 2);
}

TEST(SimpleDom, DeepTreesNeedNoRecursion) {
  std::string deep;
  const int depth = 100000;
  for (int i = 0; i < depth; ++i) deep += "<d>";
  deep += "x";
  for (int i = 0; i < depth; ++i) deep += "</d>";
  TXpgSimpleDOM dom;
  XmlMemoryStream in(deep);
  dom.Parse(in);
  std::unique_ptr<TXpgDOMNode> copy = dom.Root()->GetItem(0)->Clone();
  XmlMemoryStream out;
  dom.SaveToStream(out);
  EXPECT_EQ(std::count(out.Data().begin(), out.Data().end(), '\r'), 2 * depth);
  dom.Clear();
  EXPECT_TRUE(dom.IsEmpty());
}

TEST(SimpleDom, RoundTripOfACoreProperties) {
  const std::string core =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
      "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><dc:creator>\xE6\xB5\x8B\xE8\xAF\x95 &amp; co</dc:creator>"
      "<dcterms:created xsi:type=\"dcterms:W3CDTF\">2026-12-10T08:00:00Z</dcterms:created></cp:coreProperties>";
  TXpgSimpleDOM first;
  XmlMemoryStream in(core);
  first.Parse(in);
  XmlMemoryStream saved;
  first.SaveToStream(saved);
  saved.SetPosition(0);
  TXpgSimpleDOM second;
  second.Parse(saved);
  XmlMemoryStream again;
  second.SaveToStream(again);
  EXPECT_EQ(again.Data(), saved.Data());
  EXPECT_EQ(second.Root()->Find(u"cp:coreProperties/dc:creator", true)->Text, u"\u6D4B\u8BD5 & co");
  EXPECT_EQ(second.Root()->Find(u"cp:coreProperties/dcterms:created", true)->Attributes.GetValue(u"xsi:type"),
            u"dcterms:W3CDTF");
}

}  // namespace

namespace {

using namespace ooxml;

int CountNodes(const TXpgDOMNode* node) {
  int n = 1;
  for (int i = 0; i < node->GetCount(); ++i) n += CountNodes(node->GetItem(i));
  return n;
}

// Parts written by other producers (core properties, VML drawings, charts, sheets) keep their tree
// through a save and a second parse, and a second save gives the same bytes.
TEST(SimpleDom, ProducerPartsRoundTrip) {
  const std::filesystem::path dir = "tests/corpus/diff";
  ASSERT_TRUE(std::filesystem::is_directory(dir));
  int parts = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream f(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << f.rdbuf();
    TXpgSimpleDOM first;
    XmlMemoryStream in(bytes.str());
    first.Parse(in);
    XmlMemoryStream saved;
    first.SaveToStream(saved);
    saved.SetPosition(0);
    TXpgSimpleDOM second;
    second.Parse(saved);
    XmlMemoryStream again;
    second.SaveToStream(again);
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(again.Data(), saved.Data()) << name;
    ASSERT_EQ(second.Root()->GetCount(), 1) << name;
    EXPECT_EQ(CountNodes(second.Root()), CountNodes(first.Root())) << name;
    ++parts;
  }
  EXPECT_GE(parts, 20);

  TXpgSimpleDOM vml;
  XmlMemoryStream in([] {
    std::ifstream f("tests/corpus/diff/libxlsxwriter__xl_drawings_vmlDrawing1.vml", std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
  }());
  vml.Parse(in);
  TXpgDOMNode* shape = vml.Root()->Find(u"xml/v:shape", true);
  EXPECT_NE(shape->Find(u"x:ClientData/x:Anchor", true)->Text, u"");
  EXPECT_EQ(shape->Find(u"x:ClientData", true)->Attributes.GetValue(u"ObjectType"), u"Note");
}

}  // namespace
