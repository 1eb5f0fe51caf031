#include "pdf/action.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "pdf/compression_stream.h"
#include "pdf/document.h"
#include "pdf/errors.h"
#include "pdf/format.h"
#include "pdf/page.h"

namespace pdf {

namespace {
std::string Ref(int n) { return std::to_string(n) + " 0 R"; }

std::string ReadWholeFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) throw core::Error("Cannot open file \"" + path + "\"");
  std::string data;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) throw core::Error("Cannot read file \"" + path + "\"");
  return data;
}
}  // namespace

void TPDFChainedAction::Prepare(TPDFDocument& document) {
  TPDFAction::Prepare(document);
  if (Next != nullptr && Next->ObjectNumber <= 0) Next->Prepare(document);
}

void TPDFChainedAction::WriteNext(TPDFDocument& document) {
  if (Next != nullptr) document.WriteLine("/Next " + Ref(Next->ObjectNumber));
}

void TPDFURLAction::SetURL(const std::string& url) {
  if (url.empty()) throw TPDFException("URL cannot be empty");
  url_ = url;
}

void TPDFURLAction::Save(TPDFDocument& doc) {
  doc.BeginObject(ObjectNumber);
  doc.WriteLine("/S /URI /URI (" + EscapeLiteral(doc.EncryptString(url_, ObjectNumber)) + ")");
  WriteNext(doc);
  doc.EndDictionary();
  doc.EndObject();
}

TPDFInteractive::TPDFInteractive(TPDFDocument& document)
    : document_(document),
      outlines_(std::make_unique<TPDFOutlines>(document)),
      form_(std::make_unique<TPDFAcroForm>(document)) {}

TPDFInteractive::~TPDFInteractive() = default;

TPDFRadioGroup* TPDFInteractive::RadioGroup(const std::string& name) {
  for (auto& g : radio_groups_)
    if (g->Name == name) return g.get();
  radio_groups_.push_back(std::make_unique<TPDFRadioGroup>(document_, name));
  return radio_groups_.back().get();
}

void TPDFInteractive::AddJSFunction(const std::string& name, const std::string& params, const std::string& body) {
  js_.push_back(TPDFJSFunction{0, name, params, body});
}

void TPDFInteractive::AddNamedDest(const std::string& name, int page_index, int top) {
  dests_.push_back(TNamedDestRecord{name, page_index, top, 0});
}

void TPDFInteractive::AddEmbeddedFile(const std::string& name, const std::string& path) {
  files_.push_back(TEmbedFileRecord{name, path, 0});
}

void TPDFInteractive::Clear() {
  outlines_->Clear();
  form_->Clear();
  radio_groups_.clear();
  js_.clear();
  dests_.clear();
  files_.clear();
  OpenAction = nullptr;
  dest_tree_ = file_tree_ = names_ = js_tree_ = 0;
}

void TPDFInteractive::WriteBeforeCatalog() {
  outlines_->Save();
  for (auto& g : radio_groups_) {
    form_->RadioGroups.push_back(g.get());
    g->Save();
  }
  if (!form_->IsEmpty()) {
    form_->ObjectNumber = document_.NewObjectNumber();
    form_->Save();
  }
  WriteNamedDests();
  WriteEmbeddedFiles();
}

void TPDFInteractive::WriteCatalogEntries() {
  TPDFDocument& doc = document_;
  if (OpenAction != nullptr) doc.WriteLine("/OpenAction " + Ref(OpenAction->ObjectNumber));
  if (outlines_->Count() > 0) doc.WriteLine("/Outlines " + Ref(outlines_->ObjectNumber));
  if (!form_->IsEmpty()) doc.WriteLine("/AcroForm " + Ref(form_->ObjectNumber));
  if (!dests_.empty() || !js_.empty() || !files_.empty()) {
    names_ = doc.NewObjectNumber();
    doc.WriteLine("/Names " + Ref(names_));
  }
}

