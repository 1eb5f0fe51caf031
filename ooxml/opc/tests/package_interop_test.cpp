// Packages made by other producers are opened, walked and saved again through the container and
// the file data, as the .xlsx reader and writer drive them; nothing may be lost, the project's
// checker must accept the result, and openpyxl and LibreOffice must read the same workbook from it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <fstream>
#include <regex>

#include <unistd.h>

#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "core/unicode.h"
#include "ooxml/opc/file_data.h"
#include "ooxml/opc/tests/package_testing.h"

namespace ooxml {
namespace {

namespace fs = std::filesystem;

std::string U8(const std::u16string& s) { return core::utf16_to_utf8(s); }

std::string ReadAll(io::TStream& s) {
  std::string r(static_cast<std::size_t>(s.GetSize()), '\0');
  if (!r.empty()) s.ReadBuffer(r.data(), static_cast<std::int64_t>(r.size()));
  return r;
}

// The writer numbers relationships afresh; the parts it writes refer to the new ids.
std::string Renumber(const std::string& xml, const std::map<std::string, std::string>& ids) {
  static const std::regex attr(R"re(([A-Za-z0-9_]+:id)="([^"]*)")re");
  std::string out;
  auto last = xml.cbegin();
  for (std::sregex_iterator it(xml.begin(), xml.end(), attr), end; it != end; ++it) {
    out.append(last, (*it)[0].first);
    auto m = ids.find((*it)[2].str());
    out += (*it)[1].str() + "=\"" + (m == ids.end() ? (*it)[2].str() : m->second) + "\"";
    last = (*it)[0].second;
  }
  out.append(last, xml.cend());
  return out;
}

// Old id -> new id of the same part (or the same external target).
std::map<std::string, std::string> IdMap(const TOPCItem& before, const TOPCItem& after,
                                         std::map<std::string, std::string> ids = {}) {
  for (int i = 0; i < before.GetCount(); ++i) {
    const TOPCItem* old = before.GetItem(i);
    if (ids.count(old->GetId())) continue;
    for (int k = 0; k < after.GetCount(); ++k) {
      const TOPCItem* now = after.GetItem(k);
      bool same = old->TargetMode == kOPCExternal
                      ? now->TargetMode == kOPCExternal && now->GetTarget() == old->GetTarget()
                      : now->TargetMode == kOPCInternal && now->GetPartName() == old->GetPartName();
      if (same) {
        ids[old->GetId()] = now->GetId();
        break;
      }
    }
  }
  return ids;
}

struct SheetRead {
  std::string id;
  bool chart = false;
  std::string bytes;
};

// Reads what the .xlsx reader reads, keeps the rest, and writes the package again.
std::string RoundTrip(const std::string& input, std::vector<std::string>& problems) {
  io::TPointerMemoryStream in(input.data(), static_cast<std::int64_t>(input.size()));
  workbook::TXc12FileData fd;
  TOPC_XLSX& p = OPCPackageOf(fd);
  fd.BeginRead(in);
  std::string workbook = ReadAll(*p.ReadWorkbook());
  auto readOrEmpty = [](std::unique_ptr<io::TStream> s) { return s ? ReadAll(*s) : std::string(); };
  std::string styles = readOrEmpty(p.ReadStyles());
  std::string sst = readOrEmpty(p.ReadSharedStrings());
  std::string app;
  if (TOPCItem* a = p.OpenItemByType(p.Root(), reltype::kExtendedProperties)) {
    app = ReadAll(*p.ReadItem(a));
    p.CloseItem(a);
  }
  std::vector<SheetRead> sheets;
  for (int i = 0; i < p.WorkbookItem->GetCount(); ++i) {
    TOPCItem* item = p.WorkbookItem->GetItem(i);
    if (item->RelType != reltype::kWorksheet && item->RelType != reltype::kChartsheet) continue;
    SheetRead s{item->GetId(), p.IsChartsheet(item->GetId()), ""};
    fd.AddSheetId(core::utf8_to_utf16(s.id));
    s.bytes = ReadAll(*(s.chart ? p.ReadChartsheet(s.id) : p.ReadWorksheet(s.id)));
    p.CloseSheet();
    sheets.push_back(std::move(s));
  }
  // The read tree outlives the write, which clears the package: keep what the ids are mapped from.
  fd.CollectUnreadParts();
  for (const auto& x : p.Problems) problems.push_back(U8(x));
  TOPC_XLSX shadow;
  io::TPointerMemoryStream again(input.data(), static_cast<std::int64_t>(input.size()));
  shadow.OpenRead(again, false);

  io::TMemoryStream out;
  fd.BeginWrite(out);
  auto store = [&](TOPCItem* item, const std::string& bytes) {
    io::TMemoryStream s(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    p.WriteItem(item, s);
    p.CloseItem(item);
  };
  if (!app.empty()) {
    io::TMemoryStream s(std::vector<std::uint8_t>(app.begin(), app.end()));
    p.AddAppProperties(s);
  }
  TOPCItem* wb = p.CreateWorkbook();
  if (!styles.empty()) store(p.CreateStyles(), styles);
  if (!sst.empty()) store(p.CreateSharedStrings(), sst);
  std::map<std::string, std::string> sheetIds;
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    int n = static_cast<int>(i) + 1;
    TOPCItem* sheet = sheets[i].chart ? p.CreateChartsheet(n) : p.CreateWorksheet(n);
    sheetIds[sheets[i].id] = sheet->GetId();
    fd.WriteSheetParts(static_cast<int>(i));  // under the sheet just created
    TOPCItem* old = shadow.WorkbookItem->FindById(sheets[i].id);
    for (int k = 0; k < old->GetCount(); ++k) {
      const TOPCItem* rel = old->GetItem(k);
      if (rel->TargetMode == kOPCExternal) p.CreateExternalItem(sheet, rel->RelType, rel->GetTarget());
    }
    store(sheet, Renumber(sheets[i].bytes, IdMap(*old, *sheet)));
    p.SheetItem = nullptr;
  }
  // EndWrite, with the workbook part stored once the ids of its kept parts are known.
  if (!fd.WorkbookParts.FindByRelType(reltype::kTheme)) fd.WriteDefaultTheme();
  fd.WriteSavedParts();
  store(wb, Renumber(workbook, IdMap(*shadow.WorkbookItem, *wb, sheetIds)));
  p.Close();
  for (const auto& x : p.Problems) problems.push_back(U8(x));
  return std::string(out.Bytes().begin(), out.Bytes().end());
}

const char* const kProducers[] = {"openpyxl", "libxlsxwriter", "libreoffice", "exceljs"};

struct Trip {
  std::string input, output, error;
  std::vector<std::string> problems;
};

// Every producer's package is saved again once; the tests look at the results and at the files
// written for the outside readers.
class PackageInterop : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    scratch_ = std::make_unique<core::testing::TempDir>("thc_opc_interop");
    dir_ = scratch_->path();
    for (const char* producer : kProducers) {
      Trip& t = trips_[producer];
      t.input = opc_testing::ReadFile(opc_testing::FixturePath(std::string(producer) + ".xlsx"));
      try {
        t.output = RoundTrip(t.input, t.problems);
      } catch (const std::exception& e) {
        t.error = e.what();
      }
      std::ofstream(dir_ / (std::string(producer) + ".in.xlsx"), std::ios::binary) << t.input;
      std::ofstream(dir_ / (std::string(producer) + ".out.xlsx"), std::ios::binary) << t.output;
    }
  }
  static void TearDownTestSuite() { scratch_.reset(); }
  static inline std::unique_ptr<core::testing::TempDir> scratch_;
  static fs::path dir_;
  static std::map<std::string, Trip> trips_;
};
fs::path PackageInterop::dir_;
std::map<std::string, Trip> PackageInterop::trips_;

TEST_F(PackageInterop, ProducersPackagesSurviveOpenWalkAndSave) {
  for (const char* producer : kProducers) {
    SCOPED_TRACE(producer);
    const Trip& t = trips_[producer];
    const std::string& input = t.input;
    const std::string& output = t.output;
    ASSERT_FALSE(input.empty());
    EXPECT_EQ(opc_testing::CheckPackage(input), std::vector<std::string>{}) << "the producer's own package";
    ASSERT_EQ(t.error, "");
    EXPECT_EQ(t.problems, std::vector<std::string>{});
    EXPECT_EQ(opc_testing::CheckPackage(output), std::vector<std::string>{});
    auto before = opc_testing::ReadZip(input);
    auto after = opc_testing::ReadZip(output);
    std::map<std::string, std::string> lower;
    for (const auto& [name, data] : after) lower[core::ascii_lower(name)] = name;
    for (const auto& [name, data] : before) {
      if (name.back() == '/' || name.find("calcChain") != std::string::npos ||
          name.find("printerSettings") != std::string::npos) {
        continue;
      }
      auto it = lower.find(core::ascii_lower(name));
      ASSERT_NE(it, lower.end()) << "lost " << name;
      bool rewritten = name.find(".rels") != std::string::npos || name == "[Content_Types].xml" ||
                       name == "docProps/core.xml" || name == "xl/workbook.xml" ||
                       name.find("sheets/sheet") != std::string::npos;
      if (!rewritten) {
        EXPECT_EQ(after[it->second], data) << name;
      }
    }
  }
}

// openpyxl reads the same sheets, cells, comments, hyperlinks and tables from the saved packages.
TEST_F(PackageInterop, OpenpyxlReadsTheSavedPackages) {
  if (!core::testing::HavePythonModules("openpyxl")) GTEST_SKIP() << "openpyxl is not installed";
  const char* script = R"py(
import sys, warnings, openpyxl
warnings.simplefilter('ignore')
def dump(path):
    wb = openpyxl.load_workbook(path)
    out = []
    for ws in wb.worksheets:
        out.append(('sheet', ws.title))
        for row in ws.iter_rows():
            for c in row:
                if c.value is not None: out.append((c.coordinate, c.value))
                if c.comment is not None: out.append(('comment', c.coordinate, c.comment.text))
                if c.hyperlink is not None: out.append(('link', c.coordinate, c.hyperlink.target))
        out.extend(('table', t) for t in sorted(ws.tables))
        out.append(('images', len(ws._images)))
    return out
for stem in sys.argv[2:]:
    a = dump(sys.argv[1] + '/' + stem + '.in.xlsx')
    b = dump(sys.argv[1] + '/' + stem + '.out.xlsx')
    print(stem, 'same' if a == b else 'differs: %r -> %r' % (a, b))
)py";
  std::ofstream(dir_ / "check.py") << script;
  std::string cmd = "/usr/bin/python3 " + (dir_ / "check.py").string() + " " + dir_.string();
  for (const char* p : kProducers) cmd += std::string(" ") + p;
  std::string result = core::testing::RunTool(cmd).output;
  for (const char* p : kProducers) {
    EXPECT_NE(result.find(std::string(p) + " same"), std::string::npos) << result;
  }
}

// LibreOffice converts every sheet of the saved packages to the same text as the producers' own.
TEST_F(PackageInterop, LibreOfficeReadsTheSavedPackages) {
  if (!core::testing::HaveTool("soffice")) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  // UTF-8 text, every sheet into a file of its own ("<file>-<sheet>.csv").
  std::string cmd = "cd " + dir_.string() + " && timeout 180 soffice --headless --norestore -env:UserInstallation=file://" +
                    (dir_ / "profile").string() +
                    " --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1'"
                    " --outdir csv";
  for (const char* p : kProducers) cmd += std::string(" ") + p + ".in.xlsx " + p + ".out.xlsx";
  core::testing::RunTool(cmd);
  for (const char* p : kProducers) {
    SCOPED_TRACE(p);
    int sheets = 0;
    std::string in_prefix = std::string(p) + ".in-";
    ASSERT_TRUE(fs::exists(dir_ / "csv")) << "LibreOffice converted nothing";
    for (const auto& entry : fs::directory_iterator(dir_ / "csv")) {
      std::string name = entry.path().filename().string();
      if (name.rfind(in_prefix, 0) != 0) continue;
      ++sheets;
      std::string out = std::string(p) + ".out-" + name.substr(in_prefix.size());
      EXPECT_EQ(opc_testing::ReadFile(entry.path().string()), opc_testing::ReadFile((dir_ / "csv" / out).string()))
          << name;
    }
    EXPECT_EQ(sheets, 2);
  }
}

}  // namespace
}  // namespace ooxml
