#include "biff/legacy/legacy_document.h"

#include <algorithm>

#include "biff/drawing/escher_drawing.h"
#include "biff/drawing/shape_objects.h"
#include "biff/formulas/biff8_decoder.h"
#include "biff/writer/xls_writer.h"
#include "core/strings.h"
#include "core/unicode.h"
#include "workbook/manager.h"

namespace biff {

namespace wb = workbook;

namespace {

constexpr std::uint32_t kPictureFrame = 75;  // msosptPictureFrame
constexpr std::uint16_t kPropPictureBlip = 260;  // pib: 1-based position in the picture store

}  // namespace

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
  // Defined names are the workbook model's, in the order the writer gives their NAME records: a
  // name token holds the model index + 1. A formula means the name of its own sheet before the
  // workbook's.
  Formulas_->OnFindName = [this](const std::u16string& Name, int SheetIndex) {
    const wb::TXc12DefinedNames& names = *Manager_->Workbook->DefinedNames;
    int global = -1;
    for (int i = 0; i < names.Count(); ++i) {
      const wb::TXc12DefinedName& n = *names.GetItems(i);
      if (n.Deleted || !core::ascii_iequals(n.GetDisplayName(), Name)) continue;
      if (n.LocalSheetId >= 0 && n.LocalSheetId == SheetIndex) return i;
      if (n.LocalSheetId < 0 && global < 0) global = i;
    }
    return global;
  };
  Formulas_->OnNameText = [this](int Index) {
    const wb::TXc12DefinedNames& names = *Manager_->Workbook->DefinedNames;
    if (Index < 0 || Index >= names.Count()) return std::u16string(u"#NAME?");
    return names.GetItems(Index)->GetDisplayName();
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

int TLegacyDocument::EncodeFormula(const std::u16string& Text, std::uint8_t* Buffer, int MaxLen, int SheetIndex) {
  std::u16string_view t = Text;
  if (!t.empty() && t.front() == u'=') t.remove_prefix(1);
  return Formulas_->EncodeFormula(t, 0, MaxLen, Buffer, SheetIndex);
}

core::Bytes TLegacyDocument::EncodeForWriter(const std::u16string& Text, int SheetIndex) {
  std::u16string_view t = Text;
  if (!t.empty() && t.front() == u'=') t.remove_prefix(1);
  return Formulas_->EncodeFormula(t, 0, 1024, SheetIndex);
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

void TLegacyDocument::NotesFromComments() {
  // The sheets' comments are the notes the file gets: notes whose comment was deleted go, changed
  // texts and authors are taken, comments added since the read become new notes.
  while (Doc_->Sheets().Count() < Manager_->Worksheets->Count()) Doc_->Sheets().Add();
  for (int s = 0; s < Manager_->Worksheets->Count(); ++s) {
    const wb::TXc12Comments& comments = Manager_->Worksheets->GetItem(s)->Comments;
    TSheet& sheet = *Doc_->GetSheet(s);
    if (comments.Count() == 0 && !sheet.DrawingIfAny()) continue;
    TEscherDrawing& drawing = sheet.Drawing();
    std::vector<const wb::TXc12Comment*> pending;
    for (int i = 0; i < comments.Count(); ++i) pending.push_back(comments.GetItem(i));
    std::vector<std::uint32_t> gone;
    for (int i = 0; i < drawing.GetShapeCount(); ++i) {
      TShape& shape = drawing.GetShape(i);
      auto* note = dynamic_cast<TShapeOutsideMsoNote*>(shape.Outside.get());
      if (!note) continue;
      const auto it = std::find_if(pending.begin(), pending.end(), [&](const wb::TXc12Comment* c) {
        return c && c->Col == note->Col && c->Row == note->Row;
      });
      if (it == pending.end()) {
        gone.push_back(shape.SpId);
        continue;
      }
      if (note->Text != (*it)->Text) note->SetText((*it)->Text);
      if ((*it)->Author) note->Author = (*it)->Author->Name;
      *it = nullptr;
    }
    for (std::uint32_t id : gone) drawing.DeleteShape(id);
    for (const wb::TXc12Comment* c : pending) {
      if (!c) continue;
      // As with cells, a note the format has no place for fails the save instead of going missing.
      if (c->Row > wb::XLS_MAXROW97 || c->Col > wb::XLS_MAXCOL97)
        throw Exception(core::format("The note of row %d, column %d of sheet \"", c->Row + 1, c->Col + 1) +
                        core::utf16_to_utf8(Manager_->Worksheets->GetItem(s)->Name) +
                        "\" is past the last row or column of the file format");
      auto& note = static_cast<TShapeOutsideMsoNote&>(*drawing.AddNote().Outside);
      note.Col = c->Col;
      note.Row = c->Row;
      note.SetText(c->Text);
      if (c->Author) note.Author = c->Author->Name;
    }
  }
}

void TLegacyDocument::WriteBytes(core::Bytes* Out) {
  NotesFromComments();
  Doc_->PrepareWrite();
  TXLSWriteXLS writer(*Doc_);
  writer.FormulaEncoder = [this](wb::TXc12Manager&, int SheetIndex, const std::u16string& Text) {
    return EncodeForWriter(Text, SheetIndex);
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

std::vector<wb::IXLSLegacyDocument::TNote> TLegacyDocument::SheetNotes(int SheetIndex) {
  std::vector<TNote> notes;
  if (SheetIndex < 0 || SheetIndex >= Doc_->Sheets().Count()) return notes;
  const TEscherDrawing* drawing = Doc_->GetSheet(SheetIndex)->DrawingIfAny();
  if (!drawing) return notes;
  // The notes are the sheet drawing's note shapes, in the drawing's order.
  for (int i = 0; i < drawing->GetShapeCount(); ++i) {
    const auto* n = dynamic_cast<const TShapeOutsideMsoNote*>(drawing->GetShape(i).Outside.get());
    if (n) notes.push_back({n->Col, n->Row, n->Text, n->Author});
  }
  return notes;
}

std::vector<wb::IXLSLegacyDocument::TPicture> TLegacyDocument::SheetPictures(int SheetIndex) {
  std::vector<TPicture> pictures;
  if (SheetIndex < 0 || SheetIndex >= Doc_->Sheets().Count()) return pictures;
  const TEscherDrawing* drawing = Doc_->GetSheet(SheetIndex)->DrawingIfAny();
  if (!drawing) return pictures;
  TEscherGroup& store = Doc_->EscherGroup();
  // Top-level picture frames only: a frame inside a group is placed by the group's child
  // coordinates, not by cells.
  for (int i = 0; i < drawing->GetShapeCount(); ++i) {
    auto* shape = dynamic_cast<TShapeClientAnchor*>(&drawing->GetShape(i));
    if (!shape || shape->ShapeType != kPictureFrame) continue;
    TPicture p;
    // The reader renumbered the shapes' references to the pictures it kept; one that points
    // nowhere (or at nothing) is a frame without a picture.
    const std::int32_t pib = shape->Properties.GetValue(kPropPictureBlip);
    if (pib > 0 && pib <= store.Count()) {
      const TMSOPicture& picture = store.GetItem(pib - 1);
      p.Id = pib;
      p.Type = picture.Kind;
      // As a file: a bitmap gets its file header back.
      p.Data = picture.SaveToBytes();
    }
    // The anchor's offsets count 1/1024 of the column's width and 1/256 of the row's height.
    const TMSOObjCLIENTANCHOR& a = shape->Anchor;
    p.Anchor.Col1 = a.Col1;
    p.Anchor.Row1 = a.Row1;
    p.Anchor.Col2 = a.Col2;
    p.Anchor.Row2 = a.Row2;
    p.Anchor.Col1Offset = a.Dx1 / 1024.0;
    p.Anchor.Row1Offset = a.Dy1 / 256.0;
    p.Anchor.Col2Offset = a.Dx2 / 1024.0;
    p.Anchor.Row2Offset = a.Dy2 / 256.0;
    pictures.push_back(std::move(p));
  }
  return pictures;
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
