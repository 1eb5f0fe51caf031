// Sheet objects of the programming interface: hyperlinks that classify and encode their address,
// notes with an author prefix and font runs, the selection and the print settings. The hyperlink
// classes are what the component's class factory makes for the data model.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "workbook/manager.h"
#include "workbook/worksheet_data.h"

namespace workbook {

class IXLSFormulaHandler;

// Space and the characters that cannot stand in a link as they are become %XX; a "%" already
// followed by two hexadecimal digits stays. A file name has no delimiters, so "#", "&", "=" and the
// like are escaped too unless KeepDelimiters (a web address, whose query and fragment they mark).
std::u16string EncodeURL(const std::u16string& Address, bool KeepDelimiters = false);

class TXLSHyperlink : public TXc12Hyperlink {
public:
  TXLSHyperlink(TXc12Manager* Manager, IXLSFormulaHandler* FormulaHandler)
      : Manager_(Manager), FormulaHandler_(FormulaHandler) {}
  void AddressChanged() override { Classify(Address); }
  void Classify(const std::u16string& Text);
  std::uint8_t Kind2 = xhltUnknown;

private:
  TXc12Manager* Manager_;
  IXLSFormulaHandler* FormulaHandler_;
};

class TXLSHyperlinks : public TXc12Hyperlinks {
public:
  TXLSHyperlinks(TXLSClassFactory* Factory, TXc12Manager* Manager) : TXc12Hyperlinks(Factory), Manager(Manager) {}
  TXc12Manager* Manager;
};

class TXLSNames;

// A defined name that compiles its definition and shows it as text.
class TXLSName : public TXc12DefinedName {
public:
  explicit TXLSName(TXLSNames* Owner) : Owner_(Owner) {}
  // Compiles the definition when it has no byte code yet and derives what it refers to; a
  // definition that does not compile reports error 4011.
  void Compile();
  void GetDefinition(std::u16string& Text) const override;

private:
  TXLSNames* Owner_;
};

class TXLSNames : public TXc12DefinedNames {
public:
  TXLSNames(TXLSClassFactory* Factory, IXLSFormulaHandler* FormulaHandler, TXc12Manager* Manager)
      : TXc12DefinedNames(Factory), FormulaHandler(FormulaHandler), Manager(Manager) {}
  void CompileAll();
  // Sheets inserted at Index (Delta > 0) or -Delta sheets deleted there: scopes, referenced sheets
  // and the byte code of formula names follow.
  void AdjustSheetRefs(int Index, int Delta);
  IXLSFormulaHandler* FormulaHandler;
  TXc12Manager* Manager;
};

class TXLSComments;

class TXLSComment : public TObject {
public:
  TXLSComment(TXc12Comment* Data, TXLSComments* Owner) : Data_(Data), Owner_(Owner) {}
  int GetCol() const { return Data_->Col; }
  int GetRow() const { return Data_->Row; }
  void SetCol(int Col) { Data_->SetCol(Col); }
  void SetRow(int Row) { Data_->SetRow(Row); }
  const std::u16string& GetText() const { return Data_->Text; }
  void SetText(const std::u16string& Text);
  void SetAuthor(const std::u16string& Name);
  TXc12Comment* GetData() const { return Data_; }

private:
  TXc12Comment* Data_;
  TXLSComments* Owner_;
};

class TXLSComments : public TObject {
public:
  TXLSComments(TXc12Manager* Manager, TXc12Comments* DataComments);
  TXLSComment* Add(int Col, int Row, const std::u16string& Text);
  // A wrapper for a note already in the sheet's data, and a new empty note with its shape.
  TXLSComment* AddComment(TXc12Comment* DataComment);
  TXLSComment* AddNew();
  int Find(int Col, int Row) const;
  void DeleteItem(int Index);
  void DeleteArea(int Col1, int Row1, int Col2, int Row2);
  void Clear();
  int GetCount() const { return Items_.Count(); }
  TXLSComment* GetItem(int Index) const { return Items_.GetItem(Index); }
  TXc12Comments* GetData() const { return Data_; }
  std::u16string Author;

private:
  friend class TXLSComment;
  void ReleaseRuns(TXc12Comment& C);
  TXc12Manager* Manager_;
  TXc12Comments* Data_;
  TObjectList<TXLSComment> Items_;
};

// One selected area of a sheet.
class TXLSSelectedArea : public TCellAreaImpl {};

// The selected areas of a sheet and its active cell.
class TXLSSelectedAreas : public TObject, public TCellAreas {
public:
  TXLSSelectedAreas() { SetActiveCell(0, 0); }
  std::unique_ptr<TCellArea> CreateArea() override { return std::make_unique<TXLSSelectedArea>(); }
  void SetActiveCell(int Col, int Row);
  int ActiveCol = 0, ActiveRow = 0;
};

// ---------------------------------------------------------------------------------------------
// What the class factory makes for the data model's merged cells, validations, conditional
// formats and autofilter.

class TXLSMergedCell : public TXc12MergedCell {};

class TXLSMergedCells : public TXc12MergedCells {
public:
  explicit TXLSMergedCells(TXLSClassFactory* Factory) : TXc12MergedCells(Factory) {}
};

// A validation keeps its areas whole when the list is narrowed to a rectangle (Include); a
// conditional format is narrowed like any list of areas.
class TXLSDataValidation : public TXc12DataValidation {
public:
  void Include(int, int, int, int) override {}
};

class TXLSDataValidations : public TXc12DataValidations {
public:
  explicit TXLSDataValidations(TXLSClassFactory* Factory) : TXc12DataValidations(Factory) {}
};

class TXLSConditionalFormat : public TXc12ConditionalFormatting {
public:
  TXLSConditionalFormat(TXc12Manager* Manager, IXLSFormulaHandler* FormulaHandler)
      : Manager(Manager), FormulaHandler(FormulaHandler) {}
  TXc12Manager* Manager;
  IXLSFormulaHandler* FormulaHandler;
};

class TXLSConditionalFormats : public TXc12ConditionalFormattings {
public:
  explicit TXLSConditionalFormats(TXLSClassFactory* Factory) : TXc12ConditionalFormattings(Factory) {}
};

class TXLSAutofilterColumn : public TXc12FilterColumn {};

class TXLSAutofilter : public TXc12AutoFilter {
public:
  TXLSAutofilter(TXLSClassFactory* Factory, TXc12DefinedNames* Names, TObject* Owner)
      : TXc12AutoFilter(Factory), Names(Names), Owner(Owner) {}
  // The filter keeps its range when cells of a rectangle are cleared.
  void ClearArea(int, int, int, int) {}
  TXc12DefinedNames* Names;  // not owned
  TObject* Owner;            // the data sheet; not owned
};

// ---------------------------------------------------------------------------------------------
// Thin wrappers of the sheet's print, pane and protection records and of the workbook's options.

class TXLSHeaderFooter : public TObject {
public:
  explicit TXLSHeaderFooter(TXc12HeaderFooter* Data) : Data(Data) {}
  TXc12HeaderFooter* Data;
};

// A page break; the wrapper marks its record manual and gives it its place and extent.
class TXLSPagebreak : public TObject {
public:
  TXLSPagebreak(TXc12Break* Data, int Id, int Min, int Max) : Data(Data) {
    Data->man = true;
    Data->id = Id;
    Data->min = Min;
    Data->max = Max;
  }
  int GetId() const { return Data->id; }
  TXc12Break* Data;
};
class TXLSHorizPagebreak : public TXLSPagebreak {
public:
  using TXLSPagebreak::TXLSPagebreak;
};
class TXLSVertPagebreak : public TXLSPagebreak {
public:
  using TXLSPagebreak::TXLSPagebreak;
};

// The breaks of one direction: a horizontal break comes before a row and spans every column, a
// vertical one before a column and spans every row.
template <class T>
class TXLSPagebreaks : public TObject {
public:
  TXLSPagebreaks(TXc12PageBreaks* Data, int Max) : Data_(Data), Max_(Max) {
    for (const auto& b : *Data_) Items_.Add(std::make_unique<T>(b.get(), b->id, b->min, b->max));
  }
  // A break before Position; an existing break there is returned as it is.
  T* Add(int Position) {
    if (int i = Find(Position); i >= 0) return GetItem(i);
    return Items_.Add(std::make_unique<T>(Data_->Add(), Position, 0, Max_));
  }
  int Find(int Position) const {
    for (int i = 0; i < Items_.Count(); ++i)
      if (Items_.GetItem(i)->GetId() == Position) return i;
    return -1;
  }
  void Delete(int Index) {
    TXc12Break* b = Items_.GetItem(Index)->Data;
    Items_.Delete(Index);
    Data_->Delete(Data_->IndexOf(b));
  }
  void Clear() {
    Items_.Clear();
    Data_->Clear();
  }
  int GetCount() const { return Items_.Count(); }
  T* GetItem(int Index) const { return Items_.GetItem(Index); }

private:
  TXc12PageBreaks* Data_;
  int Max_;
  TObjectList<T> Items_;
};
using TXLSHorizPagebreaks = TXLSPagebreaks<TXLSHorizPagebreak>;
using TXLSVertPagebreaks = TXLSPagebreaks<TXLSVertPagebreak>;

class TXLSPrintSettings : public TObject {
public:
  TXLSPrintSettings(TXc12DataWorksheet* DataSheet, TXc12DefinedNames* Names)
      : DataSheet_(DataSheet),
        Names_(Names),
        HeaderFooter_(&DataSheet->HeaderFooter),
        HorizPagebreaks_(&DataSheet->RowBreaks, 16383),
        VertPagebreaks_(&DataSheet->ColBreaks, 1048575) {}
  // 0: not set.
  int GetPaperSize() const { return DataSheet_->PageSetup.paperSize; }
  void SetPaperSize(int Value);
  TXLSHeaderFooter* GetHeaderFooter() { return &HeaderFooter_; }
  TXLSHorizPagebreaks* GetHorizPagebreaks() { return &HorizPagebreaks_; }
  TXLSVertPagebreaks* GetVertPagebreaks() { return &VertPagebreaks_; }
  TXc12DefinedNames* GetNames() const { return Names_; }

private:
  TXc12DataWorksheet* DataSheet_;
  TXc12DefinedNames* Names_;
  TXLSHeaderFooter HeaderFooter_;
  TXLSHorizPagebreaks HorizPagebreaks_;
  TXLSVertPagebreaks VertPagebreaks_;
};

class TXLSPane : public TObject {
public:
  explicit TXLSPane(TXc12Pane* Data) : Data(Data) {}
  TXc12Pane* Data;
};

class TXLSSheetProtection : public TObject {
public:
  explicit TXLSSheetProtection(TXc12SheetProtection* Data) : Data(Data) {}
  TXc12SheetProtection* Data;
};

// The workbook settings an options dialog shows, and three flags of the writer. Flag 0 set: the
// sheets' views are written with their tab-selected mark cleared.
class TXLSOptionsDialog : public TObject {
public:
  explicit TXLSOptionsDialog(TXc12DataWorkbook* Data) : WorkbookPr(&Data->WorkbookPr), CalcPr(&Data->CalcPr) {}
  TXc12WorkbookPr* WorkbookPr;
  TXc12CalcPr* CalcPr;
  std::uint8_t Flags[3] = {0, 0, 0};
  void ClearFlags() { Flags[0] = Flags[1] = Flags[2] = 0; }
};

class TXLSWorkbookData : public TObject {
public:
  explicit TXLSWorkbookData(TXc12DataWorkbook* Data) : Data(Data) {}
  TXc12DataWorkbook* Data;
};

class TXLSClipboard : public TObject {
public:
  explicit TXLSClipboard(TXc12Manager* Manager) : Manager(Manager) {}
  TXc12Manager* Manager;
};

}  // namespace workbook
