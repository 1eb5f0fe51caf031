#include "tools/xls-template/template_builder.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/error.h"
#include "platform/storage/compound_file.h"
#include "io/stream.h"
#include "io/zip_archive.h"

namespace xls_template {

namespace {

[[noreturn]] void Fail(int Line, const std::string& What) {
  throw core::Error("record table line " + std::to_string(Line) + ": " + What);
}

long Number(const std::string& Text, int Line) {
  char* end = nullptr;
  const long v = std::strtol(Text.c_str(), &end, 0);
  if (Text.empty() || *end) Fail(Line, "not a number: " + Text);
  return v;
}

// A quoted text starting at S[At] (the opening quote); At ends after the closing quote.
std::string Quoted(const std::string& S, std::size_t& At, int Line) {
  std::string out;
  for (++At; At < S.size(); ++At) {
    if (S[At] == '"') {
      ++At;
      return out;
    }
    if (S[At] == '\\' && At + 1 < S.size() && (S[At + 1] == '"' || S[At + 1] == '\\')) ++At;
    out.push_back(S[At]);
  }
  Fail(Line, "unterminated text");
}

void Utf16(core::ByteWriter& W, const std::string& Text) {
  for (unsigned char c : Text) W.u16le(c);  // the table's texts are ASCII
}

struct Patch {
  std::size_t At;
  int Sheet;
};

}  // namespace

core::Bytes BuildWorkbookStream(std::string_view Table) {
  core::ByteWriter stream;
  std::vector<Patch> patches;
  std::map<int, std::size_t> sheetStart;
  int sheets = 0;
  bool sheetPending = false;
  int lineNo = 0;
  std::size_t pos = 0;
  while (pos <= Table.size()) {
    std::size_t nl = Table.find('\n', pos);
    if (nl == std::string_view::npos) nl = Table.size();
    const std::string line(Table.substr(pos, nl - pos));
    pos = nl + 1;
    ++lineNo;

    // Split into tokens; '#' outside quotes ends the line.
    std::vector<std::string> tokens;
    std::vector<std::string> texts;  // the text of each quoted token, by token index
    std::size_t i = 0;
    while (i < line.size()) {
      if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
        ++i;
        continue;
      }
      if (line[i] == '#') break;
      std::string tok;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '"') tok.push_back(line[i++]);
      std::string text;
      if (i < line.size() && line[i] == '"') text = Quoted(line, i, lineNo), tok.push_back('"');
      tokens.push_back(tok);
      texts.push_back(text);
    }
    if (tokens.empty()) continue;
    if (tokens[0] == "[sheet]") {
      sheetPending = true;
      continue;
    }

    const long id = std::strtol(tokens[0].c_str(), nullptr, 16);
    if (tokens[0].size() != 4 || id <= 0) Fail(lineNo, "not a record id: " + tokens[0]);
    if (sheetPending) {
      sheetStart[++sheets] = stream.size();
      sheetPending = false;
    }
    core::ByteWriter body;
    for (std::size_t t = 1; t < tokens.size(); ++t) {
      const std::string& tok = tokens[t];
      const std::string& text = texts[t];
      if (tok == "a\"") {
        for (unsigned char c : text) body.u8(c);
      } else if (tok == "u\"") {
        Utf16(body, text);
      } else if (tok == "s8\"") {
        if (text.size() > 255) Fail(lineNo, "text too long for an 8-bit count");
        body.u8(static_cast<std::uint8_t>(text.size()));
        body.u8(1);
        Utf16(body, text);
      } else if (tok == "s16\"") {
        body.u16le(static_cast<std::uint16_t>(text.size()));
        body.u8(1);
        Utf16(body, text);
      } else if (tok.rfind("w:", 0) == 0) {
        body.u16le(static_cast<std::uint16_t>(Number(tok.substr(2), lineNo)));
      } else if (tok.rfind("l:", 0) == 0) {
        body.u32le(static_cast<std::uint32_t>(Number(tok.substr(2), lineNo)));
      } else if (tok.rfind("f:", 0) == 0) {
        char* end = nullptr;
        const double v = std::strtod(tok.c_str() + 2, &end);
        if (*end) Fail(lineNo, "not a number: " + tok);
        std::uint8_t b[8];
        core::store_le_double(b, v);
        body.bytes(b, 8);
      } else if (tok.rfind("pad:", 0) == 0) {
        const std::size_t colon = tok.find(':', 4);
        if (colon == std::string::npos) Fail(lineNo, "pad needs a size and a byte");
        const long size = Number(tok.substr(4, colon - 4), lineNo);
        const long fill = std::strtol(tok.c_str() + colon + 1, nullptr, 16);
        while (static_cast<long>(body.size()) < size) body.u8(static_cast<std::uint8_t>(fill));
      } else if (tok.rfind("sheetpos:", 0) == 0) {
        patches.push_back({stream.size() + 4 + body.size(), static_cast<int>(Number(tok.substr(9), lineNo))});
        body.u32le(0);
      } else if (tok.size() == 2 && std::isxdigit(static_cast<unsigned char>(tok[0])) &&
                 std::isxdigit(static_cast<unsigned char>(tok[1]))) {
        body.u8(static_cast<std::uint8_t>(std::strtol(tok.c_str(), nullptr, 16)));
      } else {
        Fail(lineNo, "unknown token " + tok);
      }
    }
    if (body.size() > 8224) Fail(lineNo, "record body too long");
    stream.u16le(static_cast<std::uint16_t>(id));
    stream.u16le(static_cast<std::uint16_t>(body.size()));
    stream.bytes(body.take());
  }
  core::Bytes out = stream.take();
  for (const Patch& p : patches) {
    auto it = sheetStart.find(p.Sheet);
    if (it == sheetStart.end()) throw core::Error("record table: no sheet " + std::to_string(p.Sheet));
    core::store_le32(out.data() + p.At, static_cast<std::uint32_t>(it->second));
  }
  return out;
}

