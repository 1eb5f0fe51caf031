#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "pdf/document.h"
#include "pdf/page.h"
#include "pdf/tests/test_util.h"

namespace pdf {
namespace {

using test::Lines;

// A document being written to memory, with its first page at hand.
struct PageFixture {
  TPDFDocument doc;
  std::string out;
  TPDFPage* page = nullptr;
  explicit PageFixture(int resolution = 72) {
    doc.Resolution = resolution;
    doc.SetOutputStream(&out);
    doc.BeginDoc();
    page = doc.CurrentPage;
  }
  ~PageFixture() {
    if (doc.Generating()) doc.Abort();
  }
  // Content lines after the initial "q".
  std::vector<std::string> Drawn() const {
    auto lines = Lines(page->Content());
    lines.erase(lines.begin());
    return lines;
  }
};

TEST(Page, FreshPageState) {
  PageFixture f;
  EXPECT_EQ(f.page->Content(), "q\r\n");
  EXPECT_EQ(f.page->StateDepth(), 1);
  EXPECT_EQ(f.page->Width(), 595);
  EXPECT_EQ(f.page->Height(), 842);
  EXPECT_EQ(f.page->ObjectNumber(), 2);
  EXPECT_EQ(f.page->FontName, "Helvetica");
  EXPECT_EQ(f.page->FontSize, 8);
  // Operations that must append nothing on a fresh page.
  f.page->RestoreState();
  f.page->Clip();
  f.page->NoDash();
  f.page->EndText();
  EXPECT_EQ(f.page->Content(), "q\r\n");
}

TEST(Page, PathOperatorsInPageUnits) {
  struct Case {
    const char* what;
    int resolution;
    void (*draw)(TPDFPage&);
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"rectangle ordered", 72, [](TPDFPage& p) { p.Rectangle(100, 200, 50, 20); }, {"50 642 50 180 re"}},
      {"rectangle at 144 dpi", 144, [](TPDFPage& p) { p.Rectangle(0, 0, 144, 72); }, {"0 806 72 36 re"}},
      {"move line curve", 72,
       [](TPDFPage& p) {
         p.MoveTo(1, 2);
         p.LineTo(3.5, 4);
         p.CurveTo(1, 1, 2, 2, 3, 3);
       },
       {"1 840 m", "3.5 838 l", "1 841 2 840 3 839 c"}},
      {"painting", 72,
       [](TPDFPage& p) {
         p.NewPath();
         p.ClosePath();
         p.Stroke();
         p.Fill();
         p.EoFill();
         p.FillAndStroke();
         p.EoFillAndStroke();
       },
       {"n", "h", "S", "f", "f*", "B", "B*"}},
      {"clip only with an open path", 72,
       [](TPDFPage& p) {
         p.MoveTo(0, 0);
         p.Clip();
         p.NewPath();
         p.Stroke();
         p.Clip();
       },
       {"0 842 m", "W", "n", "S"}},
      {"state and style", 144,
       [](TPDFPage& p) {
         p.SetLineWidth(3);
         p.SetDash("[3 1] 0");
         p.SetDash("[3 1] 0");
         p.NoDash();
         p.SetLineCap(1);
         p.SetLineJoin(2);
         p.SetRGBFillColor(1, 0.5, 0);
         p.SetRGBStrokeColor(0, 0, 0.25);
         p.Translate(10, 20);
         p.Rotate(90);
       },
       {"1.5 w", "[3 1] 0 d", "[] 0 d", "1 J", "2 j", "1 0.5 0 rg", "0 0 0.25 RG", "1 0 0 1 10 20 cm",
        "0 1 -1 0 0 0 cm"}},
      {"rotated rectangle", 72, [](TPDFPage& p) { p.RotatedRectPt(10, 10, 20, 2, 90); },
       {"10 10 m", "10 30 l", "8 30 l", "8 10 l", "10 10 l"}},
      {"arc with equal angles", 72,
       [](TPDFPage& p) {
         TRealPoint s;
         p.ArcByAnglesPt(s, 0, 0, 101, 51, 30, 30);
       },
       {"93.8013 13 m", "93.8013 13 l"}},
  };
  for (const Case& c : cases) {
    PageFixture f(c.resolution);
    c.draw(*f.page);
    EXPECT_EQ(f.Drawn(), c.lines) << c.what;
  }
}

TEST(Page, ColoursDoNotEndATextObjectButPathsDo) {
  PageFixture f;
  f.page->BeginText();
  f.page->SetRGBFillColor(1, 0, 0);
  f.page->AppendOperator("(x) Tj");
  EXPECT_TRUE(f.page->TextObjectOpen());
  f.page->MoveToPt(0, 0);
  EXPECT_FALSE(f.page->TextObjectOpen());
  EXPECT_EQ(f.Drawn(), (std::vector<std::string>{"BT", "1 0 0 rg", "(x) Tj", "ET", "0 0 m"}));
}

TEST(Page, EllipseAndRoundRect) {
  PageFixture f;
  f.page->EllipsePt(0, 0, 20, 10);
  const auto lines = f.Drawn();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "20 5 m");
  EXPECT_EQ(lines[1], "20 7.7614 15.5228 10 10 10 c");
  EXPECT_EQ(lines[4], "15.5228 0 20 2.2386 20 5 c");

