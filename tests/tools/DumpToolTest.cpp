#include <gtest/gtest.h>

#include "disc/ArchiveWriter.h"
#include "platform/Json.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "script/ScriptLines.h"
#include "support/TestSupport.h"
#include "tools/RunTool.h"

namespace trv {
namespace {

using test::ToolResult;

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// Struct.txt as a disc carries it: CP1251, CR LF, scrambled, so that reading
// it lower-cases the ASCII letters.
std::vector<std::uint8_t> Script(const std::vector<std::string>& utf8Lines) {
  std::string text;
  for (const std::string& l : utf8Lines) text += Utf8ToCp1251(l) + "\r\n";
  return ScrambleScript(text);
}

const std::vector<std::string> kStruct = {
    "TITLE=тривион",
    "codec=mpegaudio",
    "helpwin vw=640 vh=480 fn=help\\index.htm",
    "bgsounddef=[<cd>music\\a.mp3;music\\b.mp3]",
    "vertexmain=[0,0;800,0;800,600]",
    "2_screen=pics\\fon2.bmp",
    "button 2;vx=10;vy=20;fn1=a.bmp;fn2=b.bmp;fn3=c.bmp;fn4=d.bmp;go=screen1;hint=Назад;wav=click.wav",
    "switchone 1;vx=1;vy=2;fn1=a;fn2=b;fn3=c;fn4=d;STATE=ON;store=on;goup=off.txt;godown=screen3;hint=h;wav=w",
    "_popup 1;xfon=1;yfon=2;fnfon=f.bmp;xbtn=3;ybtn=4",
    "fnbtnup=[u.bmp]",
    "fnbtnmove=[m.bmp]",
    "fnbtndown=[d.bmp]",
    "fontup=arial;sizeup=10;styleup=bold;colorup=255,0,0;fontmv=arial;sizemv=12;stylemv=;colormv=0,255,0",
    "caption=[Один;Два]",
    "go=[screen1;screen2]",
    "parent=none;type=favorite;vertex=[0,0;10,0;10,10]",
    "_text 1;vx=1;vy=2;vw=3;vh=4;font=arial;size=12;style=bold;color=0,0,255;value=Привет;ident=t1;number=7",
    "hintcolor=255,255,0",
    "button 0;vx=1;vy=1;fn1=a;fn2=b;fn3=c;fn4=d;go=x;hint=h;wav=w",
};

class DumpToolTest : public ::testing::Test {
 protected:
  ToolResult Run(const std::vector<std::string>& args) { return test::RunDisc(args, scratch_.Path()); }
  std::string P(const std::string& name) const { return (dir_ / name).string(); }
  void WriteArchive(const std::string& name, const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& entries) {
    disc::ArchiveWriter writer;
    for (const auto& [entry, bytes] : entries) writer.Add(entry, bytes);
    writer.Write(dir_ / name);
  }

