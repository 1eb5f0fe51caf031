#include "ooxml/spreadsheetml/testing/part_roundtrip.h"

#include <cstdlib>
#include <memory>

#include "core/testing/tool_run.h"
#include "ooxml/binding/xpg_testing.h"
#include "ooxml/spreadsheetml/gen/spreadsheetml.h"
#include "ooxml/spreadsheetml/sml_document.h"

namespace ooxml::sml::testing {

namespace {

// Items handed to a read event, each kept as the XML it writes, given back in the same order.
class Replay {
public:
  // open: always with start and end tag, as a container writes its items; else in the usual
  // form, which carries the element's own text (a defined name's formula).
  template <class T>
  void Keep(T& item, std::u16string_view name, bool open = true) {
    items_.push_back(XpgWriteProbe(item, name, false, open));
  }
  template <class T>
  bool Next(T& item) {
    if (next_ == items_.size()) return false;
    item.Clear();
    XpgReadProbe(*probe_, item, items_[next_++], false);
    return true;
  }
  std::size_t Count() const { return items_.size(); }

private:
  std::vector<std::string> items_;
  std::size_t next_ = 0;
  std::unique_ptr<XpgProbeDoc> probe_ = std::make_unique<XpgProbeDoc>(kXpgSpreadsheetPolicy);
};

// Items that come in groups (the cells of a row, the names of a definedNames element): each group
// holds the items read since the group before.
class GroupedReplay {
public:
  Replay& Open() { return groups_.back(); }
  void Close() { groups_.emplace_back(); }
  // The next group's items, once per group; false after the last.
  Replay* NextGroup() { return next_ + 1 < groups_.size() ? &groups_[next_++] : nullptr; }
  Replay& Current() { return groups_[next_ - 1]; }

private:
  std::vector<Replay> groups_ = std::vector<Replay>(1);
  std::size_t next_ = 0;
};

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

}  // namespace

PartRoundTrip RoundTripPart(const std::string& xml) {
  PartRoundTrip result;
  TXPGDocXLSX doc;
  doc.Errors.SetOnError([&](TXpgPErrors& e) { result.reports.push_back(ToUtf8(e.LastError())); });
  T__ROOT__& root = doc.Root();
  TCT_Worksheet& sheet = *root.worksheet;
  TCT_Workbook& book = *root.workbook;

  Replay strings, rows, cols, merges, links, comments;
  GroupedReplay cells, names;
  root.sst->OnReadSi = [&](TCT_Rst& si) { strings.Keep(si, u"si"); };
  sheet.sheetData->row->OnReadCell = [&](TCT_Cell& c) { cells.Open().Keep(c, u"c"); };
  sheet.sheetData->OnReadRow = [&](TCT_Row& r) {
    rows.Keep(r, u"row");
    cells.Close();
  };
  doc.OnReadCol = [&](TCT_Col& c) { cols.Keep(c, u"col"); };
  sheet.mergeCells->OnReadMergeCell = [&](TCT_MergeCell& m) { merges.Keep(m, u"mergeCell"); };
  sheet.hyperlinks->OnReadHyperlink = [&](TCT_Hyperlink& h) { links.Keep(h, u"hyperlink"); };
  book.definedNames->OnReadDefinedName = [&](TCT_DefinedName& n) { names.Open().Keep(n, u"definedName", false); };
  book.OnReadDefinedNames = [&](TCT_DefinedNames&) { names.Close(); };
  root.comments->commentList->OnReadComment = [&](TCT_Comment& c) { comments.Keep(c, u"comment"); };

  XpgLoad(doc, xml);
  result.items = static_cast<int>(strings.Count() + rows.Count() + cols.Count() + merges.Count() +
                                   links.Count() + comments.Count());

  // A write event makes its element present, so only a part that had items gets the events
  // that ask whether there are any.
  if (strings.Count() > 0) root.sst->OnWriteSi = [&](TCT_Rst& si, bool& more) { more = strings.Next(si); };
  sheet.sheetData->OnWriteRow = [&](TCT_Row& r, bool& more) {
    more = rows.Next(r);
    if (more) cells.NextGroup();
  };
  sheet.sheetData->row->OnWriteCell = [&](TCT_Cell& c, bool& more) { more = cells.Current().Next(c); };
  if (cols.Count() > 0) doc.OnWriteCol = [&](TCT_Col& c, bool& more) { more = cols.Next(c); };
  sheet.mergeCells->OnWriteMergeCell = [&](TCT_MergeCell* m, bool& more) {
    more = m ? merges.Next(*m) : merges.Count() > 0;
  };
  sheet.hyperlinks->OnWriteHyperlink = [&](TCT_Hyperlink* h, bool& more) {
    more = h ? links.Next(*h) : links.Count() > 0;
  };
  book.OnWriteDefinedNames = [&](TCT_DefinedNames&, bool& more) { more = names.NextGroup() != nullptr; };
  book.definedNames->OnWriteDefinedName = [&](TCT_DefinedName& n, bool& more) {
    more = names.Current().Next(n);
  };
  if (comments.Count() > 0)
    root.comments->commentList->OnWriteComment = [&](TCT_Comment& c, bool& more) { more = comments.Next(c); };
  result.written = XpgSave(doc);
  return result;
}

std::string CompareParts(const std::filesystem::path& in, const std::filesystem::path& out,
                         const std::string& only) {
  const std::filesystem::path source(Env("THC_SOURCE_DIR"));
  const std::filesystem::path build(Env("THC_BINARY_DIR"));
  std::string command = "/usr/bin/python3 " + core::testing::Quoted(source / "tools/xpg-gen/xpg_compare.py") +
                        " --defaults " +
                        core::testing::Quoted(build / "ooxml/spreadsheetml/gen/spreadsheetml_defaults.json");
  if (!only.empty()) command += " --only " + core::testing::Quoted(only);
  command += " " + core::testing::Quoted(in) + " " + core::testing::Quoted(out);
  const core::testing::ToolRun run = core::testing::RunTool(command);
  return run.status == 0 ? std::string() : command + "\n" + run.output;
}

}  // namespace ooxml::sml::testing
