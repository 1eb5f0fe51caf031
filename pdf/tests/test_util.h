// Helpers shared by the PDF writer's tests: a memory-built document, a standard-font test double,
// running outside tools and reading back what was written.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

struct CommandResult {
  int status = -1;
  std::string output;
};

// Runs a shell command and returns its exit status and standard output (stderr joined when asked).
inline CommandResult RunTool(const std::string& command, bool with_stderr = true) {
  CommandResult r;
  const std::string full = command + (with_stderr ? " 2>&1" : " 2>/dev/null");
  std::FILE* p = popen(full.c_str(), "r");
  if (p == nullptr) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

inline bool HaveTool(const std::string& name) {
  return RunTool("command -v " + name + " >/dev/null", false).status == 0;
}

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'')
      q += "'\\''";
    else
      q.push_back(c);
  }
  return q + "'";
}

inline std::string ReadFile(const std::filesystem::path& p) {
  std::string out;
  std::FILE* f = std::fopen(p.c_str(), "rb");
  if (f == nullptr) return out;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

// A fresh folder under the system's temporary folder, removed when the object goes.
class TempDir {
public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "thc_pdf_XXXXXX").string();
    char* made = mkdtemp(tmpl.data());
    path_ = made != nullptr ? std::filesystem::path(made) : std::filesystem::temp_directory_path();
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
  std::filesystem::path path_;
};

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
