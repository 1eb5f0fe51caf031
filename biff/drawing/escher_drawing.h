// The OfficeArt drawing of one sheet (or of a chart): the shape tree with pictures, notes, text
// boxes, lines, auto shapes, form controls and embedded charts, read from and written to the
// MSODRAWING records of a sheet stream and the OBJ, TXO, CONTINUE and NOTE records between them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "biff/chart/chart_records.h"
#include "biff/drawing/drawing_group.h"
#include "biff/drawing/office_art.h"
#include "biff/stream/record_storage.h"
#include "biff/stream/xls_stream.h"

namespace biff {

class TEscherDrawing;
class TShapeOutsideMso;
class TDrawingInput;

inline constexpr std::uint16_t BIFFRECID_OBJ = 0x005D;
inline constexpr std::uint16_t BIFFRECID_NOTE = 0x001C;
inline constexpr std::uint16_t BIFFRECID_TXO = 0x01B6;
inline constexpr std::uint16_t BIFFRECID_IMDATA = 0x007F;

// FSP flags.
enum : std::uint32_t {
  spfGroup = 0x1,
  spfChild = 0x2,
  spfPatriarch = 0x4,
  spfFlipH = 0x40,
  spfFlipV = 0x80,
  spfHaveAnchor = 0x200,
  spfHaveSpt = 0x800,
};

// OBJ sub-record types.
enum : std::uint16_t {
  ftEnd = 0x00,
  ftMacro = 0x04,
  ftCf = 0x07,
  ftPioGrbit = 0x08,
  ftCbls = 0x0A,
  ftRbo = 0x0B,
  ftSbs = 0x0C,
  ftNts = 0x0D,
  ftSbsFmla = 0x0E,
  ftRboData = 0x11,
  ftCblsData = 0x12,
  ftLbsData = 0x13,
  ftCblsFmla = 0x14,
  ftCmo = 0x15,
};

// OBJ object types (ftCmo ot).
enum : std::uint16_t {
  otGroup = 0,
  otLine = 1,
  otRectangle = 2,
  otOval = 3,
  otChart = 5,
  otText = 6,
  otButton = 7,
  otPicture = 8,
  otCheckBox = 11,
  otOptionButton = 12,
  otScrollBar = 17,
  otListBox = 18,
  otDropDown = 20,
  otNote = 25,
  otOfficeArt = 30,
};

// The names of the document's NAME list that macros of shapes and controls refer to.
class IDrawingNames {
public:
  virtual ~IDrawingNames() = default;
  virtual int Count() const = 0;
  // Index is 0-based.
  virtual std::u16string GetName(int Index) const = 0;
  // Compared in upper case; -1 when there is none.
  virtual int IndexOfName(std::u16string_view Name) const = 0;
  // Appends a macro NAME (option flag 0x0008) and makes sure the external-sheet list has the own
  // workbook's entry for sheet 0xFFFE; returns the new NAME's 1-based position. An empty name or
  // one that exists already is refused with an exception.
  virtual int AddProcName(std::u16string_view Name) = 0;
};

// A fresh lTxid: random plus the tick count. Tests replace it through TDrawingServices.
std::uint32_t NewTextId();

// What a drawing uses of its document. Every member may stay empty.
struct TDrawingServices {
  TChartFonts Fonts;
  // The file index of the workbook's default font (the first text run of a new note).
  std::function<int()> DefaultFontIndex;
  IDrawingNames* Names = nullptr;
  // Replaces NewTextId (deterministic files in tests).
  std::function<std::uint32_t()> TextId;

  std::uint32_t NextTextId() const { return TextId ? TextId() : NewTextId(); }
};

// The client anchor of a sheet shape: nine values, in the file 18 bytes of unsigned 16-bit words.
class TMSOObjCLIENTANCHOR {
public:
  std::int32_t Flags = 0;  // bit 0 fMove, bit 1 fSize
  std::int32_t Col1 = 0, Dx1 = 0, Row1 = 0, Dy1 = 0;
  std::int32_t Col2 = 0, Dx2 = 0, Row2 = 0, Dy2 = 0;

