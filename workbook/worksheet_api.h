// The programming interface through which a program builds and reads a workbook: TXLSWorkbook, a
// list of sheets mirrored one to one onto the data model's sheets, and TXLSWorksheet, one sheet's
// cell setters, clearing, used area, rows, columns, merged cells and range.
//
// The formula engine and the legacy (.xls) document object live in libraries that link this one;
// the workbook reaches them through IXLSFormulaHandler and IXLSLegacyDocument, which the
// spreadsheet component plugs in.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "workbook/drawing_interface.h"
#include "workbook/formatting.h"
#include "workbook/manager.h"
#include "workbook/rows_columns.h"
#include "workbook/sheet_objects.h"
#include "workbook/sheet_shifts.h"

namespace formula {
struct TXLSFormulaValue;
class TXLSUserFuncData;
}  // namespace formula

namespace workbook {

// A function the formula engine does not know, called by the name written in the formula: the
// handler reads the arguments (last first) and sets the result (preset to #NAME?).
using TUserFunctionEvent = std::function<void(const std::u16string& Name, formula::TXLSUserFuncData& Data)>;

// The workbook's formula compiler, decoder and calculator.
class IXLSFormulaHandler {
public:
  virtual ~IXLSFormulaHandler() = default;
  // Compiles Text for a cell (with the locale's separators, or '.' and ',' when Invariant) into
  // byte code; returns its length, 0 when nothing was compiled.
  virtual int EncodeCellFormula(const std::u16string& Text, std::vector<std::uint8_t>& Tokens, int SheetIndex,
                                int Col, int Row, bool Invariant) = 0;
  virtual int EncodeFormula(const std::u16string& Text, std::vector<std::uint8_t>& Tokens, int SheetIndex) = 0;
  // The tables structured references of the next compilations resolve against; nil for none.
  virtual void SetTables(TXc12Tables* Tables) = 0;
  // Sheets Index.. moved by Delta (negative: -Delta sheets deleted at Index); tokens changed in place.
  virtual void AdjustSheetRefs(std::uint8_t* Ptgs, int Len, int Index, int Delta) = 0;
  // The sheet at From moved to position To; the sheets between shift by one.
  virtual void MoveSheetRefs(std::uint8_t* Ptgs, int Len, int From, int To) = 0;
  // Rows or columns of sheet SheetIndex inserted or deleted; the tokens of a formula on sheet
  // FormulaSheet are changed in place.
  virtual void AdjustCellRefs(std::uint8_t* Ptgs, int Len, int FormulaSheet, int SheetIndex,
                              const TXc12SheetShift& Shift) = 0;
  virtual void Calculate() = 0;
  // What byte code of a name refers to: nrkCell or nrkArea for exactly one 3-D reference (Sheet and
  // Area set), nrkInvalid for one into a deleted sheet, else nrkFormula.
  virtual std::uint8_t PtgsToArea3D(const std::uint8_t*, int, int&, TXLSCellArea&) { return nrkFormula; }
  // Byte code of a name back to text (no cell, no sheet); False when the handler can not.
  virtual bool DecodeFormula(const std::uint8_t*, int, std::u16string&) { return false; }
  // The user-function event the calculation calls; a handler that calculates nothing keeps none.
  virtual TUserFunctionEvent GetOnUserFunction() const { return {}; }
  virtual void SetOnUserFunction(TUserFunctionEvent) {}
};

// The legacy document object that exists while the workbook is in the .xls version.
class IXLSLegacyDocument {
public:
  virtual ~IXLSLegacyDocument() = default;
  // A sheet was appended to the workbook (the legacy sheet list and its references follow).
  virtual void SheetAdded() = 0;
  virtual void SheetDeleted(int Index) = 0;
  // The sheet at From moved to position To (the legacy sheets and references follow).
  virtual void SheetMoved(int From, int To) = 0;
  // Compiles Text, a formula on sheet SheetIndex, into BIFF8 tokens; returns their length (at
  // most MaxLen). The sheet decides which of two equal names a formula means.
  virtual int EncodeFormula(const std::u16string& Text, std::uint8_t* Buffer, int MaxLen, int SheetIndex) = 0;
  virtual void SetFilename(const std::u16string& FileName) = 0;
  virtual void Read() = 0;
  virtual void ReadStream(TStream& Stream) = 0;
  virtual void Write() = 0;
  virtual void WriteStream(TStream& Stream) = 0;
  // The external-sheet list the manager refers to while formulas of the file are decoded.
  virtual TObject* ExternalNames() = 0;
  // The notes of a sheet after a read: cell, text and author (empty when the note names none).
  struct TNote {
    int Col = 0, Row = 0;
    std::u16string Text;
    std::u16string Author;
  };
  virtual std::vector<TNote> SheetNotes(int SheetIndex) = 0;
  // The pictures of a sheet after a read, in the sheet's order: the picture id (0: none), the
  // picture type (2 EMF, 3 WMF, 5 JPEG, 6 PNG, 7 DIB), the picture's bytes and its anchor.
  struct TPicture {
    int Id = 0;
    int Type = 0;
    std::vector<std::uint8_t> Data;
    TXLSImageAnchor Anchor;
  };
  virtual std::vector<TPicture> SheetPictures(int /*SheetIndex*/) { return {}; }
  // The drawing objects of a sheet, linked to the sheet's drawing after a read.
  virtual TObject* SheetDrawingObjects(int /*SheetIndex*/) { return nullptr; }
  // Adds a picture (Name, bytes) to the picture store and to sheet SheetIndex at Anchor.
  virtual bool AddPicture(int /*SheetIndex*/, const std::u16string& /*Name*/, const std::vector<std::uint8_t>& /*Data*/,
                          const TXLSImageAnchor& /*Anchor*/) {
    return false;
  }
};

class TXLSWorkbook;

class TXLSWorksheet : public TIndexObject {
public:
  TXLSWorksheet(TXc12DataWorksheet* DataSheet, TXc12Manager* Manager, TXLSWorkbook* Workbook);
  ~TXLSWorksheet() override;
  TXLSWorksheet(const TXLSWorksheet&) = delete;
  TXLSWorksheet& operator=(const TXLSWorksheet&) = delete;

