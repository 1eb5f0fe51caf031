#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <regex>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/strings.h"
#include "pdf/document.h"
#include "pdf/format.h"
#include "io/md5.h"
#include "pdf/page.h"
#include "pdf/tests/test_util.h"

namespace pdf {
namespace {

using test::Lines;

// Builds a document in memory.
struct MemoryDoc {
  TPDFDocument doc;
  std::string out;
  MemoryDoc() {
    doc.SetFileName("memory.pdf");
    doc.SetOutputStream(&out);
  }
};

// Object numbers in the order their "N 0 obj" lines appear.
std::vector<int> ObjectOrder(const std::string& pdf) {
  std::vector<int> order;
  std::regex re("(\\d+) 0 obj\r\n");
  for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), re); it != std::sregex_iterator(); ++it)
    order.push_back(std::stoi((*it)[1]));
  return order;
}

// Body of "/Key (...)" in the info dictionary, unescaped.
std::string LiteralEntry(const std::string& pdf, const std::string& key) {
  const auto p = pdf.find(key + " (");
  if (p == std::string::npos) return "<missing>";
  const auto start = p + key.size() + 2;
  std::size_t i = start;
  while (i < pdf.size() && pdf[i] != ')') i += pdf[i] == '\\' ? 2 : 1;
  return test::UnescapeLiteral(std::string_view(pdf).substr(start, i - start));
}

// Checks that the cross-reference table points at every object and is where startxref says.
void ExpectConsistentXref(const std::string& pdf) {
  const auto sx = pdf.rfind("startxref\r\n");
  ASSERT_NE(sx, std::string::npos);
  const std::size_t xref = std::stoul(pdf.substr(sx + 11));
  ASSERT_EQ(pdf.compare(xref, 6, "xref\r\n"), 0);
  const auto lines = Lines(std::string_view(pdf).substr(xref));
  ASSERT_GE(lines.size(), 3u);
  const int count = std::stoi(lines[1].substr(2));
  EXPECT_EQ(lines[2], "0000000000 65535 f");
  // Every entry is 20 bytes with its line end.
  const std::size_t table = xref + 6 + lines[1].size() + 2;
  for (int n = 0; n < count; ++n) {
    const std::string entry = pdf.substr(table + static_cast<std::size_t>(n) * 20, 20);
    ASSERT_EQ(entry.substr(18), "\r\n");
    if (n == 0) continue;
    const std::size_t off = std::stoul(entry.substr(0, 10));
    EXPECT_EQ(entry.substr(10, 8), " 00000 n") << n;
    const std::string head = std::to_string(n) + " 0 obj\r\n<<";
    EXPECT_EQ(pdf.compare(off, head.size(), head), 0) << "object " << n << " at " << off;
  }
}

TEST(Document, EmptyDocumentObjectOrderAndXref) {
  MemoryDoc m;
  m.doc.BeginDoc();
  m.doc.EndDoc();
  EXPECT_EQ(ObjectOrder(m.out), (std::vector<int>{3, 1, 4, 5, 2, 6}));
  EXPECT_NE(m.out.find("xref\r\n0 7\r\n"), std::string::npos);
  EXPECT_EQ(m.out.substr(0, 17), "%PDF-1.3\r\n%\xD2\xE5\xD1\xF2\r\n");
  EXPECT_NE(m.out.find("6 0 obj\r\n<</Type /Catalog\r\n /Pages 1 0 R\r\n/PageLayout /SinglePage\r\n"
                       "/PageMode /UseNone\r\n>>\r\nendobj\r\n"),
            std::string::npos);
  EXPECT_NE(m.out.find("1 0 obj\r\n<</Type /Pages\r\n/Kids [\r\n2 0 R\r\n]\r\n/Count 1\r\n>>"), std::string::npos);
  EXPECT_NE(m.out.find("/Size 7\r\n/Root 6 0 R\r\n/Info 3 0 R\r\n/ID [<"), std::string::npos);
  EXPECT_EQ(m.out.find("/Encrypt"), std::string::npos);
  EXPECT_EQ(m.out.substr(m.out.size() - 7), "%%EOF\r\n");
  ExpectConsistentXref(m.out);
  EXPECT_FALSE(m.doc.Generating());
  EXPECT_EQ(m.doc.CurrentPage, nullptr);
}