  PageFixture g;
  g.page->RoundRect(100, 100, 0, 0, 20, 10);
  const auto rr = g.Drawn();
  ASSERT_EQ(rr.size(), 10u);
  EXPECT_EQ(rr.front(), "10 842 m");  // corners ordered: (0,0) top-left
  EXPECT_EQ(rr[1], "90 842 l");
  EXPECT_EQ(rr.back(), "h");
  EXPECT_TRUE(g.page->PathOpen());
}

TEST(Page, ArcsAndPie) {
  {
    // Both ray points equal: the whole ellipse in four segments.
    PageFixture f;
    TRealPoint s;
    f.page->ArcByPointsPt(s, 0, 0, 101, 101, 100.5, 50.5, 100.5, 50.5);
    const auto lines = f.Drawn();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_TRUE(lines[0].ends_with(" m"));
    for (int i = 1; i < 5; ++i) EXPECT_TRUE(lines[static_cast<std::size_t>(i)].ends_with(" c"));
    EXPECT_NEAR(s.X, 100.5, 1e-9);
    EXPECT_NEAR(s.Y, 50.5, 1e-9);
    // The last segment ends where the first began (less the fixed 0.0001 shift).
    EXPECT_TRUE(lines[4].ends_with("100.4999 50.4999 c")) << lines[4];
  }
  {
    // A quarter arc counterclockwise on the page from 0 to 90 degrees: traced from the top end.
    PageFixture f;
    const TRealPoint end = f.page->ArcByAngles(0, 0, 101, 101, 0, 90);
    EXPECT_NEAR(end.X, 50.5, 1e-9);
    EXPECT_NEAR(end.Y, 0.5, 1e-9);
    const auto lines = f.Drawn();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "50.4999 841.4999 m");
    EXPECT_TRUE(lines[1].ends_with("100.4999 791.4999 c")) << lines[1];
  }
  {
    PageFixture f;
    f.page->PiePt(0, 0, 101, 101, 101, 50.5, 50.5, 0);
    const auto lines = f.Drawn();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], "50.5 50.5 l");
    EXPECT_EQ(lines[3], "100.5 50.5 m");
    EXPECT_EQ(lines[4], "50.5 50.5 l");
  }
}

TEST(Page, StatesAreClosedWhenThePageIsWritten) {
  PageFixture f;
  f.page->SaveState();
  f.page->SaveState();
  f.page->SaveState();
  f.page->BeginText();
  f.doc.EndDoc();
  const auto p = f.out.find("stream\r\nq\r\nq\r\nq\r\nq\r\nBT\r\nET\r\nQ\r\nQ\r\nQ\r\nQ\r\n\r\nendstream");
  EXPECT_NE(p, std::string::npos) << f.out;
}

TEST(Page, RestoreBelowTheFontDepthMarksTheFontForSelection) {
  PageFixture f;
  f.page->SaveState();
  f.page->FontChanged = false;
  f.page->FontDepth = 2;
  f.page->SaveState();
  f.page->RestoreState();
  EXPECT_FALSE(f.page->FontChanged);
  f.page->RestoreState();
  EXPECT_TRUE(f.page->FontChanged);
}

TEST(Page, ActiveFontChangesOnlyOnADifferentFont) {
  PageFixture f;
  f.page->FontChanged = false;
  f.page->FontMode = 1;
  f.page->SetActiveFont("Helvetica", 0, 8, DEFAULT_CHARSET);
  EXPECT_FALSE(f.page->FontChanged);
  EXPECT_EQ(f.page->FontCharset, 134);
  f.page->SetActiveFont("宋体", fsUnderline, 50, 134);
  EXPECT_TRUE(f.page->FontChanged);
  EXPECT_EQ(f.page->FontMode, 0);
  EXPECT_TRUE(f.page->Content() == "q\r\n");
}

