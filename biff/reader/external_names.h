// The external-reference tables of a BIFF8 workbook: SUPBOOK records (the workbook itself, add-in
// functions, or an external file with its sheet names, cached CRN values and EXTERNNAME entries)
// and the EXTERNSHEET entries that 3-D references in formula tokens point to.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace biff {

class TXLSStream;

struct TCRNItem {
  std::uint8_t Col1 = 0, Col2 = 0;
  std::uint16_t Row = 0;
  std::vector<std::uint8_t> Values;
};

struct TSupBookSheet {
  std::u16string Name;
  std::vector<TCRNItem> CRNs;
};

class TExtName {
public:
  virtual ~TExtName() = default;
  // 0 an external defined name, 1 a DDE link, 2 an OLE link.
  virtual int Kind() const = 0;
  std::uint16_t Options = 0;
  std::u16string Name;
};

class TExtNameName : public TExtName {
public:
  int Kind() const override { return 0; }
  std::vector<std::uint8_t> Definition;
};
class TExtNameDDE : public TExtName {
public:
  int Kind() const override { return 1; }
};
class TExtNameOLE : public TExtName {
public:
  int Kind() const override { return 2; }
  std::uint32_t StorageId = 0;
};

class TSupBook {
public:
  static constexpr std::uint16_t MarkerSelf = 0x0401;
  static constexpr std::uint16_t MarkerAddIn = 0x3A01;

  std::uint16_t SheetCount = 0;
  std::uint16_t Marker = 0;  // 0 for an external file
  // The encoded file name as characters (control characters 0x01..0x08 still in place).
  std::u16string EncodedName;
  std::vector<TSupBookSheet> Sheets;
  std::vector<std::unique_ptr<TExtName>> Names;

  bool IsSelf() const { return Marker == MarkerSelf; }
  // The plain path and the bracketed form used in formula text ("C:\dir\[book.xls]").
  std::u16string GetFilename() const;
  std::u16string GetFilenameA() const;
};

struct TExtSheetEntry {
  std::int32_t SupBook = 0;
  std::uint16_t First = 0, Last = 0;
};

class TExternalNames {
public:
  void Clear() {
    SupBooks.clear();
    ExtSheets.clear();
  }
  bool HasExternSheets() const { return !ExtSheets.empty(); }
  bool HasSupBooks() const { return !SupBooks.empty(); }

  // From record bodies; every count and length is checked against Len.
  void AddSupBook(const std::uint8_t* Body, int Len);
  void AddExternName(const std::uint8_t* Body, int Len);
  void ReadExternSheet(const std::uint8_t* Body, int Len);
  void AddCRN(int SheetIndex, const std::uint8_t* Body, int Len);

  // The EXTERNSHEET index of a 3-D reference to sheet Sheet of this workbook, appending an entry
  // (and an own-workbook SUPBOOK) when none fits.
  int GetInternalSheetRef(int Sheet, int SheetCount) { return GetInternalSheetRange(Sheet, Sheet, SheetCount); }
  // The same for the sheets First to Last.
  int GetInternalSheetRange(int First, int Last, int SheetCount);
  bool GetExtSheetTabs(int Index, int& First, int& Last) const;
  // The first sheet of entry Index when it refers to this workbook, else -1.
  int GetInternalSheetIndex(int Index) const;
  // Text of a reference into another workbook: "'[file]Sheet'!" (NameIndex < 0) or "[file]name"
  // (external name NameIndex, counted from 1). Raises for an entry that points nowhere.
  void GetExternRefText(int Index, int NameIndex, std::u16string& Text) const;
  // Every SUPBOOK with its EXTERNNAME, XCT and CRN records, then the EXTERNSHEET record.
  void WriteToStream(TXLSStream& Stream) const;
  void SheetInserted(int Sheet);
  void SheetDeleted(int Sheet);
  // The sheet at From moved to position To (the sheets between shift by one): own-workbook entries
  // follow their sheets; a range whose ends the move turns round keeps them in order.
  void SheetMoved(int From, int To);
  void SetInternalTabCount(int Count);

  std::vector<std::unique_ptr<TSupBook>> SupBooks;
  std::vector<TExtSheetEntry> ExtSheets;
  std::u16string BasePath;
};

}  // namespace biff
