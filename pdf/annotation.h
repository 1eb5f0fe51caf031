// Page annotations: the common box, flags, border and colour, and link annotations that carry an
// action (the links that text drawn on a page makes of web, FTP and mail addresses).
#pragma once

#include <memory>
#include <string>

#include "pdf/resources.h"

namespace pdf {

class TPDFDocument;
class TPDFPage;

class TPDFAnnotation : public TPDFCustomAnnotation {
 public:
  // Raises TPDFException "Annotation must have TPDFPage as owner" without a page; numbers itself.
  explicit TPDFAnnotation(TPDFPage* page);
  // A box in page units: corners ordered, then points rounded half to even.
  void SetBox(int left, int top, int right, int bottom);
  unsigned FlagBits() const { return Flags & 0x7F; }

  TPDFPage* Page = nullptr;
  int Left = 0, Top = 0, Right = 0, Bottom = 0;  // points
  unsigned Flags = 0;
  std::string Border = "[0 0 1]";
  int Red = 255, Green = 255, Blue = 0;

 protected:
  // The entries every annotation writes after its subtype: border, flags, colour and box.
  void WriteBoxEntries(TPDFDocument& document, bool with_border);
};

class TPDFActionAnnotation : public TPDFAnnotation {
 public:
  using TPDFAnnotation::TPDFAnnotation;
  // Registers the action with the document, which owns it.
  void SetAction(std::unique_ptr<TPDFAction> action);
  void SetAction(TPDFAction* registered) { Action = registered; }
  void Save(TPDFDocument& document) override;
  TPDFAction* Action = nullptr;
};

// A link to a URL over a box in page units. Raises "Cannot create URL to watermark" on a form page
// and "URL cannot be empty" (the annotation and its action stay then).
TPDFActionAnnotation* AddURLLink(TPDFPage& page, int left, int top, int right, int bottom, const std::string& url);

}  // namespace pdf