  test::TempDir dir_;
  test::TempDir scratch_;
};

bool Has(const ToolResult& r, const std::string& part) { return r.out.find(part) != std::string::npos; }

TEST_F(DumpToolTest, ModelOfASmallDisc) {
  WriteArchive("MEV.DHL", {{"pics\\fon2.bmp", Bytes("BM")}, {"STRUCT.TXT", Script(kStruct)}});
  ToolResult r = Run({"dump", dir_.Path().string(), "--program-dir", "C:\\Games\\Quiz\\", "--cd-root", "d:\\"});
  ASSERT_EQ(r.status, 0) << r.err;

  EXPECT_TRUE(Has(r, "\"title\": \"Тривион\",\n")) << r.out;
  EXPECT_TRUE(Has(r, "\"codecs\": \"mpegaudio\",\n"));
  EXPECT_TRUE(Has(r, "\"helpWidth\": 640,\n    \"helpHeight\": 480,\n"));
  // The options fix the expanded paths.
  EXPECT_TRUE(Has(r, "\"helpFile\": \"C:\\\\Games\\\\Quiz\\\\help\\\\index.htm\",\n"));
  EXPECT_TRUE(Has(r, "\"bgSoundDefault\": [\"d:\\\\music\\\\a.mp3\", \"C:\\\\Games\\\\Quiz\\\\music\\\\b.mp3\"],\n"));
  EXPECT_TRUE(Has(r, "\"vertexMain\": [[0, 0], [800, 0], [800, 600]]\n"));

  // Screen 2 of the script is screen 1 in memory, with its picture and button.
  EXPECT_TRUE(Has(r, "\"index\": 1,\n      \"picture\": \"pics\\\\fon2.bmp\",\n      \"buttons\": [\n        "
                     "{\"left\": 10, \"top\": 20, \"right\": 0, \"bottom\": 0, \"fn1\": \"a.bmp\", \"fn2\": \"b.bmp\", "
                     "\"fn3\": \"c.bmp\", \"fn4\": \"d.bmp\", \"fn5\": \"\", \"fn6\": \"\", \"fn7\": \"\", \"name\": \"\", "
                     "\"command\": \"screen1\", \"hint\": \"Назад\", \"sound\": \"click.wav\", \"textLeft\": 0, "
                     "\"textTop\": 0, \"textRight\": 0, \"textBottom\": 0, \"textFontName\": \"\", \"textFontSize\": 0, "
                     "\"textFontStyle\": [], \"textFontColor\": 0}\n      ],"))
      << r.out;
  // STATE=ON was lower-cased when the scrambled script was read.
  EXPECT_TRUE(Has(r, "\"fn4\": \"d\", \"state\": true, \"store\": true, \"goUp\": \"C:\\\\Games\\\\Quiz\\\\off.txt\", "
                     "\"goDown\": \"screen3\", \"hint\": \"h\", \"sound\": \"w\"}"))
      << r.out;
  EXPECT_TRUE(Has(r, "\"picturesUp\": [\"C:\\\\Games\\\\Quiz\\\\u.bmp\"]"));
  EXPECT_TRUE(Has(r, "\"fontSize\": [10, 12], \"fontStyle\": [\"bold\", \"\"], \"fontColor\": [255, 65280]"));
  EXPECT_TRUE(Has(r, "\"captions\": [\"Один\", \"Два\"], \"commands\": [\"screen1\", \"screen2\"], "
                     "\"parent\": \"none\", \"kind\": -3, \"vertex\": [\"0,0\", \"10,0\", \"10,10\"]}"))
      << r.out;
  EXPECT_TRUE(Has(r, "\"texts\": [\n    {\"left\": 1, \"top\": 2, \"right\": 3, \"bottom\": 4, \"screen\": 0, "
                     "\"fontName\": \"arial\", \"fontSize\": 12, \"fontStyle\": \"bold\", \"fontColor\": 16711680, "
                     "\"highlightColor\": 0, \"text\": \"Привет\", \"number\": 7, \"ident\": \"t1\", \"hint\": \"\"}\n  ],"))
      << r.out;
  EXPECT_TRUE(Has(r, "\"inputBoxes\": [],\n  \"clips\": [],\n"));
  EXPECT_TRUE(Has(r, "\"trees\": [],\n  \"hintColor\": 65535\n}\n"));
  // Two screens, the first without a picture and without buttons.
  EXPECT_TRUE(Has(r, "\"index\": 0,\n      \"picture\": \"\",\n      \"buttons\": [],\n"));
  EXPECT_FALSE(Has(r, "\"index\": 2"));
  // The block for screen 0 is reported and left out.
  EXPECT_NE(r.err.find("names screen 0"), std::string::npos) << r.err;
}

TEST_F(DumpToolTest, PathsDefaultToTheDiscFolder) {
  WriteArchive("Mev.dhl", {{"Struct.txt", Script({"title=a", "helpwin vw=1 vh=2 fn=help\\x.htm", "bgsounddef=[<cd>m.mp3]"})}});
  const DiscPaths disc = ComputeDiscPaths(dir_.Path());
  const std::string helpFile = JsonQuote(Cp1251ToUtf8(disc.programDir + "help\\x.htm"));
  const std::string sounds = JsonQuote(Cp1251ToUtf8(disc.cdRoot + "m.mp3"));

  ToolResult folder = Run({"dump", dir_.Path().string()});
  ASSERT_EQ(folder.status, 0) << folder.err;
  EXPECT_TRUE(Has(folder, "\"helpFile\": " + helpFile + ",\n")) << folder.out;
  EXPECT_TRUE(Has(folder, "\"bgSoundDefault\": [" + sounds + "],\n")) << folder.out;
  EXPECT_TRUE(Has(folder, "\"vertexMain\": null\n"));
  EXPECT_TRUE(Has(folder, "\"screens\": [],\n"));
  EXPECT_TRUE(Has(folder, "\"hintColor\": null\n"));

  // The archive named directly gives the same answer.
  ToolResult file = Run({"dump", P("Mev.dhl")});
  EXPECT_EQ(file.status, 0);
  EXPECT_EQ(file.out, folder.out);
}

TEST_F(DumpToolTest, RefusesWhatStartUpWouldRefuse) {
  ToolResult noArchive = Run({"dump", dir_.Path().string()});
  EXPECT_EQ(noArchive.status, 1);
  EXPECT_NE(noArchive.err.find("no Mev.dhl"), std::string::npos) << noArchive.err;
  EXPECT_EQ(noArchive.out, "");
  EXPECT_EQ(Run({"dump", P("missing")}).status, 1);

  WriteArchive("Mev.dhl", {{"Dialog.txt", Bytes("x")}});
  ToolResult noScript = Run({"dump", dir_.Path().string()});
  EXPECT_EQ(noScript.status, 1);
  EXPECT_NE(noScript.err.find("Struct.txt"), std::string::npos) << noScript.err;

  WriteArchive("Mev.dhl", {{"Struct.txt", Script({"title=a", "vertexmain=[0,0;", "1,y]"})}});
  ToolResult shape = Run({"dump", dir_.Path().string()});
  EXPECT_EQ(shape.status, 1);
  EXPECT_EQ(shape.out, "");
  EXPECT_NE(shape.err.find("vertexmain on line 2"), std::string::npos) << shape.err;

  EXPECT_EQ(Run({"dump", dir_.Path().string(), "--program-dir"}).status, 1);
  ToolResult help = Run({"--help"});
  EXPECT_NE(help.out.find("dump DISC [--program-dir DIR] [--cd-root DIR]"), std::string::npos) << help.out;
}

}  // namespace
}  // namespace trv
