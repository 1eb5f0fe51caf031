#include "formula/evaluator/evaluator.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "core/byte_io.h"
#include "core/strings.h"
#include "formula/language/byte_code.h"
#include "formula/language/function_table.h"
#include "formula/support/value_arrays.h"
#include "workbook/biff_codecs.h"
#include "workbook/exceptions.h"

namespace formula {

namespace {

[[noreturn]] void IllegalPtgs() { throw workbook::Exception(std::string("Illegal ptgs")); }
[[noreturn]] void InvalidPtgs(std::uint8_t Id) { throw workbook::Exception(core::format("Invalid ptgs: %.2X", Id)); }

constexpr std::uint16_t kColMask = 0x7FFF;
constexpr std::uint32_t kRowMask = 0x7FFFFFFF;
constexpr std::uint16_t kBIFFColMask = 0x3FFF;

int U16(const std::uint8_t* P) { return core::load_le16(P); }

// Ids whose size the stepper knows (fixed sizes, or sized by their content).
bool HasSize(std::uint8_t Id) {
  switch (Id) {
    case ptg8Str: case ptg8Attr: case ptg8Ref: case ptg8Area: case ptg8MemArea: case ptg8MemErr:
    case ptg8MemNoMem: case ptg8MemFunc: case ptg8MemAreaN: case ptg8MemNoMemN: case xptgRef:
    case xptgRefErr: case xptgArea: case xptgAreaErr: case xptgStr: case xptgFuncName:
    case xptgBIFF8Extra: case xptgBIFF8:
      return true;
    default:
      return PtgSizeTable[Id] >= 0;
  }
}

// The bytes the token loop advances over the token at P (normalised id Id): BIFF8's intersection is
// one byte; a memory function, a table token without items and a table column step over their
// head only, so that the tokens they carry run next; otherwise the stepper's size, which raises
// when the token runs past the end.
int ExecutedSize(const std::uint8_t* P, int Left, bool BIFFMode, std::uint8_t Id) {
  if (BIFFMode && Id == ptgIsect) return 1;
  const int full = PtgTokenSize(P, Left);
  if (Id == ptg8MemFunc) return 3;
  if (Id == xptgTableColumn) return 5;
  if (Id == xptgTable && P[5] == 0) return 6;
  return full;
}

// Functions an array formula calls once with whole arrays (MINVERSE).
bool WholeArray(int Id) {
  const TXc12FuncData* f = XLSFuncNames().GetFuncData(Id);
  return f && (f->Flags & FUNC_FLAG_WHOLE_ARRAY);
}

}  // namespace

TXLSFormulaEvaluator::TXLSFormulaEvaluator(IFormulaWorkbook* Workbook, const TFormulaLocale* Locale)
    : Stack_(Workbook, Locale) {}

bool TXLSFormulaEvaluator::Evaluate(const std::uint8_t* Ptgs, int Len, int SheetIndex, int Col, int Row,
                                    TXLSFormulaValue& Result, const workbook::TXLSCellArea* Target) {
  HasTarget_ = Target != nullptr;
  if (Target) Target_ = *Target;
  Stack_.Reset(HasTarget_, SheetIndex, Col, Row);
  BIFFMode_ = false;
  NameDepth_ = 0;
  NamesInProgress_.clear();
  NameValues_.clear();
  Context_ = kNoContext;
  Work_ = 0;
  Extra_ = ExtraEnd_ = nullptr;
  if (Len > 0 && Ptgs[0] == xptgSharedMember && Stack_.Cells) {
    SharedMemberTokens(*Stack_.Cells, Col, Row, Ptgs, Len, SharedCopy_);
    Ptgs = SharedCopy_.data();
    Len = static_cast<int>(SharedCopy_.size());
  }
  try {
    Execute(Ptgs, Len, HasTarget_);
  } catch (const TWorkExceeded&) {
    // Names that fan out through random numbers, say: the formula has no value it could reach.
    Stack_.Reset(HasTarget_, SheetIndex, Col, Row);
    Stack_.PushError(errNum);
  }
  Stack_.ArrayMode = HasTarget_;
  if (HasTarget_ && Stack_.Top >= 0 && Stack_.TopValue().Kind <= fvkArray && Stack_.TopValue().Kind != fvkAreaList &&
      Stack_.TopValue().Kind != fvkXArea) {
    // An area result of an array formula spreads over the target like an array; a single value
    // fills the whole target.
    if (Stack_.TopValue().Kind != fvkArray) Stack_.PushArray(Stack_.PopAsArray(false));
    TXLSFormulaValue array;
    Stack_.PopTop(array);
    WriteArrayResult(array, !(Len > 0 && Ptgs[0] == xptgDataTable));
  }
  PopResult(Result);
  return Result.Kind == fvkValue;
}

bool TXLSFormulaEvaluator::MarkArrayArguments(const std::uint8_t* Ptgs, int Len,
                                              std::vector<std::pair<int, int>>& Ranges) {
  // A simulation of the operand stack: each entry is the position of the first token of the value
  // it stands for, so the tokens of a function's argument k run from entry k up to entry k + 1 (the
  // last argument up to the function token). Anything the token loop would reject ends the
  // simulation without marks; the loop then raises as usual.
  Ranges.clear();
  const TXLSExcelFuncNames& names = XLSFuncNames();
  // A quick look first: without a byte that could start a call of such a function there is nothing
  // to mark (a false alarm from constant data only costs the full walk).
  bool candidate = false;
  for (int i = 0; i + 2 < Len && !candidate; ++i) {
    switch (Ptgs[i]) {
      case 0x21: case 0x41: case 0x61: case xptgFunc:
        candidate = names.HasArrayArgument(U16(Ptgs + i + 1) & 0x7FFF);
        break;
      case 0x22: case 0x42: case 0x62: case xptgFuncVar:
        candidate = i + 3 < Len && names.HasArrayArgument(U16(Ptgs + i + 2) & 0x7FFF);
        break;
      default:
        break;
    }
  }
  if (!candidate) return false;
  std::vector<int>& starts = MarkStarts_;
  starts.clear();
  const std::uint8_t* p = Ptgs;
  const std::uint8_t* end = Ptgs + Len;
  bool biff = false;
  try {
    for (int pos = 0; p < end; ++pos) {
      const int left = static_cast<int>(end - p);
      std::uint8_t id = p[0];
      if (id == 0) return false;
      if (id >= 0x40 && id < 0x80) {
        if (!biff) return false;
        id = NormalizePtgClass(id);
      }
      if (!HasSize(id)) return false;
      const int size = ExecutedSize(p, left, biff, id);
      int pops = 0, fid = -1;
      bool pushes = true;
      switch (id) {
        case ptgAdd: case ptgSub: case ptgMul: case ptgDiv: case ptgPower: case ptgConcat:
        case ptgLT: case ptgLE: case ptgEQ: case ptgGE: case ptgGT: case ptgNE:
        case ptgIsect: case ptgUnion: case ptgRange:
          pops = 2;
          break;
        case ptgUminus: case ptgPercent:
          pops = 1;
          break;
        case ptgUplus: case ptgParen: case xptgSpace: case ptg8MemFunc: case xptgTableColumn:
          pushes = false;
          break;
        case ptg8Attr:
          if (p[1] & 0x10)
            pops = 1;
          else
            pushes = false;
          break;
        case xptgTable:
          pushes = p[5] != 0;
          break;
        case 0x21: case xptgFunc: {
          fid = U16(p + 1) & 0x7FFF;
          int minArgs = 0;
          names.GetArgRange(fid, minArgs, pops);
          break;
        }
        case 0x22: case xptgFuncVar:
          fid = U16(p + 2) & 0x7FFF;
          pops = p[1] & 0x7F;
          break;
        case xptgFuncName:
          pops = p[1];
          break;
        case xptgArray: {
          const long long count = static_cast<long long>(U16(p + 1)) * static_cast<std::int32_t>(core::load_le32(p + 3));
          if (count <= 0 || count > static_cast<long long>(starts.size())) return false;
          pops = static_cast<int>(count);
          break;
        }
        case xptgBIFF8Extra: {
          const int n = U16(p + 1);
          if (n > left - 3) return false;
          end -= n;
          biff = true;
          pushes = false;
          break;
        }
        case xptgBIFF8:
          biff = true;
          pushes = false;
          break;
        default:
          break;
      }
      if (pops > static_cast<int>(starts.size())) return false;
      if (pushes) {
        const std::size_t base = starts.size() - static_cast<std::size_t>(pops);
        const int first = pops ? starts[base] : pos;
        if (fid >= 0 && names.HasArrayArgument(fid))
          for (int k = 0; k < pops; ++k) {
            if (names.ArgClass(fid, k) != ARG_CLASS_ARRAY) continue;
            const int from = starts[base + static_cast<std::size_t>(k)];
            const int to = (k + 1 < pops ? starts[base + static_cast<std::size_t>(k) + 1] : pos) - 1;
            if (to >= from) Ranges.emplace_back(from, to);
          }
        starts.resize(base);
        starts.push_back(first);
      }
      p += size;
    }
  } catch (const workbook::Exception&) {
    Ranges.clear();
    return false;
  }
  if (Ranges.empty()) return false;
  std::sort(Ranges.begin(), Ranges.end());
  std::size_t n = 0;
  for (const auto& r : Ranges) {
    if (n > 0 && r.first <= Ranges[n - 1].second + 1)
      Ranges[n - 1].second = std::max(Ranges[n - 1].second, r.second);
    else
      Ranges[n++] = r;
  }
  Ranges.resize(n);
  return true;
}

void TXLSFormulaEvaluator::Execute(const std::uint8_t* Ptgs, int Len, bool InArray) {
  if (!Ptgs || Len <= 0) return;
  std::vector<std::pair<int, int>> arrayArgs;
  const bool marked = !InArray && MarkArrayArguments(Ptgs, Len, arrayArgs);
  std::size_t nextRange = 0;
  const std::uint8_t* p = Ptgs;
  const std::uint8_t* end = Ptgs + Len;
  TValueStack& s = Stack_;
  for (int pos = 0; p < end; ++pos) {
    const int left = static_cast<int>(end - p);
    const std::uint8_t stored = p[0];
    if (stored == 0) IllegalPtgs();
    if (++Work_ > MAX_WORK) throw TWorkExceeded();
    std::uint8_t id = stored;
    if (id >= 0x40 && id < 0x80) {
      if (!BIFFMode_) InvalidPtgs(stored);
      id = NormalizePtgClass(id);
    }
    if (!HasSize(id)) InvalidPtgs(stored);
    bool inArray = InArray;
    if (marked) {
      while (nextRange < arrayArgs.size() && arrayArgs[nextRange].second < pos) ++nextRange;
      inArray = nextRange < arrayArgs.size() && arrayArgs[nextRange].first <= pos;
    }
    s.ArrayMode = inArray;
    const int size = ExecutedSize(p, left, BIFFMode_, id);
    switch (id) {
      case ptgAdd: case ptgSub: case ptgMul: case ptgDiv: case ptgPower:
        s.Arith(id);
        break;
      case ptgConcat:
        s.Concat();
        break;
      case ptgLT: case ptgLE: case ptgEQ: case ptgGE: case ptgGT: case ptgNE:
        s.Compare(id);
        break;
      case ptgIsect:
        s.RefOperator(id);
        break;
      case ptgUnion: case ptgRange:
        s.RefOperator(id);
        break;
      case ptgUplus: case ptgParen:
        break;
      case ptgUminus: case ptgPercent:
        s.Unary(id);
        break;
      case 0x16:
        s.PushError(errNA);
        break;
      case ptg8Str: {
        std::u16string text;
        workbook::BIFFStrToWideStr(p + 2, p[1], text);
        s.PushString(text);
        break;
      }
      case ptg8Attr: {
        const std::uint8_t opts = p[1];
        if (opts & 0x10) CallVariable(4, 1);  // attribute SUM: SUM of its one argument
        break;
      }
      case ptgErr:
        s.PushError(BIFFMode_ ? workbook::BIFFErrorToXc12Error(p[1]) : p[1]);
        break;
      case ptgBool:
        s.PushBool(p[1] == 1);
        break;
      case 0x1E:
        s.PushFloat(U16(p + 1));
        break;
      case ptgNum:
        s.PushFloat(core::load_le_double(p + 1));
        break;
      case 0x20:
        PushBIFFArray();
        break;
      case 0x21:
      case xptgFunc: {
        const int fid = U16(p + 1) & 0x7FFF;
        if (inArray && !WholeArray(fid))
          CallArrayFunction(fid, XLSFuncNames().GetMinArgs(fid), nullptr);
        else
          CallFixed(fid);
        break;
      }
      case 0x22:
      case xptgFuncVar: {
        // Bit 7 of the count and bit 15 of the id are prompt and command flags.
        const int fid = U16(p + 2) & 0x7FFF, count = p[1] & 0x7F;
        if (inArray && !WholeArray(fid))
          CallArrayFunction(fid, count, nullptr);
        else
          CallVariable(fid, count);
        break;
      }
      case 0x23:
        PushName(U16(p + 1) - 1, true, inArray);
        break;
      case ptg8Ref:
        s.PushCellRefHere(U16(p + 3) & kBIFFColMask, U16(p + 1));
        break;
      case ptg8Area:
        s.PushAreaHere(U16(p + 5) & kBIFFColMask, U16(p + 1), U16(p + 7) & kBIFFColMask, U16(p + 3));
        break;
      case ptg8MemFunc:
        // The subexpression that follows computes the reference itself: run it in place.
        break;
      case 0x2A: case 0x2B: case 0x3C: case 0x3D:
        s.PushError(errRef);
        break;
      case 0x39: {
        int first = -1, last = -1;
        if (ExternSheets_) ExternSheets_->GetExtSheetTabs(U16(p + 1), first, last);
        if (first == 0xFFFE)
          PushName(U16(p + 3) - 1, true, inArray);
        else
          s.PushError(errRef);
        break;
      }
      case 0x3A: {
        const int col = U16(p + 5) & kBIFFColMask, row = U16(p + 3);
        Push3d(U16(p + 1), col, row, col, row, true);
        break;
      }
      case 0x3B:
        Push3d(U16(p + 1), U16(p + 7) & kBIFFColMask, U16(p + 3), U16(p + 9) & kBIFFColMask, U16(p + 5), false);
        break;
      case xptgArray:
        PushArrayConstant(U16(p + 1), static_cast<std::int32_t>(core::load_le32(p + 3)));
        break;
      case xptgName: {
        const int index = U16(p + 1);
        if (index == PTG_NAME_NOT_FOUND)
          s.PushError(errName);
        else
          PushName(index, false, inArray);
        break;
      }
      case xptgRef:
        s.PushCellRefHere(U16(p + 5) & kColMask, static_cast<int>(core::load_le32(p + 1) & kRowMask));
        break;
      case xptgArea:
        s.PushAreaHere(U16(p + 9) & kColMask, static_cast<int>(core::load_le32(p + 1) & kRowMask),
                       U16(p + 11) & kColMask, static_cast<int>(core::load_le32(p + 5) & kRowMask));
        break;
      case xptgRefErr: case xptgAreaErr:
      case xptgRef3dRangeErr: case xptgArea3dErr: case xptgArea3dRangeErr:
        s.PushError(errRef);
        break;
      case xptgInt:
        s.PushFloat(static_cast<std::int32_t>(core::load_le32(p + 1)));
        break;
      case xptgStr: {
        const int n = U16(p + 1);
        std::u16string text(static_cast<std::size_t>(n), u'\0');
        for (int i = 0; i < n; ++i) text[static_cast<std::size_t>(i)] = static_cast<char16_t>(U16(p + 3 + 2 * i));
        s.PushString(text);
        break;
      }
      case xptgSpace:
        break;
      case xptgRef3d:
        s.PushCellRefOn(p[7], U16(p + 5) & kColMask, static_cast<int>(core::load_le32(p + 1) & kRowMask));
        break;
      case xptgRef3dRange: {
        const int col = U16(p + 5) & kColMask, row = static_cast<int>(core::load_le32(p + 1) & kRowMask);
        s.PushAreaList(p[7], p[8], col, row, col, row);
        break;
      }
      case xptgArea3d:
      case xptgArea3dRange: {
        const int c1 = U16(p + 9) & kColMask, c2 = U16(p + 11) & kColMask;
        const int r1 = static_cast<int>(core::load_le32(p + 1) & kRowMask);
        const int r2 = static_cast<int>(core::load_le32(p + 5) & kRowMask);
        if (id == xptgArea3d)
          s.PushAreaOn(p[13], c1, r1, c2, r2);
        else
          s.PushAreaList(p[13], p[14], c1, r1, c2, r2);
        break;
      }
      case xptgRefExt: case xptgAreaExt:
        PushExternal(p);
        break;
      // A sheet range of another workbook has no cached values the calculation could combine.
      case xptgRefExtRange: case xptgAreaExtRange:
        s.PushError(errRef);
        break;
      case xptgRef3dErr:
        s.PushError(p[7]);
        break;
      case xptgSharedMember: case xptgArrayMember:
        throw workbook::Exception(std::string("This ptgs shall not be calculated"));
      case xptgTable:
        if (p[5] == 0) break;  // the embedded area token follows
        PushTableArea(p);
        break;
      case xptgTableColumn:
        break;
      case xptgTableSpecial:
        PushTableSpecial(p);
        break;
      case xptgDataTable:
        EvalDataTable(p);
        break;
      case xptgMissingArg:
        s.PushEmpty();
        break;
      case xptgFuncName: {
        const int n = U16(p + 2);
        std::u16string name(static_cast<std::size_t>(n), u'\0');
        for (int i = 0; i < n; ++i) name[static_cast<std::size_t>(i)] = static_cast<char16_t>(U16(p + 4 + 2 * i));
        if (inArray)
          CallArrayFunction(-1, p[1], &name);
        else
          CallUserFunction(name, p[1]);
        break;
      }
      case xptgBIFF8Extra: {
        const int n = U16(p + 1);
        if (n > left - 3) IllegalPtgs();
        BIFFMode_ = true;
        end -= n;
        Extra_ = end;
        ExtraEnd_ = end + n;
        break;
      }
      case xptgBIFF8:
        BIFFMode_ = true;
        break;
      default:
        InvalidPtgs(stored);
    }
    p += size;
  }
}

void TXLSFormulaEvaluator::Push3d(int ExtIndex, int Col1, int Row1, int Col2, int Row2, bool Cell) {
  int first = -1, last = -1;
  if (ExternSheets_) ExternSheets_->GetExtSheetTabs(ExtIndex, first, last);
  if (first < 0 || last < 0 || first >= 0xFFFE) {
    Stack_.PushError(errRef);
  } else if (first == last) {
    if (Cell)
      Stack_.PushCellRefOn(first, Col1, Row1);
    else
      Stack_.PushAreaOn(first, Col1, Row1, Col2, Row2);
  } else {
    Stack_.PushAreaList(first, last, Col1, Row1, Col2, Row2);
  }
}

void TXLSFormulaEvaluator::PushName(int Index, bool BIFFToken, bool InArray) {
  TValueStack& s = Stack_;
  // A formula name computed before for this formula (its definition cannot have changed since).
  const std::uint64_t key = static_cast<std::uint64_t>(static_cast<std::uint32_t>(Index)) << 2 |
                            (BIFFToken ? 2u : 0u) | (InArray ? 1u : 0u);
  for (const std::uint64_t slot : {key, InProgressKey(key)})
    if (const auto known = NameValues_.find(slot); known != NameValues_.end())
      for (const TNameValue& v : known->second)
        if (v.Name == key && (v.Context == kNoContext || v.InProgress == NamesInProgress_)) {
          Context_ = std::min(Context_, v.Context);
          s.PushValue(v.Value);
          return;
        }
  TFormulaNameDef def;
  if (Index < 0 || !Names_ || !Names_->GetName(Index, def)) {
    s.PushError(errName);
    return;
  }
  if (BIFFToken && def.VBProcedure) {
    s.PushError(errNA);
    return;
  }
  switch (def.Kind) {
    case TFormulaNameDef::nkFormula: {
      // A definition without tokens (or only the BIFF8 lead) has no value; a name that reaches
      // itself again is circular and has none either. Stopping only at the depth guard would
      // let N = N+N fan out into 2^depth evaluations.
      if (def.Len <= (BIFFToken ? 1 : 0) || !def.Ptgs) {
        s.PushError(errName);
        return;
      }
      const auto open = std::find(NamesInProgress_.begin(), NamesInProgress_.end(), Index);
      if (open != NamesInProgress_.end() || NameDepth_ >= MAX_NAME_DEPTH) {
        // Either answer holds only while these names are in progress.
        Context_ = std::min(Context_, open != NamesInProgress_.end()
                                          ? static_cast<int>(open - NamesInProgress_.begin()) : 0);
        s.PushError(errName);
        return;
      }
      const bool biff = BIFFMode_;
      const std::uint8_t* extra = Extra_;
      const std::uint8_t* extraEnd = ExtraEnd_;
      const int before = s.Top;
      const int level = static_cast<int>(NamesInProgress_.size());
      const int outerContext = Context_;
      const std::uint64_t draws = Random_.Draws(), userCalls = UserCalls_;
      Context_ = kNoContext;
      ++NameDepth_;
      NamesInProgress_.push_back(Index);
      BIFFMode_ = false;
      try {
        Execute(def.Ptgs, def.Len, InArray);
      } catch (...) {
        NamesInProgress_.pop_back();
        --NameDepth_;
        BIFFMode_ = biff;
        Extra_ = extra;
        ExtraEnd_ = extraEnd;
        Context_ = outerContext;
        throw;
      }
      NamesInProgress_.pop_back();
      --NameDepth_;
      BIFFMode_ = biff;
      Extra_ = extra;
      ExtraEnd_ = extraEnd;
      if (s.Top <= before) {
        s.Top = before;
        s.PushError(errName);
      } else if (s.Top > before + 1) {
        // An ill-formed definition: keep its last value only.
        TXLSFormulaValue v;
        s.PopTop(v);
        s.Top = before;
        s.PushValue(v);
      }
      const int context = Context_;
      Context_ = std::min(outerContext, context);
      if (Random_.Draws() == draws && UserCalls_ == userCalls) {
        TNameValue v;
        v.Name = key;
        v.Value = s.TopValue();
        v.Context = context >= level ? kNoContext : context;
        if (v.Context != kNoContext) v.InProgress = NamesInProgress_;
        NameValues_[v.Context == kNoContext ? key : InProgressKey(key)].push_back(std::move(v));
      }
      return;
    }
    case TFormulaNameDef::nkCell: {
      int col, row;
      if (BIFFToken) {
        col = static_cast<int>(def.Col1 & kBIFFColMask);
        row = static_cast<int>(def.Row1 & 0xFFFF);
      } else {
        col = (def.Col1 & PTG_COL_ABS) ? static_cast<int>(def.Col1 & kColMask) : s.Col;
        row = (def.Row1 & PTG_ROW_ABS) ? static_cast<int>(def.Row1 & kRowMask) : s.Row;
      }
      s.PushCellRefOn(def.SheetIndex, col, row);
      return;
    }
    case TFormulaNameDef::nkArea:
      if (BIFFToken)
        s.PushAreaOn(def.SheetIndex, static_cast<int>(def.Col1 & kBIFFColMask), static_cast<int>(def.Row1 & 0xFFFF),
                     static_cast<int>(def.Col2 & kBIFFColMask), static_cast<int>(def.Row2 & 0xFFFF));
      else
        s.PushAreaOn(def.SheetIndex, static_cast<int>(def.Col1 & kColMask), static_cast<int>(def.Row1 & kRowMask),
                     static_cast<int>(def.Col2 & kColMask), static_cast<int>(def.Row2 & kRowMask));
      return;
    default:
      s.PushError(errRef);
  }
}

std::uint64_t TXLSFormulaEvaluator::InProgressKey(std::uint64_t Name) const {
  std::uint64_t h = (Name ^ 0xCBF29CE484222325ull) * 0x100000001B3ull;
  for (const int index : NamesInProgress_) h = (h ^ static_cast<std::uint32_t>(index)) * 0x100000001B3ull;
  return h | 1ull << 63;  // never a plain key, whose top bits are clear
}

void TXLSFormulaEvaluator::PushArrayConstant(int Cols, int Rows) {
  TValueStack& s = Stack_;
  const long long count = static_cast<long long>(Cols) * Rows;
  if (Cols <= 0 || Rows <= 0 || count > s.Top + 1) IllegalPtgs();
  s.BeginArgs(static_cast<int>(count));
  auto arr = std::make_unique<TXLSArrayItem>(Cols, Rows);
  bool ok = true;
  for (long long i = count - 1; i >= 0; --i) {
    TXLSFormulaValue v;
    s.PopArg(v);
    if (!ok) continue;
    const bool scalar = v.Kind == fvkValue && (v.ValueType == fvtFloat || v.ValueType == fvtBoolean ||
                                               v.ValueType == fvtError || v.ValueType == fvtString);
    if (!scalar) {
      ok = false;
      continue;
    }
    arr->SetFromFormulaValue(static_cast<int>(i % Cols), static_cast<int>(i / Cols), v);
  }
  if (ok)
    s.PushArray(std::move(arr));
  else
    s.PushError(errValue);
}

void TXLSFormulaEvaluator::PushBIFFArray() {
  const std::uint8_t* p = Extra_;
  auto need = [&](int n) {
    if (!p || n < 0 || ExtraEnd_ - p < n) IllegalPtgs();
  };
  need(3);
  const int cols = p[0] + 1;
  const int rows = U16(p + 1) + 1;
  p += 3;
  // Every element takes at least 4 bytes: refuse counts the data cannot hold before allocating.
  need(cols * rows * 4);
  auto arr = std::make_unique<TXLSArrayItem>(cols, rows);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      need(1);
      const std::uint8_t type = *p++;
      switch (type) {
        case 0x00:
          need(8);
          p += 8;
          break;
        case 0x01:
          need(8);
          arr->SetFloat(c, r, core::load_le_double(p));
          p += 8;
          break;
        case 0x02: {
          need(3);
          const int n = U16(p);
          const int bytes = (p[2] & 1) ? 2 * n : n;
          need(3 + bytes);
          std::u16string text;
          workbook::BIFFStrToWideStr(p + 2, n, text);
          arr->SetString(c, r, text);
          p += 3 + bytes;
          break;
        }
        case 0x04:
          need(8);
          arr->SetBoolean(c, r, p[0] != 0);
          p += 8;
          break;
        case 0x10:
          need(8);
          arr->SetError(c, r, workbook::BIFFErrorToXc12Error(p[0]));
          p += 8;
          break;
        default:
          IllegalPtgs();
      }
    }
  Extra_ = p;
  Stack_.PushArray(std::move(arr));
}

