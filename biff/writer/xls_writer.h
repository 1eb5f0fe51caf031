// TXLSWriteXLS: writes one .xls document and the workbook model behind it as the "Workbook" (BIFF8)
// or "Book" (BIFF5) stream of a new compound file. The record order is the stored order of the
// globals and sheet record storages; standard records get bodies generated from the model, and each
// placeholder becomes its block (styles, sheet list, names, shared strings, rows and cells, page
// settings, pane/selection/merged cells/hyperlinks).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "biff/document/biff5_document.h"
#include "biff/document/sheet_rules.h"
#include "biff/stream/xls_stream.h"
#include "core/byte_io.h"

namespace workbook {
class TXc12Manager;
class TXc12DataWorksheet;
class TXc12XF;
class TXc12Font;
struct TXc12Color;
}  // namespace workbook

namespace biff {

struct TBoundsheetData {
  std::uint8_t Kind = 0;  // 0 worksheet, 1 chart sheet, 2 VBA module, 3 macro sheet
  int SheetIndex = 0;
  int BodyPos = -1;
  std::u16string Name;
  std::uint8_t Hidden = 0;
  // Writes the stream's current position into the entry's BOUNDSHEET body.
  void PatchPosition(TXLSStream& Stream) const;
};

class TBoundsheetList {
public:
  void Clear() { Items_.clear(); }
  // SheetType 0 gives Kind 0, 1 gives 2, 2 gives 3.
  TBoundsheetData* AddSheet(int Index, const std::u16string& Name, std::uint8_t SheetType, std::uint8_t Hidden);
  TBoundsheetData* AddChart(int Index, const std::u16string& Name);
  TBoundsheetData* FindSheet(int Index) const;
  TBoundsheetData* FindChart(int Index) const;
  int Count() const { return static_cast<int>(Items_.size()); }
  TBoundsheetData* GetItem(int Index) const;

private:
  std::vector<std::unique_ptr<TBoundsheetData>> Items_;
};

// Compiles formula text of a cell into BIFF8 tokens (the encoder of a later stage plugs in here);
// returns the token bytes without marker. Raises when the text does not compile.
using TBIFF8FormulaEncoder = std::function<core::Bytes(workbook::TXc12Manager& Manager, int SheetIndex,
                                                       const std::u16string& Text)>;

// Compiles the formula text of a conditional format or validation into BIFF8 tokens of operand
// class ArgClass (references absolute, as a cell formula has them). Raises when it does not compile.
using TBIFF8RuleEncoder = std::function<core::Bytes(const std::u16string& Text, std::uint8_t ArgClass)>;

class TXLSWriteXLS {
public:
  explicit TXLSWriteXLS(TBIFF5& Doc);
  ~TXLSWriteXLS();
  TXLSWriteXLS(const TXLSWriteXLS&) = delete;
  TXLSWriteXLS& operator=(const TXLSWriteXLS&) = delete;

  // Writes the whole document: appended to Out, or, with Out null, into the file named by the
  // document (written through a temporary file, so a failed save leaves no broken file).
  void Write(core::Bytes* Out);

  // Formulas held as text or as the engine's own byte code need a BIFF8 encoder.
  TBIFF8FormulaEncoder FormulaEncoder;
  // Formulas of conditional formats and validations; the document's formula handler when unset.
  TBIFF8RuleEncoder RuleEncoder;

  // Record routines shared by the generators.
  void WriteWordRecord(std::uint16_t Id, std::uint16_t Value);
  void WriteBoolRecord(std::uint16_t Id, bool Value);
  void WriteEmptyRecord(std::uint16_t Id);
  void WriteFILEPASS();
  void WriteBuffer(std::uint16_t Id, int Len);
  void WriteRecordData(std::uint16_t Id, int Len, const void* Data);

