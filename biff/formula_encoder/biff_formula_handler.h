// The formula service of an .xls document: the BIFF8 compiler and decoder wired to the document's
// sheets, its external-reference lists (SUPBOOK/EXTERNSHEET) and its defined names, and the upkeep
// of those lists when sheets are inserted or deleted.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "biff/formula_encoder/biff8_encoder.h"
#include "biff/reader/external_names.h"

namespace biff {

// The defined names of the document in the order of their NAME records (token index + 1 points
// here). Only what formulas need: the names themselves, looked up without regard to case.
class TInternalNames {
public:
  void Add(const std::u16string& Name) { Names_.push_back(Name); }
  void Delete(int Index);
  void Clear() { Names_.clear(); }
  int Count() const { return static_cast<int>(Names_.size()); }
  // -1 when none.
  int IndexOfName(std::u16string_view Name) const;
  // Raises "Invalid name index" outside the list.
  const std::u16string& GetName(int Index) const;

private:
  std::vector<std::u16string> Names_;
};

// Lookups over the external-reference lists for references into other workbooks. A workbook is
// matched by its plain file name (path and file, case ignored), a sheet by its name.
// The EXTERNSHEET entry of sheet SheetName of workbook Path + File: false when there is none.
bool FindExternSheet(const TExternalNames& Names, const std::u16string& Path, const std::u16string& File,
                     const std::u16string& SheetName, int& SheetIndex, int& ExtSheetIndex);
// Finds or appends the SUPBOOK of the workbook, its sheet and the EXTERNSHEET entry of exactly that
// sheet.
void AddExternSheet(TExternalNames& Names, const std::u16string& Path, const std::u16string& File,
                    const std::u16string& SheetName, int& SheetIndex, int& ExtSheetIndex);
// The external name Name of workbook Path + File (0-based NameIndex) and an EXTERNSHEET entry of
// that workbook; false when either is missing.
bool FindExternName(const TExternalNames& Names, const std::u16string& Path, const std::u16string& File,
                    const std::u16string& Name, int& NameIndex, int& ExtSheetIndex);

// A sheet name as formula text: quoted ('My Sheet', quotes inside doubled) unless it reads back
// as a plain name.
std::u16string SheetNameText(const std::u16string& Name);

class TFormulaHandler {
public:
  // The lists are the document's when given (not owned), else the handler's own.
  explicit TFormulaHandler(TExternalNames* External = nullptr, TInternalNames* Names = nullptr);
  TFormulaHandler(const TFormulaHandler&) = delete;
  TFormulaHandler& operator=(const TFormulaHandler&) = delete;

  // Set by the document: the index of the sheet called Name (-1 when none) and the sheet count.
  std::function<void(const std::u16string& Name, int& Index, int& Count)> OnSheetIndex;
  // Set by the document: Kind 0 the name of sheet Index, Kind 1 an empty text, others leave Text.
  std::function<void(std::uint8_t Kind, int Index, std::u16string& Text, int A, int B)> OnSheetName;
  // Set by a document whose defined names live in the workbook model: the 0-based index of the
  // name a formula on sheet SheetIndex means (-1: none), and the text of name Index. Without them
  // the handler's own name list answers.
  std::function<int(const std::u16string& Name, int SheetIndex)> OnFindName;
  std::function<std::u16string(int Index)> OnNameText;

  TEncodeFormula& Encoder() { return Encoder_; }
  TExternalNames& ExternalNames() { return *External_; }
  TInternalNames& InternalNames() { return *Names_; }

  // Empties the external-reference lists and the defined names.
  void Clear();

  // Compiles Text, a formula on sheet SheetIndex (-1: none), into at most MaxLen bytes at Buffer;
  // the token length. Compile errors raise.
  int EncodeFormula(std::u16string_view Text, std::uint8_t ArgClass, int MaxLen, std::uint8_t* Buffer,
                    int SheetIndex = -1);
  std::vector<std::uint8_t> EncodeFormula(std::u16string_view Text, std::uint8_t ArgClass = 0, int MaxLen = 1024,
                                          int SheetIndex = -1);
  // Tokens (with or without the cell store's leading marker) back to text.
  void DecodeFormula(const std::uint8_t* Ptgs, int Len, std::u16string& Text);

  // Keeps the own-workbook EXTERNSHEET entries in step with the document's sheet list.
  void SheetInserted(int Index);
  void SheetDeleted(int Index);
  void SheetMoved(int From, int To);

  // The encoder's questions.
  void FindName(const std::u16string& Name, int& Index) const;
  void GetExternSheet(const std::u16string& Path, const std::u16string& Workbook, const std::u16string& SheetName,
                      const std::u16string& RefOrName, bool IsReference, int& ExtSheetIndex, int& SheetIndex);
  // The decoder's question: Kind 2 the prefix of EXTERNSHEET entry Index ("Sheet2!", "#REF!!" for
  // a deleted sheet, "'C:\dir\[book.xls]Sheet1'!" for another workbook) or, with NameIndex, an
  // external name; Kind 4 the name of sheet Index; otherwise the defined name NameIndex (1-based).
  void RefText(std::uint8_t Kind, int Index, std::u16string& Text, int A, int B, int NameIndex);

private:
  std::unique_ptr<TExternalNames> OwnExternal_;
  std::unique_ptr<TInternalNames> OwnNames_;
  TExternalNames* External_;
  TInternalNames* Names_;
  TEncodeFormula Encoder_;
  int NameSheet_ = -1;  // the sheet of the formula being compiled
};

}  // namespace biff