namespace {

// A property-set stream with one section holding only the code-page property: a 48-byte header
// (byte order, version, system, class id, one set: its format id and offset) and a 24-byte section
// (size, one property: PID_CODEPAGE at offset 16, VT_I2 1252).
core::Bytes PropertySet(const std::uint8_t (&FormatId)[16]) {
  core::Bytes b(72, 0);
  std::uint8_t* p = b.data();
  core::store_le16(p, 0xFFFE);
  core::store_le32(p + 24, 1);
  std::copy(FormatId, FormatId + 16, p + 28);
  core::store_le32(p + 44, 48);
  core::store_le32(p + 48, 24);
  core::store_le32(p + 52, 1);
  core::store_le32(p + 56, 1);
  core::store_le32(p + 60, 16);
  core::store_le16(p + 64, 2);
  core::store_le16(p + 68, 1252);
  return b;
}

constexpr std::uint8_t kSummaryInformation[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                                 0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
constexpr std::uint8_t kDocumentSummaryInformation[16] = {0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                                         0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};

}  // namespace

core::Bytes BuildCompoundFile(const core::Bytes& Workbook) {
  platform::storage::CompoundFile file;
  file.root().create_stream(u"Workbook").data = Workbook;
  file.root().create_stream(u"\x05" u"SummaryInformation").data = PropertySet(kSummaryInformation);
  file.root().create_stream(u"\x05" u"DocumentSummaryInformation").data = PropertySet(kDocumentSummaryInformation);
  return file.serialize();
}

core::Bytes BuildZip(const core::Bytes& File) {
  io::TMemoryStream out;
  {
    io::TXLSZipArchive zip;
    zip.OpenWrite(out);
    io::TMemoryStream source(File);
    zip.AddStream(u"Empty.xls", source);
    zip.Close();
  }
  core::Bytes bytes = out.Bytes();
  // A fixed date (1980-01-01 00:00) in the local header and in the directory entry, so that the
  // archive does not change with the day it is made.
  constexpr std::uint16_t kTime = 0, kDate = (0 << 9) | (1 << 5) | 1;
  if (bytes.size() < 22 || core::load_le32(bytes.data()) != 0x04034B50) throw core::Error("ZIP writer output");
  core::store_le16(bytes.data() + 10, kTime);
  core::store_le16(bytes.data() + 12, kDate);
  const std::size_t end = bytes.size() - 22;
  const std::size_t central = core::load_le32(bytes.data() + end + 16);
  if (core::load_le32(bytes.data() + end) != 0x06054B50 || core::load_le32(bytes.data() + central) != 0x02014B50)
    throw core::Error("ZIP writer output");
  core::store_le16(bytes.data() + central + 12, kTime);
  core::store_le16(bytes.data() + central + 14, kDate);
  return bytes;
}

}  // namespace xls_template
