// A chart sub-stream kept as a tree of records: one object per record, the children of a record in
// its own list, BEGIN and END implied by the tree. Whatever the library does not understand of a
// chart survives a read and a write unchanged; the chart model only wraps records of this tree.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "biff/stream/xls_stream.h"
#include "core/byte_io.h"

namespace workbook {
class TXc12Font;
}

namespace biff {

enum : std::uint16_t {
  chrBOF = 0x0809,
  chrEOF = 0x000A,
  chrCONTINUE = 0x003C,
  chrMSODRAWING = 0x00EC,
  chrCHART = 0x1002,
  chrSERIES = 0x1003,
  chrDATAFORMAT = 0x1006,
  chrLINEFORMAT = 0x1007,
  chrMARKERFORMAT = 0x1009,
  chrAREAFORMAT = 0x100A,
  chrPIEFORMAT = 0x100B,
  chrCHARTFORMAT = 0x1014,
  chrLEGEND = 0x1015,
  chrBAR = 0x1017,
  chrLINE = 0x1018,
  chrAXIS = 0x101D,
  chrCHARTFORMATLINK = 0x1022,
  chrDEFAULTTEXT = 0x1024,
  chrTEXT = 0x1025,
  chrFONTX = 0x1026,
  chrFRAME = 0x1032,
  chrBEGIN = 0x1033,
  chrEND = 0x1034,
  chrPLOTAREA = 0x1035,
  chrCHART3D = 0x103A,
  chrAXISPARENT = 0x1041,
  chrSHTPROPS = 0x1044,
  chrSERTOCRT = 0x1045,
  chrAXESUSED = 0x1046,
  chrPOS = 0x104F,
  chrAI = 0x1051,
  chr3DBARSHAPE = 0x105F,
  chrFBI = 0x1060,
  chrSIINDEX = 0x1065,
  chrGELFRAME = 0x1066,
  // Not records: the root of a tree, and the table instruction that inserts the legend children.
  chrRoot = 0xFFFA,
  chrLegendChildren = 0xF001,
};

// How a tree reaches the workbook's fonts. The numbering between file indexes and font objects is
// the document's (it keeps the unused file index 4 out of the way).
struct TChartFonts {
  // The workbook font of a file font index, nullptr when there is none.
  std::function<workbook::TXc12Font*(int FileIndex)> FromFile;
  // The file font index of a workbook font.
  std::function<int(const workbook::TXc12Font&)> ToFile;
  // A font for the text of a new chart; it stays in the workbook (built-in) and may be shared
  // with other charts, so that charts made again and again do not pile up fonts.
  std::function<workbook::TXc12Font*()> NewChartFont;
};

// What a tree asks of its owner: the drawing inside a chart (an MSODRAWING record longer than 80
// bytes) is read and written by the owner's drawing object.
class IChartDrawingOwner {
public:
  virtual ~IChartDrawingOwner() = default;
  // Reads the drawing whose MSODRAWING header (of Length bytes) was just read.
  virtual void ReadChartDrawing(TXLSStream& Stream, int Length) = 0;
  virtual void WriteChartDrawing(TXLSStream& Stream) = 0;
};

class TChartRecord {
public:
  TChartRecord(TChartRecord* Parent, std::uint16_t RecordId, core::ByteSpan Data = {});
  virtual ~TChartRecord() = default;
  TChartRecord(const TChartRecord&) = delete;
  TChartRecord& operator=(const TChartRecord&) = delete;

  std::uint16_t RecordId;
  // The record's body. FBI keeps its 10 bytes; FONTX its 2 bytes, rewritten from Font on writing.
  core::Bytes Data;
  TChartRecord* Parent;
  // The font of an FBI or FONTX record.
  workbook::TXc12Font* Font = nullptr;
  // Set on a root only.
  IChartDrawingOwner* DrawingOwner = nullptr;

  int Count() const { return static_cast<int>(children_.size()); }
  TChartRecord& Item(int Index) const;
  TChartRecord* Last() const { return children_.empty() ? nullptr : children_.back().get(); }
  std::uint16_t DataLength() const { return static_cast<std::uint16_t>(Data.size()); }

  TChartRecord& Append(std::unique_ptr<TChartRecord> Record);
  TChartRecord& Insert(int Index, std::unique_ptr<TChartRecord> Record);
  std::unique_ptr<TChartRecord> Extract(int Index);
  void Clear() { children_.clear(); }
  // Grows or shrinks the body by Delta bytes (new bytes are zero).
  void Resize(int Delta);

  std::uint16_t Word(std::size_t Offset) const { return core::load_le16(Data.data() + CheckOffset(Offset, 2)); }
  void SetWord(std::size_t Offset, std::uint16_t Value) { core::store_le16(Data.data() + CheckOffset(Offset, 2), Value); }

private:
  std::size_t CheckOffset(std::size_t Offset, std::size_t Size) const;
  std::vector<std::unique_ptr<TChartRecord>> children_;
};

// A record whose body is rebuilt just before it is written: roots and GELFRAME records.
class TChartRecordUpdate : public TChartRecord {
public:
  using TChartRecord::TChartRecord;
  std::function<void(TChartRecordUpdate&)> OnUpdate;
};

// The root of a new tree.
std::unique_ptr<TChartRecordUpdate> NewChartRoot(IChartDrawingOwner* Owner);

// Makes a record (an update record when UpdateClass) with DataLength zero bytes and inserts it at
// Index of List (appended when Index is below 0).
TChartRecord& InsertChartRecord(TChartRecord& List, int Index, std::uint16_t RecordId, bool UpdateClass,
                                int DataLength);
bool DeleteChartRecord(TChartRecord& List, std::uint16_t RecordId);
int IndexOfChartRecord(const TChartRecord& List, std::uint16_t RecordId);
TChartRecord* FindChartRoot(TChartRecord* Record);
// The font of the root's top-level FBI whose font-index field is Key.
workbook::TXc12Font* FindFBIFont(TChartRecord& List, int Key);

// Reads records into List until the END that closes it or the EOF.
void ReadChartRecords(TChartRecord& List, TXLSStream& Stream, const TChartFonts& Fonts);
void WriteChartRecords(const TChartRecord& List, TXLSStream& Stream, const TChartFonts& Fonts);

// Appends the default record set of Kind (0 the default chart, 1 legend children, 2 the children
// of a series, 3 the children of a data format, 4..10 the chart groups area, bar, line, pie,
// radar, scatter, surface). Other kinds append nothing.
void AddDefaultChartRecords(TChartRecord& List, int Kind, const TChartFonts& Fonts);

}  // namespace biff
