// The objects kept beside a shape of a sheet drawing: they interpret, change and write what the
// shape's OBJ record and the records after it hold: the text of text boxes, notes and controls
// (TXO and CONTINUE), the form controls with their linked cells, source ranges and macros, and
// embedded charts (their chart sub-stream).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "biff/chart/chart_records.h"
#include "biff/drawing/escher_drawing.h"

namespace biff {

class TShapeOutsideMso {
public:
  virtual ~TShapeOutsideMso() = default;

  // The object writes the whole OBJ record itself.
  bool OwnsObj = false;
  std::uint16_t ObjId = 0;
  std::uint16_t ObjFlags = 0;

  virtual void Assign(TShapeOutsideMso& /*Dest*/) const {}
  // The records after the OBJ record (and after the MSODRAWING with the ClientTextbox).
  virtual void ReadFromStream(TXLSStream& /*Stream*/) {}
  // The OBJ record when the object owns it, then the records after it.
  virtual void WriteToStream(TXLSStream& /*Stream*/) {}
  // Takes the shape's OBJ sub-records; False: the shape keeps and writes them.
  virtual bool ReadFromRecords(const TBaseRecordStorage& /*Records*/) { return false; }
  // The object type it writes into its own ftCmo.
  virtual std::uint16_t OwnObjType() const { return 0; }
};

// The 14-byte macro formula that calls the NAME at a 1-based position (ptgNameX).
core::Bytes MacroFormula(int NamePosition);

// An OBJ sub-record written from a body (ft, cb, body).
void WriteOBJSubRecord(core::ByteWriter& W, std::uint16_t Ft, core::ByteSpan Body);

struct TTXORun {
  std::uint16_t ich = 0;
  std::uint16_t ifnt = 0;
  std::uint32_t reserved = 0;
};

class TShapeOutsideMsoBaseText : public TShapeOutsideMso {
public:
  // The longest text a text object holds.
  static constexpr std::size_t MaxTextLength = 32767;

  core::Bytes TXO;  // the TXO body (18 bytes and the formula)
  std::u16string Text;
  std::vector<TTXORun> Runs;

  void Assign(TShapeOutsideMso& Dest) const override;
  void ReadFromStream(TXLSStream& Stream) override { ReadTextRecords(Stream); }
  void WriteToStream(TXLSStream& Stream) override { WriteTextRecords(Stream); }

  // TXO and the CONTINUE records with the text and the runs.
  void ReadTextRecords(TXLSStream& Stream);
  // MSODRAWING with the ClientTextbox, TXO, text and runs.
  void WriteTextRecords(TXLSStream& Stream);
  // Stores at most MaxTextLength characters.
  void SetText(std::u16string_view S);
  void SetDefaultText();
};

class TShapeOutsideMsoNote : public TShapeOutsideMsoBaseText {
public:
  std::int32_t Col = 0;
  std::int32_t Row = 0;
  std::uint16_t NoteFlags = 0;  // bit 1: always visible
  std::u16string Author;

  void Assign(TShapeOutsideMso& Dest) const override;
};

class TShapeOutsideMsoBaseTextMacro : public TShapeOutsideMsoBaseText {
public:
  explicit TShapeOutsideMsoBaseTextMacro(IDrawingNames* Names) : Names_(Names) { OwnsObj = true; }

  core::Bytes Macro;  // ftMacro body

  std::u16string GetMacroName() const;
  void SetMacroName(std::u16string_view Name);
  void ShiftNameIndex(int Delta);

  void WriteToStream(TXLSStream& Stream) override;

protected:
  // The sub-records after ftCmo, in writing order.
  virtual void WriteBodies(core::ByteWriter& W) const = 0;
  IDrawingNames* Names_;
};

class TShapeControlButton : public TShapeOutsideMsoBaseTextMacro {
public:
  using TShapeOutsideMsoBaseTextMacro::TShapeOutsideMsoBaseTextMacro;
  bool ReadFromRecords(const TBaseRecordStorage& Records) override;
  std::uint16_t OwnObjType() const override { return otButton; }

protected:
  void WriteBodies(core::ByteWriter& W) const override;
};

class TShapeControlCheckBox : public TShapeOutsideMsoBaseTextMacro {
public:
  using TShapeOutsideMsoBaseTextMacro::TShapeOutsideMsoBaseTextMacro;
  core::Bytes Cbls, CblsFmla, CblsData;
  bool ReadFromRecords(const TBaseRecordStorage& Records) override;
  std::uint16_t OwnObjType() const override { return otCheckBox; }

protected:
  void WriteBodies(core::ByteWriter& W) const override;
};

class TShapeControlRadioButton : public TShapeOutsideMsoBaseTextMacro {
public:
  using TShapeOutsideMsoBaseTextMacro::TShapeOutsideMsoBaseTextMacro;
  core::Bytes Cbls, Rbo, CblsData, CblsFmla, RboData;
  bool ReadFromRecords(const TBaseRecordStorage& Records) override;
  std::uint16_t OwnObjType() const override { return otOptionButton; }

protected:
  void WriteBodies(core::ByteWriter& W) const override;
};

// The list data of a list box or drop-down (ftLbsData).
class TObjLBS {
public:
  virtual ~TObjLBS() = default;
  core::Bytes AsRead;
  std::uint32_t Reserved = 0;
  core::Bytes Tokens;  // empty: no source range formula
  core::Bytes Padding{0};
  std::uint16_t cLines = 10, iSel = 1, Flags = 8, idEdit = 0;

