#include "workbook/error_manager.h"

#include <algorithm>
#include <iterator>

#include "core/unicode.h"

namespace workbook {

namespace {

struct CodeText {
  int code;
  const char16_t* text;
};

// Texts are kept exactly as users have always seen them, spelling included.
constexpr CodeText kCodeTable[] = {
    {1002, u"Unknown type of encryption"},
    {1003, u"File is encrypted, password missing. If you think the file is unencrypted, try \"VelvetSweatshop\""},
    {1004, u"File is encrypted, password is wrong."},
    {1005, u"Direct write: Cell columna and row can not be the same as previous"},
    {2001, u"XML read error: \"%s\""},
    {3001, u"Can not find Defined Name \"%s\""},
    {3002, u"Circular formula \"%s\""},
    {3003, u"There is allready a sheet with name \"%s\""},
    {3004, u"Invalid cell reference \"%s\""},
    {3005, u"Invalid cell value"},
    {3006, u"Unknown image type \"%s\""},
    {3007, u"Unsupported image type \"%s\" Use JPEG or PNG images"},
    {3008, u"Image error"},
    {3009, u"Can not change part of a merged cell"},
    {3101, u"Can not edit this shape as Text box"},
    {3102, u"Can not edit this shape"},
    {4001, u"Unknown error constant \"%s\""},
    {4002, u"Invalid exponent value"},
    {4003, u"Invalid fractional number"},
    {4004, u"Missing end quote character"},
    {4005, u"Invalid array constant"},
    {4006, u"Error in formula"},
    {4007, u"Missing right paranthesis"},
    {4008, u"Invalid use of \"%s\""},
    {4009, u"Missing expression after \"%s\""},
    {4010, u"Invalid cell reference"},
    {4011, u"Invalid sheet name"},
    {4012, u"Invalid workbook name"},
    {4013, u"Missing \"%s\""},
    {4014, u"Invalid R1C1 reference"},
    {4015, u"Missing operand"},
    {4016, u"Uknown sheet name \"%s\""},
    {4017, u"Uknown external sheet \"%s\""},
    {4018, u"Invalid use of operator"},
    {4019, u"Uknown name \"%s\""},
    {4020, u"Missing argument for function \"%s\""},
    {4021, u"To many arguments for function \"%s\""},
    {4022, u"Array constant columns not the same on each row"},
    {4023, u"Error in table \"%s\""},
    {4024, u"Unknown table \"%s\""},
    {4025, u"Unknown table columns \"%s\""},
    {4026, u"Unknown table special \"%s\""},
    {4027, u"Table \"%s\" is missing end bracket\""},
    {4028, u"Invalid use of operator in table"},
    {4029, u"Invalid combination if table specials"},
    {4030, u"Table specials must be first in expression"},
    {4031, u"Name text is empty"},
    {4032, u"Name \"%s\" is allready defined"},
    {4033, u"Invalid reference \"%s\" in hyperlink"},
    {5001, u"Unknown built in name \"%s\""},
    {5002, u"Can not find built in name \"%s\""},
    {6001, u"Filename is missing in %s"},
    {6002, u"No spreadsheet component defined"},
    {6003, u"Workbook not empty. Data will be discarded when changing filetype."},
    {6004, u"%s can not be performed on multiple selected areas"},
    {6005, u"Invalid simple tag \"%s\""},
    {7001, u"Formula result in cell \"%s\" do not match."},
};

std::u16string decimal(int v) {
  std::string s = std::to_string(v);
  return std::u16string(s.begin(), s.end());
}

}  // namespace

std::u16string XLSErrorTemplate(int Code) {
  auto it = std::find_if(std::begin(kCodeTable), std::end(kCodeTable), [&](const CodeText& c) { return c.code == Code; });
  return it == std::end(kCodeTable) ? std::u16string() : std::u16string(it->text);
}

void TXLSErrorManager::BuildMessage(const std::u16string& Text, int Code, std::u16string& Msg) const {
  std::u16string body = XLSErrorTemplate(Code);
  // The argument is kept as UTF-16: narrowing it through a code page would turn text it cannot hold
  // into question marks.
  if (auto p = body.find(u"%s"); p != std::u16string::npos) body.replace(p, 2, Text);
  Msg = decimal(Code) + u": " + body;
}

void TXLSErrorManager::Error(const std::u16string& Text, int Code) {
  LastError_ = Code;
  if (Silent_) return;
  ++errors_;
  std::u16string msg = u"E" + BuildMessage(Text, Code);
  if (SaveToList_) messages_.push_back({msg, Code});
  if (OnError_ && !Filter_.Contains(xelError)) {
    OnError_(this, xelError, msg);
    return;
  }
  if (!SaveToList_) throw Exception(msg, Code);
}

void TXLSErrorManager::Warning(const std::u16string& Text, int Code) {
  if (IgnoreXMLWarnings_ && Code == 2001) return;
  ++warnings_;
  std::u16string msg = u"W" + BuildMessage(Text, Code);
  if (SaveToList_) messages_.push_back({msg, Code});
  if (OnError_ && !Filter_.Contains(xelWarning)) OnError_(this, xelWarning, msg);
}

}  // namespace workbook