TEST(Document, PagesStreamsAndCatalogOptions) {
  MemoryDoc m;
  m.doc.SetPageLayout(TPageLayout::plTwoColumnRight);
  m.doc.SetPageMode(TPageMode::pmFullScreen);
  m.doc.ViewerPreferences = vpHideMenuBar | vpCenterWindow;
  m.doc.SetVersion(TPDFVersion::v16);
  m.doc.BeginDoc();
  m.doc.CurrentPage->Rectangle(10, 10, 100, 100);
  m.doc.CurrentPage->Stroke();
  m.doc.NewPage();
  m.doc.NewPage();
  m.doc.EndDoc();
  EXPECT_EQ(m.out.substr(0, 10), "%PDF-1.6\r\n");
  EXPECT_NE(m.out.find("/Kids [\r\n2 0 R\r\n3 0 R\r\n4 0 R\r\n]\r\n/Count 3"), std::string::npos);
  EXPECT_NE(m.out.find("/PageLayout /TwoColumnRight\r\n/ViewerPreferences <<\r\n/HideMenubar true\r\n"
                       "/CenterWindow true\r\n>>\r\n/PageMode /FullScreen\r\n"),
            std::string::npos);
  ExpectConsistentXref(m.out);
}

TEST(Document, OnePassWritesEachPageWhenTheNextBegins) {
  MemoryDoc m;
  m.doc.SetOnePass(true);
  m.doc.BeginDoc();
  m.doc.NewPage();
  // The first page's objects are out before the document ends.
  EXPECT_GT(m.doc.OutputPosition(), 17u);
  m.doc.NewPage();
  m.doc.EndDoc();
  // Each page's resources, contents and page object come out when the next page begins (pages 2, 5
  // and 8), before the information dictionary (11), the page tree (1) and the catalog (12).
  EXPECT_EQ(ObjectOrder(m.out), (std::vector<int>{3, 4, 2, 6, 7, 5, 9, 10, 8, 11, 1, 12}));
  ExpectConsistentXref(m.out);
}

TEST(Document, CallsOutOfOrderRaise) {
  struct Case {
    const char* what;
    void (*call)(TPDFDocument&);
    const char* message;
  };
  const Case idle[] = {
      {"EndDoc", [](TPDFDocument& d) { d.EndDoc(); }, "Generation PDF file not activated"},
      {"NewPage", [](TPDFDocument& d) { d.NewPage(); }, "Generation PDF file not activated"},
      {"Abort", [](TPDFDocument& d) { d.Abort(); }, "Generation PDF file not activated"},
      {"AddImage", [](TPDFDocument& d) { d.AddImage(nullptr); }, "Generation PDF file not activated"},
      {"AddAction", [](TPDFDocument& d) { d.AddAction(nullptr); }, "Generation PDF file not activated"},
      {"AddWatermark", [](TPDFDocument& d) { d.AddWatermark(); }, "Generation PDF file not activated"},
      {"drawing", [](TPDFDocument& d) { d.ActivePage().Rectangle(0, 0, 1, 1); }, "Generation PDF file not activated"},
      {"object writing", [](TPDFDocument& d) { d.WriteLine("x"); }, "Generation PDF file not activated"},
  };
  for (const Case& c : idle) {
    MemoryDoc m;
    try {
      c.call(m.doc);
      ADD_FAILURE() << c.what << " did not raise";
    } catch (const TPDFException& e) {
      EXPECT_STREQ(e.what(), c.message) << c.what;
    }
    EXPECT_TRUE(m.out.empty());
  }
  const Case generating[] = {
      {"BeginDoc", [](TPDFDocument& d) { d.BeginDoc(); }, "Generation PDF file in progress"},
      {"FileName", [](TPDFDocument& d) { d.SetFileName("other.pdf"); }, "Generation PDF file in progress"},
      {"ProtectionEnabled", [](TPDFDocument& d) { d.SetProtectionEnabled(true); }, "Generation PDF file in progress"},
      {"ProtectionOptions", [](TPDFDocument& d) { d.SetProtectionOptions(coPrint); }, "Generation PDF file in progress"},
      {"OwnerPassword", [](TPDFDocument& d) { d.SetOwnerPassword("o"); }, "Generation PDF file in progress"},
      {"UserPassword", [](TPDFDocument& d) { d.SetUserPassword("u"); }, "Generation PDF file in progress"},
      {"OnePass", [](TPDFDocument& d) { d.SetOnePass(true); }, "Generation PDF file in progress"},
      {"KeyLength", [](TPDFDocument& d) { d.SetProtectionKeyLength(TPDFKeyLength::kl128); }, "Cannot change this value"},
      {"EmulateStandardFont", [](TPDFDocument& d) { d.SetEmulateStandardFont(true); }, "Cannot change this value"},
  };
  for (const Case& c : generating) {
    MemoryDoc m;
    m.doc.BeginDoc();
    TPDFPage* first = m.doc.CurrentPage;
    try {
      c.call(m.doc);
      ADD_FAILURE() << c.what << " did not raise";
    } catch (const TPDFException& e) {
      EXPECT_STREQ(e.what(), c.message) << c.what;
    }
    // The first document is intact and still ends normally.
    EXPECT_EQ(m.doc.CurrentPage, first);
    EXPECT_EQ(m.doc.GetFileName(), "memory.pdf");
    m.doc.EndDoc();
    ExpectConsistentXref(m.out);
    EXPECT_EQ(ObjectOrder(m.out).size(), 6u) << c.what;
  }
  // Setting an unchanged value is allowed while generating.
  MemoryDoc m;
  m.doc.BeginDoc();
  EXPECT_NO_THROW(m.doc.SetProtectionKeyLength(TPDFKeyLength::kl40));
  EXPECT_NO_THROW(m.doc.SetEmulateStandardFont(false));
  m.doc.EndDoc();
  EXPECT_THROW(m.doc.EndDoc(), TPDFException);
}

