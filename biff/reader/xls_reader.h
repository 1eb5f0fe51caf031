// TXLSReadXLS walks the records of an .xls file (the "Workbook" or "Book" stream of a compound
// file, or a plain BIFF2-4 record file) and turns them into the workbook model: cells, formulas,
// styles, the shared-string table, settings, external references and defined names. Records it
// does not take into the model go to the record storage of their substream, raw, so that a later
// save writes them back.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <unordered_set>
#include <string>
#include <vector>

#include "biff/document/wide_string_list.h"
#include "biff/formulas/biff5_tokens.h"
#include "biff/stream/xls_stream.h"
#include "core/byte_io.h"

namespace workbook {
class TXc12DefinedName;
class TXc12SheetView;
class TXc12Manager;
class TXc12DataWorksheet;
class TXLSCellMMU;
}  // namespace workbook

namespace biff {

class TBIFF5;
class TRecordStorage;
class TRecordBody;

// One shared formula of the current sheet: its range and its relative tokens.
struct TSharedFormula {
  std::uint16_t Row1 = 0, Row2 = 0;
  std::uint8_t Col1 = 0, Col2 = 0;
  std::vector<std::uint8_t> Ptgs;
};

class TXLSReadXLS {
public:
  explicit TXLSReadXLS(TBIFF5& Document);
  ~TXLSReadXLS();
  TXLSReadXLS(const TXLSReadXLS&) = delete;
  TXLSReadXLS& operator=(const TXLSReadXLS&) = delete;

  // The whole read: of Data when given, else of the document's file name. Raises on a fatal
  // fault, with the message "Error on reading record # ..." for faults inside a record.
  void Read(const core::ByteSpan* Data);

  bool SkipDrawing = false;
  // The most sheets (BOUNDSHEET records) a file may bring: each costs a sheet of the model, so a
  // file of repeated records must not make the reader allocate without bound.
  int MaxSheets = 10000;

  // Appends the strings of a shared-string table, given as its pieces as stored (the SST body,
  // then each CONTINUE body), to the manager's table in file order.
  static void ReadSSTPieces(workbook::TXc12Manager& Manager, const std::vector<core::Bytes>& Pieces);

private:
  void Reset();
  void RecordLoop();
  std::string RecordError(int Counter, const char* What);
  void ReadBIFF4();
  void HandleRecord();
  void ReadBody();
  bool NextIs(std::uint16_t Id);
  bool NextIsAny(std::uint16_t Id1, std::uint16_t Id2);
  // Reads the next record (header and body) into Buf2_; False when it is not one of the ids.
  bool ReadNext(std::uint16_t Id1, std::uint16_t Id2, std::uint16_t& Id, std::vector<std::uint8_t>& Body);
  void SkipSubstream(TRecordStorage* Store);
  // A chart sheet's sub-stream after its BOF (in Buf_): read into the document's chart sheets.
  void RecChartSheet();
  // The chart sheet whose sub-stream starts at Start (behind its BOF, in Buf_) kept as its
  // records up to its EOF: one that does not read as a chart, or one of a BIFF5 file.
  void KeepChartSheet(int Start, bool Biff5);
  // The name and hidden state the BOUNDSHEET list gives the chart sheet being read.
  std::pair<std::u16string, std::uint8_t> ChartSheetTab() const;
  // The worksheet at BOUNDSHEET position Tab (counted among the worksheets only); -1 for a chart
  // sheet. Positions past the list are moved back by the chart sheets before them.
  int WorksheetOfTab(int Tab) const;
  // Own-workbook EXTERNSHEET entries name sheets by BOUNDSHEET position: turned into worksheet
  // indexes (ends on chart sheets move inward to the nearest worksheet).
  void ExternSheetsToWorksheets();