  // The shared cell cursor on (Col, Row); nil when no cell is stored there.
  TXLSCell* GetCell(int Col, int Row);
  TXLSRows* GetRows() const { return Rows_.get(); }
  TXLSColumns* GetColumns() const { return Columns_.get(); }
  TXc12MergedCells* GetMergedCells() const { return DataSheet_->MergedCells.get(); }
  TXLSComments* GetComments() const { return Comments_.get(); }
  TXLSSelectedAreas* GetSelection() const { return Selection_.get(); }
  TXLSPrintSettings* GetPrintSettings() const { return PrintSettings_.get(); }
  TXLSPane* GetPane() const { return Pane_.get(); }
  TXLSSheetProtection* GetProtection() const { return Protection_.get(); }
  TXc12DataValidations* GetDataValidations() const { return DataSheet_->DataValidations.get(); }
  TXc12ConditionalFormattings* GetConditionalFormats() const { return DataSheet_->ConditionalFormats.get(); }
  TXc12Hyperlinks* GetHyperlinks() const { return DataSheet_->Hyperlinks.get(); }
  TXc12AutoFilter* GetAutofilter() const { return DataSheet_->AutoFilter.get(); }
  TXLSDrawing* GetDrawing() const { return Drawing_.get(); }
  // The shared range aimed at an area in A1 text ("A1:C3", "B:B", "Sheet1!A1").
  TXLSRange* GetRange(const std::u16string& Ref);
  void GetName(std::u16string& Name) const { Name = DataSheet_->Name; }
  std::u16string GetName() const { return DataSheet_->Name; }
  void SetName(const std::u16string& Name);
  TObject* RequestObject(const std::type_info& Class) override;
  TXc12DataWorksheet* GetDataSheet() const { return DataSheet_; }
  TXLSCellMMU* GetCells() const { return Cells_; }
  TXc12SheetView* GetView() const { return View_; }

  // The format index a new value at (Col, Row) takes: the column's, else the row's, else 0.
  int GetDefaultXF(int Col, int Row);
  void SetAsFloat(int Col, int Row, double Value);
  void SetAsString(int Col, int Row, const std::u16string& Text);
  void SetAsFormula(int Col, int Row, const std::u16string& Text);
  void CompileFormulas();

  enum : std::uint8_t {
    ccoCells = 1,
    ccoDeleteCells = 2,
    ccoComments = 4,
    ccoValidations = 8,
    ccoConditionalFormats = 16,
    ccoAutofilter = 32,
    ccoDrawing = 64,
    ccoAll = 127
  };
  void ClearCells(int Col1, int Row1, int Col2, int Row2, std::uint8_t Options);
  void Clear();

  // Rows or columns inserted or deleted: cells, row headers, column records, every area of the
  // sheet, the names and the formulas referring to the sheet follow.
  void InsertRows(int Row, int Count);
  void DeleteRows(int Row, int Count);
  void InsertColumns(int Col, int Count);
  void DeleteColumns(int Col, int Count);

