#include "workbook/spreadsheet_component.h"

#include <algorithm>

#include "core/unicode.h"
#include "workbook/cell_format_editor.h"
#include "workbook/library_utils.h"
#include "workbook/streams.h"

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

std::unique_ptr<TObject> TXLSClassFactoryImpl::CreateObject(std::uint8_t Kind, TObject* Owner) {
  // The drawing document comes from its neighbour; a kind it can not make is nil, and the data
  // model then makes its own plain class.
  TXc12Manager* m = Owner_->GetManager();
  IXLSFormulaHandler* handler = Owner_->OwnFormulaHandler();
  TXc12DefinedNames* names = m && m->Workbook ? m->Workbook->DefinedNames.get() : nullptr;
  switch (Kind) {
    case fokNames: return std::make_unique<TXLSNames>(this, handler, m);
    case fokName:
      if (auto* own = dynamic_cast<TXLSNames*>(names)) return std::make_unique<TXLSName>(own);
      return nullptr;
    case fokMergedCells: return std::make_unique<TXLSMergedCells>(this);
    case fokMergedCell: return std::make_unique<TXLSMergedCell>();
    case fokHyperlinks: return std::make_unique<TXLSHyperlinks>(this, m);
    case fokHyperlink: return std::make_unique<TXLSHyperlink>(m, handler);
    case fokDataValidations: return std::make_unique<TXLSDataValidations>(this);
    case fokDataValidation: return std::make_unique<TXLSDataValidation>();
    case fokConditionalFormat: return std::make_unique<TXLSConditionalFormat>(m, handler);
    case fokConditionalFormats: return std::make_unique<TXLSConditionalFormats>(this);
    case fokAutofilter: return std::make_unique<TXLSAutofilter>(this, names, Owner);
    case fokAutofilterColumn: return std::make_unique<TXLSAutofilterColumn>();
    case fokDrawing:
      if (Owner_->Neighbours().CreateDrawing) return Owner_->Neighbours().CreateDrawing(m);
      return nullptr;
    default: return nullptr;
  }
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

TUserFunctionEvent TXLSSpreadsheet5::GetOnUserFunction() const {
  return FormulaHandler_ ? FormulaHandler_->GetOnUserFunction() : TUserFunctionEvent();
}

void TXLSSpreadsheet5::SetOnUserFunction(TUserFunctionEvent Event) {
  if (!FormulaHandler_) throw Exception("No formula handler to call user functions");
  FormulaHandler_->SetOnUserFunction(std::move(Event));
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
  if (OnPassword) options.OnPassword = [this](TObject*, std::u16string& Password) { OnPassword(this, Password); };
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
  if (!Legacy_) return;
  for (int i = 0; i < GetCount(); ++i) GetItem(i)->GetDrawing()->SetLegacyObjects(Legacy_->SheetDrawingObjects(i));
  PicturesFromBIFF();
  NotesToComments();
}

void TXLSSpreadsheet5::PicturesFromBIFF() {
  for (int i = 0; i < GetCount(); ++i) {
    std::vector<IXLSLegacyDocument::TPicture> pictures = Legacy_->SheetPictures(i);
    for (std::size_t j = 0; j < pictures.size(); ++j) {
      const IXLSLegacyDocument::TPicture& p = pictures[j];
      if (p.Id <= 0) continue;
      const char* ext = nullptr;
      switch (p.Type) {
        case 2: ext = "emf"; break;
        case 3: ext = "wmf"; break;
        case 5: ext = "jpg"; break;
        case 6: ext = "png"; break;
        case 7: ext = "bmp"; break;
        default: continue;
      }
      const std::u16string name =
          core::utf8_to_utf16("Pict" + std::to_string(i + 1) + "_" + std::to_string(j + 1) + "." + ext);
      TPointerMemoryStream stream(p.Data.data(), static_cast<std::int64_t>(p.Data.size()));
      GetItem(i)->GetDrawing()->AddImage(name, stream, p.Anchor);
    }
  }
}

bool TXLSSpreadsheet5::AddBIFFPicture(TXLSDrawingImage* Image, int SheetIndex, double Row2Offset, double Col2Offset) {
  if (!Legacy_ || !Image) return false;
  if (SheetIndex < 0 || SheetIndex >= GetCount()) return false;
  TXLSAnchorMarker from, to;
  TXc12GraphicImage* picture = nullptr;
  if (!Image->GetPlacement(from, to, picture) || !picture) return false;
  TXLSImageAnchor anchor;
  anchor.Col1 = from.Col;
  anchor.Row1 = from.Row;
  anchor.Col2 = to.Col;
  anchor.Row2 = to.Row;
  // The near corner keeps the drawing's offsets (EMU) turned back into fractions of its cell.
  TXLSDrawing* drawing = GetItem(SheetIndex)->GetDrawing();
  const double colEmu = drawing->ColOffsetEmu(from.Col, 1.0);
  const double rowEmu = drawing->RowOffsetEmu(from.Row, 1.0);
  anchor.Col1Offset = colEmu > 0 ? std::min(1.0, from.ColOff / colEmu) : 0;
  anchor.Row1Offset = rowEmu > 0 ? std::min(1.0, from.RowOff / rowEmu) : 0;
  anchor.Col2Offset = Col2Offset;
  anchor.Row2Offset = Row2Offset;
  const std::u16string& name = picture->FileName.empty() ? picture->Name : picture->FileName;
  return Legacy_->AddPicture(SheetIndex, name, picture->Data, anchor);
}

void TXLSSpreadsheet5::NotesToComments() {
  for (int i = 0; i < GetCount(); ++i) {
    for (const IXLSLegacyDocument::TNote& n : Legacy_->SheetNotes(i)) {
      TXLSComment* c = GetItem(i)->GetComments()->Add(n.Col, n.Row, n.Text);
      if (!n.Author.empty()) c->SetAuthor(n.Author);
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
