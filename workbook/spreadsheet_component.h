// TXLSSpreadsheet5, the non-visual spreadsheet component: a workbook that owns its error manager,
// class factory, data manager and formula handler, and reads and writes whole workbooks in the
// legacy (.xls) or the Open XML (.xlsx) version.
//
// The formula engine, the legacy document and the .xlsx reader and writer are built in libraries
// that link this one. They plug in through TXLSSpreadsheetNeighbours, which each of them fills once
// at start-up (or a test fills per component). A road whose neighbour is missing fails with a clear
// error before anything of the current workbook is changed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "workbook/worksheet_api.h"

namespace workbook {

class IXLSXReader {
public:
  virtual ~IXLSXReader() = default;
  virtual void Read(TStream& Stream) = 0;
};

class IXLSXWriter {
public:
  virtual ~IXLSXWriter() = default;
  virtual void Write(TStream& Stream) = 0;
};

using TPasswordEvent = std::function<void(TObject* Sender, std::u16string& Password)>;
// A function call handed to the program (arguments and result as the engine holds them).
using TFunctionEvent = std::function<void(TObject* Sender, const std::u16string& FuncName,
                                          const std::vector<formula::TXLSFormulaValue>& Args,
                                          formula::TXLSFormulaValue& Result)>;

struct TXLSLegacyOptions {
  std::u16string FileName;
  std::uint8_t KeepVBA = 0;
  std::uint8_t KeepObjectRecords = 0;
  TPasswordEvent OnPassword;
};

struct TXLSSpreadsheetNeighbours {
  std::function<std::unique_ptr<IXLSFormulaHandler>(TXc12Manager*)> CreateFormulaHandler;
  std::function<std::unique_ptr<IXLSLegacyDocument>(TXc12Manager*, IXLSFormulaHandler*, const TXLSLegacyOptions&)>
      CreateLegacyDocument;
  std::function<std::unique_ptr<IXLSXReader>(TXc12Manager*, IXLSFormulaHandler*)> CreateXlsxReader;
  std::function<std::unique_ptr<IXLSXWriter>(TXc12Manager*, IXLSFormulaHandler*)> CreateXlsxWriter;
  // The drawing document of a sheet (the class factory's drawing kind).
  std::function<std::unique_ptr<TObject>(TXc12Manager*)> CreateDrawing;
  // The empty legacy workbook: a ZIP archive whose first entry is the .xls file.
  std::vector<std::uint8_t> EmptyLegacyTemplate;
};

// The neighbours every new component takes.
TXLSSpreadsheetNeighbours& XLSSpreadsheetNeighbours();

class TXLSSpreadsheet5;

class TXLSClassFactoryImpl : public TXLSClassFactory {
public:
  explicit TXLSClassFactoryImpl(TXLSSpreadsheet5* Owner) : Owner_(Owner) {}
  std::unique_ptr<TObject> CreateObject(std::uint8_t Kind, TObject* Owner) override;

private:
  TXLSSpreadsheet5* Owner_;
};

class TXLSSpreadsheet5 : public TXLSWorkbook {
public:
  TXLSSpreadsheet5();
  explicit TXLSSpreadsheet5(const TXLSSpreadsheetNeighbours& Neighbours);
  ~TXLSSpreadsheet5() override;

  static constexpr const char16_t* kComponentVersion = u"5.0.1a";
  std::u16string GetComponentVersion() const { return kComponentVersion; }
  TExcelVersion GetVersion() const { return Legacy_ ? xvExcel97 : xvExcel2007; }
  void SetVersion(TExcelVersion Value);
  const std::u16string& GetFilename() const { return Manager_->Filename; }
  void SetFilename(const std::u16string& Value) { Manager_->Filename = Value; }
  bool GetDirectRead() const { return Manager_->DirectRead; }
  void SetDirectRead(bool Value) { Manager_->DirectRead = Value; }
  bool GetDirectWrite() const { return Manager_->DirectWrite; }
  void SetDirectWrite(bool Value) { Manager_->DirectWrite = Value; }
  TXLSErrorManager* GetErrors() const { return Errors_.get(); }
  const TCellReadWriteEvent& GetOnReadCell() const { return Manager_->OnReadCell; }
  void SetOnReadCell(TCellReadWriteEvent E) { Manager_->OnReadCell = std::move(E); }
  const TCellReadWriteEvent& GetOnWriteCell() const { return Manager_->OnWriteCell; }
  void SetOnWriteCell(TCellReadWriteEvent E) { Manager_->OnWriteCell = std::move(E); }
  const TXLSProgressEvent& GetOnProgress() const { return Manager_->OnProgress; }
  void SetOnProgress(TXLSProgressEvent E) { Manager_->OnProgress = std::move(E); }
  // Asked (with the component as Sender) for the password of an encrypted .xls workbook.
  TPasswordEvent OnPassword;
  // Kept for programs that set it: the component never raises it (OnUserFunction serves the
  // functions the engine does not know), so it reads unassigned and setting it changes nothing.
  TFunctionEvent GetOnFunction() const { return {}; }
  void SetOnFunction(TFunctionEvent) {}
  // The user-function event of the formula handler, where the calculation calls it.
  TUserFunctionEvent GetOnUserFunction() const;
  void SetOnUserFunction(TUserFunctionEvent Event);
  // The password that opens encrypted .xls workbooks.
  const std::u16string& GetPassword() const { return Manager_->Password; }
  void SetPassword(const std::u16string& Value) { Manager_->Password = Value; }
  std::uint8_t KeepVBA = 0;
  std::uint8_t KeepObjectRecords = 0;

  void Clear(int SheetCount);
  IXLSLegacyDocument* GetBIFF() const { return Legacy_.get(); }
  const TXLSSpreadsheetNeighbours& Neighbours() const { return Neighbours_; }
  // The handler the component owns; there before the data parts are made.
  IXLSFormulaHandler* OwnFormulaHandler() const { return OwnedFormulaHandler_.get(); }

  void LoadFromFile(const std::u16string& FileName);
  void LoadFromStream(TStream& Stream, bool CheckZip);
  void LoadBIFFFromStream(TStream& Stream);
  void SaveToFile(const std::u16string& FileName);
  void SaveToStream(TStream& Stream);
  // Legacy version only: the drawing picture goes to the legacy sheet SheetIndex, its far corner
  // offsets given as fractions of a cell.
  bool AddBIFFPicture(TXLSDrawingImage* Image, int SheetIndex, double Row2Offset, double Col2Offset) override;
  void Read() { LoadFromFile(Manager_->Filename); }
  void Write() { SaveToFile(Manager_->Filename); }

private:
  void Init();
  void AfterRead();
  void NotesToComments();
  void PicturesFromBIFF();
  std::unique_ptr<IXLSLegacyDocument> NewLegacyDocument(const std::u16string& FileName);
  void RequireLegacy() const;
  TXLSSpreadsheetNeighbours Neighbours_;
  std::unique_ptr<TXLSErrorManager> Errors_;
  std::unique_ptr<TXLSClassFactoryImpl> ClassFactory_;
  std::unique_ptr<TXc12Manager> OwnedManager_;
  std::unique_ptr<IXLSFormulaHandler> OwnedFormulaHandler_;
};

}  // namespace workbook