TEST(Document, VersionAndKeyLengthAreCoupled) {
  TPDFDocument d;
  d.SetProtectionKeyLength(TPDFKeyLength::kl128);
  EXPECT_EQ(d.GetVersion(), TPDFVersion::v14);
  d.SetVersion(TPDFVersion::v15);
  EXPECT_EQ(d.GetProtectionKeyLength(), TPDFKeyLength::kl128);
  d.SetVersion(TPDFVersion::v13);
  EXPECT_EQ(d.GetProtectionKeyLength(), TPDFKeyLength::kl40);

  // While writing with 128-bit keys, version 1.3 would silently take the key length away.
  std::string out;
  TPDFDocument g;
  g.SetOutputStream(&out);
  g.SetProtectionEnabled(true);
  g.SetProtectionKeyLength(TPDFKeyLength::kl128);
  g.BeginDoc();
  EXPECT_THROW(g.SetVersion(TPDFVersion::v13), TPDFException);
  EXPECT_NO_THROW(g.SetVersion(TPDFVersion::v15));
  g.EndDoc();
  EXPECT_NE(out.find("/R 3"), std::string::npos);
}

TEST(Document, FileIdentifierAndCreationDate) {
  core::VirtualClock clock;
  core::ScopedClock scoped(clock);
  std::vector<std::string> ids;
  for (int run = 0; run < 2; ++run) {
    MemoryDoc m;
    m.doc.BeginDoc();
    m.doc.EndDoc();
    std::smatch match;
    ASSERT_TRUE(std::regex_search(m.out, match, std::regex("/ID \\[<([0-9a-f]{32})><([0-9a-f]{32})>\\]")));
    EXPECT_EQ(match[1], match[2]);
    ids.push_back(match[1]);
    const std::string date = LiteralEntry(m.out, "/CreationDate");
    EXPECT_TRUE(std::regex_match(date, std::regex("D:\\d{14}"))) << date;
    // The identifier is the digest of the file name and the time to the millisecond.
    const core::LocalTime t = core::local_now();
    const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    const std::string stamp = core::format("%s %02d-%02d-%04d %02d:%02d:%02d.%03d", days[t.day_of_week], t.day,
                                           t.month, t.year, t.hour, t.minute, t.second, t.millisecond);
    EXPECT_EQ(ids.back(), io::MD5HexString("memory.pdf" + stamp));
    clock.advance(core::Millis(1));
  }
  EXPECT_NE(ids[0], ids[1]);
}