  // Handlers.
  void RecBOF();
  void RecEOF();
  // At a worksheet's end: rows made only by their cells take the sheet's default height.
  void DefaultRowHeights();
  void RecBOUNDSHEET();
  void RecFILEPASS();
  void RecCODEPAGE();
  void RecBLANK();
  void RecMULBLANK();
  void RecNUMBER();
  void RecRK();
  void RecMULRK();
  void RecLABELSST();
  void RecLABEL();
  void RecBOOLERR();
  void RecBIFF2Cell();
  void RecFORMULA();
  void RecROW();
  void RecCOLINFO();
  void RecDIMENSIONS();
  void RecFONT();
  void RecFORMAT();
  void RecXF();
  void RecXF34();
  void RecPALETTE();
  void RecSTYLE();
  void RecSST();
  void RecMERGECELLS();
  void RecHLINK();
  void RecSettings();
  workbook::TXc12SheetView& SheetView();
  void RecSUPBOOK();
  void RecEXTERNNAME();
  void RecEXTERNSHEET();
  void RecXCT();
  void RecNAME();
  // A NAME record's name added to the model, built-in by its Code or else by its Text, with the
  // flags of the record.
  workbook::TXc12DefinedName& AddName(std::uint16_t Flags, int Code, const std::u16string& Text, int Local);
  // BIFF5: EXTERNSHEET and EXTERNNAME records noted for the formulas that refer through them,
  // NAME records read into the model; all three stay stored raw.
  void RecEXTERNSHEET5();
  void RecEXTERNNAME5();
  void RecNAME5();
  TBIFF5TokenContext BIFF5Context();
  // BIFF5 tokens (Cce bytes, then their extra data) turned into BIFF8 tokens in place; False when
  // they do not convert.
  bool BIFF5ToBIFF8(std::vector<std::uint8_t>& Tokens, int& Cce);
  void RecDrawing();
  void RecNOTE();
  // Conditional formats, validations and the autofilter (reader_rules.cpp).
  void RecCONDFMT();
  void RecDVAL();
  void RecAutoFilter();
  // Tokens of a rule formula to text; a formula that does not decode is reported and gives "".
  std::u16string DecodeRuleFormula(const std::vector<std::uint8_t>& Tokens, int BaseCol, int BaseRow);
  bool TakesDrawings() const;

  // Cell helpers.
  workbook::TXLSCellMMU& Cells();
  int CellStyle(int XF) const;
  void CheckCell(int Col, int Row) const;
  void StoreFloat(int Col, int Row, int XF, double Value);
  void StoreString(int Col, int Row, int XF, const std::u16string& Text);
  void StoreBoolErr(int Col, int Row, int XF, std::uint8_t Value, bool IsError);
  void FireEvent(int Col, int Row);
  void StoreFormulaSpecial(int Col, int Row, int Style, const std::uint8_t* Ptgs, int PtgsBytes, int Cce,
                           const std::uint8_t* Result);
  void SetFormulaTokens(const std::uint8_t* Ptgs, int PtgsBytes, int Cce);
  bool ReadStringResult(std::u16string& Text);
  std::u16string Ansi(const TRecordBody& B, int Offset, int Count) const;
  void AddFont(const std::u16string& Name, int Height, int Options, int Color, int Weight, int Escapement,
               int Underline, int Family, int Charset);

  TBIFF5& Doc_;
  workbook::TXc12Manager& M_;
  std::unique_ptr<TXLSStream> Stream_;
  std::vector<std::uint8_t> Buf_;
  std::vector<std::uint8_t> Buf2_;
  TBIFFHeader Header_;
  int SheetIndex_ = -1;
  int BoundsheetPos_ = -1;
  int RawDrawingSheet_ = -1;  // the sheet whose drawing did not read and stays raw
  TXLSWideStringList SheetNames_;
  std::unordered_set<std::u16string> SheetNameSet_;  // upper case
  std::vector<std::uint8_t> SheetTypes_;
  std::vector<TSharedFormula> Shared_;
  std::vector<std::uint8_t> Array_;
  // The BIFF5 EXTERNSHEET records read, in order (3-D references count them from 1): the type
  // character, the rest of the encoded name, and the EXTERNNAME records after it.
  struct TBiff5ExternSheet {
    std::uint8_t Type = 0;
    std::u16string Name;
    std::vector<std::u16string> Names;
  };
  std::vector<TBiff5ExternSheet> Biff5ExternSheets_;
  // Rows of the current worksheet that have a ROW record; the others take the default height.
  std::vector<bool> RowRecords_;
  TRecordStorage* Storage_ = nullptr;
  bool StoreRaw_ = false;
  workbook::TXc12DataWorksheet* Worksheet_ = nullptr;
  std::uint8_t Version_ = 6;
  int CodePage_ = 1252;
  bool InCustomView_ = false;
  bool CountryRead_ = false;  // a COUNTRY record was read
  bool InSheet_ = false;   // between a worksheet's BOF and its EOF
  bool Finished_ = false;  // the last substream was read
  // BIFF4 number formats: the 34 built-in masks replaced by the file's FORMAT records in order.
  std::vector<std::u16string> Biff4Formats_;
  int Biff4FormatCount_ = 0;
  int Biff4FormatBase_ = 0;
  bool Biff4FormatsStored_ = false;
};

}  // namespace biff