TEST(Page, SizePresetsAndOrientation) {
  PageFixture f;
  f.page->SetSizePreset(1);
  EXPECT_EQ(f.page->Width(), 612);
  EXPECT_EQ(f.page->Height(), 792);
  f.page->SetSizePreset(99);
  EXPECT_EQ(f.page->Width(), 612);
  f.page->SetOrientation(1);
  EXPECT_EQ(f.page->Width(), 792);
  EXPECT_EQ(f.page->Height(), 612);
  f.page->SetSizePreset(3);
  EXPECT_EQ(f.page->Width(), 1190);
  f.page->SetRotation(1);
  f.page->ToPointsY(0);
  EXPECT_THROW(f.page->SetSizePreset(2), TPDFException);
  EXPECT_THROW(f.page->SetOrientation(0), TPDFException);
  f.doc.EndDoc();
  EXPECT_NE(f.out.find("/MediaBox [0 0 1190 842]\r\n/Rotate 90\r\n"), std::string::npos);
}

TEST(Page, NonPositiveResolutionIsRefused) {
  TPDFDocument d;
  std::string out;
  d.SetOutputStream(&out);
  d.Resolution = 0;
  EXPECT_THROW(d.BeginDoc(), TPDFException);
  EXPECT_FALSE(d.Generating());
}

TEST(Page, ImagesArePlacedAndListedOnce) {
  PageFixture f;
  const int gray = f.doc.AddImage(std::make_unique<test::PixelImage>(true));
  const int colour = f.doc.AddImage(std::make_unique<test::PixelImage>(false));
  EXPECT_EQ(f.doc.Images().Items(gray)->ResourceName, "Im0");
  f.page->DrawImage(gray, 10, 10, 0, 50, 0);
  EXPECT_TRUE(f.page->PageImages().empty());
  EXPECT_FALSE(f.page->UsesGrayImage);
  f.page->DrawImage(gray, 10, 20, 100, 50, 0);
  f.page->DrawImage(gray, 0, 0, 10, 10, 45);
  EXPECT_EQ(f.page->PageImages().size(), 1u);
  EXPECT_THROW(f.page->DrawImagePt(2, 0, 0, 1, 1, 0), TPDFException);
  EXPECT_THROW(f.page->DrawImagePt(-1, 0, 0, 1, 1, 0), TPDFException);
  const auto lines = f.Drawn();
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5),
            (std::vector<std::string>{"q", "1 0 0 1 10 772 cm", "100 0 0 50 0 0 cm", "/Im0 Do", "Q"}));
  f.doc.NewPage();
  f.doc.CurrentPage->DrawImage(colour, 0, 0, 5, 5, 0);
  f.doc.EndDoc();
  // The gray image's page lists /ImageB only, the colour one's /ImageC only; each image is written once.
  EXPECT_NE(f.out.find("<< /ProcSet [/PDF /ImageB ]\r\n /XObject <<\r\n/Im0 "), std::string::npos);
  EXPECT_NE(f.out.find("<< /ProcSet [/PDF /ImageC ]\r\n /XObject <<\r\n/Im1 "), std::string::npos);
  EXPECT_EQ(std::regex_search(f.out, std::regex("/Subtype /Image")), true);
  std::size_t count = 0;
  for (auto p = f.out.find("/Subtype /Image"); p != std::string::npos; p = f.out.find("/Subtype /Image", p + 1))
    ++count;
  EXPECT_EQ(count, 2u);
}

// A canvas that records operator lines; the player replays them through the page.
class ScriptCanvas : public TMetafileCanvas {
public:
  ScriptCanvas(int w, int h, std::vector<std::string>* log) : log_(log) {
    log_->push_back("canvas " + std::to_string(w) + "x" + std::to_string(h));
  }
  std::vector<std::uint8_t> EndRecording() override {
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    return std::vector<std::uint8_t>(all.begin(), all.end());
  }
  std::vector<std::string> lines;

private:
  std::vector<std::string>* log_;
};

