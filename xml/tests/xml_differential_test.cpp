// The reader against expat on a corpus of parts written by other producers and by hand. Differences
// that XML itself prescribes and the reader leaves to its callers are masked on the reader's side:
// line ends in text are normalised (CR LF and CR to LF) and TAB, CR and LF in attribute values become
// blanks. Text is compared where the reader reports it: from a start tag to the next markup.
#include <expat.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <fstream>
#include <sstream>

#include "core/unicode.h"
#include "xml/xml_reader.h"

namespace {

using namespace ooxml;
using Events = std::vector<std::string>;

std::string NormaliseLineEnds(std::string_view raw) {
  std::string out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r') {
      out += '\n';
      if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
    } else {
      out += raw[i];
    }
  }
  return out;
}

std::string NormaliseAttribute(std::string_view raw) {
  std::string out = NormaliseLineEnds(raw);
  for (char& c : out)
    if (c == '\t' || c == '\n') c = ' ';
  return out;
}

class ReaderLog : public TXpgReadXML {
public:
  Events events;
  void BeginTag() override {
    std::string e = "<" + std::string(RawQualifiedName());
    for (int i = 0; i < Attributes.GetCount(); ++i) {
      e += " " + core::u8(Attributes.GetName(i)) + "=" + core::u8(XmlDecodeSpan(NormaliseAttribute(Attributes.RawValue(i))));
      // What callers get is the decoded raw value itself.
      EXPECT_EQ(Attributes.GetValue(i), XmlDecodeSpan(Attributes.RawValue(i)));
    }
    if (HasText()) {
      e += "|" + core::u8(XmlDecodeSpan(NormaliseLineEnds(RawText())));
      EXPECT_EQ(GetText(), XmlDecodeSpan(RawText()));
    }
    events.push_back(e);
  }
  void EndTag() override { events.push_back("/" + std::string(RawQualifiedName())); }
  void Comment() override { events.push_back("!" + core::u8(GetComment())); }
  void ProcessingInstruction() override {
    TXpgReadXML::ProcessingInstruction();
    events.push_back("?" + std::string(RawQualifiedName()));
  }
};

struct ExpatLog {
  Events events;
  std::string text;
  bool after_start = false;

  void Flush() {
    if (after_start && !text.empty()) events.back() += "|" + text;
    text.clear();
    after_start = false;
  }
  static void Start(void* self, const XML_Char* name, const XML_Char** atts) {
    auto* log = static_cast<ExpatLog*>(self);
    log->Flush();
    std::string e = std::string("<") + name;
    for (int i = 0; atts[i]; i += 2) e += std::string(" ") + atts[i] + "=" + atts[i + 1];
    log->events.push_back(e);
    log->after_start = true;
  }
  static void End(void* self, const XML_Char* name) {
    auto* log = static_cast<ExpatLog*>(self);
    log->Flush();
    log->events.push_back(std::string("/") + name);
  }
  static void Chars(void* self, const XML_Char* s, int len) {
    auto* log = static_cast<ExpatLog*>(self);
    if (log->after_start) log->text.append(s, static_cast<std::size_t>(len));
  }
  static void Comment(void* self, const XML_Char* data) {
    auto* log = static_cast<ExpatLog*>(self);
    log->Flush();
    log->events.push_back(std::string("!") + data);
  }
  static void PI(void* self, const XML_Char* target, const XML_Char*) {
    auto* log = static_cast<ExpatLog*>(self);
    log->Flush();
    log->events.push_back(std::string("?") + target);
  }
  static void Decl(void* self, const XML_Char*, const XML_Char*, int) {
    static_cast<ExpatLog*>(self)->events.push_back("?xml");
  }
};

Events WithExpat(const std::string& xml, std::string& error) {
  ExpatLog log;
  XML_Parser p = XML_ParserCreate(nullptr);
  XML_SetUserData(p, &log);
  XML_SetElementHandler(p, ExpatLog::Start, ExpatLog::End);
  XML_SetCharacterDataHandler(p, ExpatLog::Chars);
  XML_SetCommentHandler(p, ExpatLog::Comment);
  XML_SetProcessingInstructionHandler(p, ExpatLog::PI);
  XML_SetXmlDeclHandler(p, ExpatLog::Decl);
  if (XML_Parse(p, xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_ERROR)
    error = XML_ErrorString(XML_GetErrorCode(p));
  XML_ParserFree(p);
  return log.events;
}

Events WithReader(const std::string& xml, std::size_t buffer) {
  ReaderLog log;
  log.SetInitialBufferSize(buffer);
  XmlMemoryStream in(xml);
  log.Parse(in);
  return log.events;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

TEST(XmlDifferential, CorpusEventsMatchExpat) {
  const std::filesystem::path dir = "tests/corpus/diff";
  ASSERT_TRUE(std::filesystem::is_directory(dir)) << std::filesystem::absolute(dir);
  std::set<std::string> producers;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    const std::string xml = ReadFile(entry.path());
    std::string error;
    Events expected = WithExpat(xml, error);
    ASSERT_EQ(error, "") << name << " is not well-formed for the oracle";
    ASSERT_FALSE(expected.empty()) << name;
    EXPECT_EQ(WithReader(xml, 65536), expected) << name;
    EXPECT_EQ(WithReader(xml, 61), expected) << name << " (small buffer)";
    producers.insert(name.substr(0, name.find("__")));
    ++files;
  }
  EXPECT_GE(files, 20);
  EXPECT_TRUE(producers.count("hand"));
  EXPECT_TRUE(producers.count("openpyxl"));
}

}  // namespace
