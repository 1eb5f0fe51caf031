// Scalar operators of the value stack: arithmetic, comparison, concatenation, unary and reference
// operators. Binary operators combine the values at Top - 1 and Top and leave the result at Top - 1.
#include <cmath>

#include "formula/language/byte_code.h"
#include "formula/evaluator/value_stack.h"
#include "formula/support/text_collation.h"
#include "workbook/exceptions.h"

namespace formula {

bool TValueStack::ArithNumbers(std::uint8_t Op, double A, double B, double& R, std::uint8_t& Err) {
  Err = 0;
  switch (Op) {
    case ptgAdd:
      R = A + B;
      break;
    case ptgSub:
      R = A - B;
      break;
    case ptgMul:
      R = A * B;
      break;
    case ptgDiv:
      if (B == 0) {
        Err = errDiv0;
        return false;
      }
      R = A / B;
      break;
    case ptgPower:
      if (A == 0 && B == 0) {
        R = 1;
        break;
      }
      if (A == 0 && B < 0) {
        Err = errDiv0;
        return false;
      }
      R = std::pow(A, B);
      break;
    default:
      throw workbook::Exception(std::string("Invalid arithmetic operator"));
  }
  // Overflow and a negative base with a fractional exponent are #NUM!, never a fault.
  if (!std::isfinite(R)) {
    Err = errNum;
    return false;
  }
  return true;
}

bool TValueStack::CallsForArrayForm(const TXLSFormulaValue& V) const {
  if (V.Kind == fvkArray) return true;
  return ArrayMode && (V.Kind == fvkArea || V.Kind == fvkAreaList);
}

bool TValueStack::ScalarOperands(TXLSFormulaValue*& A, const TXLSFormulaValue*& B) {
  DropOperand();
  if (Top < 0) throw workbook::Exception(std::string("Empty stack"));
  A = &Values_[static_cast<std::size_t>(Top)];
  B = &Values_[static_cast<std::size_t>(Top + 1)];
  if (!CallsForArrayForm(*A) && !CallsForArrayForm(*B)) return true;
  ++Top;
  return false;
}

void TValueStack::Arith(std::uint8_t Op) {
  TXLSFormulaValue* pa = nullptr;
  const TXLSFormulaValue* pb = nullptr;
  if (!ScalarOperands(pa, pb)) {
    ArithArrays(Op);
    return;
  }
  TXLSFormulaValue& a = *pa;
  const TXLSFormulaValue& b = *pb;
  double x = 0, y = 0, r = 0;
  std::uint8_t ea = 0, eb = 0, err = 0;
  ToNumber(a, x, ea);
  ToNumber(b, y, eb);
  if (ea || eb) {
    a.SetError(ea ? ea : eb);
    return;
  }
  if (!ArithNumbers(Op, x, y, r, err)) {
    a.SetError(err);
    return;
  }
  a.SetFloat(r);
}

bool TValueStack::CompareResult(std::uint8_t Op, int Cmp) {
  switch (Op) {
    case ptgLT:
      return Cmp < 0;
    case ptgLE:
      return Cmp <= 0;
    case ptgEQ:
      return Cmp == 0;
    case ptgGE:
      return Cmp >= 0;
    case ptgGT:
      return Cmp > 0;
    case ptgNE:
      return Cmp != 0;
    default:
      throw workbook::Exception(std::string("Invalid comparison operator"));
  }
}

int TValueStack::CompareTyped(const TXLSFormulaValue& A, std::uint8_t TypeA, const TXLSFormulaValue& B,
                              std::uint8_t TypeB) {
  // An empty side takes the other side's type with its zero value: 0, "" or FALSE.
  TXLSFormulaValue ea, eb;
  const TXLSFormulaValue* a = &A;
  const TXLSFormulaValue* b = &B;
  if (TypeA == fvtEmpty && TypeB == fvtEmpty) return 0;
  if (TypeA == fvtEmpty) {
    TypeA = TypeB;
    a = &ea;
  }
  if (TypeB == fvtEmpty) {
    TypeB = TypeA;
    b = &eb;
  }
  auto rank = [](std::uint8_t t) { return t == fvtFloat ? 1 : t == fvtString ? 2 : 3; };
  if (TypeA != TypeB) return rank(TypeA) < rank(TypeB) ? -1 : 1;
  switch (TypeA) {
    case fvtFloat: {
      const double x = a == &ea ? 0 : a->Number, y = b == &eb ? 0 : b->Number;
      return x < y ? -1 : (x > y ? 1 : 0);
    }
    case fvtString: {
      const int c = CollateText(a->Text, b->Text);
      return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    default: {
      const int x = a == &ea ? 0 : a->BoolErr, y = b == &eb ? 0 : b->BoolErr;
      return x < y ? -1 : (x > y ? 1 : 0);
    }
  }
}

void TValueStack::Compare(std::uint8_t Op) {
  TXLSFormulaValue* pa = nullptr;
  const TXLSFormulaValue* pb = nullptr;
  if (!ScalarOperands(pa, pb)) {
    CompareArrays(Op);
    return;
  }
  TXLSFormulaValue& a = *pa;
  const TXLSFormulaValue& b = *pb;
  std::uint8_t ta = 0, tb = 0;
  const std::uint8_t ea = ValueKind(a, ta);
  const std::uint8_t eb = ValueKind(b, tb);
  if (ea || eb) {
    a.SetError(ea ? ea : eb);
    return;
  }
  if (ta == fvtError || tb == fvtError) {
    a.SetError(ta == fvtError ? a.BoolErr : b.BoolErr);
    return;
  }
  if (ta == fvtTableRef || tb == fvtTableRef) {
    a.SetError(errValue);
    return;
  }
  TXLSFormulaValue ra, rb;
  std::uint8_t e = 0;
  Resolve(a, ra, e);
  Resolve(b, rb, e);
  a.SetBool(CompareResult(Op, CompareTyped(ra, ta, rb, tb)));
}

void TValueStack::Concat() {
  TXLSFormulaValue* pa = nullptr;
  const TXLSFormulaValue* pb = nullptr;
  if (!ScalarOperands(pa, pb)) {
    ConcatArrays();
    return;
  }
  TXLSFormulaValue& a = *pa;
  const TXLSFormulaValue& b = *pb;
  std::u16string x, y;
  const std::uint8_t ea = ToText(a, x);
  const std::uint8_t eb = ToText(b, y);
  if (ea || eb) {
    a.SetError(ea ? ea : eb);
    return;
  }
  a.SetString(x + y);
}

void TValueStack::Unary(std::uint8_t Op) {
  if (Top < 0) throw workbook::Exception(std::string("Empty stack"));
  TXLSFormulaValue& a = Values_[static_cast<std::size_t>(Top)];
  if (Op == ptgUplus || Op == ptgParen) return;
  if (CallsForArrayForm(a)) {
    UnaryArray(Op);
    return;
  }
  double x = 0;
  std::uint8_t err = 0;
  ToNumber(a, x, err);
  if (err) {
    a.SetError(err);
    return;
  }
  if (Op == ptgUminus)
    a.SetFloat(-x);
  else if (Op == ptgPercent)
    a.SetFloat(x * 0.01);
  else
    throw workbook::Exception(std::string("Invalid unary operator"));
}

bool TValueStack::ValueToArea(const TXLSFormulaValue& Value, workbook::TXLSCellArea& Area) {
  if (Value.Kind != fvkCell && Value.Kind != fvkArea) return false;
  Area = workbook::CellAreaFromBox(Value.Col1, Value.Row1, Value.Col2, Value.Row2);
  return true;
}

void TValueStack::RefOperator(std::uint8_t Op) {
  DropOperand();
  if (Top < 0) throw workbook::Exception(std::string("Empty stack"));
  TXLSFormulaValue& a = Values_[static_cast<std::size_t>(Top)];
  const TXLSFormulaValue b = Values_[static_cast<std::size_t>(Top + 1)];
  if (Op == ptgUnion) {
    auto addAreas = [](workbook::TCellAreas& list, const TXLSFormulaValue& v) {
      if (v.Kind == fvkAreaList) {
        for (int i = 0; i < v.Areas->Count(); ++i) {
          const workbook::TCellArea* s = v.Areas->GetItem(i);
          list.Add(s->GetCol1(), s->GetRow1(), s->GetCol2(), s->GetRow2())->Spare = s->Spare;
        }
      } else {
        list.Add(v.Col1, v.Row1, v.Col2, v.Row2)->Spare = v.Cells;
      }
    };
    const bool refA = a.Kind == fvkCell || a.Kind == fvkArea || a.Kind == fvkAreaList;
    const bool refB = b.Kind == fvkCell || b.Kind == fvkArea || b.Kind == fvkAreaList;
    if (!refA || !refB) {
      a.SetError(a.Kind == fvkAreaList || b.Kind == fvkAreaList ? errNull : errValue);
      return;
    }
    // Always a new list: an operand's list may be shared with other values.
    workbook::TCellAreas* list = OwnAreas(std::make_unique<workbook::TCellAreas>());
    addAreas(*list, a);
    addAreas(*list, b);
    a.SetEmpty();
    a.Kind = fvkAreaList;
    a.Areas = list;
    return;
  }
  workbook::TXLSCellArea x, y, r;
  if (!ValueToArea(a, x) || !ValueToArea(b, y) || a.Cells != b.Cells) {
    // References on different sheets cannot be combined into one area.
    a.SetError(errValue);
    return;
  }
  if (Op == ptgIsect) {
    if (!workbook::IntersectCellArea(x, y, r)) {
      a.SetError(errNull);
      return;
    }
  } else if (Op == ptgRange) {
    workbook::UnionCellArea(x, y, r);
  } else {
    throw workbook::Exception(std::string("Invalid reference operator"));
  }
  workbook::TXLSCellMMU* cells = a.Cells;
  --Top;
  if (workbook::IsSingleCellArea(r))
    PushCellRef(cells, r.Col1, r.Row1);
  else
    PushAreaRef(cells, r.Col1, r.Row1, r.Col2, r.Row2);
}

}  // namespace formula
