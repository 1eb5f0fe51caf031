// The .xlsx road of the spreadsheet component's save: moves the whole workbook model into the
// SpreadsheetML binding objects, one part at a time through one binding document, and hands every
// part to the Open XML package. Sheet data is streamed: the binding asks for rows, cells, columns
// and comments one by one, so no sheet is ever held as XML in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "workbook/comments_data.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/style_records.h"

namespace ooxml {

class TOPC_XLSX;
class TOPCItem;
class TXPGBase;
class TXpgSimpleDOM;

namespace sml {
class TXPGDocXLSX;
class TCT_Color;
class TCT_Font;
class TCT_RPrElt;
class TCT_Fill;
class TCT_Border;
class TCT_CellAlignment;
class TCT_CellProtection;
class TCT_Rst;
class TCT_Worksheet;
class TCT_Chartsheet;
class TCT_MergeCell;
class TCT_Hyperlink;
class TCT_ConditionalFormatting;
class TCT_DefinedName;
class TCT_XfXpgList;
}  // namespace sml

// The namespaces of the SpreadsheetML parts.
inline constexpr char16_t kSpreadsheetMLNamespace[] = u"http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr char16_t kOfficeRelationshipsNamespace[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships";

class TXLSWriteXLSX final : public workbook::IXLSXWriter {
public:
  TXLSWriteXLSX(workbook::TXc12Manager* Manager, workbook::IXLSFormulaHandler* FormulaHandler);
  ~TXLSWriteXLSX() override;

  // Writes the complete package; failures are exceptions (the stream then holds an incomplete
  // archive). The list and decimal separators are "," and "." during the write and restored after.
  void Write(workbook::TStream& Stream) override;

  workbook::TXc12Manager* Manager() const { return Manager_; }
  workbook::IXLSFormulaHandler* FormulaHandler() const { return FormulaHandler_; }
  sml::TXPGDocXLSX& Doc() { return *Doc_; }
  TOPC_XLSX& Package() { return *Package_; }

  // Fillers that move one model record into one binding object; shared by every part's writer.
  void FillColor(const workbook::TXc12Color& Color, sml::TCT_Color& Object) const;
  void FillFont(const workbook::TXc12Font& Font, sml::TCT_Font& Object) const;
  void FillRunFont(const workbook::TXc12Font& Font, sml::TCT_RPrElt& Object) const;
  void FillFill(const workbook::TXc12Fill& Fill, sml::TCT_Fill& Object) const;
  void FillBorder(const workbook::TXc12Border& Border, sml::TCT_Border& Object) const;
  void FillAlignment(const workbook::TXc12CellAlignment& Alignment, sml::TCT_CellAlignment& Object) const;
  void FillProtection(std::uint8_t Protection, sml::TCT_CellProtection& Object) const;
  void FillRichText(const std::u16string& Text, const workbook::TXc12DynFontRunArray& FontRuns, sml::TCT_Rst& Rst,
                    const workbook::TXc12DynPhoneticRunArray* PhoneticRuns = nullptr) const;
  // 255, the value the binding leaves unwritten, when Value is the schema default; else Value.
  static std::uint8_t EnumOrUnset(std::uint8_t Value, std::uint8_t Default) { return Value == Default ? 255 : Value; }

  // Helpers of every part's writer. The root attribute list of Doc emptied and refilled with the
  // SpreadsheetML namespace, and with the relationships namespace when Relationships is set.
  void SetRootNamespaces(bool Relationships);
  // Root (one of Doc's document elements) saved into memory and stored as the data of Item.
  void SavePart(TOPCItem* Item, TXPGBase& Root);
  // Root saved straight into Item's archive entry.
  void StreamPart(TOPCItem* Item, TXPGBase& Root);
  // A kept tree written straight into Item's archive entry.
  void StreamTree(TOPCItem* Item, const TXpgSimpleDOM& Tree);

private:
  // ---- The driver, the style sheet and shared strings, the workbook part and external links.
  void WriteDocPropsApp();
  void WriteStyles();
  void WriteSharedStrings();
  void WriteConnections();
  void WriteWorkbook();
  void WritePivotCaches();
  void WriteExternalLink(int Index, std::string& Id);
  void FillXfs(const workbook::TXc12XFs& List, sml::TCT_XfXpgList& Elements) const;
  void NextSharedString(sml::TCT_Rst& Rst, bool& More);
  void NextDefinedName(sml::TCT_DefinedName& Element, bool& More);

  // ---- Worksheet and chartsheet parts with their satellite parts.
  void WriteWorksheet(workbook::TXc12DataWorksheet& Sheet);
  void WriteChartsheet(workbook::TXc12DataWorksheet& Sheet);
  void WriteDrawing(TOPCItem* SheetItem, std::string& Id);
  void WriteVmlDrawing(TOPCItem* SheetItem, std::string& Id);
  void WriteTable(workbook::TXc12Table& Table, TOPCItem* SheetItem, std::string& Id);
  void WriteDrawingParts(std::u16string& DrawingId, std::u16string& VmlId, std::u16string& PrinterId);
  // The worksheet root's callbacks: called without an item they answer whether the sheet has
  // any; with one, they fill the next and answer whether there was one.
  void NextMergedCell(sml::TCT_MergeCell* Cell, bool& More);
  void NextHyperlink(sml::TCT_Hyperlink* Link, bool& More);
  void FillConditionalFormatting(const workbook::TXc12ConditionalFormatting& Formatting,
                                 sml::TCT_ConditionalFormatting& Element) const;

  workbook::TXc12Manager* Manager_;
  workbook::IXLSFormulaHandler* FormulaHandler_;
  std::unique_ptr<sml::TXPGDocXLSX> Doc_;
  TOPC_XLSX* Package_ = nullptr;
  // The sheet whose part is being written and its package item, parent of its satellite parts.
  workbook::TXc12DataWorksheet* CurrentSheet_ = nullptr;
  TOPCItem* CurrentSheetItem_ = nullptr;
  int MergeIndex_ = 0;
  int HyperlinkIndex_ = 0;
  // The position in a list handed to the binding item by item (shared strings, defined names).
  int StreamIndex_ = 0;
  int StreamCount_ = 0;
};

// Installs the .xlsx writer in the component's neighbours.
void RegisterXlsxWriter(workbook::TXLSSpreadsheetNeighbours& Neighbours);

}  // namespace ooxml