  // The RK form of Value, when it reads back exactly.
  static bool EncodeRK(std::int32_t& RK, double Value);
  // BIFF XF index of a model cell format (cell store style); see the numbering below.
  std::uint16_t XFIndex(int Style) const;
  // BIFF FONT index of a model font index.
  std::uint16_t FontIndex(int ModelFont) const;
  bool BIFF5Target() const { return BIFF5_; }

private:
  // The walk.
  void BuildBoundsheetList();
  // Refuses a workbook with a cell past the last row or column of the target version.
  void CheckGridLimits() const;
  // Whether chart sheet Index is written: its records are of the target's version.
  bool WritesChartSheet(int Index) const;
  void WriteChartSheet(int Index);
  // The position among the BOUNDSHEET records of document sheet SheetIndex (chart sheets before
  // it move it on).
  int TabOf(int SheetIndex) const;
  void WriteGlobalRecord(int Index);
  void WriteSheetRecord(int Index);
  void WriteBOUNDSHEET(TBoundsheetData& Entry);
  void SyncSheets();

  // Cells (rows, cell records, dimensions).
  void WriteCells();
  void WriteROWs();
  void WriteDIMENSIONS();
  void WriteFormulaCell(core::ByteWriter& W, int Row, int Col, int XF);
  void WriteSTRING(core::ByteWriter& W, const std::u16string& Text);
  void FlushRKRun(core::ByteWriter& W, int Row);
  void FlushBlankRun(core::ByteWriter& W, int Row);
  void FlushCells(core::ByteWriter& W, bool Final);

  // Styles.
  void WriteStyleBlock();
  void WriteFONTs();
  void WriteFONT(const workbook::TXc12Font* Font);
  void WriteFORMATs();
  void WriteXFs();
  void WriteXF(const workbook::TXc12XF* XF, bool StyleXF);
  void WriteSTYLEs();
  void WritePALETTE();
  void WriteBIFF5Styles();
  std::uint8_t ColorToPaletteIndex(const workbook::TXc12Color& Color, std::uint8_t Automatic) const;

  // Shared strings.
  void WriteSST();

  // Settings of the globals.
  void WriteWRITEACCESS();
  void WriteWINDOW1();
  void WriteProtection();
  void WriteTABID();

  // Settings of a sheet.
  void WriteCALCMODE();
  void WriteDEFCOLWIDTH();
  void WriteDEFAULTROWHEIGHT();
  void WriteGUTS();
  void WriteWSBOOL();
  void WriteSETUP();
  void WritePageBreaks();
  void WriteHeaderFooter();
  void WriteMargins();
  void WriteCOLINFOs();
  void WriteWINDOW2();
  void WritePANE();
  void WriteSELECTION();
  void WriteMERGEDCELLS();
  void WriteFEATHDR();

  // Names and hyperlinks.
  void WriteExternals();
  void WriteNAMEs();
  void WriteSUPBOOK();
  void WriteEXTERNSHEET();
  void WriteHLINKs();

  void WriteShortText(std::uint16_t Id, const std::u16string& Text);

  // Conditional formats, validations and autofilters: compiled and decided for every sheet before
  // the globals are written, then written at their places in each sheet.
  void PrepareSheetRules();
  void SyncFilterDatabaseName(int SheetIndex);
  void WriteRuleRecords(const std::vector<TRawRecord>& Records);
  std::vector<TSheetRuleRecords> RuleRecords_;

  TBIFF5& Doc_;
  workbook::TXc12Manager& Manager_;
  bool BIFF5_ = false;
  // False while the model's style sheet is the one a read file filled (see XFIndex).
  bool FreshStyles_ = true;
  std::vector<std::uint8_t> Buffer_;
  int SheetIndex_ = -1;
  workbook::TXc12DataWorksheet* Sheet_ = nullptr;
  std::unique_ptr<TXLSStream> Stream_;
  TBoundsheetList Boundsheets_;
  bool NamesWritten_ = false;
  std::vector<int> FontMap_;  // model font index -> FONT index (-1: not written)

  struct TRKEntry {
    std::uint16_t XF;
    std::int32_t RK;
  };
  std::array<TRKEntry, 256> RKRun_{};
  int RKCount_ = 0, RKFirst_ = -1, RKLast_ = -1;
  std::array<std::uint16_t, 256> BlankRun_{};
  int BlankCount_ = 0, BlankFirst_ = -1, BlankLast_ = -1;
};

}  // namespace biff
