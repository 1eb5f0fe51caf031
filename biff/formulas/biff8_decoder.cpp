#include "biff/formulas/biff8_decoder.h"

#include <vector>

#include "biff/biff_error.h"
#include "core/byte_io.h"
#include "core/strings.h"
#include "formula/language/byte_code.h"
#include "formula/language/function_table.h"
#include "formula/support/locale.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_references.h"

namespace biff {

namespace {

const char16_t* const kValMissing = u"<Val missing>";
const char16_t* const kBinaryOps[] = {u"+", u"-", u"*", u"/", u"^", u"&", u"<", u"<=", u"=", u">=", u">", u"<>"};

std::u16string Ascii(const std::string& S) { return std::u16string(S.begin(), S.end()); }

std::u16string NumberText(double V) { return formula::FloatToText15(V, formula::TFormulaLocale::Invariant()); }

// A string constant between double quotes; a quote inside is doubled so the text parses back.
std::u16string Quoted(const std::u16string& S) {
  std::u16string R = u"\"";
  for (char16_t C : S) {
    R += C;
    if (C == u'"') R += u'"';
  }
  R += u'"';
  return R;
}

// Count characters behind an option byte (bit 0: UTF-16), 8-bit ones widened one to one.
std::u16string ReadChars(const std::uint8_t* P, int Count, bool Wide) {
  std::u16string S;
  S.reserve(static_cast<std::size_t>(Count));
  for (int i = 0; i < Count; ++i) S += Wide ? static_cast<char16_t>(core::load_le16(P + 2 * i)) : static_cast<char16_t>(P[i]);
  return S;
}

// The A1 text of a BIFF8 row and column word (column bits 0-13; bit 14 clear: column absolute,
// bit 15 clear: row absolute). Relative tokens of shared formulas are offsets from the base cell.
std::u16string CellText(std::uint16_t Row, std::uint16_t ColWord, bool Relative, int BaseRow, int BaseCol) {
  const bool ColRel = (ColWord & 0x4000) != 0;
  const bool RowRel = (ColWord & 0x8000) != 0;
  int Col = ColWord & 0x3FFF;
  int R = Row;
  if (Relative) {
    if (ColRel) Col = (BaseCol + static_cast<std::int8_t>(ColWord & 0xFF)) & 0xFF;
    if (RowRel) R = (BaseRow + static_cast<std::int16_t>(Row)) & 0xFFFF;
  }
  return workbook::ColRowToRefStrAbs(Col, R, !ColRel, !RowRel);
}

// Argument count of a fixed-argument function token. A few functions that files use are marked
// unsupported in the shared table (its 255); their counts are the published ones.
int FixedArgCount(int Id) {
  const int Count = formula::ExcelFunctions[Id].MinArgs;
  if (Count != 255) return Count;
  switch (Id) {
    case 351: return 3;  // DATEDIF
    case 352: return 1;  // DATESTRING
    case 353: return 2;  // NUMBERSTRING
    default: return Count;
  }
}

class TDecoder {
public:
  TDecoder(const std::uint8_t* Ptgs, int Len, int SheetIndex, char16_t ListSep, const TDecodeRefEvent& OnRef,
           int BaseRow, int BaseCol)
      : P_(Ptgs), Len_(Len < 0 ? 0 : Len), ExtraEnd_(Len_), SheetIndex_(SheetIndex), ListSep_(ListSep),
        OnRef_(OnRef), BaseRow_(BaseRow), BaseCol_(BaseCol) {}

  std::u16string Run() {
    while (Pos_ < Len_) {
      if (!Step()) break;
    }
    return Stack_.empty() ? std::u16string(u"[ERROR]") : Stack_.back();
  }

private:
  // Makes sure Size bytes of the current token lie inside the token range.
  void Need(int Size) const {
    if (Size > Len_ - Pos_)
      throw Exception(core::format("Truncated ptg[%.2X] at offset %d", P_[Pos_], Pos_));
  }
  std::uint16_t U16(int Offs) const { return core::load_le16(P_ + Pos_ + Offs); }