  virtual int GetSize(bool FromRead) const;
  virtual void ReadFromBuffer(core::ByteSpan Data);
  virtual void WriteTo(core::ByteWriter& W, bool FromRead) const;

protected:
  // Reads the fields that follow the formula; R stands on cLines.
  void ReadFields(core::ByteReader& R);
  virtual void ReadTail(core::ByteReader& /*R*/) {}
  virtual void WriteTail(core::ByteWriter& /*W*/) const {}
  virtual int TailSize() const { return 0; }
};

class TObjLBSListBox : public TObjLBS {
public:
  core::Bytes Selection;

protected:
  void ReadTail(core::ByteReader& R) override;
  void WriteTail(core::ByteWriter& W) const override;
  int TailSize() const override;
};

class TObjLBSComboBox : public TObjLBS {
public:
  std::uint16_t wStyle = 0, cLine = 10, dxMin = 0;

protected:
  void ReadTail(core::ByteReader& R) override;
  void WriteTail(core::ByteWriter& W) const override;
  int TailSize() const override { return 6; }
};

class TShapeControl : public TShapeOutsideMso {};

class TShapeControlListBox : public TShapeControl {
public:
  explicit TShapeControlListBox(int AObjId, bool IsCombo = false);

  bool IsCombo;
  core::Bytes Sbs;          // 20 bytes
  core::Bytes LinkedCell;   // ptgRef and padding (6 bytes), empty without a linked cell
  core::Bytes SbsFmla;      // ftSbsFmla body as read
  std::unique_ptr<TObjLBS> LBS;
  core::Bytes Macro;
  bool Changed = true;

  void Assign(TShapeOutsideMso& Dest) const override;
  bool ReadFromRecords(const TBaseRecordStorage& Records) override;
  void WriteToStream(TXLSStream& Stream) override;
  std::uint16_t OwnObjType() const override { return IsCombo ? otDropDown : otListBox; }

  void GetLinkedCell(int& Col, int& Row) const;
  void SetLinkedCell(int Col, int Row);
  void GetSourceRange(int& Sheet, int& Col1, int& Row1, int& Col2, int& Row2) const;
  void SetSourceRange(int Sheet, int Col1, int Row1, int Col2, int Row2);
  void SetAutofilter(bool Value);
  void ShiftNameIndex(int Delta);
};

class TShapeControlComboBox : public TShapeControlListBox {
public:
  explicit TShapeControlComboBox(int AObjId) : TShapeControlListBox(AObjId, true) {}
};

class TShapeControlScrollBar : public TShapeOutsideMso {
public:
  TShapeControlScrollBar() : Sbs(20, 0) { OwnsObj = true; ObjFlags = 0x6011; }
  core::Bytes Sbs, SbsFmla, Macro;
  bool ReadFromRecords(const TBaseRecordStorage& Records) override;
  void WriteToStream(TXLSStream& Stream) override;
  std::uint16_t OwnObjType() const override { return otScrollBar; }
};

class TShapeOutsideMsoChart : public TShapeOutsideMso, public IChartDrawingOwner {
public:
  TShapeOutsideMsoChart(TEscherGroup* Group, TDrawingServices Services);
  ~TShapeOutsideMsoChart() override;

  TChartRecordUpdate& Root() { return *Root_; }
  TEscherDrawing* Drawing() const { return Drawing_.get(); }

  void Assign(TShapeOutsideMso& Dest) const override;
  void ReadFromStream(TXLSStream& Stream) override;
  void WriteToStream(TXLSStream& Stream) override;

  void ReadChartDrawing(TXLSStream& Stream, int Length) override;
  void WriteChartDrawing(TXLSStream& Stream) override;

private:
  TEscherGroup* Group_;
  TDrawingServices Services_;
  std::unique_ptr<TChartRecordUpdate> Root_;
  std::unique_ptr<TEscherDrawing> Drawing_;
};

}  // namespace biff