void TPDFInteractive::WriteAfterCatalog() {
  if (names_ == 0) return;
  TPDFDocument& doc = document_;
  doc.BeginObject(names_);
  if (dest_tree_ != 0) doc.WriteLine("/Dests " + Ref(dest_tree_));
  if (!js_.empty()) {
    js_tree_ = doc.NewObjectNumber();
    doc.WriteLine("/JavaScript " + Ref(js_tree_));
  }
  if (file_tree_ != 0) doc.WriteLine("/EmbeddedFiles " + Ref(file_tree_));
  doc.EndDictionary();
  doc.EndObject();
  if (js_.empty()) return;
  for (auto& f : js_) f.ObjectNumber = doc.NewObjectNumber();
  doc.BeginObject(js_tree_);
  std::string names = "/Names [";
  for (const auto& f : js_)
    names += " (" + EscapeLiteral(doc.EncryptString(f.Name, js_tree_)) + ") " + Ref(f.ObjectNumber);
  doc.WriteLine(names + "]");
  doc.EndDictionary();
  doc.EndObject();
  for (auto& f : js_) {
    doc.BeginObject(f.ObjectNumber);
    const std::string code = "function " + f.Name + "(" + f.Params + ")" + "{" + f.Body + "}";
    doc.WriteLine("/S /JavaScript /JS (" + EscapeLiteral(doc.EncryptString(code, f.ObjectNumber)) + ")");
    doc.EndDictionary();
    doc.EndObject();
  }
}

void TPDFInteractive::WriteNamedDests() {
  if (dests_.empty()) return;
  TPDFDocument& doc = document_;
  std::stable_sort(dests_.begin(), dests_.end(),
                   [](const TNamedDestRecord& a, const TNamedDestRecord& b) { return a.Name < b.Name; });
  for (const auto& d : dests_)
    if (d.PageIndex < 0 || d.PageIndex >= doc.Pages().Count()) throw TPDFException("Out of range");
  dest_tree_ = doc.NewObjectNumber();
  for (auto& d : dests_) d.ObjectNumber = doc.NewObjectNumber();
  doc.BeginObject(dest_tree_);
  doc.WriteLine("/Limits [ (" + EscapeLiteral(doc.EncryptString(dests_.front().Name, dest_tree_)) + ") ");
  doc.WriteLine(" (" + EscapeLiteral(doc.EncryptString(dests_.back().Name, dest_tree_)) + ") ");
  doc.WriteLine("]");
  std::string names = "/Names [";
  for (const auto& d : dests_)
    names += " (" + EscapeLiteral(doc.EncryptString(d.Name, dest_tree_)) + ") " + Ref(d.ObjectNumber);
  doc.WriteLine(names + "]");
  doc.EndDictionary();
  doc.EndObject();
  for (auto& d : dests_) {
    TPDFPage* page = doc.Pages().Items(d.PageIndex);
    doc.BeginObject(d.ObjectNumber);
    doc.WriteLine("/D [" + Ref(page->ObjectNumber()) + " /FitH " +
                  std::to_string(static_cast<long long>(std::lround(page->ToPointsY(d.Top)))) + "]");
    doc.EndDictionary();
    doc.EndObject();
  }
}

void TPDFInteractive::WriteEmbeddedFiles() {
  if (files_.empty()) return;
  TPDFDocument& doc = document_;
  std::stable_sort(files_.begin(), files_.end(),
                   [](const TEmbedFileRecord& a, const TEmbedFileRecord& b) { return a.Name < b.Name; });
  file_tree_ = doc.NewObjectNumber();
  for (auto& f : files_) f.ObjectNumber = doc.NewObjectNumber();
  doc.BeginObject(file_tree_);
  std::string names = "/Names [";
  for (const auto& f : files_)
    names += " (" + EscapeLiteral(doc.EncryptString(f.Name, file_tree_)) + ") " + Ref(f.ObjectNumber);
  doc.WriteLine(names + "]");
  doc.EndDictionary();
  doc.EndObject();
  for (auto& f : files_) {
    const std::string raw = ReadWholeFile(f.FilePath);
    std::string data = CompressString(raw, TCompressionLevel::clMax);
    int stream = 0;
    doc.BeginObject(stream);
    doc.WriteLine("/Filter /FlateDecode /Length " + std::to_string(data.size()));
    doc.WriteLine("/Params <</Size " + std::to_string(raw.size()) + ">>");
    doc.EndDictionary();
    doc.BeginStreamData();
    doc.EncryptStream(data, stream);
    doc.WriteLine(data, false);
    doc.WriteLine("");
    doc.EndStreamData();
    doc.EndObject();
    std::string base = f.FilePath;
    const auto slash = base.find_last_of("/\\");
    if (slash != std::string::npos) base = base.substr(slash + 1);
    doc.BeginObject(f.ObjectNumber);
    doc.WriteLine("/Type /Filespec /F (" + EscapeLiteral(doc.EncryptString(base, f.ObjectNumber)) + ")");
    doc.WriteLine("/EF <</F " + Ref(stream) + " >>");
    doc.EndDictionary();
    doc.EndObject();
  }
}

}  // namespace pdf
