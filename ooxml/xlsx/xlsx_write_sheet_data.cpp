// Rows, cells, columns and comments of a worksheet, handed to the binding one at a time while the
// worksheet part is written.
#include "ooxml/xlsx/xlsx_write_sheet_data.h"

#include "formula/formula_handler.h"
#include "ooxml/opc/opc_streams.h"
#include "ooxml/opc/opc_xlsx.h"
#include "ooxml/spreadsheetml/gen/spreadsheetml.h"
#include "ooxml/spreadsheetml/sml_document.h"
#include "ooxml/xlsx/xlsx_writer.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_references.h"
#include "workbook/cell_store.h"
#include "workbook/error_manager.h"
#include "workbook/exceptions.h"
#include "workbook/manager.h"
#include "workbook/worksheet_data.h"
#include "xml/xml_values.h"

namespace ooxml {

namespace wb = workbook;
using namespace sml;

namespace {

// The binding's cell types (the t attribute): b, n, d, e, s, str, inlineStr.
enum : std::uint8_t { ctBoolean = 0, ctNumber = 1, ctError = 3, ctShared = 4, ctString = 5 };

// The A1 reference of (Col, Row) into Out, reusing its storage.
void CellRef(int Col, int Row, std::u16string& Out) {
  Out.clear();
  char16_t letters[4];
  int n = 0;
  for (int c = Col + 1; c > 0 && n < 4; c = (c - 1) / 26) letters[n++] = static_cast<char16_t>(u'A' + (c - 1) % 26);
  while (n > 0) Out.push_back(letters[--n]);
  char16_t digits[12];
  n = 0;
  for (unsigned r = static_cast<unsigned>(Row) + 1; r > 0 && n < 12; r /= 10) digits[n++] = static_cast<char16_t>(u'0' + r % 10);
  while (n > 0) Out.push_back(digits[--n]);
}

// Formula text as the file holds it: without the leading "=" a source text may carry.
std::u16string StripEquals(std::u16string Text) {
  if (!Text.empty() && Text.front() == u'=') Text.erase(0, 1);
  return Text;
}

}  // namespace

TXLSWriteSheetData::TXLSWriteSheetData(TXLSWriteXLSX& Writer, TCT_Comments& Comments, TCT_SheetData& SheetData,
                                       wb::TXc12DataWorksheet& Sheet)
    : Writer_(Writer), Manager_(Writer.Manager()), Sheet_(Sheet), SheetData_(SheetData), Comments_(Comments) {}

void TXLSWriteSheetData::Start() {
  ColumnIndex_ = 0;
  wb::TXLSEventCell* event = Manager_->EventCell.get();
  if (Manager_->DirectWrite && event && Sheet_.Index == event->SheetIndex) {
    event->Reset();
    SheetData_.OnWriteRow = [this](TCT_Row& r, bool& more) { NextDirectRow(r, more); };
    SheetData_.row->OnWriteCell = [this](TCT_Cell& c, bool& more) { NextDirectCell(c, more); };
  } else {
    Sheet_.Cells->IterInit(-1);
    SheetData_.OnWriteRow = [this](TCT_Row& r, bool& more) { NextRow(r, more); };
    SheetData_.row->OnWriteCell = [this](TCT_Cell& c, bool& more) { NextCell(c, more); };
  }
  Comments_.commentList->OnWriteComment = [this](TCT_Comment& c, bool& more) { NextComment(c, more); };
}

// ---------------------------------------------------------------------------------------------
// Cell-store road

void TXLSWriteSheetData::NextRow(TCT_Row& Row, bool& More) {
  wb::TXLSCellMMU& cells = *Sheet_.Cells;
  More = cells.IterNextRow();
  if (!More) return;
  Row.Clear();
  Row.r = cells.IterRow() + 1;
  const wb::TMMURowHeader h = cells.IterRowHeader();
  if (h) {
    if (h.Height() != 0xFFFF) Row.ht = h.Height() / 20.0;
    if (h.Style() != 0) {
      Row.customFormat = true;
      Row.s = h.Style();
    }
    const std::uint8_t flags = h.Flags();
    Row.hidden = flags & wb::TMMURowHeader::rhfHidden;
    Row.customHeight = flags & wb::TMMURowHeader::rhfCustomHeight;
    Row.collapsed = flags & wb::TMMURowHeader::rhfCollapsed;
    Row.thickTop = flags & wb::TMMURowHeader::rhfThickTop;
    Row.thickBot = flags & wb::TMMURowHeader::rhfThickBottom;
    Row.ph = flags & wb::TMMURowHeader::rhfShowPhonetic;
    Row.outlineLevel = h.OutlineLevel();
  }
  cells.IterResetCol();
}

void TXLSWriteSheetData::NextCell(TCT_Cell& Cell, bool& More) {
  wb::TXLSCellMMU& cells = *Sheet_.Cells;
  More = cells.IterNextCol();
  if (!More) return;
  CellRef(cells.IterCol(), cells.IterRow(), Ref_);
  Cell.r = Ref_;
  if (const int style = cells.IterStyle(); style != 0) Cell.s = style;
  const wb::TCellValueKind kind = cells.IterCellType();
  switch (kind) {
    case wb::cvkBlank: break;
    case wb::cvkBoolean:
      Cell.t = ctBoolean;
      Cell.v = XmlBoolToStr(cells.IterBoolean());
      break;
    case wb::cvkError:
      Cell.t = ctError;
      Cell.v = wb::Xc12ErrorToText(cells.IterError());
      break;
    case wb::cvkString:
      Cell.t = ctShared;
      Cell.v = XmlIntToStr(cells.IterStringIndex());
      break;
    case wb::cvkFloat: Cell.v = XmlFloatToStr(cells.IterFloat()); break;
    case wb::cvkFloatFormula:
    case wb::cvkStringFormula:
    case wb::cvkBooleanFormula:
    case wb::cvkErrorFormula: {
      cells.IterReadFormula();
      const wb::TXLSFormulaHelper& h = cells.FormulaHelper();
      switch (kind) {
        case wb::cvkFloatFormula: Cell.v = XmlFloatToStr(h.GetResultFloat()); break;
        case wb::cvkStringFormula:
          Cell.t = ctString;
          Cell.v = h.GetResultString();
          break;
        case wb::cvkBooleanFormula:
          Cell.t = ctBoolean;
          Cell.v = XmlBoolToStr(h.GetResultBoolean());
          break;
        default:
          Cell.t = ctError;
          Cell.v = h.GetResultErrorText();
          break;
      }
      // Members of an array formula or data table carry their value only; the master holds the
      // formula.
      if (h.FormulaKind != wb::mfkArrayMember && h.FormulaKind != wb::mfkArrayMember97 &&
          h.FormulaKind != wb::mfkDataTableMember)
        FillFormula(Cell);
      break;
    }
    default: break;
  }
}

void TXLSWriteSheetData::FillFormula(TCT_Cell& Cell) {
  wb::TXLSCellMMU& cells = *Sheet_.Cells;
  const wb::TXLSFormulaHelper& h = cells.FormulaHelper();
  TCT_CellFormula& f = *Cell.f;
  // Every stored formula is written in full: no shared formulas, no si.
  if (h.FormulaKind == wb::mfkArray || h.FormulaKind == wb::mfkDataTable) f.t = h.FormulaKind;
  if (h.HasArea) f.ref = h.GetAreaText();
  if (h.HasDataTableRefs) {
    f.r1 = h.GetDataTableR1Text();
    // Empty, and so left out, for a one-input table.
    f.r2 = h.GetDataTableR2Text();
    f.dt2D = h.DataTableFlags & wb::mdtfTwoDim;
    f.dtr = h.DataTableFlags & wb::mdtfRowInput;
    f.del1 = h.DataTableFlags & wb::mdtfR1Deleted;
    f.del2 = h.DataTableFlags & wb::mdtfR2Deleted;
  } else if (h.HasPtgs()) {
    if (auto* handler = dynamic_cast<formula::TXLSFormulaHandler*>(Writer_.FormulaHandler())) {
      f.text = StripEquals(handler->DecodeFormula(&cells, Sheet_.Index, h.Ptgs, h.PtgsLen, true));
    } else {
      std::u16string text;
      if (Writer_.FormulaHandler() && Writer_.FormulaHandler()->DecodeFormula(h.Ptgs, h.PtgsLen, text))
        f.text = StripEquals(text);
      else
        f.text = StripEquals(h.SourceText);
    }
  } else {
    f.text = StripEquals(h.SourceText);
  }
  f.aca = h.FormulaOptions & 1;
  f.bx = h.FormulaOptions & 2;
  f.ca = h.FormulaOptions & 4;
}

// ---------------------------------------------------------------------------------------------
// Direct-write road

void TXLSWriteSheetData::RejectDirectCell() {
  if (Manager_->Errors)
    Manager_->Errors->Error(u"", 1005);
  else
    throw wb::Exception(u"Direct write: Cell columna and row can not be the same as previous", 1005);
}

void TXLSWriteSheetData::NextDirectRow(TCT_Row& Row, bool& More) {
  wb::TXLSEventCell& e = *Manager_->EventCell;
  while (true) {
    Manager_->DoWriteCell(true);
    More = e.HasCell();
    if (!More) return;
    if (Manager_->AcceptWriteCell()) break;
    // A row the event moved back to: reported, and when the report does not raise, passed over
    // so that the write goes on with the next row.
    RejectDirectCell();
    ++e.Row;
    e.Col = e.FirstCol - 1;
  }
  Row.Clear();
  Row.r = e.Row + 1;
}

void TXLSWriteSheetData::NextDirectCell(TCT_Cell& Cell, bool& More) {
  wb::TXLSEventCell& e = *Manager_->EventCell;
  Manager_->DoWriteCell(false);
  More = e.HasCell();
  if (!More) {
    e.ClearValue();
    return;
  }
  if (Manager_->AcceptWriteCell()) {
    CellRef(e.Col, e.Row, Ref_);
    Cell.r = Ref_;
    if (e.Style) Cell.s = e.Style->Index;
    switch (e.ValueType) {
      case wb::cvkBoolean:
      case wb::cvkBooleanFormula:
        Cell.t = ctBoolean;
        Cell.v = XmlBoolToStr(e.BoolValue);
        break;
      case wb::cvkError:
      case wb::cvkErrorFormula:
        Cell.t = ctError;
        Cell.v = wb::Xc12ErrorToText(e.ErrorValue);
        break;
      // Strings are written inline: the shared-string table never sees them.
      case wb::cvkString:
      case wb::cvkStringFormula:
        Cell.t = ctString;
        Cell.v = e.StringValue;
        break;
      case wb::cvkFloat:
      case wb::cvkFloatFormula: Cell.v = XmlFloatToStr(e.FloatValue); break;
      default: break;
    }
    if (e.ValueType >= wb::cvkFloatFormula && e.ValueType <= wb::cvkErrorFormula)
      Cell.f->text = StripEquals(e.FormulaText);
  } else {
    // Refused: nothing at this position, and the row goes on when the error does not raise.
    e.ClearValue();
    RejectDirectCell();
  }
  e.ClearValue();
}

// ---------------------------------------------------------------------------------------------
// Columns and comments

void TXLSWriteSheetData::NextColumn(TCT_Col& Col, bool& More) {
  More = ColumnIndex_ < Sheet_.Columns.Count();
  if (!More) return;
  const wb::TXc12Column& c = *Sheet_.Columns.GetItem(ColumnIndex_++);
  Col.min = c.Min + 1;
  Col.max = c.Max + 1;
  Col.width = c.Width;
  Col.style = c.Style ? c.Style->Index : 0;
  Col.hidden = c.Flags & wb::xcfHidden;
  Col.bestFit = c.Flags & wb::xcfBestFit;
  Col.customWidth = c.Flags & wb::xcfCustomWidth;
  Col.phonetic = c.Flags & wb::xcfPhonetic;
  Col.collapsed = c.Flags & wb::xcfCollapsed;
  Col.outlineLevel = c.OutlineLevel;
}

void TXLSWriteSheetData::NextComment(TCT_Comment& Comment, bool& More) {
  More = CommentIndex_ < Sheet_.Comments.Count();
  if (!More) return;
  const wb::TXc12Comment& n = *Sheet_.Comments.GetItem(CommentIndex_++);
  Comment.ref = wb::CellAreaToRefStr(n.GetArea());
  Comment.authorId = n.AuthorIndex;
  Comment.guid = n.Guid;
  Writer_.FillRichText(n.Text, n.FontRuns, *Comment.text, &n.PhoneticRuns);
}

void TXLSWriteSheetData::WriteComments(TOPCItem* SheetItem) {
  TOPC_XLSX& package = Writer_.Package();
  TOPCItem* item = package.CreateComments(SheetItem, Sheet_.Index + 1);
  Writer_.SetRootNamespaces(false);
  CommentIndex_ = 0;
  TStringXpgList& authors = Comments_.authors->author;
  for (int i = 0; i < Sheet_.Comments.Count(); ++i) {
    wb::TXc12Comment& n = *Sheet_.Comments.GetItem(i);
    const std::u16string name = n.Author ? n.Author->GetName() : std::u16string();
    int index = authors.IndexOf(name);
    if (index < 0) {
      index = authors.GetCount();
      authors.Add(name);
    }
    n.AuthorIndex = index;
  }
  Comments_.commentList->OnWriteComment = [this](TCT_Comment& c, bool& more) { NextComment(c, more); };
  Writer_.SavePart(item, Comments_);
  package.CloseItem(item);
}

}  // namespace ooxml
