// The package side of a workbook's file data: the package object, its content types, extended and
// core document properties, and the parts that the .xlsx reader did not consume, kept with their
// bytes and written back by the next save in the place they came from.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "ooxml/binding/gen/content_types.h"
#include "ooxml/binding/gen/docprops_app.h"
#include "ooxml/opc/opc_xlsx.h"
#include "ooxml/xml/simple_dom.h"

namespace ooxml {

class TXLSSavedFileDataList;

// One kept part.
class TXLSSavedFileData {
public:
  TXLSSavedFileData();
  ~TXLSSavedFileData();

  std::u16string RelType;
  // Directory and file name joined by a slash, or the file name alone, as the relationship held it.
  std::u16string Target;
  std::u16string ContentType;
  std::unique_ptr<workbook::TMemoryStream> Stream;
  // Content type that the read package gave the part's extension, for parts typed by a Default.
  std::u16string DefaultContentType;
  // Root-level parts whose source was another part that the reader consumed: that part's name, so
  // that the kept part is related again from the part written under the same name. Empty for the
  // package root.
  std::u16string SourcePartName;
  // Kept parts whose source is this kept part; written back under it, with their own targets.
  std::unique_ptr<TXLSSavedFileDataList> Children;
};

class TXLSSavedFileDataList {
public:
  TXLSSavedFileData* Add(const std::u16string& RelType, const std::u16string& Target,
                         std::unique_ptr<workbook::TMemoryStream> Stream, const std::u16string& ContentType);
  TXLSSavedFileData* FindByRelType(const std::u16string& RelType) const;
  TXLSSavedFileData* GetItems(int Index) const;
  int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }

private:
  std::vector<std::unique_ptr<TXLSSavedFileData>> items_;
};

class TXLSSavedFileDataSheet {
public:
  TXLSSavedFileDataList Parts;
  TXLSSavedFileDataList Tables;
};

class TXc12FileData {
public:
  TXc12FileData();
  ~TXc12FileData();
  TXc12FileData(const TXc12FileData&) = delete;
  TXc12FileData& operator=(const TXc12FileData&) = delete;

  void SetDefaults();
  void Clear();
  void AddSheetId(const std::u16string& Id);
  void BeginRead(workbook::TStream& Stream);
  void CollectUnreadParts();
  void BeginWrite(workbook::TStream& Stream);
  void WriteSheetParts(int SheetIndex, TOPCItem* SheetItem);
  void EndWrite();
  void WriteSavedParts();
  void WriteDefaultTheme();

  int SheetIdCount() const { return static_cast<int>(sheetIds_.size()); }
  // The kept parts of sheet Index, nullptr when it kept none.
  TXLSSavedFileDataSheet* SheetParts(int Index) const;

  content_types::TXPGDocContentType ContentTypes;
  docprops::TXPGDocDocPropsApp DocPropsApp;
  TXpgSimpleDOM CoreProperties;
  TOPC_XLSX Package;
  TXLSSavedFileDataList RootParts;
  TXLSSavedFileDataList WorkbookParts;
  bool AlternateZip = false;

private:
  void WriteKept(TOPCItem* Parent, TXLSSavedFileData& Part);
  TOPCItem* FindWrittenPart(TOPCItem* From, const std::u16string& PartName) const;

  std::vector<std::pair<std::string, std::unique_ptr<TXLSSavedFileDataSheet>>> sheetIds_;
  std::unordered_map<std::string, int> sheetIndex_;
  // Part names stored from kept data during one save: a part shared by two kept sources is
  // stored once and related from both.
  std::set<std::u16string> keptWritten_;
};

// The default documents of a new workbook.
std::u16string DefaultCoreProperties();
std::string DefaultThemeXml();

}  // namespace ooxml