void TXLSFormulaEvaluator::CallUserFunction(const std::u16string& Name, int ArgCount) {
  TValueStack& s = Stack_;
  s.BeginArgs(ArgCount);
  if (!UserFunction_) {
    s.PushError(errName);  // a function nobody provides, as an unknown name
    return;
  }
  TXLSUserFuncData data;
  data.Args.resize(static_cast<std::size_t>(ArgCount));
  for (int i = 0; i < ArgCount; ++i) s.PopArg(data.Args[static_cast<std::size_t>(i)]);
  UserFunction_(Name, data);
  // The handler may have changed any cell, and may answer otherwise next time.
  ++UserCalls_;
  NameValues_.clear();
  if (s.Cache) s.Cache->Clear();
  s.PushValue(data.Result);
}

void TXLSFormulaEvaluator::PopResult(TXLSFormulaValue& Result) {
  TValueStack& s = Stack_;
  s.PopTop(Result);  // raises "Empty stack"
  if (Result.Kind == fvkArea) {
    // Implicit intersection: a one-row area gives the cell of the formula's column, a one-column
    // area the cell of the formula's row; an area the formula cell lies in gives that cell of another
    // sheet (on its own sheet the formula refers to itself). Anything else has no single value.
    const TXLSFormulaValue area = Result;
    const bool colIn = s.Col >= area.Col1 && s.Col <= area.Col2;
    const bool rowIn = s.Row >= area.Row1 && s.Row <= area.Row2;
    int col = -1, row = -1;
    std::uint8_t err = errValue;
    if (colIn && rowIn) {
      if (area.Cells != s.Cells)
        col = s.Col, row = s.Row;
      else
        err = errRef;
    } else if (colIn && area.Row1 == area.Row2) {
      col = s.Col;
      row = area.Row1;
    } else if (rowIn && area.Col1 == area.Col2) {
      row = s.Row;
      col = area.Col1;
    }
    if (col < 0) {
      Result.SetError(err);
    } else {
      s.PushCellRef(area.Cells, col, row);
      s.PopTop(Result);
    }
  } else if (Result.Kind == fvkArray) {
    TXLSFormulaValue first;
    if (Result.Array && Result.Array->ColCount() > 0 && Result.Array->RowCount() > 0)
      Result.Array->GetFormulaValue(0, 0, first);
    Result = first;
    Result.Kind = fvkValue;
  } else if (Result.Kind != fvkValue && Result.Kind != fvkCell) {
    Result.SetError(errValue);
  }
  if (Result.Kind == fvkValue && Result.ValueType == fvtEmpty) Result.SetFloat(0);
}

}  // namespace formula
