// Workbooks encrypted here, opened by LibreOffice headless through tests/crypt/lo_password.py: with
// the password they give the same sheets as the same workbook written in clear, without it (or
// with another) LibreOffice refuses them, and the default password opens them without asking.
// Skipped only when LibreOffice or its Python bridge is absent.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "biff/stream/xls_crypt.h"
#include "biff/tests/crypt/crypt_fixture.h"
#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "platform/storage/compound_file.h"

namespace biff::testing {
namespace {

namespace fs = std::filesystem;
using core::testing::HavePythonModules;
using core::testing::HaveTool;
using core::testing::Lines;
using core::testing::Quoted;
using core::testing::ReadFile;
using core::testing::RunTool;

// Sheet name to CSV text of every sheet LibreOffice wrote for one job.
std::map<std::string, std::string> Sheets(const fs::path& Dir) {
  std::map<std::string, std::string> out;
  if (!fs::exists(Dir)) return out;
  for (const auto& e : fs::directory_iterator(Dir)) out[e.path().stem().string()] = ReadFile(e.path());
  return out;
}

TEST(CryptInterop, LibreOfficeOpensOurEncryptedWorkbooksOnlyWithThePassword) {
  if (!HaveTool("soffice") || !HavePythonModules("uno")) GTEST_SKIP() << "LibreOffice or python3-uno not installed";
  core::testing::TempDir dir("thc_crypt_interop");
  auto save = [&](const std::string& Name, const std::u16string& Password) {
    Book b;
    Fill(b);
    b.doc->Password = Password;
    const fs::path p = dir.path() / (Name + ".xls");
    platform::storage::write_file_atomically(p.string(), b.Write());
    return Quoted(p);
  };
  // A password of 15 characters, the most this encryption's other readers take.
  const std::string longPassword = "Fünfzehn-Zeich!";
  const std::string jobs = "plain " + save("plain", u"") + " - " +            //
                           "secret " + save("secret", u"geheim") + " geheim " +  //
                           "nopass " + save("nopass", u"geheim") + " - " +      //
                           "wrong " + save("wrong", u"geheim") + " Geheim " +   //
                           "default " + save("default", kDefaultPassword) + " - " +
                           "long " + save("long", core::u16(longPassword)) + " " + Quoted(longPassword);
  const core::testing::ToolRun run =
      RunTool("timeout 900 /usr/bin/python3 " + Quoted(fs::path(THC_BIFF_TESTS) / "crypt/lo_password.py") + " csv " +
              Quoted(dir.path() / "csv") + " " + jobs);
  ASSERT_EQ(run.status, 0) << run.output;
  const std::vector<std::string> lines = Lines(run.output);
  const std::set<std::string> said(lines.begin(), lines.end());
  for (const char* l : {"plain opened", "secret opened", "nopass refused", "wrong refused", "default opened", "long opened"})
    EXPECT_TRUE(said.count(l)) << l << " in:\n" << run.output;
  const std::map<std::string, std::string> plain = Sheets(dir.path() / "csv/plain");
  ASSERT_EQ(plain.size(), 3u);
  EXPECT_NE(plain.at("Texte").find("Zeile 299 温度 "), std::string::npos);
  for (const char* job : {"secret", "default", "long"}) EXPECT_EQ(Sheets(dir.path() / "csv" / job), plain) << job;
  for (const char* job : {"nopass", "wrong"}) EXPECT_TRUE(Sheets(dir.path() / "csv" / job).empty()) << job;
}

}  // namespace
}  // namespace biff::testing