  void Push(std::u16string S) { Stack_.push_back(std::move(S)); }
  void Binary(const std::u16string& Op) {
    if (Stack_.size() < 2) {
      Push(kValMissing);
      return;
    }
    std::u16string B = std::move(Stack_.back());
    Stack_.pop_back();
    Stack_.back() += Op + B;
  }
  std::u16string Prefix(int ExtSheet) {
    std::u16string S;
    if (OnRef_)
      OnRef_(2, ExtSheet, S, 0, 0, -1);
    else
      S = u"[ExternSheet]";
    return S;
  }
  // The Count top items, oldest first, joined with the list separator.
  std::u16string Args(int Count) {
    if (Count < 0 || static_cast<std::size_t>(Count) > Stack_.size()) throw Exception("Function arguments missing");
    std::u16string S;
    const std::size_t First = Stack_.size() - static_cast<std::size_t>(Count);
    for (std::size_t i = First; i < Stack_.size(); ++i) {
      if (i > First) S += ListSep_;
      S += Stack_[i];
    }
    Stack_.resize(First);
    return S;
  }
  void Function(int Id, int Count) {
    if (Id < 0 || Id >= formula::EXCEL_FUNCTION_COUNT)
      throw Exception(core::format("Unknown function id %d", Id));
    const char16_t* TableName = formula::ExcelFunctions[Id].Name;
    std::u16string Name = TableName ? TableName : u"";
    if (!Name.empty() && Name[0] >= u'0' && Name[0] <= u'9') {
      // A placeholder entry (a user-defined function): its name is the first operand.
      if (Count < 1 || static_cast<std::size_t>(Count) > Stack_.size()) throw Exception("Function arguments missing");
      const std::size_t NameAt = Stack_.size() - static_cast<std::size_t>(Count);
      Name = Stack_[NameAt];
      Stack_.erase(Stack_.begin() + static_cast<std::ptrdiff_t>(NameAt));
      --Count;
    }
    Push(Name + u"(" + Args(Count) + u")");
  }

  // Values of an array constant from the extra data: rows separated by ";", values by the list
  // separator.
  std::u16string ArrayText() {
    auto NeedExtra = [&](int Size) {
      if (Size > ExtraEnd_ - ExtraPos_) throw Exception("Array constant data missing");
    };
    NeedExtra(3);
    const int Cols = P_[ExtraPos_] + 1;
    const int Rows = core::load_le16(P_ + ExtraPos_ + 1) + 1;
    ExtraPos_ += 3;
    std::u16string S = u"{";
    for (int r = 0; r < Rows; ++r) {
      if (r > 0) S += u';';
      for (int c = 0; c < Cols; ++c) {
        if (c > 0) S += ListSep_;
        NeedExtra(1);
        const std::uint8_t Type = P_[ExtraPos_++];
        switch (Type) {
          case 0:
            NeedExtra(8);
            ExtraPos_ += 8;
            break;
          case 1:
            NeedExtra(8);
            S += NumberText(core::load_le_double(P_ + ExtraPos_));
            ExtraPos_ += 8;
            break;
          case 2: {
            NeedExtra(3);
            const int Count = core::load_le16(P_ + ExtraPos_);
            const bool Wide = (P_[ExtraPos_ + 2] & 1) != 0;
            NeedExtra(3 + Count * (Wide ? 2 : 1));
            S += Quoted(ReadChars(P_ + ExtraPos_ + 3, Count, Wide));
            ExtraPos_ += 3 + Count * (Wide ? 2 : 1);
            break;
          }
          case 4:
            NeedExtra(8);
            S += (P_[ExtraPos_] == 1 ? u"TRUE" : u"FALSE");
            ExtraPos_ += 8;
            break;
          case 16:
            NeedExtra(8);
            S += workbook::BIFFErrorToText(P_[ExtraPos_]);
            ExtraPos_ += 8;
            break;
          default:
            // The element's size is unknown, so the rest of the data cannot be read.
            S += Ascii(core::format("Bad element ID#%d in array", Type));
            ExtraPos_ = ExtraEnd_;
            return S + u"}";
        }
      }
    }
    return S + u"}";
  }

