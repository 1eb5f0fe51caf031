// Sheet objects of the programming interface: hyperlinks that classify and encode their address,
// notes with an author prefix and font runs, the selection and the print settings. The hyperlink
// classes are what the component's class factory makes for the data model.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "workbook/manager.h"
#include "workbook/worksheet_data.h"

namespace workbook {

class IXLSFormulaHandler;

// Space and the characters that cannot stand in a link as they are become %XX; a "%" already
// followed by two hexadecimal digits stays.
std::u16string EncodeURL(const std::u16string& Address);

class TXLSHyperlink : public TXc12Hyperlink {
public:
  TXLSHyperlink(TXc12Manager* Manager, IXLSFormulaHandler* FormulaHandler)
      : Manager_(Manager), FormulaHandler_(FormulaHandler) {}
  void AddressChanged() override { Classify(Address); }
  void Classify(const std::u16string& Text);
  std::uint8_t Kind2 = xhltUnknown;

private:
  TXc12Manager* Manager_;
  IXLSFormulaHandler* FormulaHandler_;
};

class TXLSHyperlinks : public TXc12Hyperlinks {
public:
  TXLSHyperlinks(TXLSClassFactory* Factory, TXc12Manager* Manager) : TXc12Hyperlinks(Factory), Manager(Manager) {}
  TXc12Manager* Manager;
};

class TXLSNames;

// A defined name that compiles its definition and shows it as text.
class TXLSName : public TXc12DefinedName {
public:
  explicit TXLSName(TXLSNames* Owner) : Owner_(Owner) {}
  // Compiles the definition when it has no byte code yet and derives what it refers to; a
  // definition that does not compile reports error 4011.
  void Compile();
  void GetDefinition(std::u16string& Text) const override;

private:
  TXLSNames* Owner_;
};

class TXLSNames : public TXc12DefinedNames {
public:
  TXLSNames(TXLSClassFactory* Factory, IXLSFormulaHandler* FormulaHandler, TXc12Manager* Manager)
      : TXc12DefinedNames(Factory), FormulaHandler(FormulaHandler), Manager(Manager) {}
  void CompileAll();
  IXLSFormulaHandler* FormulaHandler;
  TXc12Manager* Manager;
};

class TXLSComments;

class TXLSComment : public TObject {
public:
  TXLSComment(TXc12Comment* Data, TXLSComments* Owner) : Data_(Data), Owner_(Owner) {}
  int GetCol() const { return Data_->Col; }
  int GetRow() const { return Data_->Row; }
  void SetCol(int Col) { Data_->SetCol(Col); }
  void SetRow(int Row) { Data_->SetRow(Row); }
  const std::u16string& GetText() const { return Data_->Text; }
  void SetText(const std::u16string& Text);
  void SetAuthor(const std::u16string& Name);
  TXc12Comment* GetData() const { return Data_; }

private:
  TXc12Comment* Data_;
  TXLSComments* Owner_;
};

class TXLSComments : public TObject {
public:
  TXLSComments(TXc12Manager* Manager, TXc12Comments* DataComments);
  TXLSComment* Add(int Col, int Row, const std::u16string& Text);
  int Find(int Col, int Row) const;
  void DeleteItem(int Index);
  void DeleteArea(int Col1, int Row1, int Col2, int Row2);
  void Clear();
  int GetCount() const { return Items_.Count(); }
  TXLSComment* GetItem(int Index) const { return Items_.GetItem(Index); }
  TXc12Comments* GetData() const { return Data_; }
  std::u16string Author;

private:
  friend class TXLSComment;
  void ReleaseRuns(TXc12Comment& C);
  TXc12Manager* Manager_;
  TXc12Comments* Data_;
  TObjectList<TXLSComment> Items_;
};

// The selected areas of a sheet and its active cell.
class TXLSSelectedAreas : public TCellAreas {
public:
  TXLSSelectedAreas() { SetActiveCell(0, 0); }
  void SetActiveCell(int Col, int Row);
  int ActiveCol = 0, ActiveRow = 0;
};

class TXLSPrintSettings : public TObject {
public:
  explicit TXLSPrintSettings(TXc12DataWorksheet* DataSheet) : DataSheet_(DataSheet) {}
  int GetPaperSize() const { return DataSheet_->PageSetup.paperSize; }
  void SetPaperSize(int Value);

private:
  TXc12DataWorksheet* DataSheet_;
};

}  // namespace workbook
