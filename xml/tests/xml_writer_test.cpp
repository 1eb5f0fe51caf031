#include "xml/xml_writer.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/error.h"
#include "xml/xml_reader.h"

namespace {

using namespace ooxml;

std::string WriteDoc(const std::function<void(TXpgWriteXML&)>& body) {
  XmlMemoryStream out;
  TXpgWriteXML w;
  w.BeginDocument(out);
  body(w);
  const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r";
  EXPECT_EQ(out.Data().substr(0, decl.size()), decl);
  return out.Data().substr(decl.size());
}

TEST(XmlWriter, OutputFormsByteForByte) {
  struct Case {
    const char* what;
    std::function<void(TXpgWriteXML&)> body;
    std::string expected;
  } cases[] = {
      {"start and end", [](TXpgWriteXML& w) { w.WriteTagStart(u"a"); w.WriteTagEnd(); }, "<a>\r</a>\r"},
      {"start with attributes",
       [](TXpgWriteXML& w) {
         w.AddAttribute(u"x", u"1");
         w.AddAttribute(u"r:id", u"rId2");
         w.WriteTagStart(u"a");
         w.WriteTagEnd();
       },
       "<a x=\"1\" r:id=\"rId2\" >\r</a>\r"},
      {"empty element", [](TXpgWriteXML& w) { w.WriteTag(u"b"); }, "<b/>\r"},
      {"escaped attribute", [](TXpgWriteXML& w) { w.AddAttribute(u"val", u"a<b"); w.WriteTag(u"x"); },
       "<x val=\"a&lt;b\" />\r"},
      {"pending text", [](TXpgWriteXML& w) { w.Text = u"1 & 2"; w.WriteTag(u"v"); }, "<v>1 &amp; 2</v>\r"},
      {"text with attributes", [](TXpgWriteXML& w) { w.AddAttribute(u"t", u"s"); w.WriteTagText(u"c", u"'\"><"); },
       "<c t=\"s\" >&apos;&quot;&gt;&lt;</c>\r"},
      {"empty content", [](TXpgWriteXML& w) { w.WriteTagText(u"t", u""); }, "<t></t>\r"},
      {"text at the end tag",
       [](TXpgWriteXML& w) {
         w.WriteTagStart(u"si");
         w.Text = u"x";
         w.WriteTagEnd();
       },
       "<si>\rx</si>\r"},
      {"empty tag keeps the buffer",
       [](TXpgWriteXML& w) {
         w.AddAttribute(u"a", u"1");
         w.WriteTagEmpty(u"b");
         w.WriteTag(u"c");
       },
       "<b/>\r<c a=\"1\" />\r"},
      {"raw attributes",
       [](TXpgWriteXML& w) {
         w.AddAttributesRaw(u"xmlns=\"urn:x\" \r\n");
         w.WriteTagStart(u"root");
         w.WriteTagEnd();
       },
       "<root xmlns=\"urn:x\" \r\n>\r</root>\r"},
      {"nested", [](TXpgWriteXML& w) {
         w.WriteTagStart(u"a");
         w.WriteTagStart(u"b");
         w.WriteTag(u"c");
         w.WriteTagEnd();
         w.WriteTagEnd();
       },
       "<a>\r<b>\r<c/>\r</b>\r</a>\r"},
  };
  for (const Case& c : cases) EXPECT_EQ(WriteDoc(c.body), c.expected) << c.what;
}

TEST(XmlWriter, EncodesUtf8AndEscapesWhatXmlCannotHold) {
  EXPECT_EQ(WriteDoc([](TXpgWriteXML& w) { w.WriteTagText(u"t", u"\u00E9\U0001F600\u4E2D"); }),
            "<t>\xC3\xA9\xF0\x9F\x98\x80\xE4\xB8\xAD</t>\r");
  // Control characters become _xHHHH_; CR survives as a reference; TAB and LF stay in text.
  EXPECT_EQ(WriteDoc([](TXpgWriteXML& w) { w.WriteTagText(u"t", u"a\x01" u"b\tc\nd\re\xD800"); }),
            "<t>a_x0001_b\tc\nd&#13;e_xD800_</t>\r");
  // In attribute values TAB, LF and CR are references, or a conforming reader turns them into blanks.
  EXPECT_EQ(WriteDoc([](TXpgWriteXML& w) { w.AddAttribute(u"v", u"a\tb\nc\rd\x1F"); w.WriteTag(u"x"); }),
            "<x v=\"a&#9;b&#10;c&#13;d_x001F_\" />\r");
}

TEST(XmlWriter, AttributeBufferLimit) {
  XmlMemoryStream out;
  TXpgWriteXML w;
  w.BeginDocument(out);
  // name "a", '="', value, '" ': 5 bytes of markup.
  w.AddAttribute(u"a", std::u16string(32766 - 5, u'x'));
  EXPECT_EQ(w.AttributeBytes(), 32766u);
  try {
    w.AddAttribute(u"b", u"");
    FAIL() << "no overflow";
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Write XML buffer owerflow");
  }
  EXPECT_EQ(w.AttributeBytes(), 32766u);  // the rejected attribute left nothing behind
  w.WriteTag(u"x");
  EXPECT_EQ(w.AttributeBytes(), 0u);
  EXPECT_THROW(w.AddAttributesRaw(std::u16string(40000, u' ')), core::Error);
  EXPECT_EQ(w.AttributeBytes(), 0u);
}

TEST(XmlWriter, LongTextIsWrittenWhole) {
  // 32,767 CJK characters: about 98 KB of UTF-8, far beyond the attribute buffer.
  std::u16string text(32767, u'\u6C49');
  XmlMemoryStream out;
  TXpgWriteXML w;
  w.BeginDocument(out);
  w.WriteTagStart(u"si");
  w.Text = text;
  w.WriteTag(u"t");
  w.WriteTagEnd();

  struct Collect : TXpgReadXML {
    std::u16string t;
    void BeginTag() override {
      if (RawQualifiedName() == "t") t = GetText();
    }
  } reader;
  out.SetPosition(0);
  reader.Parse(out);
  EXPECT_EQ(reader.t, text);
}

TEST(XmlWriter, EndWithoutStartRaises) {
  TXpgWriteXML w;
  XmlMemoryStream out;
  w.BeginDocument(out);
  try {
    w.WriteTagEnd();
    FAIL();
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Empty stack");
  }
  TXpgStrStack stack;
  stack.Push("a");
  EXPECT_EQ(stack.Pop(), "a");
  EXPECT_THROW(stack.Pop(), core::Error);
}

TEST(XmlWriter, OneWriterServesDocumentsInTurn) {
  TXpgWriteXML w;
  XmlMemoryStream first, second;
  w.BeginDocument(first);
  w.WriteTag(u"a");
  w.BeginDocument(second);
  w.WriteTag(u"b");
  EXPECT_NE(first.Data().find("<a/>"), std::string::npos);
  EXPECT_EQ(second.Data().find("<a/>"), std::string::npos);
  EXPECT_NE(second.Data().find("<b/>"), std::string::npos);
}

}  // namespace
