// The root of one workbook's data (TXc12Manager): it creates, clears and reaches every part of the
// model, carries the per-workbook settings, the cell record of the read and write cell events and
// the progress event. TXc12FileData is the package-level part: content types, document properties,
// and the package parts no reader understood, kept with their bytes and written back on save.
//
// The package container lives in the Open XML library, which links this one: the file data reaches
// it only through IXc12Package, which that library implements and installs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "workbook/streams.h"
#include "xml/simple_dom.h"
#include "workbook/error_manager.h"
#include "workbook/external_links.h"
#include "workbook/picture_store.h"
#include "workbook/shared_strings.h"
#include "workbook/style_sheet.h"
#include "workbook/workbook_data.h"
#include "workbook/worksheet_data.h"

namespace workbook {

enum TExcelVersion : std::uint8_t {
  xvNone,
  xvExcelUnknown,
  xvExcel21,
  xvExcel30,
  xvExcel40,
  xvExcel50,
  xvExcel97,
  xvExcel2007
};

enum TXLSProgressType : std::uint8_t {
  xptReadFile,
  xptWriteFile,
  xptCompileFormulas,
  xptCalculateFormulas,
  xptExport,
  xptSortCells
};
enum TXLSProgressState : std::uint8_t { xpsBegin, xpsWork, xpsEnd };
using TXLSProgressEvent = std::function<void(TXLSProgressType, TXLSProgressState, double)>;

class TXc12Manager;

// The one cell record handed to the read and write cell events.
class TXLSEventCell : public TObject {
public:
  std::int32_t AcceptedCol = -1, AcceptedRow = -1;
  bool MoreCells = false;
  bool Stop = false;
  std::int32_t SheetIndex = 0;
  std::u16string SheetName;
  std::int32_t Col = 0, Row = 0;
  std::int32_t FirstRow = 0, LastRow = 65535, FirstCol = 0, LastCol = 255;
  std::uint8_t ValueType = 0;  // a TCellValueKind, 0 for no value
  bool IsFormula = false;
  bool BoolValue = false;
  std::uint8_t ErrorValue = 0;
  double FloatValue = 0;
  std::u16string StringValue;
  std::u16string FormulaText;
  TXc12XF* Style = nullptr;

