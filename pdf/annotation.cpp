#include "pdf/annotation.h"

#include <cmath>

#include "pdf/action.h"
#include "pdf/document.h"
#include "pdf/errors.h"
#include "pdf/format.h"
#include "pdf/page.h"

namespace pdf {

namespace {
// Rounds to the nearest integer, halves to the even neighbour.
int RoundEven(double v) {
  const double f = std::floor(v);
  const double d = v - f;
  if (d > 0.5) return static_cast<int>(f) + 1;
  if (d < 0.5) return static_cast<int>(f);
  return static_cast<int>(std::fmod(f, 2.0) == 0 ? f : f + 1);
}
}  // namespace

TPDFAnnotation::TPDFAnnotation(TPDFPage* page) : Page(page) {
  if (page == nullptr) throw TPDFException("Annotation must have TPDFPage as owner");
  ObjectNumber = page->Document().NewObjectNumber();
}

void TPDFAnnotation::SetBox(int left, int top, int right, int bottom) {
  OrderIntRect(left, top, right, bottom);
  Left = RoundEven(Page->ToPointsX(left));
  Top = RoundEven(Page->ToPointsY(top));
  Bottom = RoundEven(Page->ToPointsY(bottom));
  Right = RoundEven(Page->ToPointsX(right));
}

void TPDFAnnotation::WriteBoxEntries(TPDFDocument& doc, bool with_border) {
  if (with_border) doc.WriteLine("/Border " + Border);
  doc.WriteLine("/F " + std::to_string(FlagBits()));
  doc.WriteLine("/C [" + FormatReal(Red / 255.0) + " " + FormatReal(Green / 255.0) + " " + FormatReal(Blue / 255.0) +
                " ]");
  doc.WriteLine("/Rect [" + std::to_string(Left) + " " + std::to_string(Bottom) + " " + std::to_string(Right) + " " +
                std::to_string(Top) + "]");
}

void TPDFActionAnnotation::SetAction(std::unique_ptr<TPDFAction> action) {
  Action = Page->Document().AddAction(std::move(action));
}

void TPDFActionAnnotation::Save(TPDFDocument& doc) {
  doc.BeginObject(ObjectNumber);
  doc.WriteLine("/Type /Annot");
  doc.WriteLine("/Subtype /Link");
  WriteBoxEntries(doc, true);
  if (Action != nullptr) doc.WriteLine("/A " + std::to_string(Action->ObjectNumber) + " 0 R");
  doc.EndDictionary();
  doc.EndObject();
}

TPDFActionAnnotation* AddURLLink(TPDFPage& page, int left, int top, int right, int bottom, const std::string& url) {
  if (page.IsFormPage) throw TPDFException("Cannot create URL to watermark");
  auto owned = std::make_unique<TPDFActionAnnotation>(&page);
  TPDFActionAnnotation* link = owned.get();
  page.AddAnnotation(std::move(owned));
  link->SetBox(left, top, right, bottom);
  link->SetAction(std::make_unique<TPDFURLAction>());
  static_cast<TPDFURLAction*>(link->Action)->SetURL(url);
  link->Border = "[]";
  return link;
}

}  // namespace pdf