  void Read(core::ByteReader& R);
  void Write(core::ByteWriter& W) const;
};

struct TChildRect {
  std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TShape {
public:
  TShape() = default;
  virtual ~TShape();
  TShape(const TShape&) = delete;
  TShape& operator=(const TShape&) = delete;

  std::uint32_t SpId = 0;
  std::uint32_t ShapeType = 0;
  std::uint32_t Flags = 0;
  TOPT Properties;
  TOPT TertiaryProperties;
  std::unique_ptr<TMSORecords> UnknownRecords;
  // The OBJ record's sub-records (ft, cb, body), ftCmo first; empty when the object beside owns them.
  TBaseRecordStorage ObjRecords;
  std::unique_ptr<TShapeOutsideMso> Outside;

  // Bytes of the shape's OfficeArt records, the ClientTextbox of a text object included.
  virtual int GetSize() const;
  // Writes the shape's MSODRAWING record (Lead, when given, is written in front of it in the same
  // record), its OBJ record and what follows. Lead = nullptr starts a record of its own.
  virtual void WriteToStream(TXLSStream& Stream, core::ByteWriter* Lead);
  // Copies the shape into Dest (spid 0).
  virtual void Assign(TShape& Dest) const;

  virtual bool IsGroup() const { return false; }
  virtual TMSOObjCLIENTANCHOR* ClientAnchor() { return nullptr; }
  virtual TChildRect* ChildAnchor() { return nullptr; }

  // A text object beside: the shape's SpContainer counts its ClientTextbox.
  bool HasTextObject() const;
  void SetShapeType(std::uint32_t Type);
  bool GetFlipH() const { return Flags & spfFlipH; }
  bool GetFlipV() const { return Flags & spfFlipV; }
  void SetFlipH(bool Value);
  void SetFlipV(bool Value);
  void AddMacroProperties();

  // ftCmo fields of the OBJ sub-records (or of the object beside when it owns them); 0 without.
  std::uint16_t ObjType() const;
  std::uint16_t ObjId() const;
  // Index of the first sub-record with ft, -1 when none.
  int IndexOfObjRecord(std::uint16_t Ft) const;

protected:
  // The SpContainer content up to ClientData, its header included.
  void WriteSpContainer(core::ByteWriter& W, int ContainerLength) const;
  virtual void WriteAnchor(core::ByteWriter& /*W*/) const {}
  virtual int AnchorSize() const { return 0; }
  void WriteObjAndFollowing(TXLSStream& Stream) const;
  void AssignBase(TShape& Dest) const;
};

class TShapeClientAnchor : public TShape {
public:
  TMSOObjCLIENTANCHOR Anchor;
  TMSOObjCLIENTANCHOR* ClientAnchor() override { return &Anchor; }

protected:
  void WriteAnchor(core::ByteWriter& W) const override;
  int AnchorSize() const override { return 26; }
};

class TShapeChildAnchor : public TShape {
public:
  TChildRect Rect;
  TChildRect* ChildAnchor() override { return &Rect; }

protected:
  void WriteAnchor(core::ByteWriter& W) const override;
  int AnchorSize() const override { return 24; }
};

class TShapeGroup : public TShape {
public:
  explicit TShapeGroup(TEscherDrawing* Drawing) : Drawing_(Drawing) {}

  TChildRect GroupRect;  // FSPGR

  int GetCount() const { return static_cast<int>(Children_.size()); }
  TShape& GetItem(int Index) const { return *Children_.at(Index); }
  TShape& Add(std::unique_ptr<TShape> Shape);
  std::unique_ptr<TShape> Extract(int Index);
  void ClearChildren() { Children_.clear(); }

