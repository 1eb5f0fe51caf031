// What the writer produces is well-formed for outside validators (xmllint) and reads back through
// expat as the text that went in, with the characters XML cannot hold spelled as _xHHHH_.
#include <expat.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include <unistd.h>

#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "core/unicode.h"
#include "xml/simple_dom.h"
#include "xml/xml_writer.h"

namespace {

using namespace ooxml;

std::u16string RandomText(std::mt19937& rng) {
  static const char16_t kPool[] = {u'a',    u'Z',    u'0',    u' ',    u'&',    u'<',    u'>',    u'"',
                                   u'\'',   u'\t',   u'\r',   u'\n',   0x01,    0x08,    0x0B,    0x1F,
                                   0x7F,    0xE9,    0x4E2D,  0xFFFD,  0xFFFE,  0xFFFF,  0xD800,  0xDC00,
                                   u'_',    u'x',    u';',    u'#',    u']',    0x2028};
  std::u16string s;
  std::size_t n = rng() % 40;
  for (std::size_t i = 0; i < n; ++i) {
    if (rng() % 8 == 0) {
      s += static_cast<char16_t>(0xD83D);  // a well-formed pair
      s += static_cast<char16_t>(0xDE00 + rng() % 64);
    } else {
      s += kPool[rng() % (sizeof kPool / sizeof kPool[0])];
    }
  }
  return s;
}

// What a conforming reader must see: the text with every unit XML cannot hold as _xHHHH_.
std::string Expected(const std::u16string& s) {
  std::u16string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF;
    if (pair) {
      out += c;
      out += s[++i];
      continue;
    }
    bool bad = (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF ||
               (c >= 0xD800 && c <= 0xDFFF);
    if (bad) {
      static const char16_t hex[] = u"0123456789ABCDEF";
      out += u"_x";
      for (int shift = 12; shift >= 0; shift -= 4) out += hex[(c >> shift) & 15];
      out += u'_';
    } else {
      out += c;
    }
  }
  return core::u8(out);
}

struct Collected {
  std::vector<std::string> values, texts;
  std::string current;
  bool in_t = false;
  static void Start(void* self, const char* name, const char** atts) {
    auto* c = static_cast<Collected*>(self);
    for (int i = 0; atts[i]; i += 2) c->values.emplace_back(atts[i + 1]);
    c->in_t = std::string(name) == "t";
    c->current.clear();
  }
  static void End(void* self, const char* name) {
    auto* c = static_cast<Collected*>(self);
    if (std::string(name) == "t") c->texts.push_back(c->current);
    c->in_t = false;
  }
  static void Chars(void* self, const char* s, int len) {
    auto* c = static_cast<Collected*>(self);
    if (c->in_t) c->current.append(s, static_cast<std::size_t>(len));
  }
};

TEST(XmlWriterInterop, RandomTextReadsBackThroughExpatAndPassesXmllint) {
  std::mt19937 rng(2026);
  const core::testing::TempDir scratch("thc_xml_writer");
  const std::filesystem::path& dir = scratch.path();
  std::string files;
  for (int doc = 0; doc < 40; ++doc) {
    XmlMemoryStream out;
    TXpgWriteXML w;
    w.BeginDocument(out);
    std::vector<std::u16string> values, texts;
    w.AddAttribute(u"xmlns", u"urn:thconsole:test");
    w.WriteTagStart(u"root");
    for (int i = 0; i < 25; ++i) {
      values.push_back(RandomText(rng));
      texts.push_back(RandomText(rng));
      w.AddAttribute(u"v", values.back());
      switch (i % 3) {
        case 0: w.Text = texts.back(); w.WriteTag(u"t"); break;
        case 1: w.WriteTagText(u"t", texts.back()); break;
        default: w.WriteTagStart(u"t"); w.Text = texts.back(); w.WriteTagEnd(); break;
      }
    }
    w.WriteTagEnd();

    Collected got;
    XML_Parser p = XML_ParserCreate(nullptr);
    XML_SetUserData(p, &got);
    XML_SetElementHandler(p, Collected::Start, Collected::End);
    XML_SetCharacterDataHandler(p, Collected::Chars);
    ASSERT_NE(XML_Parse(p, out.Data().data(), static_cast<int>(out.Data().size()), 1), XML_STATUS_ERROR)
        << XML_ErrorString(XML_GetErrorCode(p)) << "\n" << out.Data();
    XML_ParserFree(p);
    ASSERT_EQ(got.values.size(), values.size() + 1);
    ASSERT_EQ(got.texts.size(), texts.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      EXPECT_EQ(got.values[i + 1], Expected(values[i]));
      // Text written by the end tag follows the CR of its start tag, which XML reads as LF.
      EXPECT_EQ(got.texts[i], (i % 3 == 2 ? "\n" : "") + Expected(texts[i]));
    }
    std::filesystem::path file = dir / ("doc" + std::to_string(doc) + ".xml");
    std::ofstream(file, std::ios::binary) << out.Data();
    files += " " + file.string();
  }
  // A DOM saved with awkward names, values and texts.
  TXpgSimpleDOM dom;
  dom.LoadFromString(u"<v:shape xmlns:v=\"urn:v\" id=\"a&amp;b\"><x:ClientData xmlns:x=\"urn:x\">t</x:ClientData></v:shape>");
  dom.Root()->GetItem(0)->AddChild(u"note")->Text = u"\x01 <&> \xD800";
  XmlMemoryStream dom_out;
  dom.SaveToStream(dom_out);
  std::ofstream(dir / "dom.xml", std::ios::binary) << dom_out.Data();
  files += " " + (dir / "dom.xml").string();

  if (!core::testing::Succeeds("xmllint --version")) GTEST_SKIP() << "xmllint not installed";
  const core::testing::ToolRun run = core::testing::RunTool("xmllint --noout" + files);
  EXPECT_EQ(run.status, 0) << run.output;
}

}  // namespace
