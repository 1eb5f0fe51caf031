// Helpers shared by the PDF writer's tests: a memory-built document, a standard-font test double,
// running outside tools (core::testing's) and reading back what was written.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "pdf/document.h"
#include "pdf/page.h"

namespace pdf::test {

// Helvetica with WinAnsi encoding: enough font to put extractable text on a page.
class HelveticaFont : public TPDFFont {
public:
  HelveticaFont() { ResourceName = "F0"; }
  void Save(TPDFDocument& doc) override {
    if (!Referenced) return;
    doc.BeginObject(ObjectNumber);
    doc.WriteLine("/Type /Font");
    doc.WriteLine("/Subtype /Type1");
    doc.WriteLine("/BaseFont /Helvetica");
    doc.WriteLine("/Encoding /WinAnsiEncoding");
    doc.EndDictionary();
    doc.EndObject();
  }
};

// An image test double: a 1x1 pixel written as a real image object.
class PixelImage : public TPDFImage {
public:
  explicit PixelImage(bool gray) { Grayscale = gray; }
  void Save(TPDFDocument& doc) override {
    if (Written) return;
    doc.BeginObject(ObjectNumber);
    doc.WriteLine("/Type /XObject");
    doc.WriteLine("/Subtype /Image");
    doc.WriteLine(Grayscale ? "/ColorSpace /DeviceGray" : "/ColorSpace /DeviceRGB");
    doc.WriteLine("/BitsPerComponent 8");
    doc.WriteLine("/Width 1");
    doc.WriteLine("/Height 1");
    std::string data = Grayscale ? std::string(1, '\x80') : std::string("\xFF\x00\x00", 3);
    doc.WriteLine("/Length " + std::to_string(data.size()));
    doc.EndDictionary();
    doc.BeginStreamData();
    doc.EncryptStream(data, ObjectNumber);
    doc.WriteLine(data, false);
    doc.EndStreamData();
    doc.EndObject();
    Written = true;
  }
};

// Puts Text at (x, y) points on the current page in Helvetica at the given size.
inline void PutText(TPDFDocument& doc, const std::string& text, double x, double y, double size = 12) {
  TPDFFont* font = nullptr;
  for (int i = 0; i < doc.Fonts().Count(); ++i) font = doc.Fonts().Items(i);
  if (font == nullptr) font = doc.Fonts().Add(std::make_unique<HelveticaFont>());
  TPDFPage* page = doc.CurrentPage;
  font->Referenced = true;
  page->AddFont(font);
  page->UsesText = true;
  page->BeginText();
  page->AppendOperator("/F0 1 Tf");
  page->AppendOperator(FormatReal(size) + " 0 0 " + FormatReal(size) + " " + FormatReal(x) + " " +
                       FormatReal(y) + " Tm");
  page->AppendOperator("(" + EscapeLiteral(text) + ") Tj");
}

using CommandResult = core::testing::ToolRun;

// Runs a shell command and returns its exit status and standard output (stderr joined when asked,
// discarded otherwise).
inline CommandResult RunTool(const std::string& command, bool with_stderr = true) {
  using core::testing::Stderr;
  return core::testing::RunTool(command, with_stderr ? Stderr::kJoined : Stderr::kDiscarded);
}

using core::testing::HaveTool;
using core::testing::ReadFile;
using core::testing::TempDir;

inline std::string Quote(const std::string& s) { return core::testing::Quoted(s); }

// Undoes the escapes of a literal string's body.
inline std::string UnescapeLiteral(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out.push_back(s[i]);
      continue;
    }
    const char c = s[++i];
    switch (c) {
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      default: out.push_back(c);
    }
  }
  return out;
}

// Splits written bytes into CR LF terminated lines.
inline std::vector<std::string> Lines(std::string_view s) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < s.size()) {
    const auto p = s.find("\r\n", start);
    if (p == std::string_view::npos) {
      out.emplace_back(s.substr(start));
      break;
    }
    out.emplace_back(s.substr(start, p - start));
    start = p + 2;
  }
  return out;
}

}  // namespace pdf::test