  bool IsGroup() const override { return true; }
  int GetOwnSize() const;
  int GetSize() const override;
  void WriteToStream(TXLSStream& Stream, core::ByteWriter* Lead) override;
  void Assign(TShape& Dest) const override;

protected:
  TEscherDrawing* Drawing_;
  std::vector<std::unique_ptr<TShape>> Children_;
};

class TShapeGroupClientAnchor : public TShapeGroup {
public:
  using TShapeGroup::TShapeGroup;
  TMSOObjCLIENTANCHOR Anchor;
  TMSOObjCLIENTANCHOR* ClientAnchor() override { return &Anchor; }

protected:
  void WriteAnchor(core::ByteWriter& W) const override;
  int AnchorSize() const override { return 26; }
};

class TShapeGroupChildAnchor : public TShapeGroup {
public:
  using TShapeGroup::TShapeGroup;
  TChildRect Rect;
  TChildRect* ChildAnchor() override { return &Rect; }

protected:
  void WriteAnchor(core::ByteWriter& W) const override;
  int AnchorSize() const override { return 24; }
};

// A drawing binds a cluster of its group: the group must outlive it.
class TEscherDrawing : public TEscherDrawingBase {
public:
  // Group may be null (a drawing without a workbook: its shapes take ids from 1024).
  explicit TEscherDrawing(TEscherGroup* Group, TDrawingServices Services = {});
  ~TEscherDrawing() override;
  TEscherDrawing(const TEscherDrawing&) = delete;
  TEscherDrawing& operator=(const TEscherDrawing&) = delete;

  // TEscherDrawingBase
  int TopLevelShapeCount() const override { return Root_->GetCount(); }
  std::uint32_t SpIdCur() const override { return SpIdCur_; }

  TEscherGroup* Group() const { return Group_; }
  TDrawingServices& Services() { return Services_; }
  TShapeGroupClientAnchor& Root() const { return *Root_; }
  std::uint32_t DgId() const { return DgId_; }
  int GetShapeCount() const { return Root_->GetCount(); }
  TShape& GetShape(int Index) const { return Root_->GetItem(Index); }
  int HighestObjId() const { return HighestObjId_; }
  const std::vector<std::uint32_t>& RegroupItems() const { return RegroupItems_; }
  const TMSORecords* SolverContainer() const { return Solver_.get(); }

  // Called for every top-level shape read (the sheet hands it to its collections).
  std::function<void(TEscherDrawing&, TShape&)> OnShapeRead;

  // Reads the drawing whose first MSODRAWING record header was just read (Length bytes of body
  // unread), or whose first body was already read. The stream's CONTINUE mode is turned off: the
  // drawing follows the records itself. Failures come out as "Error on reading shape #n\r...".
  void ReadFromStream(TXLSStream& Stream, int Length);
  void ReadFromStream(TXLSStream& Stream, core::ByteSpan FirstBody);
  // Writes the MSODRAWING, OBJ, TXO, CONTINUE and NOTE records of the drawing (nothing without shapes).
  void WriteToStream(TXLSStream& Stream);

  // A NOTE record read from the sheet stream.
  void SetNote(int Col, int Row, std::u16string_view Author, int ObjId, int Flags);

  std::uint32_t NextSpId();
  int NextObjId();

  TShapeClientAnchor& AddTextBox();
  TShapeClientAnchor& AddBasic();
  TShapeClientAnchor& AddControlShape();
  TShapeClientAnchor& AddListBox();
  TShapeClientAnchor& AddComboBox();
  TShapeClientAnchor& AddAutofilterComboBox();
  TShapeClientAnchor& AddButton();
  TShapeClientAnchor& AddNote();
  TShapeClientAnchor& AddAutoShape();
  TShapeClientAnchor& AddPicture();
  TShapeClientAnchor& AddRadioButton();
  TShapeClientAnchor& AddChart();
  TShapeClientAnchor& AddCheckBox();

  void DeleteShape(std::uint32_t SpId);
  void Clear();

  void MarkUsedPictures();
  void RemapBlipIds(const std::vector<int>& FileIndexes);

private:
  friend class TDrawingReader;
  void PrepareNewShape();
  TShapeClientAnchor& NewShape(std::uint32_t Type, int Col1, int Row1, int Col2, int Row2);
  void FinishObj(TShape& Shape, std::uint16_t Ot, std::uint16_t ObjFlags,
                 const std::vector<std::pair<std::uint16_t, core::Bytes>>& Further);
  void ReleaseCluster();

  TEscherGroup* Group_;
  TDrawingServices Services_;
  std::unique_ptr<TShapeGroupClientAnchor> Root_;
  std::uint32_t DgId_ = 0;
  std::uint32_t Csp_ = 0;
  std::uint32_t SpIdCur_ = 0;
  std::vector<std::uint32_t> RegroupItems_;
  std::unique_ptr<TMSORecords> Solver_;
  int HighestObjId_ = 0;
};

}  // namespace biff
