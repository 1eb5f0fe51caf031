#include "ooxml/spreadsheetml/sml_document.h"

namespace ooxml::sml {

namespace {

// The element name of each of the root's objects, in the order the root creates them.
template <class F>
void ForEachElement(T__ROOT__& root, F f) {
  f(u"styleSheet", root.styleSheet.get());
  f(u"sst", root.sst.get());
  f(u"workbook", root.workbook.get());
  f(u"comments", root.comments.get());
  f(u"table", root.table.get());
  f(u"chartsheet", root.chartsheet.get());
  f(u"dialogsheet", root.dialogsheet.get());
  f(u"worksheet", root.worksheet.get());
}

}  // namespace

// Only the object asked for is recomputed; without a request, the document element a load read is
// saved (and asked for from then on).
int T__ROOT__::CheckAssigned() {
  FAssigned = 0;
  if (!RootClass)
    ForEachElement(*this, [&](std::u16string_view, TXPGBase* o) {
      if (!RootClass && o->WasRead()) RootClass = o;
    });
  Saving = RootClass;
  if (!Saving) return 0;
  const int n = Saving->CheckAssigned();
  if (n > 0) FAssigned = xaElements;
  return n;
}

// An object that holds nothing is not written: nothing follows the declaration, and the kept
// attributes are not left pending in the writer.
void T__ROOT__::WriteElements(TXpgWriteXML& writer) {
  if (!Saving || !Saving->Assigned()) return;
  ForEachElement(*this, [&](std::u16string_view name, TXPGBase* o) {
    if (o != Saving) return;
    WriteRootAttributes(writer);
    XpgWriteElement(writer, name, *o);
  });
}

void SavePart(TXPGDocXLSX& doc, XmlStream& stream, TXPGBase& root) {
  doc.Root().RootClass = &root;
  doc.SaveToStream(stream);
}

}  // namespace ooxml::sml
