#include "workbook/comments_data.h"

#include <atomic>
#include <string>

#include "workbook/biff_codecs.h"
#include "workbook/workbook_data.h"

namespace workbook {

namespace {

// Shape numbers are unique over the whole process: notes of several workbooks end up in drawings
// whose shape ids must not repeat.
std::atomic<int> g_shapeCounter{0};

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::u16string NoteShapeTemplate(int Id) {
  return u"<v:shape id=\"vodka_" + Ascii(std::to_string(Id)) +
         u"\" type=\"#_x0000_t202\" style=\"position:absolute;width:120pt;height:59.25pt;visibility:hidden\" "
         u"fillcolor=\"#ffffe1\" o:insetmode=\"auto\">"
         u"  <v:fill color2=\"#ffffe1\"/>"
         u"  <v:shadow on=\"t\" color=\"black\" obscured=\"t\"/>"
         u"  <v:path o:connecttype=\"none\"/>"
         u"  <v:textbox style=\"mso-direction-alt:auto\">"
         u"    <div style=\"text-align:left\"></div>"
         u"  </v:textbox>"
         u"  <x:ClientData ObjectType=\"Note\">"
         u"    <x:MoveWithCells/>"
         u"    <x:SizeWithCells/>"
         u"    <x:AutoFill>False</x:AutoFill>"
         u"    <x:Row>1</x:Row>"
         u"    <x:Column>1</x:Column>"
         u"  </x:ClientData>"
         u"</v:shape>";
}

// A decimal number, 0 for anything else (as the anchor's numbers are read).
std::int64_t ParseAnchorNumber(const std::u16string& S) {
  std::size_t i = 0;
  while (i < S.size() && S[i] == u' ') ++i;
  bool neg = false;
  if (i < S.size() && (S[i] == u'-' || S[i] == u'+')) neg = S[i++] == u'-';
  std::int64_t v = 0;
  std::size_t digits = 0;
  for (; i < S.size() && S[i] >= u'0' && S[i] <= u'9' && digits < 10; ++i, ++digits) v = v * 10 + (S[i] - u'0');
  while (i < S.size() && S[i] == u' ') ++i;
  if (digits == 0 || i != S.size()) return 0;
  return neg ? -v : v;
}

}  // namespace

int Xc12VmlShapeCounter() { return g_shapeCounter.load(); }

bool TXc12Author::Equal(const TXLSStyleObject& Other) const {
  const auto* o = dynamic_cast<const TXc12Author*>(&Other);
  return o && UpperCaseW(Name) == UpperCaseW(o->Name);
}

TXc12Author* TXc12Authors::Find(const std::u16string& Name) const {
  const std::u16string key = UpperCaseW(Name);
  for (int i = 0; i < Count(); ++i) {
    TXc12Author* a = GetItem(i);
    if (a && UpperCaseW(a->Name) == key) return a;
  }
  return nullptr;
}

void TXc12Comment::SetCol(int Value) {
  Col = Value;
  if (FirstCol < 0) FirstCol = Value;
}

void TXc12Comment::SetRow(int Value) {
  Row = Value;
  if (FirstRow < 0) FirstRow = Value;
}

void TXc12Comment::CreateVmlShape() {
  Shape.reset();
  const int id = ++g_shapeCounter;
  ooxml::TXpgSimpleDOM dom;
  dom.LoadFromString(NoteShapeTemplate(id));
  Shape = dom.Root()->Extract(0);
}

void TXc12Comment::UpdateVmlShape() {
  if (!Shape) return;
  ooxml::TXpgDOMNode* data = Shape->Find(u"x:ClientData", false);
  if (!data) return;
  auto num = [](int v) { return Ascii(std::to_string(v)); };
  if (ooxml::TXpgDOMNode* n = data->Find(u"x:Column", false)) n->Text = num(Col);
  if (ooxml::TXpgDOMNode* n = data->Find(u"x:Row", false)) n->Text = num(Row);
  const int dCol = FirstCol < 0 ? 0 : Col - FirstCol;
  const int dRow = FirstRow < 0 ? 0 : Row - FirstRow;
  if (dCol == 0 && dRow == 0) return;
  if (ooxml::TXpgDOMNode* anchor = data->Find(u"x:Anchor", false)) {
    std::vector<std::u16string> parts;
    std::u16string cur;
    for (char16_t c : anchor->Text) {
      if (c == u',') {
        parts.push_back(cur);
        cur.clear();
      } else {
        cur.push_back(c);
      }
    }
    parts.push_back(cur);
    if (parts.size() == 8) {
      std::int64_t v[8];
      for (int i = 0; i < 8; ++i) v[i] = ParseAnchorNumber(parts[static_cast<std::size_t>(i)]);
      v[0] += dCol;
      v[4] += dCol;
      v[2] += dRow;
      v[6] += dRow;
      std::u16string text;
      for (int i = 0; i < 8; ++i) {
        if (i) text += u", ";
        text += Ascii(std::to_string(v[i]));
      }
      anchor->Text = text;
    }
  }
  // The anchor now stands for the present cell.
  FirstCol = Col;
  FirstRow = Row;
}

TXc12Comment* TXc12Comments::Find(int Col, int Row) const {
  for (const auto& c : items_)
    if (c->Col == Col && c->Row == Row) return c.get();
  return nullptr;
}

TXc12FilterColumn* TXc12FilterColumns::Add() {
  return Add(FactoryCreate<TXc12FilterColumn>(ClassFactory_, fokAutofilterColumn, nullptr));
}

void TXc12Table::Clear() {
  tableType = 0;
  headerRowCount = 1;
  insertRow = insertRowShift = false;
  totalsRowCount = 0;
  totalsRowShown = true;
  published = false;
  AutoFilter.Clear();
  SortState.Clear();
  Columns.Clear();
  StyleInfo.Clear();
  QueryTable.Clear();
}

int TXc12Tables::FindByName(const std::u16string& Name) const {
  const std::u16string key = UpperCaseW(Name);
  for (int i = 0; i < Count(); ++i)
    if (UpperCaseW(GetItem(i)->Name) == key) return i;
  return -1;
}

int TXc12Tables::FindByCell(int Col, int Row) const {
  for (int i = 0; i < Count(); ++i)
    if (GetItem(i)->ContainsCell(Col, Row)) return i;
  return -1;
}

int TXc12Tables::FindColumn(const std::u16string& Name) const {
  std::u16string key;
  NormalizeColumnName(Name, key);
  for (const auto& t : items_)
    for (int j = 0; j < t->Columns.Count(); ++j)
      if (UpperCaseW(t->Columns.GetItem(j)->Name) == key) return j;
  return -1;
}

void TXc12Tables::NormalizeColumnName(const std::u16string& Name, std::u16string& Result) {
  std::u16string r;
  for (std::size_t i = 0; i < Name.size(); ++i) {
    if (Name[i] == u'\'') {
      if (i + 1 < Name.size()) r.push_back(Name[++i]);
      continue;
    }
    r.push_back(Name[i]);
  }
  Result = UpperCaseW(r);
}

}  // namespace workbook