  // One token; False stops the walk.
  bool Step() {
    const std::uint8_t Raw = P_[Pos_];
    const std::uint8_t Id = formula::NormalizePtgClass(Raw);
    int Size = 1;
    switch (Id) {
      case 0x00:
        return false;
      case 0x03: case 0x04: case 0x05: case 0x06: case 0x07: case 0x08:
      case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x0E:
        Binary(kBinaryOps[Id - 0x03]);
        break;
      case 0x0F:  // intersection: the operator is a space
        Binary(u" ");
        break;
      case 0x10:
        Binary(std::u16string(1, ListSep_));
        break;
      case 0x11:
        Binary(u":");
        break;
      case 0x12:
      case 0x13:
        if (Stack_.empty())
          Push(kValMissing);
        else
          Stack_.back().insert(0, 1, Id == 0x12 ? u'+' : u'-');
        break;
      case 0x14:
        if (Stack_.empty())
          Push(kValMissing);
        else
          Stack_.back() += u'%';
        break;
      case 0x15:
        if (Stack_.empty())
          Push(kValMissing);
        else
          Stack_.back() = u"(" + Stack_.back() + u")";
        break;
      case 0x16:
        Push(u"");
        break;
      case 0x17: {
        Need(3);
        const int Count = P_[Pos_ + 1];
        const bool Wide = (P_[Pos_ + 2] & 1) != 0;
        Size = 3 + Count * (Wide ? 2 : 1);
        Need(Size);
        Push(Quoted(ReadChars(P_ + Pos_ + 3, Count, Wide)));
        break;
      }
      case 0x18: {
        Need(2);
        const std::uint8_t E = P_[Pos_ + 1];
        switch (E) {
          // Natural-language labels. A BIFF8 cell location is 4 bytes (row word, column word), so
          // each of these tokens takes 6 bytes; a real file's radical label confirms it.
          case 1: case 2: case 3: case 10: case 11: case 12: case 13: case 14: case 15: case 16: case 29:
            Size = 6;
            Need(Size);
            break;
          case 6: case 7: {
            Size = 6;
            Need(Size);
            std::u16string S;
            if (OnRef_) OnRef_(4, SheetIndex_, S, U16(2), P_[Pos_ + 4], -1);
            Push(S);
            break;
          }
          default:
            Size = 2;
            Push(Ascii(core::format("Unknown eptg[%.2X]", E)));
            break;
        }
        break;
      }
      case 0x19: {
        Size = 4;
        Need(Size);
        const std::uint8_t Flags = P_[Pos_ + 1];
        if (Flags & 0x04) {
          Size = 4 + 2 * (U16(2) + 1);
          Need(Size);
        } else if (Flags & 0x10) {
          if (Stack_.empty())
            Push(kValMissing);
          else
            Stack_.back() = u"SUM(" + Stack_.back() + u")";
        }
        break;
      }
      case 0x1C:
        Size = 2;
        Need(Size);
        Push(workbook::BIFFErrorToText(P_[Pos_ + 1]));
        break;
      case 0x1D:
        Size = 2;
        Need(Size);
        Push(P_[Pos_ + 1] != 0 ? u"TRUE" : u"FALSE");
        break;
      case 0x1E:
        Size = 3;
        Need(Size);
        Push(Ascii(std::to_string(U16(1))));
        break;
      case 0x1F:
        Size = 9;
        Need(Size);
        Push(NumberText(core::load_le_double(P_ + Pos_ + 1)));
        break;
      case 0x20:
        Size = 8;
        Need(Size);
        Push(ArrayText());
        break;
      case 0x21: {
        Size = 3;
        Need(Size);
        const int FuncId = U16(1);
        if (FuncId >= formula::EXCEL_FUNCTION_COUNT) throw Exception(core::format("Unknown function id %d", FuncId));
        Function(FuncId, FixedArgCount(FuncId));
        break;
      }
      case 0x22:
        Size = 4;
        Need(Size);
        Function(U16(2) & 0x7FFF, P_[Pos_ + 1] & 0x7F);
        break;
      case 0x23: {
        Size = 5;
        Need(Size);
        std::u16string S = u"[EXTERNNAME]";
        if (OnRef_) OnRef_(0, -1, S, 0, 0, U16(1));
        Push(S);
        break;
      }
      case 0x24:
      case 0x2C:
        Size = 5;
        Need(Size);
        Push(CellText(U16(1), U16(3), Id == 0x2C, BaseRow_, BaseCol_));
        break;
      case 0x25:
      case 0x2D:
        Size = 9;
        Need(Size);
        Push(CellText(U16(1), U16(5), Id == 0x2D, BaseRow_, BaseCol_) + u":" +
             CellText(U16(3), U16(7), Id == 0x2D, BaseRow_, BaseCol_));
        break;
      case 0x26:  // memory area: its cell list sits in the extra data; the subexpression follows
        Size = 7;
        Need(Size);
        if (ExtraPos_ < ExtraEnd_) {
          if (ExtraEnd_ - ExtraPos_ < 2) throw Exception("Array constant data missing");
          const int Count = core::load_le16(P_ + ExtraPos_);
          if (2 + 8 * Count > ExtraEnd_ - ExtraPos_) throw Exception("Array constant data missing");
          ExtraPos_ += 2 + 8 * Count;
        }
        break;
      case 0x27:
      case 0x28:
        Size = 7;
        Need(Size);
        break;
      case 0x29:
      case 0x2E:
      case 0x2F:
        Size = 3;
        Need(Size);
        break;
      case 0x2A:
        Size = 5;
        Need(Size);
        Push(u"#REF!");
        break;
      case 0x2B:
        Size = 9;
        Need(Size);
        Push(u"#REF!");
        break;
      case 0x39: {
        Size = 7;
        Need(Size);
        std::u16string S = Ascii(core::format("[EXTERNNAME %d]", U16(3)));
        if (OnRef_) OnRef_(2, U16(1), S, 0, 0, U16(3));
        Push(S);
        break;
      }
      case 0x3A:
        Size = 7;
        Need(Size);
        Push(Prefix(U16(1)) + CellText(U16(3), U16(5), false, 0, 0));
        break;
      case 0x3B:
        Size = 11;
        Need(Size);
        Push(Prefix(U16(1)) + CellText(U16(3), U16(7), false, 0, 0) + u":" + CellText(U16(5), U16(9), false, 0, 0));
        break;
      case 0x3C:
        Size = 7;
        Need(Size);
        Push(Prefix(U16(1)) + u"#REF!");
        break;
      case 0x3D:
        Size = 11;
        Need(Size);
        Push(Prefix(U16(1)) + u"#REF!");
        break;
      case 0xFE: {
        Size = 3;
        Need(Size);
        const int Extra = U16(1);
        if (Extra > Len_ - Pos_ - Size) throw Exception("Formula extra data past the end");
        Len_ -= Extra;
        ExtraPos_ = Len_;
        ExtraEnd_ = Len_ + Extra;
        break;
      }
      case 0xFF:
        break;
      default:
        Push(Ascii(core::format("Unknown ptg[%.2X]", Raw)));
        return false;
    }
    Pos_ += Size;
    return true;
  }

