#include "workbook/spreadsheet_component.h"

#include <algorithm>

#include "core/unicode.h"
#include "workbook/cell_format_editor.h"
#include "workbook/library_utils.h"
#include "workbook/zip_archive.h"

namespace workbook {

namespace {

[[noreturn]] void NotAvailable(const char* What) {
  throw Exception(std::string("The ") + What + " format is not available in this program");
}

std::u16string LowerExtension(const std::u16string& FileName) {
  const std::size_t slash = FileName.find_last_of(u"\\/");
  const std::size_t dot = FileName.find_last_of(u'.');
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return std::u16string();
  std::u16string ext = FileName.substr(dot);
  for (char16_t& c : ext)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return ext;
}

}  // namespace

TXLSSpreadsheetNeighbours& XLSSpreadsheetNeighbours() {
  static TXLSSpreadsheetNeighbours neighbours;
  return neighbours;
}

std::unique_ptr<TObject> TXLSClassFactoryImpl::CreateObject(std::uint8_t Kind, TObject*) {
  // Names compile through the formula handler and hyperlinks classify their addresses; merged
  // cells, validations, conditional formats and autofilters are the data model's own classes; the
  // drawing document comes from its neighbour.
  if (Kind == fokHyperlinks) return std::make_unique<TXLSHyperlinks>(this, Owner_->GetManager());
  if (Kind == fokHyperlink) return std::make_unique<TXLSHyperlink>(Owner_->GetManager(), Owner_->OwnFormulaHandler());
  if (Kind == fokNames) return std::make_unique<TXLSNames>(this, Owner_->OwnFormulaHandler(), Owner_->GetManager());
  if (Kind == fokName) {
    TXc12Manager* m = Owner_->GetManager();
    auto* names = m && m->Workbook ? dynamic_cast<TXLSNames*>(m->Workbook->DefinedNames.get()) : nullptr;
    if (names) return std::make_unique<TXLSName>(names);
  }
  if (Kind == fokDrawing && Owner_->Neighbours().CreateDrawing) return Owner_->Neighbours().CreateDrawing(Owner_->GetManager());
  return nullptr;
}

TXLSSpreadsheet5::TXLSSpreadsheet5() : Neighbours_(XLSSpreadsheetNeighbours()) { Init(); }

TXLSSpreadsheet5::TXLSSpreadsheet5(const TXLSSpreadsheetNeighbours& Neighbours) : Neighbours_(Neighbours) { Init(); }

void TXLSSpreadsheet5::Init() {
  Errors_ = std::make_unique<TXLSErrorManager>();
  ClassFactory_ = std::make_unique<TXLSClassFactoryImpl>(this);
  OwnedManager_ = std::make_unique<TXc12Manager>(ClassFactory_.get(), Errors_.get());
  Manager_ = OwnedManager_.get();
  if (Neighbours_.CreateFormulaHandler) OwnedFormulaHandler_ = Neighbours_.CreateFormulaHandler(Manager_);
  Manager_->CreateParts();
  InitWorkbook(Manager_, OwnedFormulaHandler_.get());
  Manager_->SetVersion(xvExcel2007);
  Clear(1);
}

TXLSSpreadsheet5::~TXLSSpreadsheet5() {
  // The sheet objects and the legacy document refer to the data: they go before it.
  ClearSheets();
  OwnedManager_.reset();
  OwnedFormulaHandler_.reset();
}

void TXLSSpreadsheet5::Clear(int SheetCount) {
  Manager_->Clear();
  ClearSheets();
  SheetCount = std::clamp(SheetCount, 0, 255);
  for (int i = 0; i < SheetCount; ++i) Add();
}

void TXLSSpreadsheet5::RequireLegacy() const {
  if (!Neighbours_.CreateLegacyDocument) NotAvailable(".xls");
}

std::unique_ptr<IXLSLegacyDocument> TXLSSpreadsheet5::NewLegacyDocument(const std::u16string& FileName) {
  TXLSLegacyOptions options;
  options.FileName = FileName;
  options.KeepVBA = KeepVBA;
  options.KeepObjectRecords = KeepObjectRecords;
  options.OnPassword = OnPassword;
  std::unique_ptr<IXLSLegacyDocument> doc = Neighbours_.CreateLegacyDocument(Manager_, FormulaHandler_, options);
  if (!doc) NotAvailable(".xls");
  return doc;
}

void TXLSSpreadsheet5::SetVersion(TExcelVersion Value) {
  if (Value == GetVersion()) return;
  if (Value == xvExcel97) {
    RequireLegacy();
    if (Neighbours_.EmptyLegacyTemplate.empty()) NotAvailable(".xls (no empty-workbook template)");
    if (GetCount() > 1 || (GetCount() == 1 && !GetItem(0)->IsEmpty())) Errors_->Warning(u"", 6003);
    Clear(1);
    Manager_->SetVersion(xvExcel97);
    TPointerMemoryStream zipStream(Neighbours_.EmptyLegacyTemplate.data(),
                                   static_cast<std::int64_t>(Neighbours_.EmptyLegacyTemplate.size()));
    TXLSZipArchive zip;
    zip.OpenRead(zipStream);
    if (zip.Count() < 1) throw Exception("The empty-workbook template holds no workbook");
    TMemoryStream xls;
    zip.GetItem(0)->ExtractToStream(xls);
    xls.Seek(0, TSeekOrigin::soBeginning);
    LoadBIFFFromStream(xls);
    Manager_->StyleSheet->XFEditor->MarkAllDefault();
  } else {
    Legacy_.reset();
    Manager_->SetVersion(xvExcel2007);
  }
}

void TXLSSpreadsheet5::LoadFromFile(const std::u16string& FileName) {
  const std::u16string ext = LowerExtension(FileName);
  if (ext == u".xls" || ext == u".xlm") {
    RequireLegacy();
    Manager_->Filename = FileName;
    Manager_->SetVersion(xvExcel97);
    Clear(0);
    Manager_->BeforeRead();
    Legacy_ = NewLegacyDocument(FileName);
    Legacy_->SetFilename(FileName);
    Manager_->BIFFExternalNames = Legacy_->ExternalNames();
    Legacy_->Read();
    AfterRead();
    return;
  }
  TFileStream file(core::utf16_to_utf8(FileName), TFileStream::fmOpenRead);
  Manager_->Filename = FileName;
  LoadFromStream(file, true);
}

void TXLSSpreadsheet5::LoadFromStream(TStream& Stream, bool CheckZip) {
  if (CheckZip && !IsZipStream(Stream)) {
    LoadBIFFFromStream(Stream);
    return;
  }
  if (!Neighbours_.CreateXlsxReader) NotAvailable(".xlsx");
  Manager_->SetVersion(xvExcel2007);
  std::unique_ptr<IXLSXReader> reader = Neighbours_.CreateXlsxReader(Manager_, FormulaHandler_);
  if (!reader) NotAvailable(".xlsx");
  Clear(0);
  Manager_->BeforeRead();
  reader->Read(Stream);
  AfterRead();
}

void TXLSSpreadsheet5::LoadBIFFFromStream(TStream& Stream) {
  RequireLegacy();
  Manager_->SetVersion(xvExcel97);
  Clear(0);
  Manager_->BeforeRead();
  Legacy_ = NewLegacyDocument(u"");
  Manager_->BIFFExternalNames = Legacy_->ExternalNames();
  Legacy_->ReadStream(Stream);
  AfterRead();
}

void TXLSSpreadsheet5::AfterRead() {
  CreateSheetObjects();
  Manager_->AfterRead();
  if (Legacy_) NotesToComments();
}

void TXLSSpreadsheet5::NotesToComments() {
  for (int i = 0; i < GetCount(); ++i) {
    for (const IXLSLegacyDocument::TNote& n : Legacy_->SheetNotes(i)) {
      GetItem(i)->GetComments()->Add(n.Col, n.Row, n.Text);
    }
  }
}

void TXLSSpreadsheet5::SaveToFile(const std::u16string& FileName) {
  Manager_->Filename = FileName;
  if (Legacy_) {
    PrepareWrite();
    Legacy_->SetFilename(FileName);
    Legacy_->Write();
    return;
  }
  if (!Neighbours_.CreateXlsxWriter) NotAvailable(".xlsx");
  TFileStream file(core::utf16_to_utf8(FileName), TFileStream::fmCreate);
  SaveToStream(file);
}

void TXLSSpreadsheet5::SaveToStream(TStream& Stream) {
  if (Legacy_) {
    Legacy_->WriteStream(Stream);
    return;
  }
  if (!Neighbours_.CreateXlsxWriter) NotAvailable(".xlsx");
  std::unique_ptr<IXLSXWriter> writer = Neighbours_.CreateXlsxWriter(Manager_, FormulaHandler_);
  if (!writer) NotAvailable(".xlsx");
  PrepareWrite();
  CalcDimensions();
  Manager_->BeforeSave();
  writer->Write(Stream);
}

}  // namespace workbook
