// BIFF formula tokens back to formula text, and shared-formula tokens made absolute for one cell.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace biff {

// What the decoder asks its owner for. Kind 0: the text of defined name NameIndex (1-based);
// Kind 2: the prefix of EXTERNSHEET entry Index including its "!" (NameIndex -1), or the text of
// external name NameIndex of that entry; Kind 4: the name of sheet Index.
using TDecodeRefEvent =
    std::function<void(std::uint8_t Kind, int Index, std::u16string& Text, int A, int B, int NameIndex)>;

// Turns BIFF8 tokens into text. Len counts the bytes including a leading 0xFF or 0xFE marker of
// the cell store; with 0xFE the extra data (array constants) sits at the end of the range.
// Relative tokens (0x2C, 0x2D) are placed at BaseRow/BaseCol. Text stays UTF-16 throughout.
// Raises "Function arguments missing" when a function finds too few operands, and a clear
// message for tokens that run past Len.
void DecodeFormulaBIFF(const std::uint8_t* Ptgs, int Len, int SheetIndex, std::u16string& Text, char16_t ListSep,
                       const TDecodeRefEvent& OnRef, int BaseRow, int BaseCol);

// Rewrites the relative tokens of a shared formula in place into ordinary references for the cell
// at BaseRow/BaseCol. Version 1: BIFF8 token sizes, 0: BIFF5 sizes. Raises
// "Unknown ptg[%.2X] in Shared Formula" for a token it cannot size.
void BIFFRelocatePtgs(std::uint8_t Version, std::uint8_t* Ptgs, int Len, int BaseRow, int BaseCol);

// The inverse for BIFF8 tokens of conditional formats and validations: cell and area references
// with a relative part become their offset tokens (0x24 -> 0x2C, 0x25 -> 0x2D), relative to the
// cell at BaseRow/BaseCol. Raises "Unknown ptg[%.2X] in formula" for a token it cannot size.
void BIFFMakeRelativePtgs(std::uint8_t* Ptgs, int Len, int BaseRow, int BaseCol);

}  // namespace biff