TEST(Document, InformationDictionary) {
  MemoryDoc m;
  TPDFDocInfo info;
  info.Title = "Report (1) \\ done";
  info.Author = "";
  info.Creator = "me";
  info.Producer = "ignored";
  info.Keywords = "k";
  info.Subject = "s";
  info.CreationDate = {2014, 4, 8, 9, 5, 3, 0, 2};
  m.doc.SetDocumentInfo(info);
  m.doc.BeginDoc();
  m.doc.EndDoc();
  EXPECT_NE(m.out.find("3 0 obj\r\n<</Creator (me)\r\n/CreationDate (D:20140408090503)\r\n/Producer (PDFwrite 3.x)\r\n"
                       "/Author ()\r\n/Title (Report \\(1\\) \\\\ done)\r\n/Subject (s)\r\n/Keywords (k)\r\n>>"),
            std::string::npos);
  TPDFDocument defaults;
  EXPECT_EQ(defaults.GetDocumentInfo().Creator, "PDFwrite program");
  EXPECT_EQ(defaults.GetDocumentInfo().Author, "Windows 9x/NT/2000/XP User");
  EXPECT_EQ(defaults.GetDocumentInfo().Title, "No Title");
  EXPECT_EQ(defaults.GetDocumentInfo().Subject, "None");
  EXPECT_EQ(defaults.GetDocumentInfo().Keywords, "PDFwrite");
  EXPECT_EQ(defaults.GetJPEGQuality(), 80);
  EXPECT_EQ(defaults.Resolution, 72);
  EXPECT_TRUE(defaults.AutoCreateURL);
}

TEST(Document, ProtectionEncryptsStringsAndStreamsWithTheirObjectNumbers) {
  for (auto len : {TPDFKeyLength::kl40, TPDFKeyLength::kl128}) {
    MemoryDoc m;
    m.doc.SetProtectionEnabled(true);
    m.doc.SetProtectionKeyLength(len);
    m.doc.SetProtectionOptions(coPrint);
    m.doc.SetUserPassword("u");
    m.doc.SetOwnerPassword("o");
    m.doc.DocumentInfo().Subject = "";
    m.doc.BeginDoc();
    m.doc.CurrentPage->MoveToPt(1, 2);
    const std::string expected_content = "q\r\n1 2 m\r\nQ\r\n";
    m.doc.EndDoc();
    const bool is128 = len == TPDFKeyLength::kl128;
    EXPECT_NE(m.out.find(is128 ? "/V 2\r\n/R 3\r\n/Length 128\r\n/P -3900\r\n" : "/V 1\r\n/R 2\r\n/P -60\r\n"),
              std::string::npos);
    EXPECT_NE(m.out.find("/Encrypt 7 0 R"), std::string::npos);
    // Info values are encrypted with object 3, an empty one stays empty.
    EXPECT_EQ(LiteralEntry(m.out, "/Title"), m.doc.EncryptString("No Title", 3));
    EXPECT_NE(LiteralEntry(m.out, "/Title"), "No Title");
    EXPECT_EQ(LiteralEntry(m.out, "/Subject"), "");
    // The uncompressed content of object 5 is one encrypted string.
    const std::string head = "5 0 obj\r\n<</Length " + std::to_string(expected_content.size()) + "\r\n>>\r\nstream\r\n";
    const auto p = m.out.find(head);
    ASSERT_NE(p, std::string::npos);
    EXPECT_EQ(m.out.substr(p + head.size(), expected_content.size()), m.doc.EncryptString(expected_content, 5));
    EXPECT_EQ(m.out.substr(p + head.size() + expected_content.size(), 13), "\r\nendstream\r\n");
    ExpectConsistentXref(m.out);
  }
}

