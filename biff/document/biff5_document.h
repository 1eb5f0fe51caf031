// The legacy-format side of a workbook: what the workbook model does not hold of an .xls file (the
// BIFF version, the raw records of globals and sheets, the legacy sheets, the STYLE records, the
// kept storages of the compound file, the password) and the settings of its reading and writing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "biff/document/sheet_data.h"
#include "biff/document/vba_project.h"
#include "biff/drawing/drawing_group.h"
#include "biff/reader/external_names.h"
#include "biff/stream/record_storage.h"
#include "biff/stream/xls_stream.h"

namespace workbook {
class TXc12Manager;
class TXc12Font;
}

namespace biff {

class TFormulaHandler;
class TSheetCharts;
struct TDrawingServices;

// Copies of STYLE record bodies in BIFF8 layout, kept from the file read and written back.
class TStyles {
public:
  // Copies the part of the body a STYLE record uses: 4 bytes for a built-in style (XF index word
  // above 0x0FFF), else 4 bytes and the name. Raises "STYLE record too short" when Len does not
  // hold it.
  void Add(const std::uint8_t* Body, int Len);
  int Count() const { return static_cast<int>(Items_.size()); }
  const core::Bytes& Items(int Index) const;
  void Clear() { Items_.clear(); }
  // The size of the stored copy of Body, by the rule above; needs 4 bytes.
  static int StyleSize(const std::uint8_t* Body);

private:
  std::vector<core::Bytes> Items_;
};

class TBIFF5 {
public:
  // Keeps the manager (not owned); one sheet, version 6, defaults in place.
  explicit TBIFF5(workbook::TXc12Manager* Manager = nullptr);
  ~TBIFF5();
  TBIFF5(const TBIFF5&) = delete;
  TBIFF5& operator=(const TBIFF5&) = delete;

  workbook::TXc12Manager* Manager() const { return Manager_; }

  // Names, globals, styles and sheets back to a new document with one sheet.
  void Clear();
  std::uint8_t Version() const { return Version_; }
  // Also sets the largest record body: 2080 below version 6, 8224 from it.
  void SetVersion(std::uint8_t Version);
  int MaxRecordBody() const { return MaxRecordBody_; }
  std::uint8_t VersionRead = 0;
  const std::u16string& Filename() const { return Filename_; }
  void SetFilename(const std::u16string& Name) { Filename_ = Name; }

  TSheets& Sheets() { return Sheets_; }
  TSheet* GetSheet(int Index) const { return Sheets_.Items(Index); }
  TRecordStorageGlobals& Globals() { return Globals_; }
  TStyles& Styles() { return Styles_; }
  TExtraObjects& KeptStorages() { return KeptStorages_; }
  TExternalNames& ExternalNames() { return ExternalNames_; }
  // The workbook's drawing group: the picture store and shape-id clusters of all sheet drawings.
  TEscherGroup& EscherGroup() { return *EscherGroup_; }
  // The chart sheets read from a file (sheets of their own, beside the worksheets).
  TSheetCharts& SheetCharts() { return *SheetCharts_; }
  // What drawings and chart records of this document ask of it: the workbook's fonts by their FONT
  // record numbering.
  TDrawingServices DrawingServices();
  // The formula handler of chart references (sheet names from this document).
  TFormulaHandler& Formulas() { return *Formulas_; }
  // A font for the text of a new chart: an equal built-in chart font of the workbook when there is
  // one, so that charts made report after report do not pile up fonts.
  workbook::TXc12Font* NewChartFont();
  // Set by the writer while it writes: the FONT record index of a workbook font index.
  std::function<int(int FontIndex)> FontToFile;

  // Reading: the model and this document are cleared, then filled from the file (Read) or from
  // the bytes of a whole file (ReadStream). On failure the exception reaches the caller; the
  // model keeps what was read, and the document keeps at least one sheet.
  void Read(const std::u16string& FileName);
  void ReadStream(core::ByteSpan Data);

  // After a read: the ids of the TABID record go to the sheets and chart sheets at their tab
  // positions.
  void TakeTabIds();
  // Moves the worksheet at From to position To, with the references of formulas to it. In the
  // tab list it goes next to the worksheet that stood at To; chart sheets and the other sheets
  // keep their order.
  void MoveSheet(int From, int To);

  // Before a write: refuses versions 2 and 3 ("Can not write Excel 2.1/3.0 files"), clears the
  // abort flag and starts the progress count.
  void PrepareWrite();

  bool Aborted() const { return Abort; }
  // The process-wide texts of the Boolean values.
  static void SetTrueText(const std::u16string& Text);
  static void SetFalseText(const std::u16string& Text);

  // What the formula handler asks of the document: the index of a sheet by name (ignoring case)
  // and the sheet count, -1 and 0 without one; the name of a sheet (Kind 0), an empty name
  // (Kind 1), any other kind leaves Name.
  void FindSheetIndex(const std::u16string& Name, int& Index, int& Count) const;
  void GetSheetName(int Kind, int Index, std::u16string& Name) const;

  // True gives the document a VBA holder (the project is parsed and kept when a file is read),
  // False drops it. Without a holder the project's storage still goes with the kept storages.
  void SetVBA(bool Keep);
  TXLSVBA* VBA() const { return VBA_.get(); }

  bool DefaultStyles = true;
  bool WriteVBA = true;
  bool Abort = false;
  bool SkipDrawing = false;
  int MaxSheets = 10000;  // the limit of common spreadsheet applications
  // Not empty: the file written is encrypted with it. A read sets the password that opened it.
  std::u16string Password;
  // Asked, besides the manager's event, for the password of an encrypted file.
  std::function<void(std::u16string& Password)> OnPassword;
  core::Bytes FileSharing;  // the FILESHARING body read; never written back
  int ProgressTotal = 0;
  int ProgressCount = 0;
  std::function<void(TBIFF5& Document)> OnAfterRead;
  std::function<void(TBIFF5& Document, int Percent)> OnProgress;

private:
  workbook::TXc12Manager* Manager_;
  std::u16string Filename_;
  std::uint8_t Version_ = 6;
  int MaxRecordBody_ = 8224;
  // Declared before the sheets: their drawings hold clusters of the group and go first.
  std::unique_ptr<TEscherGroup> EscherGroup_;
  std::unique_ptr<TFormulaHandler> Formulas_;
  // After the group as well: a chart sheet's drawing holds a cluster of it.
  std::unique_ptr<TSheetCharts> SheetCharts_;
  TSheets Sheets_;
  TRecordStorageGlobals Globals_;
  TStyles Styles_;
  TExtraObjects KeptStorages_;
  TExternalNames ExternalNames_;
  std::unique_ptr<TXLSVBA> VBA_;

  void DoRead(const core::ByteSpan* Data);
  void SetDrawingServices(TEscherDrawing& Drawing);
};

}  // namespace biff