  void CalcDimensions();
  int FirstCol() const;
  int FirstRow() const;
  int LastCol() const;
  int LastRow() const;
  bool IsEmpty();

private:
  // The used area as last calculated.
  TXLSCellArea Dimension() const;
  void ShiftSheet(const TXc12SheetShift& Shift);
  void MoveCells(const TXc12SheetShift& Shift);
  void ShiftColumnRecords(const TXc12SheetShift& Shift);
  TXc12Manager* Manager_;
  TXLSWorkbook* Workbook_;
  TXc12DataWorksheet* DataSheet_;
  TXc12SheetView* View_ = nullptr;
  std::unique_ptr<TXc12SheetView> OwnView_;
  TXLSCellMMU* Cells_;
  std::unique_ptr<TXLSCell> Cell_;
  std::unique_ptr<TXLSFormattedCell> FormattedCell_;
  std::unique_ptr<TXLSRange> Range_;
  std::unique_ptr<TXLSRows> Rows_;
  std::unique_ptr<TXLSColumns> Columns_;
  std::unique_ptr<TXLSSelectedAreas> Selection_;
  std::unique_ptr<TXLSComments> Comments_;
  std::unique_ptr<TXLSPrintSettings> PrintSettings_;
  std::unique_ptr<TXLSPane> Pane_;
  std::unique_ptr<TXLSSheetProtection> Protection_;
  std::unique_ptr<TXLSDrawing> Drawing_;
};

class TXLSWorkbook : public TObject {
public:
  TXLSWorkbook();
  ~TXLSWorkbook() override;
  TXLSWorkbook(const TXLSWorkbook&) = delete;
  TXLSWorkbook& operator=(const TXLSWorkbook&) = delete;

  // Called once the data manager exists.
  void InitWorkbook(TXc12Manager* Manager, IXLSFormulaHandler* FormulaHandler);
  TXLSWorksheet* Add();
  void Delete(int Index, int Count);
  // Moves the sheet at From to position To; the data sheets and names follow.
  void MoveSheet(int From, int To);
  TXLSWorksheet* GetItem(int Index) const { return Sheets_.GetItem(Index); }
  TXLSWorksheet* operator[](int Index) const { return GetItem(Index); }
  int GetCount() const { return Sheets_.Count(); }
  TXLSWorksheet* FindSheet(const std::u16string& Name) const;
  void UniqueSheetName(std::u16string& Name) const;
  void AddSheetObject(int Index);
  void CreateSheetObjects();
  void ClearSheets();
  void CalcDimensions();
  void PrepareWrite();
  void CompileFormulas();
  void AdjustSheetRefs(int Index, int Delta);
  // Adds a picture of the drawing layer to the legacy document; False without one.
  virtual bool AddBIFFPicture(TXLSDrawingImage*, int /*SheetIndex*/, double /*Row2Offset*/, double /*Col2Offset*/) {
    return false;
  }

  TXc12Manager* GetManager() const { return Manager_; }
  IXLSFormulaHandler* GetFormulaHandler() const { return FormulaHandler_; }
  IXLSLegacyDocument* GetLegacyDocument() const { return Legacy_.get(); }
  TXLSCmdFormat* GetCmdFormat() const { return CmdFormat_.get(); }
  TXc12DefinedNames* GetNames() const;
  TXLSOptionsDialog* GetOptionsDialog() const { return Options_.get(); }
  TXLSWorkbookData* GetWorkbookData() const { return WorkbookData_.get(); }
  TXLSClipboard* GetClipboard() const { return Clipboard_.get(); }
  bool FormulasCompiled() const { return Compiled_; }
  std::u16string SheetNamePrefix = u"Sheet";

protected:
  std::unique_ptr<IXLSLegacyDocument> Legacy_;
  TXc12Manager* Manager_ = nullptr;
  IXLSFormulaHandler* FormulaHandler_ = nullptr;

private:
  // Calls Adjust for the byte code of every compiled formula cell and every formula name.
  void ForEachFormula(const std::function<void(std::uint8_t*, int)>& Adjust, bool WithNames = true);
  TIndexObjectList<TXLSWorksheet> Sheets_;
  std::unique_ptr<TXLSCmdFormat> CmdFormat_;
  std::unique_ptr<TXLSOptionsDialog> Options_;
  std::unique_ptr<TXLSWorkbookData> WorkbookData_;
  std::unique_ptr<TXLSClipboard> Clipboard_;
  bool Compiled_ = false;
};

}  // namespace workbook
