#include "workbook/worksheet_data.h"

#include "workbook/biff_codecs.h"
#include "workbook/cell_store_links.h"
#include "workbook/shared_strings.h"
#include "workbook/style_sheet.h"

namespace workbook {

std::unique_ptr<TCellArea> TXc12Hyperlinks::CreateArea() {
  auto h = FactoryCreate<TXc12Hyperlink>(ClassFactory_, fokHyperlink, this);
  h->Clear();
  return h;
}

TXc12Hyperlink* TXc12Hyperlinks::Add() {
  return static_cast<TXc12Hyperlink*>(TObjectList<TCellArea>::Add(CreateArea()));
}

std::unique_ptr<TCellArea> TXc12MergedCells::CreateArea() {
  return FactoryCreate<TXc12MergedCell>(ClassFactory_, fokMergedCell, nullptr);
}

TXc12MergedCell* TXc12MergedCells::AddArea(const TXLSCellArea& Area) {
  auto m = CreateArea();
  m->SetArea(Area);
  return static_cast<TXc12MergedCell*>(TObjectList<TCellArea>::Add(std::move(m)));
}

void TXc12SheetPr::Clear() {
  syncHorizontal = syncVertical = false;
  ClearCellArea(syncRef);
  transitionEvaluation = transitionEntry = false;
  published = true;
  codeName.clear();
  filterMode = false;
  enableFormatConditionsCalculation = true;
  tabColor = TXc12Color();
  tabColor.ColorType = xctUnassigned;
  OutlinePr = TXc12OutlinePr();
  PageSetUpPr = TXc12PageSetupPr();
}

TXc12InputCell* Tx12InputCells::AddFromText(const std::u16string& Text) {
  auto c = std::make_unique<TXc12InputCell>();
  int col = 0, row = 0;
  if (RefStrToColRow(Text, col, row)) {
    c->Col = col;
    c->Row = row;
  }
  return Add(std::move(c));
}

TXc12DataWorksheet::TXc12DataWorksheet(TXLSClassFactory* AClassFactory, TXc12DataStyleSheet* AStyleSheet,
                                       TXc12DataSST* ASST, int AIndex)
    : ClassFactory(AClassFactory),
      SST(ASST),
      StyleSheet(AStyleSheet),
      Cells(CreateCellStore(AIndex, ASST, AStyleSheet)),
      Comments(AStyleSheet),
      Hyperlinks(FactoryCreate<TXc12Hyperlinks>(AClassFactory, fokHyperlinks, nullptr, AClassFactory)),
      MergedCells(FactoryCreate<TXc12MergedCells>(AClassFactory, fokMergedCells, nullptr, AClassFactory)),
      CustomSheetViews(AClassFactory),
      Tables(AClassFactory) {
  Index = AIndex;
  if (ClassFactory) {
    std::unique_ptr<TObject> obj = ClassFactory->CreateObject(fokAutofilter, this);
    if (auto* af = dynamic_cast<TXc12AutoFilter*>(obj.get())) {
      obj.release();
      AutoFilter.reset(af);
    }
  }
  if (!AutoFilter) AutoFilter = std::make_unique<TXc12AutoFilter>(ClassFactory);
  ConditionalFormats = FactoryCreate<TXc12ConditionalFormattings>(ClassFactory, fokConditionalFormats, nullptr, ClassFactory);
  ConditionalFormats->Sheet = this;
  if (!ConditionalFormats->ClassFactory) ConditionalFormats->ClassFactory = ClassFactory;
  DataValidations = FactoryCreate<TXc12DataValidations>(ClassFactory, fokDataValidations, nullptr, ClassFactory);
  if (!DataValidations->ClassFactory) DataValidations->ClassFactory = ClassFactory;
  if (ClassFactory) Drawing = ClassFactory->CreateObject(fokDrawing, this);
  SheetViews.Add();
}

TXc12DataWorksheet::~TXc12DataWorksheet() = default;

std::u16string TXc12DataWorksheet::GetQuotedName() const {
  bool plain = !Name.empty();
  for (char16_t c : Name)
    if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))) plain = false;
  if (plain) return Name;
  // Formula text doubles an apostrophe inside a quoted sheet name; a single one would end it.
  std::u16string q = u"'";
  for (char16_t c : Name) {
    q.push_back(c);
    if (c == u'\'') q.push_back(c);
  }
  q.push_back(u'\'');
  return q;
}

TXc12DataWorksheet* TXc12DataWorksheets::Add(int SheetId) {
  auto s = std::make_unique<TXc12DataWorksheet>(ClassFactory_, StyleSheet_, SST_, Count());
  s->SheetId = SheetId < 0 ? Count() + 1 : SheetId;
  return TObjectList<TXc12DataWorksheet>::Add(std::move(s));
}

TXc12DataWorksheet* TXc12DataWorksheets::InsertSheet(int Index, int SheetId) {
  if (Index < 0 || Index > Count()) RaiseListIndexError(Index);
  auto s = std::make_unique<TXc12DataWorksheet>(ClassFactory_, StyleSheet_, SST_, Index);
  s->SheetId = SheetId < 0 ? Count() + 1 : SheetId;
  TXc12DataWorksheet* r = Insert(Index, std::move(s));
  SyncStoreIndexes();
  return r;
}

void TXc12DataWorksheets::DeleteSheet(int Index) {
  Delete(Index);
  SyncStoreIndexes();
}

void TXc12DataWorksheets::MoveSheet(int From, int To) {
  Check(From);
  Check(To);
  std::unique_ptr<TXc12DataWorksheet> s = Extract(From);
  Insert(To, std::move(s));
  SyncStoreIndexes();
}

void TXc12DataWorksheets::SyncStoreIndexes() {
  for (const auto& s : items_) s->Cells->SetSheetIndex(s->Index);
}

int TXc12DataWorksheets::Find(const std::u16string& Name) const {
  const std::u16string key = UpperCaseW(Name);
  for (int i = 0; i < Count(); ++i)
    if (UpperCaseW(GetItem(i)->Name) == key) return i;
  return -1;
}

TXc12DataWorksheet* TXc12DataWorksheets::FindByCells(const TXLSCellMMU* Cells) const {
  for (const auto& s : items_)
    if (s->Cells.get() == Cells) return s.get();
  return nullptr;
}

void TXc12DataWorksheets::Clear() {
  TIndexObjectList<TXc12DataWorksheet>::Clear();
  if (SST_) SST_->Clear();
  if (StyleSheet_) StyleSheet_->Clear();
}

}  // namespace workbook