class ScriptPlayer : public TMetafilePlayer {
public:
  explicit ScriptPlayer(TPDFPage& page) : page_(page) {}
  void LoadMetafile(std::vector<std::uint8_t> m) override { data_.assign(m.begin(), m.end()); }
  void GetSize(int& w, int& h) override {
    w = data_.empty() ? 0 : 100;
    h = data_.empty() ? 0 : 100;
  }
  void Execute() override {
    std::size_t start = 0;
    for (auto p = data_.find('\n'); p != std::string::npos; start = p + 1, p = data_.find('\n', start)) {
      const std::string op = data_.substr(start, p - start);
      if (op == "fail") throw core::Error("bad record");
      if (op == "q")
        page_.SaveState();
      else
        page_.AppendOperator(op);
    }
  }

private:
  TPDFPage& page_;
  std::string data_;
};

struct CanvasFixture {
  std::vector<std::string> log;
  TPDFDocument doc;
  std::string out;
  CanvasFixture() {
    doc.CanvasSupport().CreateCanvas = [this](int w, int h, const ReferenceDeviceContext&) {
      return std::make_unique<ScriptCanvas>(w, h, &log);
    };
    doc.CanvasSupport().CreatePlayer = [](TPDFPage& p) { return std::make_unique<ScriptPlayer>(p); };
    doc.SetOutputStream(&out);
  }
  ScriptCanvas* Canvas() { return static_cast<ScriptCanvas*>(doc.GetCanvas()); }
};

TEST(PageCanvas, RecordingIsReplayedBeforeThePagesOwnLines) {
  CanvasFixture f;
  f.doc.BeginDoc();
  // A4 at the 96-dpi reference context.
  EXPECT_EQ(f.log, std::vector<std::string>{"canvas 793x1123"});
  f.Canvas()->lines = {"q", "0 0 1 rg"};
  f.doc.CurrentPage->MoveToPt(5, 5);
  f.doc.CurrentPage->FontChanged = false;
  f.doc.NewPage();
  // Nothing recorded on the second page: no replay, no blank line.
  f.doc.EndDoc();
  EXPECT_NE(f.out.find("stream\r\nq\r\n0 0 1 rg\r\n\r\nq\r\n5 5 m\r\nQ\r\nQ\r\n\r\nendstream"), std::string::npos)
      << f.out;
  EXPECT_NE(f.out.find("/Length 6\r\n>>\r\nstream\r\nq\r\nQ\r\n\r\nendstream"), std::string::npos);
}

TEST(PageCanvas, CanvasRulesAndFailedReplay) {
  CanvasFixture f;
  EXPECT_EQ(f.doc.GetCanvas(), nullptr);
  f.doc.BeginDoc();
  TPDFPage* page = f.doc.CurrentPage;
  EXPECT_THROW(page->CreateCanvas(), TPDFException);
  // Before the canvas is handed out a size change makes a new one of the new size.
  page->SetSizePreset(1);
  EXPECT_EQ(f.log.back(), "canvas 816x1056");
  ASSERT_NE(f.Canvas(), nullptr);
  EXPECT_TRUE(page->CanvasHandedOut());
  page->SetSizePreset(2);
  EXPECT_EQ(f.log.size(), 2u);
  page->DropCanvas();
  EXPECT_EQ(f.doc.GetCanvas(), nullptr);
  page->CreateCanvas();
  f.Canvas()->lines = {"1 0 0 rg", "fail"};
  page->AppendOperator("mine");
  // A replay that fails aborts the document's end; the page keeps its own content until then.
  EXPECT_THROW(f.doc.EndDoc(), core::Error);
  EXPECT_FALSE(f.doc.Generating());
  EXPECT_TRUE(f.out.empty());
}

TEST(PageCanvas, WithoutCanvasSupportPagesHaveNoCanvas) {
  TPDFDocument d;
  std::string out;
  d.SetOutputStream(&out);
  d.CanvasSupport() = PageCanvasSupport{};
  d.BeginDoc();
  EXPECT_EQ(d.GetCanvas(), nullptr);
  d.NewPage();
  d.EndDoc();
  EXPECT_NE(out.find("/Count 2"), std::string::npos);
}

TEST(Page, MulDivRoundsAndGuardsZero) {
  EXPECT_EQ(MulDiv(842, 96, 72), 1123);
  EXPECT_EQ(MulDiv(595, 96, 72), 793);
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);
  EXPECT_EQ(MulDiv(3, 1, 2), 2);
  EXPECT_EQ(MulDiv(5, 5, 0), -1);
}

}  // namespace
}  // namespace pdf
