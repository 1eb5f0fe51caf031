// Enumeration types of the schema bindings and the registries that hold them. Each type knows its
// literals in ordinal order (its name table) and looks a value up among its own literals only, so
// two types that share a key prefix never answer for each other. A registry groups the types of one
// unit under keys (prefix + literal) for the keyed lookup FindEnum.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ooxml {

struct TXpgEnumType {
  const char* Name;    // schema type name, "ST_SchemeColorVal"
  const char* Prefix;  // registry key prefix, "stscv"
  const char16_t* const* Literals;
  int Count;
  // Keys keep the literal as written instead of upper-casing its first letter.
  bool KeysAsWritten = false;

  // The ordinal of value among this type's literals, ignoring ASCII case; -1 when absent.
  int Find(std::u16string_view value) const;
  // The literal of an ordinal; empty for an ordinal outside the type (an unset field).
  std::u16string_view Literal(int ordinal) const;
  // "st" initials + literal with its first letter upper-cased (or as written).
  std::string Key(int ordinal) const;
};

// The keyed registry of one unit.
class TXpgEnumRegistry {
public:
  // Adds every literal of type under its key. A key that is already present keeps its first type.
  void Register(const TXpgEnumType& type);
  // Ordinal for a key (prefix followed by a value), ignoring case; raises
  // "Can not find enum \"<key>\"" when absent.
  int FindEnum(std::u16string_view key) const;
  bool TryFindEnum(std::u16string_view key, int& ordinal) const;
  // Lookup restricted to one type of the registry (what attributes use).
  int FindEnum(const TXpgEnumType& type, std::u16string_view value) const;

  int TypeCount() const { return static_cast<int>(types_.size()); }
  int LiteralCount() const { return literals_; }
  const std::vector<const TXpgEnumType*>& Types() const { return types_; }
  const TXpgEnumType* FindType(std::string_view name) const;

private:
  std::vector<const TXpgEnumType*> types_;
  std::unordered_map<std::string, int> keys_;  // lower-cased key -> ordinal
  int literals_ = 0;
};

// The value of an ST_AdjCoordinate or ST_AdjAngle attribute: a number, or the name of a guide.
struct TXpgAdjValue {
  std::u16string Text;
  int Kind = -1;  // -1 unset, 0 number, 1 guide name
  std::int32_t Value = 0;
  bool operator==(const TXpgAdjValue&) const = default;
};

// A number gives Kind 0, other non-empty text Kind 1; empty text leaves the value unchanged.
void StrToAdjCoordinate(std::u16string_view text, TXpgAdjValue& value);
void StrToAdjAngle(std::u16string_view text, TXpgAdjValue& value);
// Kind 0 the number, Kind 1 the text, unset an empty string.
std::u16string AdjCoordinateToStr(const TXpgAdjValue& value);
std::u16string AdjAngleToStr(const TXpgAdjValue& value);

}  // namespace ooxml
