// The package of a workbook's file data: the workbook model keeps the content types, the document
// properties and the parts the .xlsx reader did not consume (workbook::TXc12FileData); this is the
// Open XML container it reads them from and writes them back into, behind the model's
// IXc12Package. Each kept part returns to the place it came from: under its sheet, under the
// workbook, under the kept part that related it, or under the part written again by the name of the
// part the reader consumed.
#pragma once

#include <memory>
#include <set>
#include <string>

#include "ooxml/opc/opc_xlsx.h"
#include "workbook/manager.h"

namespace ooxml {

class TXc12OPCPackage final : public workbook::IXc12Package {
public:
  void OpenRead(io::TStream& Stream, bool AlternateZip) override;
  void OpenWrite(io::TStream& Stream, bool AlternateZip) override;
  void Close() override { Package.Close(); }
  void Clear() override;
  bool ReadContentTypes(std::vector<std::uint8_t>& Data) override;
  bool ReadCoreProperties(std::vector<std::uint8_t>& Data) override;
  void AddCoreProperties(const std::vector<std::uint8_t>& Data) override;
  void AddTheme(const std::vector<std::uint8_t>& Data, int Index) override;
  void LoadUnreadParts(std::vector<workbook::TXc12UnreadPart>& Parts) override;
  // Sheet parts go under the sheet item being written (TOPC_XLSX::SheetItem).
  void WritePart(workbook::TXc12PartParent Parent, const workbook::TXLSSavedFileData& Part) override;
  void AddProblem(const std::u16string& Text) override { Package.AddProblem(Text); }

  TOPC_XLSX Package;

private:
  void WriteKept(TOPCItem* Parent, const workbook::TXLSSavedFileData& Part);
  TOPCItem* FindWrittenPart(TOPCItem* From, const std::u16string& PartName) const;
  // Part names stored from kept data during one save: a part shared by two kept sources is stored
  // once and related from both.
  std::set<std::u16string> keptWritten_;
};

// The Open XML package of the file data, installed when it has none yet. Raises when another kind
// of package is installed.
TOPC_XLSX& OPCPackageOf(workbook::TXc12FileData& FileData);

}  // namespace ooxml
