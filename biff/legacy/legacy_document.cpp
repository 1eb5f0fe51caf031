#include "biff/legacy/legacy_document.h"

#include "biff/formulas/biff8_decoder.h"
#include "biff/writer/xls_writer.h"
#include "core/unicode.h"
#include "workbook/manager.h"

namespace biff {

namespace wb = workbook;

TLegacyFormulaHandler::TLegacyFormulaHandler(wb::TXc12Manager* Manager)
    : formula::TXLSFormulaHandler(Manager),
      Link_(std::make_shared<TLegacyLink>()),
      ExternSheets_(*Link_),
      Decoder_(*Link_) {
  SetExternSheets(&ExternSheets_);
  SetBIFF8Decoder(&Decoder_);
}

bool TLegacyFormulaHandler::TExternSheets::GetExtSheetTabs(int Index, int& First, int& Last) const {
  First = Last = -1;
  if (!Link_.Document) return false;
  const TExternalNames& names = Link_.Document->Formulas().ExternalNames();
  if (Index < 0 || Index >= static_cast<int>(names.ExtSheets.size())) return false;
  return names.GetExtSheetTabs(Index, First, Last);
}

std::u16string TLegacyFormulaHandler::TDecoder::DecodeFormula(const std::uint8_t* Ptgs, int Len,
                                                              char16_t ListSeparator) {
  if (!Link_.Document) throw Exception("No legacy document to decode BIFF8 tokens");
  TFormulaHandler& f = Link_.Document->Formulas();
  std::u16string text;
  DecodeFormulaBIFF(
      Ptgs, Len, 0, text, ListSeparator,
      [&f](std::uint8_t Kind, int Index, std::u16string& Text, int A, int B, int NameIndex) {
        f.RefText(Kind, Index, Text, A, B, NameIndex);
      },
      0, 0);
  return text;
}

TLegacyDocument::TLegacyDocument(wb::TXc12Manager* Manager, wb::IXLSFormulaHandler* Handler,
                                 const wb::TXLSLegacyOptions& Options)
    : Manager_(Manager), Doc_(std::make_unique<TBIFF5>(Manager)) {
  Doc_->SetFilename(Options.FileName);
  // Only a read from a named file applies the VBA option; the stream road keeps the default.
  if (!Options.FileName.empty()) Doc_->SetVBA(Options.KeepVBA != 0);
  if (Options.OnPassword)
    Doc_->OnPassword = [Event = Options.OnPassword](std::u16string& Password) { Event(nullptr, Password); };
  Formulas_ = std::make_unique<TFormulaHandler>(&Doc_->ExternalNames());
  // Sheets are the workbook model's: the document's own sheet list only follows it.
  Formulas_->OnSheetIndex = [this](const std::u16string& Name, int& Index, int& Count) {
    Index = -1;
    Count = Manager_->Worksheets->Count();
    for (int i = 0; i < Count; ++i) {
      if (core::ascii_iequals(Manager_->Worksheets->GetItem(i)->Name, Name)) {
        Index = i;
        return;
      }
    }
  };
  Formulas_->OnSheetName = [this](std::uint8_t Kind, int Index, std::u16string& Text, int, int) {
    if (Kind == 0 && Index >= 0 && Index < Manager_->Worksheets->Count())
      Text = Manager_->Worksheets->GetItem(Index)->Name;
    else if (Kind == 1)
      Text.clear();
  };
  if (auto* h = dynamic_cast<TLegacyFormulaHandler*>(Handler)) {
    Link_ = h->Link();
    Link_->Document = this;
  }
}

TLegacyDocument::~TLegacyDocument() {
  if (Link_ && Link_->Document == this) Link_->Document = nullptr;
}

void TLegacyDocument::SheetAdded() {
  const int index = Doc_->Sheets().Count();
  Doc_->Sheets().Add();
  Formulas_->SheetInserted(index);
  Doc_->ExternalNames().SetInternalTabCount(Doc_->Sheets().Count());
}

void TLegacyDocument::SheetDeleted(int Index) {
  if (Index >= 0 && Index < Doc_->Sheets().Count()) Doc_->Sheets().Delete(Index, true);
  Formulas_->SheetDeleted(Index);
  Doc_->ExternalNames().SetInternalTabCount(Doc_->Sheets().Count());
}

int TLegacyDocument::EncodeFormula(const std::u16string& Text, std::uint8_t* Buffer, int MaxLen) {
  std::u16string_view t = Text;
  if (!t.empty() && t.front() == u'=') t.remove_prefix(1);
  return Formulas_->EncodeFormula(t, 0, MaxLen, Buffer);
}

core::Bytes TLegacyDocument::EncodeForWriter(const std::u16string& Text) {
  std::u16string_view t = Text;
  if (!t.empty() && t.front() == u'=') t.remove_prefix(1);
  return Formulas_->EncodeFormula(t, 0, 1024);
}

void TLegacyDocument::Read() { Doc_->Read(Doc_->Filename()); }

void TLegacyDocument::ReadStream(wb::TStream& Stream) {
  // The reader takes the bytes of the whole file, from the stream's position on.
  core::Bytes data;
  std::uint8_t buf[65536];
  for (;;) {
    const std::int64_t n = Stream.Read(buf, sizeof buf);
    if (n <= 0) break;
    data.insert(data.end(), buf, buf + n);
  }
  Doc_->ReadStream(core::ByteSpan(data.data(), data.size()));
}

void TLegacyDocument::WriteBytes(core::Bytes* Out) {
  Doc_->PrepareWrite();
  TXLSWriteXLS writer(*Doc_);
  writer.FormulaEncoder = [this](wb::TXc12Manager&, int, const std::u16string& Text) {
    return EncodeForWriter(Text);
  };
  // Rule formulas name sheets by the workbook's names, as cell formulas do.
  writer.RuleEncoder = [this](const std::u16string& Text, std::uint8_t ArgClass) {
    return Formulas_->EncodeFormula(Text, ArgClass, 1024);
  };
  writer.Write(Out);
}

void TLegacyDocument::Write() {
  if (Doc_->Filename().empty()) throw Exception("No file name to write the workbook to");
  WriteBytes(nullptr);
}

void TLegacyDocument::WriteStream(wb::TStream& Stream) {
  core::Bytes out;
  WriteBytes(&out);
  if (Stream.Write(out.data(), static_cast<std::int64_t>(out.size())) != static_cast<std::int64_t>(out.size()))
    throw Exception("Stream write error");
}

std::vector<wb::IXLSLegacyDocument::TNote> TLegacyDocument::SheetNotes(int) {
  // The reader keeps no NOTE records, so a read brings no notes to turn into comments.
  return {};
}

void RegisterLegacyNeighbours(wb::TXLSSpreadsheetNeighbours& Neighbours) {
  Neighbours.CreateFormulaHandler = [](wb::TXc12Manager* Manager) -> std::unique_ptr<wb::IXLSFormulaHandler> {
    return std::make_unique<TLegacyFormulaHandler>(Manager);
  };
  Neighbours.CreateLegacyDocument = [](wb::TXc12Manager* Manager, wb::IXLSFormulaHandler* Handler,
                                       const wb::TXLSLegacyOptions& Options) -> std::unique_ptr<wb::IXLSLegacyDocument> {
    return std::make_unique<TLegacyDocument>(Manager, Handler, Options);
  };
  const std::span<const std::uint8_t> zip = EmptyWorkbookTemplate();
  Neighbours.EmptyLegacyTemplate.assign(zip.begin(), zip.end());
}

void RegisterLegacyNeighbours() { RegisterLegacyNeighbours(wb::XLSSpreadsheetNeighbours()); }

}  // namespace biff
