// Actions, the document's interactive parts and its name trees: URI actions, document-level
// JavaScript, named destinations, embedded files and the open action, with the outline tree and the
// form (outline.h, form.h) that the document writes at its end.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pdf/form.h"
#include "pdf/outline.h"
#include "pdf/resources.h"

namespace pdf {

class TPDFDocument;

// An action that may chain to a next one; the next action must be in the document's action list.
class TPDFChainedAction : public TPDFAction {
 public:
  void Prepare(TPDFDocument& document) override;
  TPDFAction* Next = nullptr;

 protected:
  void WriteNext(TPDFDocument& document);
};

class TPDFURLAction : public TPDFChainedAction {
 public:
  // Raises TPDFException "URL cannot be empty".
  void SetURL(const std::string& url);
  const std::string& URL() const { return url_; }
  void Save(TPDFDocument& document) override;

 private:
  std::string url_;
};

// A document-level JavaScript function.
struct TPDFJSFunction {
  int ObjectNumber = 0;
  std::string Name;
  std::string Params;
  std::string Body;
};

struct TNamedDestRecord {
  std::string Name;
  int PageIndex = 0;
  int Top = 0;  // page units
  int ObjectNumber = 0;
};

struct TEmbedFileRecord {
  std::string Name;
  std::string FilePath;
  int ObjectNumber = 0;
};

// Everything of the document's end that is not pages, fonts or images.
class TPDFInteractive {
 public:
  explicit TPDFInteractive(TPDFDocument& document);
  ~TPDFInteractive();

  TPDFOutlines& Outlines() { return *outlines_; }
  TPDFAcroForm& AcroForm() { return *form_; }
  std::vector<std::unique_ptr<TPDFRadioGroup>>& RadioGroups() { return radio_groups_; }
  // Finds the radio group of the name, or makes it.
  TPDFRadioGroup* RadioGroup(const std::string& name);
  std::vector<TPDFJSFunction>& JSFunctions() { return js_; }
  std::vector<TNamedDestRecord>& NamedDests() { return dests_; }
  std::vector<TEmbedFileRecord>& EmbeddedFiles() { return files_; }
  TPDFAction* OpenAction = nullptr;

  void AddJSFunction(const std::string& name, const std::string& params, const std::string& body);
  void AddNamedDest(const std::string& name, int page_index, int top);
  void AddEmbeddedFile(const std::string& name, const std::string& path);

  // Empties every list (BeginDoc, EndDoc, Abort).
  void Clear();
  // The outline tree, the radio groups and the form, the named destinations and the embedded files.
  void WriteBeforeCatalog();
  // The catalog's entries for them (the names dictionary is numbered here).
  void WriteCatalogEntries();
  // The names dictionary and the JavaScript objects.
  void WriteAfterCatalog();

 private:
  void WriteNamedDests();
  void WriteEmbeddedFiles();

  TPDFDocument& document_;
  std::unique_ptr<TPDFOutlines> outlines_;
  std::unique_ptr<TPDFAcroForm> form_;
  std::vector<std::unique_ptr<TPDFRadioGroup>> radio_groups_;
  std::vector<TPDFJSFunction> js_;
  std::vector<TNamedDestRecord> dests_;
  std::vector<TEmbedFileRecord> files_;
  int dest_tree_ = 0;
  int file_tree_ = 0;
  int names_ = 0;
  int js_tree_ = 0;
};

}  // namespace pdf
