#include "xml/xml_reader.h"

#include <gtest/gtest.h>

#include <random>

#include "core/error.h"
#include "xml/tests/event_log.h"

namespace {

using namespace ooxml;
using ooxml::testing::EventLog;
using ooxml::testing::ParseEvents;
using Events = std::vector<std::string>;

std::string ErrorOf(const std::string& xml, bool tolerant = false) {
  try {
    ParseEvents(xml, tolerant);
  } catch (const core::Error& e) {
    return e.what();
  }
  return "";
}

TEST(XmlReader, PrefixedEmptyElementWithApostropheValue) {
  struct Probe : TXpgReadXML {
    int begins = 0, ends = 0, sum = 0;
    std::string prefix, local, attr;
    void BeginTag() override {
      ++begins;
      sum = TagByteSum();
      prefix = std::string(RawPrefix());
      local = std::string(RawLocalName());
      attr = core::u8(Attributes.GetName(0)) + "=" + core::u8(Attributes.GetValue(0));
      EXPECT_EQ(Attributes.GetCount(), 1);
      EXPECT_FALSE(HasText());
    }
    void EndTag() override { ++ends; }
  } p;
  XmlMemoryStream in("<a:b x='1'/>\n  ");
  p.Parse(in);
  EXPECT_EQ(p.begins, 1);
  EXPECT_EQ(p.ends, 1);
  EXPECT_EQ(p.sum, 97 + 58 + 98);
  EXPECT_EQ(p.prefix, "a");
  EXPECT_EQ(p.local, "b");
  EXPECT_EQ(p.attr, "x=1");
}

TEST(XmlReader, EventStreams) {
  struct Case {
    const char* xml;
    Events events;
  } cases[] = {
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>a&amp;b&lt;c</r>", {"?xml", "<r|a&b<c", "/r"}},
      {"<r>x&#65;&#x42;y</r>", {"<r|xABy", "/r"}},
      {"<r>a & b</r>", {"<r|a & b", "/r"}},
      {"<r>&unknown;z&#xD800;&#0;</r>", {"<r|z\xEF\xBF\xBD\xEF\xBF\xBD", "/r"}},
      {"<r a=\"&quot;&apos;&gt;\" b='x\"y'/>", {"<r a=\"'> b=x\"y", "/r"}},
      {"<r a = \"1\"\n\tb=\"2\"></r>", {"<r a=1 b=2", "/r"}},
      {"<x:a><c>1</c><x:b/>tail</x:a>", {"<x:a", "<c|1", "/c", "<x:b", "/x:b", "/x:a"}},
      {"<r>\n  <c/>\n</r>\n\n", {"<r|\n  ", "<c", "/c", "/r"}},
      {"<r><!-- note --><c/></r>", {"<r", "! note ", "<c", "/c", "/r"}},
      {"<r>text<!--x-->more</r>", {"<r|text", "!x", "/r"}},
      {"\xEF\xBB\xBF<r/>", {"<r", "/r"}},
      {"<!DOCTYPE r [<!ENTITY e \"x>y\">]><r>&e;</r>", {"<r|", "/r"}},
      {"<?mso-application progid=\"Excel.Sheet\"?><r/>", {"?mso-application", "<r", "/r"}},
      {"<a><b></b></a>   ", {"<a", "<b", "/b", "/a"}},
      {"<a>x</a>   ", {"<a|x", "/a"}},
      {"<r><c>x</c>\n   </r>", {"<r", "<c|x", "/c", "/r"}},
      {"<r>\xC3\xA9\xFF\xE4\xB8</r>", {"<r|\xC3\xA9\xEF\xBF\xBD\xEF\xBF\xBD", "/r"}},
      // CDATA sections are text, taken literally, joined with the plain text around them.
      {"<r><![CDATA[a<b&amp;]]></r>", {"<r|a<b&amp;", "/r"}},
      {"<r>x<![CDATA[]]]]><![CDATA[>]]>y</r>", {"<r|x]]>y", "/r"}},
      {"<r><c/><![CDATA[dropped]]></r>", {"<r", "<c", "/c", "/r"}},
      {"", {}},
      {"  \n", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseEvents(c.xml), c.events) << c.xml;
}

TEST(XmlReader, OneLetterTagAfterPrefixedTagHasNoPrefix) {
  struct Probe : TXpgReadXML {
    std::vector<int> sums;
    std::vector<bool> prefixed;
    void BeginTag() override {
      sums.push_back(TagByteSum());
      prefixed.push_back(HasPrefix());
    }
  } p;
  XmlMemoryStream in("<x:row><c>1</c></x:row>");
  p.Parse(in);
  ASSERT_EQ(p.sums.size(), 2u);
  EXPECT_TRUE(p.prefixed[0]);
  EXPECT_FALSE(p.prefixed[1]);
  EXPECT_EQ(p.sums[1], 'c');
}

TEST(XmlReader, DispatchHelpers) {
  struct Probe : TXpgReadXML {
    std::uint32_t hash = 0;
    bool c = false, v = false, is_row = false;
    void BeginTag() override {
      if (RawQualifiedName() == "c:ser") {
        hash = TagRSHash();
        c = TagStartsWithC();
      }
      if (RawLocalName() == "val") v = TagStartsWithV();
      if (RawLocalName() == "row") is_row = LocalNameIs(u"row");
    }
  } p;
  XmlMemoryStream in("<c:ser><c:val/><row/></c:ser>");
  p.Parse(in);
  std::uint32_t h = 0, a = 63689;
  for (char ch : std::string("c:ser")) {
    h = h * a + static_cast<unsigned char>(ch);
    a *= 378551u;
  }
  EXPECT_EQ(p.hash, h);
  EXPECT_FALSE(p.c);  // the local name is "ser"
  EXPECT_TRUE(p.v);
  EXPECT_TRUE(p.is_row);
}

TEST(XmlReader, AttributeListAccess) {
  struct Probe : TXpgReadXML {
    std::u16string nv;
    int sum = 0;
    void BeginTag() override {
      nv = Attributes.GetNameValueText(1);
      sum = Attributes.NameByteSum(0);
      EXPECT_EQ(Attributes.NameRSHash(0), XmlStrRSHashOf("r:id"));
      EXPECT_THROW(Attributes.GetValue(2), core::Error);
    }
    static std::uint32_t XmlStrRSHashOf(std::string_view s) {
      std::uint32_t h = 0, a = 63689;
      for (char ch : s) h = h * a + static_cast<unsigned char>(ch), a *= 378551u;
      return h;
    }
  } p;
  XmlMemoryStream in("<r r:id=\"rId1\" v=\"a&amp;&quot;b\"/>");
  p.Parse(in);
  EXPECT_EQ(p.sum, 'r' + ':' + 'i' + 'd');
  EXPECT_EQ(p.nv, u"v=\"a&amp;&quot;b\"");

  TXpgXMLAttributeList list;
  list.Add(u"a", u"1");
  TXpgXMLAttributeList copy;
  copy.AddItems(list);
  copy.Add(u"b", u"2");
  ASSERT_EQ(copy.GetCount(), 2);
  EXPECT_EQ(copy.GetName(1), u"b");
  EXPECT_EQ(copy.GetValue(0), u"1");
  // A list appending its own entries, across the growth of its storage.
  for (int i = 0; i < 300; ++i) copy.Add(copy.GetName(0), copy.GetValue(1));
  copy.AddItems(copy);
  ASSERT_EQ(copy.GetCount(), 604);
  EXPECT_EQ(copy.GetName(603), u"a");
  EXPECT_EQ(copy.GetValue(603), u"2");
}

TEST(XmlReader, ErrorsOnIllFormedInput) {
  struct Case {
    const char* xml;
    const char* message;
  } cases[] = {
      {"<r><c>", "Unexcpected end of file in XML"},
      {"<r a=\"1", "Unexcpected end of file in XML"},
      {"<r", "Unexcpected end of file in XML"},
      {"<r><!-- open", "Unexcpected end of file in XML"},
      {"<r></x>", "Syntax error in XML: end tag \"x\" does not match \"r\""},
      {"</r>", "Syntax error in XML: end tag \"r\" without a start tag"},
      {"<r a></r>", "Syntax error in XML: bad attribute in tag \"r\""},
      {"<r a=1></r>", "Syntax error in XML: bad attribute in tag \"r\""},
      {"<r\n<c/></r>", "Syntax error in XML: bad attribute in tag \"r\""},
      {"<r><![CDATA[x]></r>", "Unexcpected end of file in XML"},
      {"no tags here", "Syntax error in XML: can not find \"<\""},
      {"<r>< !x/></r>", "Syntax error in XML: tag without a name"},
      {"<r><></r>", "Syntax error in XML: tag without a name"},
      {"<?xml version=\"1.0\" encoding=\"windows-1252\"?><r/>",
       "Unsupported encoding of xml: \"windows-1252\". Must be utf-8"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.xml), c.message) << c.xml;
  EXPECT_EQ(ErrorOf(std::string("\xFF\xFE<\0r\0/\0>\0", 10)), "Unsupported encoding of xml: \"UTF-16\". Must be utf-8");
  EXPECT_EQ(ErrorOf("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r/>"), "");
  EXPECT_EQ(ErrorOf("<?xml version=\"1.0\"?><r/>"), "");
}

TEST(XmlReader, TolerantParse) {
  EXPECT_EQ(ParseEvents("<r a = \"1\" b=2 c><x/></r>", true), (Events{"<r a=1 b=2", "<x", "/x", "/r"}));
  EXPECT_EQ(ParseEvents("<r b=2/>", true), (Events{"<r b=2", "/r"}));
  EXPECT_EQ(ParseEvents("<r>\r\n\r\ntext</r>", true), (Events{"<r|text", "/r"}));
  EXPECT_EQ(ParseEvents("<r>\r\n</r>", true), (Events{"<r", "/r"}));
  EXPECT_EQ(ParseEvents("<!DOCTYPE r><r></x></r>", true), (Events{"<r", "/x", "/r"}));
  EXPECT_EQ(ParseEvents("<r><c", true), (Events{"<r"}));
}

// Whatever the buffer size, and so wherever the block boundaries fall, the events are the same.
TEST(XmlReader, EventsDoNotDependOnBufferSize) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                    "<worksheet xmlns=\"urn:a\" xmlns:r=\"urn:r\"><sheetData>";
  std::mt19937 rng(7);
  for (int r = 1; r <= 60; ++r) {
    xml += "<row r=\"" + std::to_string(r) + "\" spans='1:3'>";
    for (int c = 0; c < 3; ++c) {
      xml += "<c r=\"" + std::string(1, static_cast<char>('A' + c)) + std::to_string(r) + "\" t=\"s\"><v>" +
             std::to_string(rng() % 1000) + "</v></c>";
    }
    if (r % 7 == 0) xml += "<!-- row " + std::to_string(r) + " -->";
    if (r % 11 == 0) xml += "<is><t xml:space=\"preserve\"> caf\xC3\xA9 &amp; &#x4E2D; </t></is>";
    if (r % 13 == 0) xml += "<t>x<![CDATA[a<b]]]]><![CDATA[>c]]>tail</t>";
    xml += "</row>\n";
  }
  xml += "</sheetData><x:ext uri=\"{1}\"/></worksheet>";
  Events reference = ParseEvents(xml);
  ASSERT_GT(reference.size(), 400u);
  for (std::size_t size : {8, 9, 13, 17, 31, 64, 100, 257, 1000, 4096}) {
    EXPECT_EQ(ParseEvents(xml, false, size), reference) << size;
    EXPECT_EQ(ParseEvents(xml, true, size), ParseEvents(xml, true)) << size;
  }
}

TEST(XmlReader, TextsAndTagsOfAnyLength) {
  std::string text(300000, 'x');
  text[150000] = '\n';
  std::string attr(100000, 'v');
  std::string xml = "<r><t>" + text + "</t><a v=\"" + attr + "\"/>" + std::string(200000, ' ') + "</r>";
  struct Probe : TXpgReadXML {
    std::size_t text_len = 0, attr_len = 0;
    void BeginTag() override {
      if (RawQualifiedName() == "t") text_len = GetText().size();
      if (RawQualifiedName() == "a") attr_len = Attributes.GetValue(0).size();
    }
  } p;
  p.SetInitialBufferSize(4096);
  XmlMemoryStream in(xml);
  p.Parse(in);
  EXPECT_EQ(p.text_len, text.size());
  EXPECT_EQ(p.attr_len, attr.size());
  EXPECT_EQ(p.LineCount(), 1u);

  // Past the limit a construct is refused instead of growing the buffer further.
  EventLog limited;
  limited.SetInitialBufferSize(1024);
  limited.SetMaxConstruct(8192);
  XmlMemoryStream big("<r><t>" + std::string(20000, 'y') + "</t></r>");
  try {
    limited.Parse(big);
    FAIL();
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Syntax error in XML: tag or text longer than 8 KB");
  }
  XmlMemoryStream fits("<r><t>" + std::string(8000, 'y') + "</t>" + std::string(20000, ' ') + "</r>");
  limited.events.clear();
  limited.Parse(fits);
  EXPECT_EQ(limited.events.size(), 4u);
}

TEST(XmlReader, LineCountStopFlagAndDeepNesting) {
  struct Stopper : TXpgReadXML {
    int begins = 0;
    std::size_t line_at_b = 0;
    void BeginTag() override {
      ++begins;
      if (RawQualifiedName() == "b") {
        line_at_b = LineCount();
        Stop();
      }
    }
  } s;
  s.SetInitialBufferSize(16);
  XmlMemoryStream in("<r>\n<a/>\n\n<b/>\n<c/>\n</r>");
  s.Parse(in);
  EXPECT_EQ(s.begins, 3);
  EXPECT_EQ(s.line_at_b, 3u);
  // The flag survives the parse; a new parse does nothing until Clear.
  XmlMemoryStream again("<r/>");
  s.Parse(again);
  EXPECT_EQ(s.begins, 3);
  s.Clear();
  XmlMemoryStream third("<r/>");
  s.Parse(third);
  EXPECT_EQ(s.begins, 4);

  // Nesting costs memory in proportion to the input, never stack.
  struct Counter : TXpgReadXML {
    int begins = 0, ends = 0;
    void BeginTag() override { ++begins; }
    void EndTag() override { ++ends; }
  } counter;
  std::string deep;
  for (int i = 0; i < 200000; ++i) deep += "<d>";
  for (int i = 0; i < 200000; ++i) deep += "</d>";
  XmlMemoryStream deep_in(deep);
  counter.Parse(deep_in);
  EXPECT_EQ(counter.begins, 200000);
  EXPECT_EQ(counter.ends, 200000);
  XmlMemoryStream cut(deep.substr(0, deep.size() - 4));
  EXPECT_THROW(counter.Parse(cut), core::Error);
}

}  // namespace
