// The .xlsx road of the spreadsheet component: reads a SpreadsheetML package from a stream into the
// workbook model. Every part goes through the generated binding document; the reader copies what it
// parsed into the style sheet, the shared-string table, the workbook data and the worksheets.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "workbook/spreadsheet_component.h"

namespace workbook {
class TXc12CustomSheetView;
class TXc12PageSetup;
}  // namespace workbook

namespace ooxml {

class TOPC_XLSX;

namespace sml {
class TXPGDocXLSX;
class TCT_Cell;
class TCT_CellFormula;
class TCT_DefinedName;
class TCT_Row;
class TCT_Col;
class TCT_Rst;
class TCT_Stylesheet;
class TCT_Workbook;
class TCT_Color;
class TCT_Font;
class TCT_RPrElt;
class TCT_Fill;
class TCT_Border;
class TCT_BorderPr;
class TCT_CellAlignment;
class TCT_Xf;
class TCT_CellXfs;
class TCT_CellStyleXfs;
class TCT_Worksheet;
class TCT_Hyperlink;
class TCT_PageSetup;
class TCT_CustomSheetView;
class TCT_Comment;
}  // namespace sml
using sml::TXPGDocXLSX;
using sml::TCT_Cell;
using sml::TCT_Row;
using sml::TCT_Col;
using sml::TCT_Rst;
using sml::TCT_Stylesheet;
using sml::TCT_Workbook;
using sml::TCT_Color;
using sml::TCT_Font;
using sml::TCT_RPrElt;
using sml::TCT_Fill;
using sml::TCT_Border;
using sml::TCT_BorderPr;
using sml::TCT_CellAlignment;
using sml::TCT_Xf;
using sml::TCT_CellXfs;
using sml::TCT_CellStyleXfs;
using sml::TCT_Worksheet;
using sml::TCT_Hyperlink;
using sml::TCT_PageSetup;
using sml::TCT_CustomSheetView;

// Loads a sheet's drawing part, already opened as Part, into the sheet's drawing document (its
// anchors, shapes, pictures and charts; the pictures and charts are reached through the package's
// current drawing item, Package.DrawingItem). Without one, drawing parts stay unread and are kept
// whole with their images and charts.
using TXlsxDrawingLoader =
    std::function<void(workbook::TXc12DataWorksheet& Sheet, TOPC_XLSX& Package, workbook::TStream& Part)>;

// The loader of the registered road: the sheet's drawing document (made by CreateDrawing of the
// neighbours) reads the part, registers its pictures with the workbook's picture store once each
// and reads its charts.
void LoadSheetDrawing(workbook::TXc12DataWorksheet& Sheet, TOPC_XLSX& Package, workbook::TStream& Part);

class TXLSReadXLSX final : public workbook::IXLSXReader {
public:
  TXLSReadXLSX(workbook::TXc12Manager* Manager, workbook::IXLSFormulaHandler* FormulaHandler,
               TXlsxDrawingLoader DrawingLoader = {});
  ~TXLSReadXLSX() override;

  // Reads the whole package; every failure is an exception (the model is then partly filled).
  void Read(workbook::TStream& Stream) override;

private:
  // A part document with the reader's warning handler.
  std::unique_ptr<TXPGDocXLSX> NewDocument();
  void LoadPart(TXPGDocXLSX& Doc, workbook::TStream& Part);

  // Styles and shared strings.
  void ReadStyles();
  void ReadPalette(const TCT_Stylesheet& Sheet);
  void ReadNumFmts(const TCT_Stylesheet& Sheet);
  void ReadFonts(const TCT_Stylesheet& Sheet);
  void ReadFills(const TCT_Stylesheet& Sheet);
  void ReadBorders(const TCT_Stylesheet& Sheet);
  template <class TList>
  void ReadXFs(workbook::TXc12XFs& List, const TList& XFs);
  void ReadCellStyles(const TCT_Stylesheet& Sheet);
  void ReadColor(const TCT_Color& Element, workbook::TXc12Color& Color) const;
  void ReadFont(const TCT_Font& Element, workbook::TXc12Font& Font) const;
  workbook::TXc12Font* ReadRunFont(const TCT_RPrElt& Element);
  void ReadFill(const TCT_Fill& Element, workbook::TXc12Fill& Fill) const;
  void ReadBorder(const TCT_Border& Element, workbook::TXc12Border& Border) const;
  void ReadBorderPr(const TCT_BorderPr& Element, workbook::TXc12BorderPr& Line) const;
  void ReadAlignment(const TCT_CellAlignment& Element, workbook::TXc12CellAlignment& Alignment) const;
  void ReadSharedStrings();
  void ReadSharedString(TCT_Rst& Si);
  void ReadRichText(const TCT_Rst& Element, std::u16string& Text, workbook::TXc12DynFontRunArray& Runs);

