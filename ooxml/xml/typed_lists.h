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

#include "ooxml/xml/xml_values.h"

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

class TBooleanXpgList : public TItemXpgList {
public:
  std::u16string GetAsString(int index) const override;
  void SetAsString(int index, std::u16string_view s) override;
  int GetCount() const override { return static_cast<int>(items_.size()); }
  void Clear() override { items_.clear(); }
  void Add(bool value) { items_.push_back(value); }
  void Add(std::u16string_view text) { items_.push_back(XmlStrToBool(text)); }
  // Without it a literal would convert to bool rather than to text.
  void Add(const char16_t* text) { Add(std::u16string_view(text)); }
  bool GetItem(int index) const;

protected:
  std::u16string DelimitedItem(int index) const override;
  bool TryAddText(std::u16string_view piece) override;

private:
  std::vector<bool> items_;
};

class TExtendedXpgList : public TItemXpgList {
public:
  std::u16string GetAsString(int index) const override;
  void SetAsString(int index, std::u16string_view s) override;
  int GetCount() const override { return static_cast<int>(items_.size()); }
  void Clear() override { items_.clear(); }
  void Add(double value) { items_.push_back(value); }
  void Add(std::u16string_view text) { items_.push_back(XmlStrToFloat(text)); }
  double GetItem(int index) const;

protected:
  // The locale's decimal separator, as the run-time float text.
  std::u16string DelimitedItem(int index) const override;
  bool TryAddText(std::u16string_view piece) override;

private:
  std::vector<double> items_;
};

class TLongwordXpgList : public TItemXpgList {
public:
  std::u16string GetAsString(int index) const override;
  void SetAsString(int index, std::u16string_view s) override;
  int GetCount() const override { return static_cast<int>(items_.size()); }
  void Clear() override { items_.clear(); }
  void Add(std::uint32_t value) { items_.push_back(value); }
  // Raises "'x' is not a valid integer value" on bad text.
  void Add(std::u16string_view text);
  std::uint32_t GetItem(int index) const;

protected:
  std::u16string DelimitedItem(int index) const override;
  bool TryAddText(std::u16string_view piece) override;

private:
  std::vector<std::uint32_t> items_;
};

class TTDateTimeXpgList : public TItemXpgList {
public:
  std::u16string GetAsString(int index) const override;
  void SetAsString(int index, std::u16string_view s) override;
  // Any non-empty text raises "Not implemented: TryXmlStrToDateTime".
  void SetDelimitedText(std::u16string_view s) override;
  int GetCount() const override { return static_cast<int>(items_.size()); }
  void Clear() override { items_.clear(); }
  void Add(TDateTime value) { items_.push_back(value); }
  void Add(std::u16string_view text) { items_.push_back(XmlStrToDateTime(text)); }
  TDateTime GetItem(int index) const;

protected:
  // The serial number as run-time float text.
  std::u16string DelimitedItem(int index) const override;
  bool TryAddText(std::u16string_view piece) override;

private:
  std::vector<TDateTime> items_;
};

}  // namespace ooxml