TEST(Document, UserStringOf128BitFilesEndsRandomly) {
  core::VirtualClock clock;
  core::ScopedClock scoped(clock);
  std::vector<std::string> us;
  for (int run = 0; run < 2; ++run) {
    MemoryDoc m;
    m.doc.SetProtectionEnabled(true);
    m.doc.SetProtectionKeyLength(TPDFKeyLength::kl128);
    m.doc.BeginDoc();
    m.doc.EndDoc();
    us.push_back(LiteralEntry(m.out, "/U"));
    ASSERT_EQ(us.back().size(), 32u);
    for (std::size_t i = 16; i < 32; ++i) {
      const int b = static_cast<unsigned char>(us.back()[i]);
      EXPECT_TRUE(b >= 32 && b <= 231) << b;
    }
  }
  // Same passwords and identifier (the clock stood still): equal first halves, different tails.
  EXPECT_EQ(us[0].substr(0, 16), us[1].substr(0, 16));
  EXPECT_NE(us[0].substr(16), us[1].substr(16));
}

class FailingFont : public TPDFFont {
public:
  void Save(TPDFDocument&) override { throw core::Error("Incorrect or unknown font format"); }
};

TEST(Document, FileLifecycleAbortAndFailedEnd) {
  test::TempDir dir;
  const std::string name = dir.file("report.pdf");
  {
    TPDFDocument d;
    d.SetFileName(name);
    d.BeginDoc();
    EXPECT_TRUE(std::filesystem::exists(name));
    d.Abort();
    EXPECT_FALSE(std::filesystem::exists(name));
    EXPECT_TRUE(d.Aborted());
    EXPECT_THROW(d.Abort(), TPDFException);
  }
  {
    // A failure while ending deletes the partial file, leaves the document idle and passes on.
    TPDFDocument d;
    d.SetFileName(name);
    d.BeginDoc();
    d.Fonts().Add(std::make_unique<FailingFont>());
    try {
      d.EndDoc();
      ADD_FAILURE() << "EndDoc did not raise";
    } catch (const core::Error& e) {
      EXPECT_STREQ(e.what(), "Incorrect or unknown font format");
    }
    EXPECT_FALSE(std::filesystem::exists(name));
    EXPECT_FALSE(d.Generating());
    EXPECT_THROW(d.Abort(), TPDFException);
    // The same component produces the next file.
    d.BeginDoc();
    d.EndDoc();
    EXPECT_TRUE(std::filesystem::exists(name));
  }
  {
    // A file that cannot be created leaves the document idle.
    TPDFDocument d;
    d.SetFileName(dir.file("missing/folder/x.pdf"));
    EXPECT_THROW(d.BeginDoc(), core::Error);
    EXPECT_FALSE(d.Generating());
    EXPECT_THROW(d.EndDoc(), TPDFException);
  }
  {
    // A numbered object that nobody writes would leave a dangling table entry: refused.
    TPDFDocument d;
    d.SetFileName(name);
    d.BeginDoc();
    d.NewObjectNumber();
    EXPECT_THROW(d.EndDoc(), TPDFException);
    EXPECT_FALSE(std::filesystem::exists(name));
  }
}

TEST(Document, AFullDiskAbortsTheDocumentInsteadOfLeavingAShortFile) {
  test::TempDir dir;
  const std::string name = dir.file("full.pdf");
  // The child process may write at most 4 KiB; writes beyond fail as on a full disk.
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    int code = 0;
    try {
      TPDFDocument d;
      d.SetFileName(name);
      d.BeginDoc();
      for (int i = 0; i < 2000; ++i) d.CurrentPage->MoveToPt(i, i);
      d.EndDoc();
      code = 1;  // reported success
    } catch (const core::Error&) {
      code = std::filesystem::exists(name) ? 2 : 0;
    }
    _exit(code);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the end reported success, 2: the short file stayed";
}

// Three pages of lines and text, the first drawn on again after the last began. Stage 0 runs after
// the document began, stage 1 after the second page began.
void DrawPages(TPDFDocument& doc, const std::function<void(TPDFDocument&, int stage)>& at) {
  doc.DocumentInfo().CreationDate = core::LocalTime{2014, 4, 8, 9, 5, 3, 0, 2};
  doc.BeginDoc();
  at(doc, 0);
  for (int p = 0; p < 3; ++p) {
    if (p > 0) doc.NewPage();
    if (p == 1) at(doc, 1);
    TPDFPage& page = *doc.CurrentPage;
    for (int row = 0; row < 40; ++row) {
      page.SaveState();
      page.Rectangle(57, 88 + 15 * row, 537, 103 + 15 * row);
      page.Stroke();
    }
    test::PutText(doc, "Page " + std::to_string(p + 1), 72, 700);
  }
  TPDFPage& first = *doc.Pages().Items(0);
  first.Rectangle(10, 10, 20, 20);
  first.Fill();
  doc.EndDoc();
}

