#include "workbook/error_manager.h"

#include <gtest/gtest.h>

#include "core/unicode.h"

namespace workbook {
namespace {

struct ErrorCase {
  const char* name;
  bool silent;
  bool saveToList;
  bool withEvent;
  TXLSErrorLevels filter;
  // expected
  bool raises;
  bool listed;
  bool eventCalled;
  int errorCount;
};

class ErrorSteps : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorSteps, FollowTheReportingOrder) {
  const ErrorCase& c = GetParam();
  TXLSErrorManager m;
  m.SetSilent(c.silent);
  m.SetSaveToList(c.saveToList);
  m.SetFilter(c.filter);
  int calls = 0;
  std::u16string seen;
  if (c.withEvent) {
    m.SetOnError([&](TXLSErrorManager* sender, TXLSErrorLevel level, const std::u16string& text) {
      EXPECT_EQ(sender, &m);
      EXPECT_EQ(level, xelError);
      seen = text;
      ++calls;
    });
  }
  bool raised = false;
  try {
    m.Error(u"Sheet1", 3003);
  } catch (const Exception& e) {
    raised = true;
    EXPECT_STREQ(e.what(), "E3003: There is allready a sheet with name \"Sheet1\"");
    EXPECT_EQ(e.code(), 3003);
  }
  EXPECT_EQ(raised, c.raises);
  EXPECT_EQ(m.GetLastError(), 3003);
  EXPECT_EQ(m.Messages().size(), c.listed ? 1u : 0u);
  if (c.listed) {
    EXPECT_EQ(m.Messages()[0].Code, 3003);
    EXPECT_EQ(m.Messages()[0].Text, u"E3003: There is allready a sheet with name \"Sheet1\"");
  }
  EXPECT_EQ(calls, c.eventCalled ? 1 : 0);
  if (c.eventCalled) {
    EXPECT_EQ(seen, u"E3003: There is allready a sheet with name \"Sheet1\"");
  }
  EXPECT_EQ(m.GetErrorCount(), c.errorCount);
}

const TXLSErrorLevels kDebugOnly{xelDebug};
const TXLSErrorLevels kErrorFiltered{xelDebug, xelError};

INSTANTIATE_TEST_SUITE_P(
    Cases, ErrorSteps,
    ::testing::Values(
        ErrorCase{"plain", false, false, false, kDebugOnly, true, false, false, 1},
        ErrorCase{"silent", true, true, true, kDebugOnly, false, false, false, 0},
        ErrorCase{"listed", false, true, false, kDebugOnly, false, true, false, 1},
        ErrorCase{"event", false, false, true, kDebugOnly, false, false, true, 1},
        ErrorCase{"listed_and_event", false, true, true, kDebugOnly, false, true, true, 1},
        ErrorCase{"event_filtered", false, false, true, kErrorFiltered, true, false, false, 1},
        ErrorCase{"listed_event_filtered", false, true, true, kErrorFiltered, false, true, false, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ErrorManager, UnknownCodeGivesPrefixAndCodeOnly) {
  TXLSErrorManager m;
  m.SetSaveToList(true);
  m.Error(u"ignored", 1234);
  ASSERT_EQ(m.Messages().size(), 1u);
  EXPECT_EQ(m.Messages()[0].Text, u"E1234: ");
}

TEST(ErrorManager, BuildMessageFillsTheArgument) {
  TXLSErrorManager m;
  EXPECT_EQ(m.BuildMessage(u"x", 3005), u"3005: Invalid cell value");  // no %s: argument ignored
  EXPECT_EQ(m.BuildMessage(u"Merge", 6004), u"6004: Merge can not be performed on multiple selected areas");
  EXPECT_EQ(m.BuildMessage(u"Load", 6001), u"6001: Filename is missing in Load");
  // Text beyond any 8-bit code page survives.
  EXPECT_EQ(m.BuildMessage(u"温度", 3001), u"3001: Can not find Defined Name \"温度\"");
  EXPECT_EQ(XLSErrorTemplate(1003),
            u"File is encrypted, password missing. If you think the file is unencrypted, try \"VelvetSweatshop\"");
  EXPECT_EQ(XLSErrorTemplate(4027), u"Table \"%s\" is missing end bracket\"");
}

TEST(ErrorManager, WarningsNeverRaiseAndXmlWarningIsDropped) {
  TXLSErrorManager m;
  int calls = 0;
  TXLSErrorLevel level = xelMessage;
  std::u16string text;
  m.SetOnError([&](TXLSErrorManager*, TXLSErrorLevel l, const std::u16string& t) {
    ++calls;
    level = l;
    text = t;
  });
  m.SetSaveToList(true);
  m.Warning(u"bad tag", 2001);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(m.GetWarningCount(), 0);
  EXPECT_TRUE(m.Messages().empty());

  m.SetLastError(77);
  m.Warning(u"b.gif", 3006);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(level, xelWarning);
  EXPECT_EQ(text, u"W3006: Unknown image type \"b.gif\"");
  EXPECT_EQ(m.GetLastError(), 77);  // warnings leave LastError alone

  m.SetFilter({xelWarning});
  m.SetOnError(nullptr);
  m.SetSaveToList(false);
  EXPECT_NO_THROW(m.Warning(u"", 6003));
}

TEST(ErrorManager, CountsIncludeTheHigherLevels) {
  TXLSErrorManager m;
  m.SetSaveToList(true);
  for (int i = 0; i < 3; ++i) m.Error(u"", 4006);
  for (int i = 0; i < 2; ++i) m.Warning(u"", 6003);
  EXPECT_EQ(m.GetErrorCount(), 3);
  EXPECT_EQ(m.GetWarningCount(), 5);
  EXPECT_EQ(m.GetHintCount(), 5);
  EXPECT_EQ(m.GetFatalCount(), 0);
  EXPECT_EQ(m.Messages().size(), 5u);
}

TEST(ErrorManager, Defaults) {
  TXLSErrorManager m;
  EXPECT_EQ(m.GetFilter(), TXLSErrorLevels{xelDebug});
  EXPECT_FALSE(m.GetSaveToList());
  EXPECT_FALSE(m.GetSilent());
  EXPECT_TRUE(m.GetIgnoreXMLWarnings());
  EXPECT_EQ(m.GetLastError(), 0);
}

}  // namespace
}  // namespace workbook
