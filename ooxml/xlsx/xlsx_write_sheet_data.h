// The streamed contents of a worksheet part: rows and cells of sheetData, the col records and the
// comments of the sheet's comments part. The binding holds one reused row, cell, col and comment
// object and asks for the next one while it writes; this class answers from the sheet's cell store
// or, for the sheet written directly, from the application's write-cell event, so a sheet of any
// size is written without being held in memory.
#pragma once

#include <string>

#include "workbook/spreadsheet_component.h"

namespace ooxml {

class TOPCItem;
class TXLSWriteXLSX;

namespace sml {
class TXPGDocXLSX;
class TCT_SheetData;
class TCT_Comments;
class TCT_Comment;
class TCT_Row;
class TCT_Cell;
class TCT_Col;
}  // namespace sml

class TXLSWriteSheetData {
public:
  // Comments and SheetData belong to the writer's binding document; Sheet is the sheet written.
  TXLSWriteSheetData(TXLSWriteXLSX& Writer, sml::TCT_Comments& Comments, sml::TCT_SheetData& SheetData,
                     workbook::TXc12DataWorksheet& Sheet);

  // Chooses the road (cell store or write-cell event) and hooks the row, cell and comment
  // callbacks. Called once before the worksheet root is saved.
  void Start();

  // Cell-store road.
  void NextRow(sml::TCT_Row& Row, bool& More);
  void NextCell(sml::TCT_Cell& Cell, bool& More);
  // Direct-write road: the cells come from the write-cell event and never enter the cell store.
  void NextDirectRow(sml::TCT_Row& Row, bool& More);
  void NextDirectCell(sml::TCT_Cell& Cell, bool& More);
  // The document's column callback.
  void NextColumn(sml::TCT_Col& Col, bool& More);
  void NextComment(sml::TCT_Comment& Comment, bool& More);

  // The sheet's comments part "../comments<n>.xml" under SheetItem. The authors list of the
  // document's comments root is never emptied: a later comments part of the same save lists the
  // authors of the earlier ones first.
  void WriteComments(TOPCItem* SheetItem);

private:
  void FillFormula(sml::TCT_Cell& Cell);
  void RejectDirectCell();

  TXLSWriteXLSX& Writer_;
  workbook::TXc12Manager* Manager_;
  workbook::TXc12DataWorksheet& Sheet_;
  sml::TCT_SheetData& SheetData_;
  sml::TCT_Comments& Comments_;
  int ColumnIndex_ = 0;
  int CommentIndex_ = 0;
  // The A1 text of the cell being written, reused so that no cell allocates for its reference.
  std::u16string Ref_;
};

}  // namespace ooxml