std::string WithoutFileID(std::string pdf) {
  return std::regex_replace(pdf, std::regex("/ID \\[<[0-9a-f]{32}><[0-9a-f]{32}>\\]"), "/ID []");
}

TEST(Document, FinishedPagesWaitOnDiskAndComeBackUnchanged) {
  test::TempDir dir;
  const std::string file = dir.file("pages.pdf");
  TPDFDocument on_disk;
  on_disk.SetFileName(file);
  std::size_t kept_in_memory = 1;
  std::vector<std::string> files;
  DrawPages(on_disk, [&](TPDFDocument& d, int stage) {
    if (stage == 0) return;
    kept_in_memory = d.Pages().Items(0)->Content().size();
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) files.push_back(entry.path().filename());
  });
  // The first page's content left memory when the second began, without a file anyone sees.
  EXPECT_EQ(kept_in_memory, 0u);
  EXPECT_EQ(files, std::vector<std::string>{"pages.pdf"});

  TPDFDocument in_memory;
  std::string out;
  in_memory.SetFileName(file);
  in_memory.SetOutputStream(&out);
  std::size_t memory_content = 0;
  DrawPages(in_memory, [&](TPDFDocument& d, int stage) {
    if (stage == 1) memory_content = d.Pages().Items(0)->Content().size();
  });
  EXPECT_GT(memory_content, 1000u);
  // The same bytes either way, the late drawing on the first page included.
  const std::string written = test::ReadFile(file);
  EXPECT_NE(written.find("10 822 10 10 re\r\nf\r\n"), std::string::npos);
  EXPECT_EQ(WithoutFileID(written), WithoutFileID(out));
  ExpectConsistentXref(written);
}

TEST(Document, PagesStayInMemoryWhereNoSpoolCanBeMade) {
  const auto dir = std::make_unique<test::TempDir>();
  const std::string file = dir->file("gone.pdf");
  TPDFDocument doc;
  doc.SetFileName(file);
  std::size_t kept_in_memory = 0;
  // The folder goes away under the open output: no spool file can be made there any more.
  EXPECT_NO_THROW(DrawPages(doc, [&](TPDFDocument& d, int stage) {
    if (stage == 0) std::filesystem::remove_all(dir->path());
    else kept_in_memory = d.Pages().Items(0)->Content().size();
  }));
  EXPECT_GT(kept_in_memory, 1000u);
}

TEST(Document, AbortRemovesOnlyARegularFile) {
  // An output that is not a regular file (a device here) is never deleted.
  TPDFDocument d;
  d.SetFileName("/dev/null");
  d.BeginDoc();
  d.Abort();
  EXPECT_TRUE(std::filesystem::exists("/dev/null"));
}

TEST(Document, AutoLaunchOpensOnlyAFinishedFile) {
  test::TempDir dir;
  std::vector<std::string> opened;
  TPDFDocument d;
  d.ShellOpen = [&](const std::string& f) {
    opened.push_back(f);
    throw core::Error("no opener");
  };
  d.SetFileName(dir.file("a.pdf"));
  d.BeginDoc();
  d.EndDoc();
  EXPECT_TRUE(opened.empty());
  d.SetAutoLaunch(true);
  d.BeginDoc();
  EXPECT_NO_THROW(d.EndDoc());
  EXPECT_EQ(opened, std::vector<std::string>{dir.file("a.pdf")});
  d.BeginDoc();
  d.Abort();
  EXPECT_EQ(opened.size(), 1u);
}

// The body of object N: from "N 0 obj" to its "endobj".
std::string ObjectText(const std::string& pdf, int n) {
  const std::string head = "\n" + std::to_string(n) + " 0 obj\r\n";
  const auto at = pdf.find(head);
  if (at == std::string::npos) return "<missing>";
  return pdf.substr(at + 1, pdf.find("endobj", at) - at - 1);
}