  // Workbook and sheets.
  void ReadWorkbook();
  void ReadDefinedName(sml::TCT_DefinedName& N);
  void ReadExternalLink(const std::string& Id);
  void ReadPivotCache(int CacheId, const std::string& Id);
  void ReadConnections();
  void ReadSheets();
  void ReadWorksheet(const std::string& Id);

  // Cells, rows and columns.
  void ReadCell(TCT_Cell& C);
  void ReadRow(TCT_Row& R);
  void ReadCol(TCT_Col& C);
  // Direct read: cells go to the read-cell event, rows only keep the count for cells without a
  // reference, columns are passed over.
  void ReadCellDirect(TCT_Cell& C);
  void SkipRow(TCT_Row& R);
  void SkipItem() {}
  void CellPosition(const TCT_Cell& C, int& Col, int& Row);
  int CellStyle(int S) const;
  double DateSerial(const std::u16string& Text) const;

  workbook::TXc12Manager* Manager_;
  workbook::IXLSFormulaHandler* FormulaHandler_;
  TOPC_XLSX* Package_ = nullptr;
  workbook::TXc12DataWorksheet* CurrentSheet_ = nullptr;
  // For cells and rows that give no reference: the row element being read (its number is known
  // before its cells), the last row done, whether the current row has had a cell yet, and the
  // column of the cell before.
  TCT_Row* RowObject_ = nullptr;
  int PrevRow_ = -1;
  bool NewRow_ = true;
  int LastCol_ = -1;
  // The target areas of the array formulas and data tables of the sheet being read, with their
  // master cells: the cells inside are members that refer to their master.
  struct TArrayArea {
    int Col1, Row1, Col2, Row2;
    int MasterCol, MasterRow;
    bool DataTable;
  };
  std::vector<TArrayArea> ArrayAreas_;
  const TArrayArea* ArrayAreaOf(int Col, int Row) const;
  const TArrayArea& AddArrayArea(const sml::TCT_CellFormula& F, int Col, int Row);
  void SetFormulaResult(const TCT_Cell& C, workbook::TXLSFormulaHelper& H) const;
  // The shared formulas of the sheet being read, by their si number: compiled once at the master,
  // copied with their relative references moved into every member inside the area.
  struct TSharedFormula {
    int MasterCol, MasterRow;
    int Col1, Row1, Col2, Row2;
    std::vector<std::uint8_t> Ptgs;
  };
  std::unordered_map<int, TSharedFormula> SharedFormulas_;
  // The tokens of shared-formula cell (Col, Row) into Tokens: the master's compiled, a member's
  // moved; empty when the formula does not compile or the member lies outside its master's area.
  void SharedFormulaTokens(const sml::TCT_CellFormula& F, int Col, int Row, std::vector<std::uint8_t>& Tokens);
  std::vector<std::uint8_t> Tokens_;
  int StringIndex(const std::u16string& V, int Col, int Row) const;
  double CellDate(const std::u16string& V, int Col, int Row) const;

  // The worksheet's other contents: merges and hyperlinks as they are parsed, the rest after.
  void HookSheetContents(TCT_Worksheet& Sheet);
  void ReadHyperlink(const TCT_Hyperlink& H);
  void ReadSheetContents(const TCT_Worksheet& Sheet);
  void ReadCustomSheetView(const TCT_CustomSheetView& E, workbook::TXc12CustomSheetView& View);
  void ReadPageSetup(const TCT_PageSetup& E, workbook::TXc12PageSetup& Setup);
  // Differential formats and table styles of the styles part.
  void ReadDXFs(const TCT_Stylesheet& Sheet);
  void ReadTableStyles(const TCT_Stylesheet& Sheet);

  // The parts a sheet refers to: tables with their query tables, the drawing with its images, the
  // VML drawing, pivot tables and, after the sheet part is closed, the comments with their note
  // shapes; and chartsheets.
  void ReadSheetParts(const TCT_Worksheet& Sheet);
  void ReadPivotTables();
  void ReadComments(const std::string& SheetRelId);
  void ReadComment(sml::TCT_Comment& C);
  void AttachNoteShapes();
  void ReadVmlDrawing(const std::string& RelId);
  void ReadDrawing(const std::string& RelId);
  void ReadTable(const std::string& RelId);
  void ReadChartsheet(const std::string& Id);
  TXlsxDrawingLoader DrawingLoader_;
};

// Installs the .xlsx reader in the component's neighbours, with the sheets' drawing documents
// (CreateDrawing) and LoadSheetDrawing.
void RegisterXlsxNeighbours(workbook::TXLSSpreadsheetNeighbours& Neighbours);
// The same with DrawingLoader in place of LoadSheetDrawing; an empty one leaves drawing parts unread.
void RegisterXlsxNeighbours(workbook::TXLSSpreadsheetNeighbours& Neighbours, TXlsxDrawingLoader DrawingLoader);
void RegisterXlsxNeighbours();

}  // namespace ooxml
