// The legacy (.xls) neighbour of the spreadsheet component: the document object that reads through
// the BIFF reader, writes through the BIFF writer and compiles cell formulas into BIFF8 tokens, the
// formula handler that calculates those tokens with the evaluator, and the embedded empty workbook.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "biff/document/biff5_document.h"
#include "biff/formula_encoder/biff_formula_handler.h"
#include "formula/formula_handler.h"
#include "workbook/spreadsheet_component.h"

namespace biff {

// The empty-workbook template (a ZIP archive holding "Empty.xls"), embedded at build time.
std::span<const std::uint8_t> EmptyWorkbookTemplate();

class TLegacyDocument;

// Shared between a handler and the document currently attached to it, so that either may go
// first when a component is torn down.
struct TLegacyLink {
  TLegacyDocument* Document = nullptr;
};

// The evaluator's handler of a component that may hold a legacy document: 3-D references of BIFF8
// tokens resolve through the document's EXTERNSHEET list, and BIFF8 tokens decode through its
// formula service.
class TLegacyFormulaHandler : public formula::TXLSFormulaHandler {
public:
  explicit TLegacyFormulaHandler(workbook::TXc12Manager* Manager);
  const std::shared_ptr<TLegacyLink>& Link() const { return Link_; }

private:
  class TExternSheets : public formula::IExternSheetResolver {
  public:
    explicit TExternSheets(TLegacyLink& Link) : Link_(Link) {}
    bool GetExtSheetTabs(int Index, int& First, int& Last) const override;

  private:
    TLegacyLink& Link_;
  };
  class TDecoder : public formula::IBIFF8FormulaDecoder {
  public:
    explicit TDecoder(TLegacyLink& Link) : Link_(Link) {}
    std::u16string DecodeFormula(const std::uint8_t* Ptgs, int Len, char16_t ListSeparator) override;

  private:
    TLegacyLink& Link_;
  };
  std::shared_ptr<TLegacyLink> Link_;
  TExternSheets ExternSheets_;
  TDecoder Decoder_;
};

class TLegacyDocument : public workbook::IXLSLegacyDocument {
public:
  // Handler: the component's formula handler; when it is a TLegacyFormulaHandler the document
  // attaches itself to it.
  TLegacyDocument(workbook::TXc12Manager* Manager, workbook::IXLSFormulaHandler* Handler,
                  const workbook::TXLSLegacyOptions& Options);
  ~TLegacyDocument() override;
  TLegacyDocument(const TLegacyDocument&) = delete;
  TLegacyDocument& operator=(const TLegacyDocument&) = delete;

  TBIFF5& Document() { return *Doc_; }
  TFormulaHandler& Formulas() { return *Formulas_; }

  void SheetAdded() override;
  void SheetDeleted(int Index) override;
  void SheetMoved(int From, int To) override { Doc_->MoveSheet(From, To); }
  int EncodeFormula(const std::u16string& Text, std::uint8_t* Buffer, int MaxLen, int SheetIndex) override;
  void SetFilename(const std::u16string& FileName) override { Doc_->SetFilename(FileName); }
  void Read() override;
  void ReadStream(workbook::TStream& Stream) override;
  void Write() override;
  void WriteStream(workbook::TStream& Stream) override;
  // The manager's link to the legacy external names is not used by this library's readers.
  workbook::TObject* ExternalNames() override { return nullptr; }
  std::vector<TNote> SheetNotes(int SheetIndex) override;
  // The picture frames of the sheet drawing, in the drawing's order, with the store's bytes.
  std::vector<TPicture> SheetPictures(int SheetIndex) override;

  // Formula text of sheet SheetIndex to BIFF8 tokens for the writer (formulas held only as text).
  core::Bytes EncodeForWriter(const std::u16string& Text, int SheetIndex);

private:
  void WriteBytes(core::Bytes* Out);
  // Before a write: the sheets' notes made to match the workbook's comments.
  void NotesFromComments();
  workbook::TXc12Manager* Manager_;
  std::unique_ptr<TBIFF5> Doc_;
  std::unique_ptr<TFormulaHandler> Formulas_;
  std::shared_ptr<TLegacyLink> Link_;
};

// Fills the legacy road of Neighbours: the formula handler, the legacy document and the template.
void RegisterLegacyNeighbours(workbook::TXLSSpreadsheetNeighbours& Neighbours);
// The same on the neighbours every new component takes.
void RegisterLegacyNeighbours();

}  // namespace biff