TEST(Document, WatermarkSubFormAndThumbnailArePlacedOnThePage) {
  MemoryDoc m;
  m.doc.BeginDoc();
  TPDFPage& page = *m.doc.CurrentPage;
  EXPECT_THROW(page.SetWatermark(0), TPDFException);
  EXPECT_THROW(page.SetThumbnail(0), TPDFException);
  TPDFPage* mark = m.doc.AddWatermark();
  ASSERT_TRUE(mark->IsFormPage);
  EXPECT_NE(mark->Canvas(), nullptr);
  mark->Rectangle(100, 100, 200, 150);
  mark->Stroke();
  const int thumb = m.doc.AddImage(std::make_unique<test::PixelImage>(false));
  page.SetWatermark(0);
  page.SetThumbnail(thumb);
  EXPECT_THROW(page.SetWatermark(1), TPDFException);
  EXPECT_THROW(page.SetThumbnail(thumb + 1), TPDFException);
  TPDFPage* form = page.AddSubForm();
  ASSERT_TRUE(form->IsFormPage);
  form->SetFormMatrix(0.5, 0, 0, 0.5, 10, 20);
  form->MoveTo(0, 0);
  form->LineTo(10, 10);
  form->Stroke();
  page.AppendOperator("/IF0 Do");
  const int page_number = page.ObjectNumber(), mark_number = mark->ObjectNumber(), form_number = form->ObjectNumber();
  m.doc.NewPage();
  // A page without a watermark shows none and lists no forms.
  m.doc.EndDoc();
  ExpectConsistentXref(m.out);

  // The watermark comes out before the page tree, the sub-form before its page's resources.
  const std::vector<int> order = ObjectOrder(m.out);
  const auto pos = [&](int n) { return std::find(order.begin(), order.end(), n) - order.begin(); };
  EXPECT_LT(pos(mark_number), pos(1));
  EXPECT_LT(pos(form_number), pos(page_number));

  std::smatch match;
  const std::string mark_text = ObjectText(m.out, mark_number);
  ASSERT_TRUE(std::regex_search(mark_text, match,
                                std::regex("^[0-9]+ 0 obj\r\n<</Type /XObject\r\n/Subtype /Form\r\n/Resources ([0-9]+) 0 R\r\n"
                                           "/Matrix \\[1 0 0 1 0 0 \\]\r\n/BBox \\[0 0 595 842\\]\r\n/Length ([0-9]+)\r\n>>\r\n"
                                           "stream\r\n")))
      << mark_text;
  const std::string mark_stream = mark_text.substr(static_cast<std::size_t>(match.length(0)), std::stoul(match[2]));
  EXPECT_EQ(mark_stream, "q\r\n100 692 100 50 re\r\nS\r\nQ\r\n");
  EXPECT_NE(ObjectText(m.out, form_number).find("/Matrix [0.5 0 0 0.5 10 20 ]\r\n"), std::string::npos);

  const std::string page_text = ObjectText(m.out, page_number);
  ASSERT_TRUE(std::regex_search(page_text, match, std::regex("/Resources ([0-9]+) 0 R\r\n/Contents \\[([0-9]+) 0 R\\]\r\n"
                                                             "/Thumb ([0-9]+) 0 R\r\n/MediaBox")))
      << page_text;
  EXPECT_NE(ObjectText(m.out, std::stoi(match[3])).find("/Subtype /Image"), std::string::npos);
  EXPECT_NE(ObjectText(m.out, std::stoi(match[1]))
                .find(" /XObject <<\r\n/Form0 " + std::to_string(mark_number) + " 0 R\r\n/IF0 " +
                      std::to_string(form_number) + " 0 R\r\n>>"),
            std::string::npos);
  EXPECT_NE(ObjectText(m.out, std::stoi(match[2])).find("stream\r\nq /Form0 Do   Q\r\nq\r\n/IF0 Do\r\nQ\r\n"),
            std::string::npos);
  // The second page has neither.
  EXPECT_EQ(m.out.find("/Form0 Do", m.out.find("/Form0 Do") + 1), std::string::npos);
  EXPECT_EQ(m.out.find("/Thumb", m.out.find("/Thumb") + 1), std::string::npos);
}

