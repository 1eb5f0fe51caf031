// The error manager: numbered conditions of the library become English messages that are raised,
// listed or handed to an event. One manager belongs to each spreadsheet component.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "workbook/exceptions.h"

namespace workbook {

enum TXLSErrorLevel : std::uint8_t { xelMessage, xelHint, xelWarning, xelError, xelFatal, xelDebug };

// A set of levels in one byte, bit n for level n.
struct TXLSErrorLevels {
  std::uint8_t Bits = 0;
  constexpr TXLSErrorLevels() = default;
  constexpr TXLSErrorLevels(std::initializer_list<TXLSErrorLevel> levels) {
    for (auto l : levels) Bits = static_cast<std::uint8_t>(Bits | (1u << l));
  }
  constexpr bool Contains(TXLSErrorLevel l) const { return (Bits >> l) & 1u; }
  constexpr bool operator==(const TXLSErrorLevels&) const = default;
};

class TXLSErrorManager;
using TXLSErrorEvent = std::function<void(TXLSErrorManager* ASender, TXLSErrorLevel ALevel, const std::u16string& AText)>;

// The template of a numbered message; "" for a code that has none.
std::u16string XLSErrorTemplate(int Code);

struct TXLSErrorMessage {
  std::u16string Text;
  int Code = 0;
};

class TXLSErrorManager {
public:
  TXLSErrorManager() = default;

  // Reports an error: counted, listed, passed to OnError or raised (see the steps in Error).
  void Error(const std::u16string& Text, int Code);
  // Reports a warning; never raises.
  void Warning(const std::u16string& Text, int Code);
  // "1234: " and the text of Code with Text in place of its "%s".
  void BuildMessage(const std::u16string& Text, int Code, std::u16string& Msg) const;
  std::u16string BuildMessage(const std::u16string& Text, int Code) const {
    std::u16string m;
    BuildMessage(Text, Code, m);
    return m;
  }

  int GetLastError() const { return LastError_; }
  void SetLastError(int Value) { LastError_ = Value; }
  bool GetSaveToList() const { return SaveToList_; }
  void SetSaveToList(bool Value) { SaveToList_ = Value; }
  TXLSErrorLevels GetFilter() const { return Filter_; }
  void SetFilter(TXLSErrorLevels Value) { Filter_ = Value; }
  const TXLSErrorEvent& GetOnError() const { return OnError_; }
  void SetOnError(TXLSErrorEvent Value) { OnError_ = std::move(Value); }
  bool GetSilent() const { return Silent_; }
  void SetSilent(bool Value) { Silent_ = Value; }
  bool GetIgnoreXMLWarnings() const { return IgnoreXMLWarnings_; }

  int GetHintCount() const { return hints_ + warnings_ + errors_ + fatals_; }
  int GetWarningCount() const { return warnings_ + errors_ + fatals_; }
  int GetErrorCount() const { return errors_ + fatals_; }
  int GetFatalCount() const { return fatals_; }

  // Every message reported while SaveToList was on, with its code.
  const std::vector<TXLSErrorMessage>& Messages() const { return messages_; }

private:
  TXLSErrorEvent OnError_;
  TXLSErrorLevels Filter_{xelDebug};
  bool SaveToList_ = false;
  std::vector<TXLSErrorMessage> messages_;
  int LastError_ = 0;
  int hints_ = 0, warnings_ = 0, errors_ = 0, fatals_ = 0;
  bool Silent_ = false;
  bool IgnoreXMLWarnings_ = true;
};

}  // namespace workbook
