// PNG covers from the command line: the stealth form in a copy and in place,
// what inspect tells of a PNG, and the refusals of kinds that cannot carry,
// told by their bytes whatever their names.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/cli_app.h"
#include "support/cli_runner.h"
#include "support/png_test_files.h"

namespace veil::test {
namespace {

class CliPngTest : public ::testing::Test {
 protected:
  using Result = CliRun;
  Result Run(const std::vector<std::string>& args) { return RunCliHere(args); }
  void SetUp() override {
    Bytes png = EncodePng(MakeTestPicture(256, 192, 6, 8, false, 17));
    png = InsertChunk(png, "IDAT", PngChunk("pHYs", {0, 0, 0x0B, 0x13, 0, 0, 0x0B, 0x13, 1}));
    clean = InsertChunk(png, "IEND", PngChunk("tEXt", {'T', 'i', 't', 'l', 'e', 0, 'x'}));
    cover = dir.File("cover.png");
    WriteAll(cover, clean);
    payload = dir.File("notes.txt");
    data = RandomBytes(200, 31);
    WriteAll(payload, data);
  }
  TempDir dir;
  std::string cover, payload;
  Bytes clean, data;
};

TEST_F(CliPngTest, HidesInACopyAndExtractsWithThePasswordAlone) {
  const std::string copy = dir.File("holiday.png");
  const Result hide =
      Run({"hide", cover, payload, "--stealth", "--password", "pw", "--weak-password", "--output", copy});
  ASSERT_EQ(hide.status, 0) << hide.err;
  EXPECT_EQ(ReadAll(cover), clean);
  const Bytes stealth = ReadAll(copy);
  EXPECT_EQ(WithoutIdat(stealth), WithoutIdat(clean));
  EXPECT_NE(DecodeRaw(stealth).rows, DecodeRaw(clean).rows);

  const std::string wrong_out = dir.File("wrong.txt");
  const Result wrong = Run({"extract", copy, "--stealth", "--password", "pq", "--output", wrong_out});
  EXPECT_EQ(wrong.status, 1);
  EXPECT_NE(wrong.err.find("no hidden file opens with this password"), std::string::npos) << wrong.err;
  EXPECT_FALSE(std::filesystem::exists(wrong_out));

  // No --stealth: a PNG holds a file only in that form.
  const std::string folder = dir.File("out");
  std::filesystem::create_directories(folder);
  const Result extract = Run({"extract", copy, "--password", "pw", "--output-dir", folder});
  ASSERT_EQ(extract.status, 0) << extract.err;
  EXPECT_EQ(ReadAll((std::filesystem::path(folder) / std::filesystem::path(payload).filename()).string()), data)
      << "the name came from the hidden file";
}

TEST_F(CliPngTest, HidesInPlaceThroughAStagedWholeFileWhateverItsName) {
  const std::string named_bmp = dir.File("looks-like.bmp");
  WriteAll(named_bmp, clean);
  const Result hide = Run({"hide", named_bmp, payload, "--stealth", "--password", "pw", "--weak-password"});
  ASSERT_EQ(hide.status, 0) << hide.err;
  const Bytes stealth = ReadAll(named_bmp);
  EXPECT_EQ(WithoutIdat(stealth), WithoutIdat(clean));
  EXPECT_NE(stealth, clean);
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    EXPECT_TRUE(entry.path().filename() == "looks-like.bmp" || entry.path().filename() == "cover.png" ||
                entry.path().filename() == "notes.txt")
        << "left behind: " << entry.path();
  }
  const std::string out = dir.File("back.txt");
  const Result extract = Run({"extract", named_bmp, "--stealth", "--password", "pw", "--output", out});
  ASSERT_EQ(extract.status, 0) << extract.err;
  EXPECT_EQ(ReadAll(out), data);
}

TEST_F(CliPngTest, InspectReportsAPngsStealthCapacity) {
  const Result inspect = Run({"inspect", cover});
  ASSERT_EQ(inspect.status, 0) << inspect.err;
  EXPECT_NE(inspect.out.find("PNG"), std::string::npos);
  EXPECT_NE(inspect.out.find("capacity stealth: "), std::string::npos) << inspect.out;
  EXPECT_EQ(inspect.out.find("capacity stealth: none"), std::string::npos) << inspect.out;
  EXPECT_NE(inspect.out.find(" of 147456 samples"), std::string::npos) << inspect.out;  // 256 x 192 x 3
}

TEST_F(CliPngTest, KindsThatCannotCarryAreRefusedWithTheReason) {
  const std::string data_dir = VEILWRIGHT_PNG_DATA;
  // A JPEG named .png is read as the JPEG it is: this one, of 70 x 46
  // pixels, has too few coefficients for the stealth form.
  const std::string jpeg = dir.File("photo.png");
  WriteAll(jpeg, ReadAll(data_dir + "/refused/rose.jpg"));
  Result r =
      Run({"hide", jpeg, payload, "--stealth", "--password", "pw", "--weak-password", "--output", dir.File("x.png")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("too small for the stealth form"), std::string::npos) << r.err;
  r = Run({"inspect", jpeg});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(": JPEG, "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("capacity stealth: none (its 5376 coefficients"), std::string::npos) << r.out;
  r = Run({"hide", jpeg, payload, "--output", dir.File("x.png")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("a JPEG picture carries a file only in the stealth form"), std::string::npos) << r.err;

  const std::string palette = dir.File("palette.png");
  WriteAll(palette, ReadAll(data_dir + "/imagemagick/rose-palette.png"));
  r = Run(
      {"hide", palette, payload, "--stealth", "--password", "pw", "--weak-password", "--output", dir.File("y.png")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("a palette PNG cannot carry a hidden file"), std::string::npos) << r.err;
  r = Run({"inspect", palette});
  EXPECT_NE(r.out.find("capacity stealth: none (a palette PNG"), std::string::npos) << r.out;

  // The plain and sealed forms live in a BMP's pixel bytes.
  r = Run({"hide", cover, payload, "--output", dir.File("z.png")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("add --stealth"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.png")) || std::filesystem::exists(dir.File("y.png")) ||
               std::filesystem::exists(dir.File("z.png")));
  EXPECT_EQ(ReadAll(cover), clean);
}

}  // namespace
}  // namespace veil::test