  const std::uint8_t* P_;
  int Len_;
  int Pos_ = 0;
  int ExtraPos_ = 0;
  int ExtraEnd_ = 0;
  int SheetIndex_;
  char16_t ListSep_;
  const TDecodeRefEvent& OnRef_;
  int BaseRow_;
  int BaseCol_;
  std::vector<std::u16string> Stack_;
};

// Places a relative column/row pair of a BIFF8 token at the base cell; the flags stay.
void Relocate8(std::uint8_t* Row, std::uint8_t* ColWord, int BaseRow, int BaseCol) {
  std::uint16_t C = core::load_le16(ColWord);
  if (C & 0x4000) C = static_cast<std::uint16_t>((C & 0xC000) | ((BaseCol + static_cast<std::int8_t>(C & 0xFF)) & 0xFF));
  if (C & 0x8000) core::store_le16(Row, static_cast<std::uint16_t>(BaseRow + static_cast<std::int16_t>(core::load_le16(Row))));
  core::store_le16(ColWord, C);
}

// The same for BIFF5: the flags sit in the row word above a 14-bit row, the column is a byte.
void Relocate5(std::uint8_t* RowWord, std::uint8_t* Col, int BaseRow, int BaseCol) {
  std::uint16_t R = core::load_le16(RowWord);
  if (R & 0x4000) *Col = static_cast<std::uint8_t>(BaseCol + static_cast<std::int8_t>(*Col));
  if (R & 0x8000) {
    int Offs = R & 0x3FFF;
    if (Offs & 0x2000) Offs -= 0x4000;
    R = static_cast<std::uint16_t>((R & 0xC000) | ((BaseRow + Offs) & 0x3FFF));
  }
  core::store_le16(RowWord, R);
}

}  // namespace

void DecodeFormulaBIFF(const std::uint8_t* Ptgs, int Len, int SheetIndex, std::u16string& Text, char16_t ListSep,
                       const TDecodeRefEvent& OnRef, int BaseRow, int BaseCol) {
  Text.clear();
  if (Ptgs == nullptr) Len = 0;
  TDecoder D(Ptgs, Len, SheetIndex, ListSep, OnRef, BaseRow, BaseCol);
  Text = D.Run();
}

namespace {

// The size of the token at T with Left bytes from it on. What names the formula in messages.
int PtgSize(const std::uint8_t* T, int Left, bool B8, const char* What) {
  const std::uint8_t Id = formula::NormalizePtgClass(*T);
  auto Fail = [&](const char* Kind) { throw Exception(core::format("%s ptg[%.2X] in %s", Kind, *T, What)); };
  auto Word = [&](int Offs) -> int {
    if (Offs + 2 > Left) Fail("Truncated");
    return core::load_le16(T + Offs);
  };
  int Size = 0;
  if (Id >= 0x03 && Id <= 0x16) {
    Size = 1;
  } else {
    switch (Id) {
      case 0x02: Size = 5; break;
      case 0x17:
        if (Left < 2) Fail("Truncated");
        if (B8) {
          if (Left < 3) Fail("Truncated");
          Size = 3 + T[1] * ((T[2] & 1) ? 2 : 1);
        } else {
          Size = 2 + T[1];
        }
        break;
      case 0x19:
        if (Left < 2) Fail("Truncated");
        Size = (T[1] & 0x04) ? 2 * Word(2) + 6 : 4;
        break;
      case 0x1C: case 0x1D: Size = 2; break;
      case 0x1E: case 0x21: case 0x38: Size = 3; break;
      case 0x1F: Size = 9; break;
      case 0x20: Size = 8; break;
      case 0x22: Size = 4; break;
      case 0x23: Size = B8 ? 5 : 15; break;
      case 0x24: case 0x2A: case 0x2C: Size = B8 ? 5 : 4; break;
      case 0x25: case 0x2B: case 0x2D: Size = B8 ? 9 : 7; break;
      case 0x39: Size = B8 ? 7 : 25; break;
      case 0x3A: case 0x3C: Size = B8 ? 7 : 18; break;
      case 0x3B: case 0x3D: Size = B8 ? 11 : 21; break;
      // Memory tokens: the token alone; the subexpression after it is walked as ordinary tokens.
      case 0x26: case 0x27: case 0x28: Size = 7; break;
      case 0x29: case 0x2E: case 0x2F: Size = 3; break;
      default: Fail("Unknown");
    }
  }
  if (Size > Left) Fail("Truncated");
  return Size;
}

// The row word and column word of a BIFF8 reference made relative to BaseRow/BaseCol where their
// flags say so (column bit 14, row bit 15): the offset form of shared and rule formulas.
void Unrelocate8(std::uint8_t* Row, std::uint8_t* ColWord, int BaseRow, int BaseCol) {
  std::uint16_t C = core::load_le16(ColWord);
  if (C & 0x4000) C = static_cast<std::uint16_t>((C & 0xC000) | (((C & 0xFF) - BaseCol) & 0xFF));
  if (C & 0x8000) core::store_le16(Row, static_cast<std::uint16_t>(core::load_le16(Row) - BaseRow));
  core::store_le16(ColWord, C);
}

}  // namespace

void BIFFRelocatePtgs(std::uint8_t Version, std::uint8_t* Ptgs, int Len, int BaseRow, int BaseCol) {
  const bool B8 = Version == 1;
  int Pos = 0;
  while (Pos < Len) {
    std::uint8_t* T = Ptgs + Pos;
    const std::uint8_t Id = formula::NormalizePtgClass(*T);
    const int Size = PtgSize(T, Len - Pos, B8, "Shared Formula");
    if (Id == 0x2C || Id == 0x2D) {
      *T = static_cast<std::uint8_t>(*T - 8);  // 0x2C -> 0x24, 0x4D -> 0x45, ...
      if (B8) {
        Relocate8(T + 1, T + (Id == 0x2C ? 3 : 5), BaseRow, BaseCol);
        if (Id == 0x2D) Relocate8(T + 3, T + 7, BaseRow, BaseCol);
      } else {
        Relocate5(T + 1, T + (Id == 0x2C ? 3 : 5), BaseRow, BaseCol);
        if (Id == 0x2D) Relocate5(T + 3, T + 6, BaseRow, BaseCol);
      }
    }
    Pos += Size;
  }
}

void BIFFMakeRelativePtgs(std::uint8_t* Ptgs, int Len, int BaseRow, int BaseCol) {
  int Pos = 0;
  while (Pos < Len) {
    std::uint8_t* T = Ptgs + Pos;
    const std::uint8_t Id = formula::NormalizePtgClass(*T);
    const int Size = PtgSize(T, Len - Pos, true, "formula");
    if (Id == 0x24 || Id == 0x25) {
      const bool Area = Id == 0x25;
      const std::uint16_t C1 = core::load_le16(T + (Area ? 5 : 3));
      const std::uint16_t C2 = Area ? core::load_le16(T + 7) : 0;
      if ((C1 | C2) & 0xC000) {
        *T = static_cast<std::uint8_t>(*T + 8);  // 0x24 -> 0x2C, 0x45 -> 0x4D, ...
        Unrelocate8(T + 1, T + (Area ? 5 : 3), BaseRow, BaseCol);
        if (Area) Unrelocate8(T + 3, T + 7, BaseRow, BaseCol);
      }
    }
    Pos += Size;
  }
}

}  // namespace biff