  void Reset();
  void ClearValue();
  bool HasCell() const { return MoreCells && !Stop; }
  void SetCol(int Value) { Col = Value; }
  void SetRow(int Value) { Row = Value; }
  // A1 text into Col and Row; False when the text is no cell reference.
  bool SetRef(const std::u16string& Text);
  // Call before the result setter.
  void SetFormula(const std::u16string& Text);
  void SetAsBoolean(bool Value);
  void SetAsError(std::uint8_t Value);
  void SetAsString(const std::u16string& Value);
  void SetAsFloat(double Value);
};
using TCellReadWriteEvent = std::function<void(TXLSEventCell*)>;

// ---------------------------------------------------------------------------------------------
// Kept package parts

class TXLSSavedFileDataList;

class TXLSSavedFileData : public TObject {
public:
  TXLSSavedFileData();
  ~TXLSSavedFileData() override;
  std::u16string RelType;
  std::u16string Target;  // directory and file name joined by "/", or the file name alone
  std::u16string ContentType;
  std::vector<std::uint8_t> Stream;
  // The content type the read package gave the part's extension, for a part typed by a Default.
  std::u16string DefaultContentType;
  // A root-level part whose source was a part the reader consumed: that part's name, so that it is
  // related again from the part written under the same name. Empty for the package root.
  std::u16string SourcePartName;
  // Kept parts whose source is this kept part; written back under it with their own targets.
  std::unique_ptr<TXLSSavedFileDataList> Children;
};

class TXLSSavedFileDataList : public TObjectList<TXLSSavedFileData> {
public:
  using TObjectList<TXLSSavedFileData>::Add;
  TXLSSavedFileData* Add(const std::u16string& RelType, const std::u16string& Target, std::vector<std::uint8_t> Stream,
                         const std::u16string& ContentType);
  TXLSSavedFileData* FindByRelType(const std::u16string& RelType) const;
  TXLSSavedFileData* GetItems(int Index) const { return GetItem(Index); }
};

class TXLSSavedFileDataSheet : public TObject {
public:
  TXLSSavedFileDataList Parts;
  TXLSSavedFileDataList Tables;
};

// Relationship types the file data sorts kept parts by.
inline constexpr char16_t kRelTypeOfficeDocument[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
inline constexpr char16_t kRelTypeWorksheet[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
inline constexpr char16_t kRelTypeChartsheet[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartsheet";
inline constexpr char16_t kRelTypeTable[] = u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/table";
inline constexpr char16_t kRelTypeTheme[] = u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/theme";

// One part of a read package that the reader did not use, as the package hands it over.
struct TXc12UnreadPart {
  bool Internal = true;        // target mode internal
  std::u16string FileName;     // file name of the target part, without directory
  std::u16string Target;       // directory and file name joined by "/", or the file name alone
  std::u16string PartName;     // the part's name inside the package
  std::u16string RelType;
  std::u16string ContentType;
  // The type a Default of the read package gives the part's extension (when ContentType is empty).
  std::u16string DefaultContentType;
  std::u16string ParentRelType;  // relationship type of the part it is related from
  std::u16string ParentId;       // relationship id of that parent in its own parent
  std::u16string ParentPartName;
  bool ParentIsRoot = false;     // related from the package itself
  bool ParentWasRead = false;    // the parent is a part the reader consumed (and writes again)
  int ParentIndex = -1;          // the parent's position in the same list, -1 when it is not unread
  bool HasData = true;           // False for a part the package could not or would not load
  std::vector<std::uint8_t> Data;
};

// Where a kept part is written back.
enum class TXc12PartParent : std::uint8_t { Root, Workbook, Sheet };

// The package container of an .xlsx file, implemented by the Open XML library.
class IXc12Package {
public:
  virtual ~IXc12Package() = default;
  virtual void OpenRead(TStream& Stream, bool AlternateZip) = 0;
  virtual void OpenWrite(TStream& Stream, bool AlternateZip) = 0;
  virtual void Close() = 0;
  virtual void Clear() = 0;
  // The bytes of "[Content_Types].xml" and of the core-properties part; False when absent.
  virtual bool ReadContentTypes(std::vector<std::uint8_t>& Data) = 0;
  virtual bool ReadCoreProperties(std::vector<std::uint8_t>& Data) = 0;
  virtual void AddCoreProperties(const std::vector<std::uint8_t>& Data) = 0;
  virtual void AddTheme(const std::vector<std::uint8_t>& Data, int Index) = 0;
  // Every item the reader did not use that has a target, with the data of internal ones.
  virtual void LoadUnreadParts(std::vector<TXc12UnreadPart>& Parts) = 0;
  // Writes a kept part (and the kept parts under it) as a child of the root, the workbook item, or
  // the sheet item being written.
  virtual void WritePart(TXc12PartParent Parent, const TXLSSavedFileData& Part) = 0;
  // Notes what was met and worked around (a part not kept, a part dropped on writing).
  virtual void AddProblem(const std::u16string&) {}
};

class TXc12FileData : public TObject {
public:
  TXc12FileData();
  ~TXc12FileData() override;
  TXc12FileData(const TXc12FileData&) = delete;
  TXc12FileData& operator=(const TXc12FileData&) = delete;

  void SetDefaults();
  void Clear();
  void AddSheetId(const std::u16string& Id);
  int SheetIdCount() const { return static_cast<int>(SheetIds.size()); }
  TXLSSavedFileDataSheet* SheetParts(int Index) const;
  // The package's open steps; each raises a clear error while no package is installed.
  void BeginRead(TStream& Stream);
  void CollectUnreadParts();
  void BeginWrite(TStream& Stream);
  void WriteSheetParts(int SheetIndex);
  void EndWrite();
  void WriteSavedParts();
  void WriteDefaultTheme();
  // The package the Open XML library installs; owned.
  void SetPackage(std::unique_ptr<IXc12Package> Value) { Package = std::move(Value); }

  ooxml::TXpgSimpleDOM ContentTypes;
  ooxml::TXpgSimpleDOM DocPropsApp;
  ooxml::TXpgSimpleDOM CoreProperties;
  std::unique_ptr<IXc12Package> Package;
  TXLSSavedFileDataList RootParts;
  TXLSSavedFileDataList WorkbookParts;
  struct TSheetIdLine {
    std::u16string Id;
    std::unique_ptr<TXLSSavedFileDataSheet> Sheet;
  };
  std::vector<TSheetIdLine> SheetIds;
  bool AlternateZip = false;

private:
  IXc12Package& RequirePackage() const;
};

// The default core-properties and theme texts of a new package.
const std::u16string& Xc12DefaultCoreProperties();
const std::u16string& Xc12DefaultTheme();

class TXc12DocProps : public TObject {
public:
  explicit TXc12DocProps(ooxml::TXpgSimpleDOM* ADOM) : DOM(ADOM) {}
  ooxml::TXpgSimpleDOM* DOM;  // not owned
  bool Enabled = true;
  double GetCreated() const;
  void SetCreated(double Value);
  void SetModified(double Value);
};

// ---------------------------------------------------------------------------------------------

class TXc12Manager : public TObject {
public:
  TXc12Manager(TXLSClassFactory* AClassFactory, TXLSErrorManager* AErrors);
  ~TXc12Manager() override;
  TXc12Manager(const TXc12Manager&) = delete;
  TXc12Manager& operator=(const TXc12Manager&) = delete;

  void CreateParts();
  void Clear();
  void SetVersion(TExcelVersion Value);
  void BeforeRead() { IsReading = true; }
  void AfterRead();
  void BeforeSave();
  void BeginProgress(TXLSProgressType AType, int Total);
  void WorkProgress(int Index);
  void EndProgress();
  void DoReadCell();
  bool AcceptWriteCell();
  void DoWriteCell(bool Peek);
  // The table named Name in any sheet; -1 when none (Tables and SheetIndex then unchanged).
  int FindTable(const std::u16string& Name, TXc12Tables*& Tables, int& SheetIndex) const;
  std::u16string GetBookPrefix() const;
  void ReadLocalePaperSize();

  TXLSErrorManager* Errors;  // not owned
  TExcelVersion Version = xvNone;
  std::u16string Filename;
  std::u16string Password;
  // Asked for the password of an encrypted file; may change it.
  std::function<void(TXc12Manager*, std::u16string&)> PasswordEvent;
  std::unique_ptr<TXc12FileData> FileData;
  std::unique_ptr<TXc12DataStyleSheet> StyleSheet;
  std::unique_ptr<TXc12DataSST> SST;
  std::unique_ptr<TXc12DataWorkbook> Workbook;
  std::unique_ptr<TXc12DataWorksheets> Worksheets;
  std::unique_ptr<TXc12DataXLinks> XLinks;
  std::unique_ptr<TXc12GraphicManager> Graphics;
  TObject* BIFFExternalNames = nullptr;  // not owned
  bool IsReading = false;
  char16_t ArrayColSeparator = u',';
  char16_t ListSeparator = u',';
  bool SkipDecryption = false;
  std::unique_ptr<TXLSEventCell> EventCell;
  TCellReadWriteEvent OnReadCell;
  TCellReadWriteEvent OnWriteCell;
  bool DirectRead = false;
  bool DirectWrite = false;
  std::uint8_t LocalePaperSize = 0;
  TXLSClassFactory* ClassFactory;  // not owned
  TXLSProgressEvent OnProgress;
  TXLSProgressType ProgressType = xptReadFile;
  std::int32_t ProgressTotal = 0;
  std::function<void(TXc12Manager*)> OnAfterRead;
  std::unique_ptr<TXc12DocProps> DocProps;
};

}  // namespace workbook
