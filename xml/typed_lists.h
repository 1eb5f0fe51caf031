// Lists of the items of a list-valued attribute or a repeated simple element in the schema bindings:
// strings (also the kept attributes of a document element), Booleans, floats, unsigned integers and
// date-times, each converting between its items and their XML text. Items that do not convert while a
// whole list is read are reported through OnError and skipped.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "xml/xml_values.h"

namespace ooxml {

class TXpgWriteXML;

class TBaseXpgList {
public:
  using TErrorEvent = std::function<void(TBaseXpgList& sender)>;

  TBaseXpgList() = default;
  virtual ~TBaseXpgList() = default;

  virtual std::u16string GetAsString(int index) const = 0;
  virtual void SetAsString(int index, std::u16string_view s) = 0;
  virtual void SetDelimiter(char16_t ch) { delimiter_ = ch; }
  virtual std::u16string GetDelimitedText() const = 0;
  virtual void SetDelimitedText(std::u16string_view s) = 0;
  virtual int GetCount() const = 0;
  virtual void Clear() = 0;

  // One simple element tag_name per item, in order.
  void WriteAsTags(TXpgWriteXML& writer, std::u16string_view tag_name) const;
  char16_t Delimiter() const { return delimiter_; }

  TErrorEvent OnError;

protected:
  void CheckIndex(int index) const;
  char16_t delimiter_ = u' ';
};

// Strings, held as UTF-8 (the library's 8-bit text).
class TStringXpgList : public TBaseXpgList {
public:
  std::u16string GetAsString(int index) const override;
  void SetAsString(int index, std::u16string_view s) override;
  std::u16string GetDelimitedText() const override;
  // Items split at the delimiter and at blanks and control characters; a double-quoted item keeps
  // them (a doubled quote stands for one); a delimiter right before the end adds an empty item.
  void SetDelimitedText(std::u16string_view s) override;
  int GetCount() const override { return static_cast<int>(items_.size()); }
  void Clear() override { items_.clear(); }

  void Add(std::u16string_view s);
  // The line Name="Value" and a blank, ready for TXpgWriteXML::AddAttributesRaw (value escaped).
  void AddAttribute(std::u16string_view name, std::u16string_view value);
  std::u16string GetItem(int index) const { return GetAsString(index); }
  int IndexOf(std::u16string_view s) const;
  // Every item followed by CR LF.
  std::u16string GetText() const;

private:
  std::vector<std::string> items_;
};

// Base of the lists of typed values.
class TItemXpgList : public TBaseXpgList {
public:
  // Items joined by single blanks, whatever the delimiter.
  std::u16string GetDelimitedText() const override;
  // Pieces cut at the delimiter; a piece that does not convert (an empty one included) is reported.
  void SetDelimitedText(std::u16string_view s) override;

protected:
  virtual std::u16string DelimitedItem(int index) const = 0;
  virtual bool TryAddText(std::u16string_view piece) = 0;
};

// A list of values of type T. Codec converts an item to and from its XML text (ToText, FromText,
// TryFromText, the latter without raising) and gives its text in a delimited list (ToDelimited).
template <class T, class Codec>
class TValueXpgList : public TItemXpgList {
public:
  std::u16string GetAsString(int index) const override { return Codec::ToText(GetItem(index)); }
  void SetAsString(int index, std::u16string_view s) override {
    CheckIndex(index);
    items_[static_cast<std::size_t>(index)] = Codec::FromText(s);
  }
  int GetCount() const override { return static_cast<int>(items_.size()); }
  void Clear() override { items_.clear(); }
  void Add(T value) { items_.push_back(value); }
  void Add(std::u16string_view text) { items_.push_back(Codec::FromText(text)); }
  T GetItem(int index) const {
    CheckIndex(index);
    return items_[static_cast<std::size_t>(index)];
  }

protected:
  std::u16string DelimitedItem(int index) const override {
    return Codec::ToDelimited(items_[static_cast<std::size_t>(index)]);
  }
  bool TryAddText(std::u16string_view piece) override {
    T value;
    if (!Codec::TryFromText(piece, value)) return false;
    items_.push_back(value);
    return true;
  }

private:
  std::vector<T> items_;
};

// "true"/"false" as items, "True"/"False" in a delimited list.
struct TBooleanXpgCodec {
  static std::u16string ToText(bool value);
  static bool FromText(std::u16string_view s);
  static bool TryFromText(std::u16string_view s, bool& value);
  static std::u16string ToDelimited(bool value);
};

// A delimited list uses the locale's decimal separator, as the run-time float text.
struct TExtendedXpgCodec {
  static std::u16string ToText(double value);
  static double FromText(std::u16string_view s);
  static bool TryFromText(std::u16string_view s, double& value);
  static std::u16string ToDelimited(double value);
};

// FromText raises "'x' is not a valid integer value" on bad text.
struct TLongwordXpgCodec {
  static std::u16string ToText(std::uint32_t value);
  static std::uint32_t FromText(std::u16string_view s);
  static bool TryFromText(std::u16string_view s, std::uint32_t& value);
  static std::u16string ToDelimited(std::uint32_t value);
};

// A delimited list holds the serial number as run-time float text. TryFromText raises: there is no
// lenient date-time reading.
struct TDateTimeXpgCodec {
  static std::u16string ToText(TDateTime value);
  static TDateTime FromText(std::u16string_view s);
  static bool TryFromText(std::u16string_view s, TDateTime& value);
  static std::u16string ToDelimited(TDateTime value);
};

class TBooleanXpgList : public TValueXpgList<bool, TBooleanXpgCodec> {
public:
  using TValueXpgList::Add;
  // Without it a literal would convert to bool rather than to text.
  void Add(const char16_t* text) { Add(std::u16string_view(text)); }
};

class TExtendedXpgList : public TValueXpgList<double, TExtendedXpgCodec> {};

class TLongwordXpgList : public TValueXpgList<std::uint32_t, TLongwordXpgCodec> {};

class TTDateTimeXpgList : public TValueXpgList<TDateTime, TDateTimeXpgCodec> {
public:
  // Any non-empty text raises "Not implemented: TryXmlStrToDateTime".
  void SetDelimitedText(std::u16string_view s) override;
};

}  // namespace ooxml
