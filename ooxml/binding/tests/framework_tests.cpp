// The framework's behaviour through a small generated test schema: routing of start and end tags,
// presence and sentinels, dispatch of colliding names, groups, reports, alternate content, kept
// extension content and the reader's state after a failed load.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/error.h"
#include "ooxml/binding/gen/xpg_test_schema.h"
#include "ooxml/binding/xpg_testing.h"

namespace ooxml::xpgtest {

namespace {

struct Loaded {
  TXPGDocTest doc;
  std::vector<std::string> reports;
  Loaded() {
    doc.Errors.SetOnError([this](TXpgPErrors& e) { reports.push_back(ToUtf8(e.LastError())); });
  }
  TCT_Node& Node() { return *doc.Root().node; }
};

std::string Body(const std::string& inner) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a:node xmlns:a=\"urn:a\">" + inner + "</a:node>";
}

// The written part without the declaration, CR turned into LF for readable failures (the kept
// document-element attributes end in CR LF, which shows as an empty line).
std::string Saved(TXPGDocBase& doc) {
  std::string s = XpgSave(doc);
  s = s.substr(s.find('\r') + 1);
  for (auto& c : s)
    if (c == '\r') c = '\n';
  return s;
}

TEST(XpgFramework, DocumentElementKeepsItsNamespaceDeclarations) {
  Loaded l;
  XpgLoad(l.doc, "<a:node xmlns:a=\"urn:a\" xmlns:r=\"urn:r&amp;\" mc:Ignorable=\"x\" name=\"n\">"
                 "<a:leaf n=\"1\"/></a:node>");
  EXPECT_TRUE(l.reports.empty());
  EXPECT_EQ(l.doc.Root().Attributes.GetCount(), 3);
  EXPECT_EQ(l.Node().name, u"n") << "an attribute the class binds goes to the class";
  const std::string out = Saved(l.doc);
  EXPECT_NE(out.find("xmlns:a=\"urn:a\""), std::string::npos) << out;
  EXPECT_NE(out.find("xmlns:r=\"urn:r&amp;\""), std::string::npos) << out;
  EXPECT_NE(out.find("mc:Ignorable=\"x\""), std::string::npos) << out;
  EXPECT_EQ(out.find("name=\"n\""), out.rfind("name=\"n\"")) << "written once: " << out;
}

TEST(XpgFramework, UnknownElementIsReportedOnceAndItsChildrenFallOnTheParent) {
  Loaded l;
  XpgLoad(l.doc, Body("<a:unknown><a:leaf n=\"5\"/><a:item n=\"1\"/></a:unknown>"));
  ASSERT_EQ(l.reports.size(), 1u);
  EXPECT_EQ(l.reports[0], "Row 0: Unknown Element \"a:unknown\"");
  EXPECT_EQ(l.Node().leaf->n, 5);
  EXPECT_EQ(l.Node().item.Count(), 1);
  EXPECT_EQ(l.doc.Reader.Depth(), 0u) << "the stack is balanced after a complete parse";
}

TEST(XpgFramework, SentinelsDecideWhatIsWritten) {
  struct Case {
    std::int32_t n;
    const char* expected;
  } cases[] = {{XPG_UNSET_INT, "<a:leaf/>"}, {0, "<a:leaf n=\"0\" />"}, {-7, "<a:leaf n=\"-7\" />"}};
  for (const auto& c : cases) {
    TXPGDocTest doc;
    TCT_Leaf leaf(&doc);
    leaf.n = c.n;
    leaf.CheckAssigned();
    XmlMemoryStream s;
    TXpgWriteXML w;
    w.BeginDocument(s);
    XpgWriteElement(w, u"a:leaf", leaf);
    EXPECT_NE(s.Data().find(c.expected), std::string::npos) << c.n << ": " << s.Data();
  }
}

TEST(XpgFramework, PresenceIsRecomputedBeforeEverySave) {
  Loaded l;
  l.Node().leaf->n = 5;
  EXPECT_NE(Saved(l.doc).find("<a:leaf n=\"5\" />"), std::string::npos);
  l.Node().leaf->n = XPG_UNSET_INT;
  const std::string out = Saved(l.doc);
  EXPECT_EQ(out.find("a:leaf"), std::string::npos) << out;
  EXPECT_EQ(out, "<a:node/>\n") << "the primary document element is written even when empty";
}

TEST(XpgFramework, CollidingByteSumsAreToldApartByTheFullName) {
  static_assert(XpgByteSum("tx") == XpgByteSum("sy"));
  Loaded l;
  XpgLoad(l.doc, Body("<a:leaf tx=\"1\" sy=\"2\" ys=\"3\"/>"));
  EXPECT_EQ(l.Node().leaf->tx, 1);
  EXPECT_EQ(l.Node().leaf->sy, 2);
  ASSERT_EQ(l.reports.size(), 1u) << "a third name with the same sum is unknown";
  EXPECT_EQ(l.reports[0], "Row 0: Unknown Attribute \"ys\"");
  EXPECT_NE(Saved(l.doc).find("ys=\"3\""), std::string::npos) << "unknown attributes are kept";
}

TEST(XpgFramework, EnumerationLiterals) {
  struct Case {
    const char* value;
    std::uint16_t ordinal;
    std::size_t reports;
  } cases[] = {{"beta", 1, 0}, {"GAMMA", 2, 0}, {"delta", XPG_UNSET_ENUM, 1}, {"", XPG_UNSET_ENUM, 1}};
  for (const auto& c : cases) {
    Loaded l;
    XpgLoad(l.doc, Body(std::string("<a:leaf mode=\"") + c.value + "\" n=\"4\"/><a:title>t</a:title>"));
    EXPECT_EQ(l.Node().leaf->mode, c.ordinal) << c.value;
    EXPECT_EQ(l.reports.size(), c.reports) << c.value;
    EXPECT_EQ(l.Node().leaf->n, 4) << "an unknown literal does not stop the load";
    EXPECT_EQ(l.Node().title, u"t");
  }
  Loaded l;
  XpgLoad(l.doc, Body("<a:leaf mode=\"delta\"/>"));
  ASSERT_EQ(l.reports.size(), 1u);
  EXPECT_EQ(l.reports[0], "Row 0: Unknown Attribute \"mode=\"delta\"\"");
}

TEST(XpgFramework, WasReadTellsPresentElementsFromDefaults) {
  Loaded l;
  XpgLoad(l.doc, Body("<a:leaf/><a:two n=\"1\"/>"));
  EXPECT_TRUE(l.Node().WasRead());
  EXPECT_TRUE(l.Node().leaf->WasRead());
  EXPECT_FALSE(l.Node().extLst->WasRead());
  EXPECT_EQ(l.Node().choice->one, nullptr);
  ASSERT_NE(l.Node().choice->two, nullptr);
  EXPECT_TRUE(l.Node().choice->two->WasRead());
}

TEST(XpgFramework, GroupKeepsEveryAlternativeAndWritesInItsOrder) {
  Loaded l;
  XpgLoad(l.doc, Body("<a:two n=\"2\"/><a:flagged/><a:one n=\"1\"/><a:two tx=\"3\"/>"));
  EXPECT_TRUE(l.reports.empty());
  EXPECT_EQ(l.Node().choice->two->n, 2) << "a second element of one kind fills the same object";
  EXPECT_EQ(l.Node().choice->two->tx, 3);
  EXPECT_EQ(Saved(l.doc),
            "<a:node xmlns:a=\"urn:a\"\n\n>\n<a:required/>\n<a:one n=\"1\" />\n<a:two n=\"2\" tx=\"3\" />\n<a:flagged/>\n"
            "</a:node>\n");
}

TEST(XpgFramework, OrderedChildrenOfSeveralKindsKeepTheirOrder) {
  Loaded l;
  XpgLoad(l.doc, Body("<a:shadow n=\"1\"/><a:glow uri=\"g\"/><a:leaf/><a:blur n=\"2\"/><a:shadow/>"));
  EXPECT_TRUE(l.reports.empty());
  ASSERT_EQ(l.Node().effects.Count(), 4);
  EXPECT_EQ(l.Node().effects.NameAt(2), u"a:blur");
  const std::string out = Saved(l.doc);
  EXPECT_NE(out.find("<a:required/>\n<a:shadow n=\"1\" />\n<a:glow uri=\"g\" />\n<a:blur n=\"2\" />\n"
                     "<a:shadow/>\n"),
            std::string::npos)
      << out;
}

TEST(XpgFramework, HandWrittenOperationsStreamAReusedChild) {
  Loaded l;
  XpgLoad(l.doc, Body("<a:stream><a:row n=\"1\"/><a:row n=\"2\"><x/></a:row><a:row/></a:stream>"));
  EXPECT_EQ(l.Node().stream->Opened, 1);
  EXPECT_EQ(l.Node().stream->Seen, (std::vector<std::int32_t>{1, 2, XPG_UNSET_INT}));
  EXPECT_EQ(l.reports.size(), 1u) << "the unknown x inside a row";
}

TEST(XpgFramework, AlternateContentReadsTheFallbackInPlace) {
  Loaded l;
  XpgLoad(l.doc, Body("<mc:AlternateContent xmlns:mc=\"urn:mc\"><mc:Choice Requires=\"x14\">"
                      "<x14:bogus a=\"1\"><a:leaf n=\"9\"/></x14:bogus></mc:Choice>"
                      "<mc:Fallback><a:leaf n=\"3\"/><a:item n=\"4\"/></mc:Fallback>"
                      "</mc:AlternateContent><a:title>after</a:title>"));
  EXPECT_TRUE(l.reports.empty()) << l.reports[0];
  EXPECT_EQ(l.Node().leaf->n, 3);
  EXPECT_EQ(l.Node().item.Count(), 1);
  EXPECT_EQ(l.Node().title, u"after") << "the parent is current again after the alternate content";
}

TEST(XpgFramework, NestedAlternateContent) {
  Loaded l;
  XpgLoad(l.doc, Body("<mc:AlternateContent><mc:Choice><mc:AlternateContent><mc:Choice/>"
                      "<mc:Fallback><a:leaf n=\"1\"/></mc:Fallback></mc:AlternateContent></mc:Choice>"
                      "<mc:Fallback><a:item n=\"2\"/><mc:AlternateContent><mc:Choice><a:bogus/></mc:Choice>"
                      "<mc:Fallback><a:item n=\"3\"/></mc:Fallback></mc:AlternateContent></mc:Fallback>"
                      "</mc:AlternateContent><a:title>after</a:title>"));
  EXPECT_TRUE(l.reports.empty()) << l.reports[0];
  EXPECT_EQ(l.Node().leaf->n, XPG_UNSET_INT) << "alternate content inside a skipped Choice is skipped";
  ASSERT_EQ(l.Node().item.Count(), 2);
  EXPECT_EQ(l.Node().item[1]->n, 3) << "alternate content inside a Fallback reads its own Fallback";
  EXPECT_EQ(l.Node().title, u"after");
}

TEST(XpgFramework, PackagePolicyHasNoAlternateContent) {
  // Under the package policy mc:AlternateContent is an ordinary unknown element.
  XpgProbeDoc doc(kXpgPackagePolicy);
  TCT_Node node(&doc);
  XpgReadProbe(doc, node, Body("<mc:AlternateContent><mc:Fallback/></mc:AlternateContent>"), false);
  EXPECT_EQ(doc.Reports(), 2);
}

TEST(XpgFramework, ExtensionContentIsKeptWhole) {
  Loaded l;
  const std::string ext =
      "<a:extLst><a:ext uri=\"{A}\" xmlns:x=\"urn:x\"><x:one v=\"1\" w=\"2\">text"
      "<x:two v=\"3\"><x:three/></x:two></x:one><x:four>4</x:four></a:ext>"
      "<a:ext uri=\"{B}\"><x:five/></a:ext></a:extLst>";
  XpgLoad(l.doc, Body(ext));
  EXPECT_TRUE(l.reports.empty()) << l.reports[0];
  ASSERT_EQ(l.Node().extLst->ext.Count(), 2) << "every ext is kept";
  const std::string out = Saved(l.doc);
  EXPECT_NE(out.find("<a:ext uri=\"{A}\" xmlns:x=\"urn:x\" >\n<x:one v=\"1\" w=\"2\" >\ntext<x:two v=\"3\" >\n"
                     "<x:three/>\n</x:two>\n</x:one>\n<x:four>4</x:four>\n</a:ext>\n"
                     "<a:ext uri=\"{B}\" >\n<x:five/>\n</a:ext>"),
            std::string::npos)
      << out;
  // And it reads back to the same tree.
  Loaded again;
  XpgLoad(again.doc, XpgSave(l.doc));
  EXPECT_TRUE(again.Node().extLst->ext[0]->content.Equals(l.Node().extLst->ext[0]->content));
}

TEST(XpgFramework, DeeplyNestedExtensionContentIsBounded) {
  std::string inner;
  for (int i = 0; i < 500; ++i) inner += "<x:d>";
  for (int i = 0; i < 500; ++i) inner += "</x:d>";
  Loaded l;
  XpgLoad(l.doc, Body("<a:extLst><a:ext uri=\"u\">" + inner + "</a:ext></a:extLst>"));
  EXPECT_FALSE(l.reports.empty()) << "content below the kept depth is reported";
  EXPECT_NO_THROW(Saved(l.doc));
}

TEST(XpgFramework, ALoadAfterAFailedOneStartsClean) {
  Loaded l;
  EXPECT_THROW(XpgLoad(l.doc, Body("<a:leaf n=\"1\"><a:item")), core::Error);
  l.doc.Root().Clear();
  l.reports.clear();
  XpgLoad(l.doc, Body("<a:title>t</a:title>"));
  EXPECT_TRUE(l.reports.empty()) << l.reports[0];
  EXPECT_EQ(l.Node().title, u"t") << "the second load starts at the root, not where the first stopped";
}

TEST(XpgFramework, ClearReturnsToStartValues) {
  Loaded l;
  XpgLoad(l.doc, Body("<a:leaf n=\"1\" color=\"ff00aa\" flag=\"1\"/><a:item/><a:one/><a:flagged/>"));
  EXPECT_EQ(l.Node().leaf->color, 0xFF00AAu);
  EXPECT_EQ(l.Node().leaf->flag, 1);
  l.doc.Root().Clear();
  EXPECT_EQ(l.Node().leaf->n, XPG_UNSET_INT);
  EXPECT_EQ(l.Node().leaf->color, XPG_UNSET_HEX);
  EXPECT_EQ(l.Node().leaf->flag, XPG_UNSET_BOOL);
  EXPECT_EQ(l.Node().item.Count(), 0);
  EXPECT_FALSE(l.Node().flagged);
  EXPECT_EQ(l.doc.Root().Attributes.GetCount(), 0);
  EXPECT_EQ(Saved(l.doc), "<a:node/>\n");
}

}  // namespace
}  // namespace ooxml::xpgtest
