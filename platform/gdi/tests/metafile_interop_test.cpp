// The canvas's recordings read by an independent metafile reader (emf2svg): the texts, lines and
// shapes come out where and as they were drawn.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "platform/gdi/metafile_canvas.h"

namespace platform::gdi {
namespace {

TEST(MetafileInteropTest, Emf2SvgReadsTheRecording) {
  if (!core::testing::HaveTool("emf2svg-conv")) GTEST_SKIP() << "emf2svg-conv is not installed";
  MetafileCanvas c(794, 1123);
  c.Font.Name = "宋体";
  c.Font.Size = 20;
  c.Font.Charset = GB2312_CHARSET;
  c.TextOut(300, 30, "温湿度历史记录");
  c.Font.Size = 10;
  c.Font.Color = RGB(0, 0, 255);
  c.TextOut(410, 120, "2014-04-08 09:05:03");
  c.Pen.Color = RGB(255, 0, 0);
  c.MoveTo(10, 10);
  c.LineTo(200, 100);
  c.Brush.Color = RGB(0, 255, 0);
  c.Rectangle(50, 200, 150, 260);
  const auto bytes = c.Finish();

  const core::testing::TempDir dir("thc_canvas");
  const std::string emf = dir.file("canvas.emf");
  const std::string svg = emf + ".svg";
  {
    std::ofstream f(emf, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  using core::testing::Quoted;
  const std::string log = core::testing::RunTool("emf2svg-conv -i " + Quoted(emf) + " -o " + Quoted(svg)).output;
  const std::string out = core::testing::ReadFile(svg);
  ASSERT_FALSE(out.empty()) << log;
  EXPECT_NE(out.find("font-family=\"宋体\""), std::string::npos) << out;
  EXPECT_NE(out.find("x=\"300.0000\""), std::string::npos) << out;
  EXPECT_NE(out.find("<![CDATA[温湿度历史记录]]>"), std::string::npos) << out;
  EXPECT_NE(out.find("font-size=\"27.0000\""), std::string::npos) << out;
  EXPECT_NE(out.find("fill=\"#0000FF\""), std::string::npos) << out;
  EXPECT_NE(out.find("<![CDATA[2014-04-08 09:05:03]]>"), std::string::npos) << out;
  EXPECT_NE(out.find("M 10.0000,10.0000 L 200.0000,100.0000"), std::string::npos) << out;
  EXPECT_NE(out.find("stroke=\"#FF0000\""), std::string::npos) << out;
  EXPECT_NE(out.find("<rect x=\"50.0000\" y=\"200.0000\" width=\"100.0000\" height=\"60.0000\"  fill=\"#00FF00\""),
            std::string::npos)
      << out;
}

}  // namespace
}  // namespace platform::gdi