// Hears when a watched component is freed.
class FreeWatcher : public platform::components::TComponent {
public:
  FreeWatcher() : TComponent(nullptr) {}
  std::vector<TComponent*> freed;

protected:
  void Notification(TComponent* c, platform::components::TOperation op) override {
    if (op == platform::components::TOperation::opRemove) freed.push_back(c);
  }
};

TEST(Document, AComponentFreedByItsOwnerWithPublishedProperties) {
  using platform::components::SetPropText;
  FreeWatcher watcher;
  auto owner = std::make_unique<platform::components::TComponent>(nullptr);
  auto* doc = new TPDFDocument(owner.get());
  doc->SetName("SPDF");
  doc->FreeNotification(&watcher);
  EXPECT_EQ(owner->FindComponent("spdf"), doc);
  EXPECT_EQ(doc->ClassName(), "TPDFDocument");

  // The settings a form definition stores, by name and as text.
  const std::pair<const char*, const char*> settings[] = {
      {"Compression", "ctFlate"},        {"ProtectionOptions", "[coPrint, coAssemble]"},
      {"ViewerPreferences", "[vpFitWindow,vpCenterWindow]"},  {"Version", "v15"},
      {"ProtectionKeyLength", "kl128"},  {"DocumentInfo.Title", "Report"},
      {"DocumentInfo.Author", ""},       {"JPEGQuality", "60"},
      {"Resolution", "96"},              {"NonEmbeddedFont", "Arial\r\nSimSun"},
      {"OnePass", "True"},               {"AutoCreateURL", "False"},
      {"PageMode", "pmUseThumbs"},       {"FileName", "report.pdf"},
  };
  for (const auto& [name, text] : settings) EXPECT_TRUE(SetPropText(doc, name, text)) << name;
  EXPECT_EQ(doc->GetCompression(), TCompressionType::ctFlate);
  EXPECT_EQ(doc->GetProtectionOptions(), coPrint | coAssemble);
  EXPECT_EQ(doc->ViewerPreferences, vpFitWindow | vpCenterWindow);
  EXPECT_EQ(doc->GetVersion(), TPDFVersion::v15);
  EXPECT_EQ(doc->GetProtectionKeyLength(), TPDFKeyLength::kl128);
  EXPECT_EQ(doc->GetDocumentInfo().Title, "Report");
  EXPECT_EQ(doc->GetDocumentInfo().Author, "");
  EXPECT_EQ(doc->GetJPEGQuality(), 60);
  EXPECT_EQ(doc->Resolution, 96);
  EXPECT_EQ(doc->GetNonEmbeddedFont(), (std::vector<std::string>{"Arial", "SimSun"}));
  EXPECT_TRUE(doc->GetOnePass());
  EXPECT_FALSE(doc->AutoCreateURL);
  EXPECT_EQ(doc->GetPageMode(), TPageMode::pmUseThumbs);
  EXPECT_EQ(doc->GetFileName(), "report.pdf");
  EXPECT_EQ(platform::components::GetStrProp(doc, "ProtectionOptions"), "[coPrint,coAssemble]");
  EXPECT_EQ(platform::components::GetEnumPropText(doc, "PageLayout"), "plSinglePage");
  EXPECT_THROW(SetPropText(doc, "ProtectionOptions", "[coPrint,coEverything]"), platform::components::EComponentError);
  EXPECT_THROW(SetPropText(doc, "ViewerPreferences", "vpFitWindow"), platform::components::EComponentError);
  EXPECT_EQ(doc->GetProtectionOptions(), coPrint | coAssemble);

  // The guards hold through the published names as well.
  std::string out;
  doc->SetOutputStream(&out);
  doc->BeginDoc();
  EXPECT_THROW(SetPropText(doc, "FileName", "other.pdf"), TPDFException);
  doc->EndDoc();
  EXPECT_FALSE(out.empty());

  // The owner frees the document with itself.
  owner.reset();
  EXPECT_EQ(watcher.freed, std::vector<platform::components::TComponent*>{doc});
}

TEST(Document, BeginObjectChecksTheNumber) {
  MemoryDoc m;
  m.doc.BeginDoc();
  int beyond = m.doc.ObjectCount() + 1;
  EXPECT_THROW(m.doc.BeginObject(beyond), TPDFException);
  m.doc.Abort();
}

}  // namespace
}  // namespace pdf
