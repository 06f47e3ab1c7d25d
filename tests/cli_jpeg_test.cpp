// JPEG covers from the command line: the stealth form in place and in a
// copy, extraction with the password alone, inspect's capacity in the
// JPEG's own unit, and the other forms refused.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_app.h"
#include "support/cli_runner.h"
#include "support/jpeg_test_files.h"

namespace veil::test {
namespace {

class CliJpegTest : public ::testing::Test {
 protected:
  void SetUp() override {
    JpegShape shape;
    shape.width = 640;
    shape.height = 480;
    shape.progressive = true;
    clean = InsertAfterSoi(EncodeJpeg(shape), JpegSegment(0xE1, RandomBytes(400, 6)));
    cover = dir.File("photo.jpg");
    WriteAll(cover, clean);
    payload = dir.File("notes.tar.gz");
    data = RandomBytes(300, 31);
    WriteAll(payload, data);
  }
  TempDir dir;
  std::string cover, payload;
  Bytes clean, data;
};

// A picture whose room at the cap goes to the salt and frame takes no file:
// inspect says none, not "0 bytes", and names the way to more.
TEST_F(CliJpegTest, APictureWithNoRoomAtTheCapSaysNoneAndHowToHaveMore) {
  JpegShape shape;
  shape.width = 160;
  shape.height = 144;
  const std::string small = dir.File("small.jpg");
  WriteAll(small, EncodeJpeg(shape));
  const CliRun inspect = RunCliHere({"inspect", small});
  ASSERT_EQ(inspect.status, 0) << inspect.err;
  EXPECT_NE(inspect.out.find("capacity stealth: none at 0.05 bits per non-zero AC coefficient"), std::string::npos)
      << inspect.out;
  EXPECT_NE(inspect.out.find("--max-rate"), std::string::npos) << inspect.out;
}

TEST_F(CliJpegTest, HidesInPlaceAndExtractsWithThePasswordAlone) {
  const CliRun inspect = RunCliHere({"inspect", cover});
  ASSERT_EQ(inspect.status, 0) << inspect.err;
  EXPECT_NE(inspect.out.find(": JPEG, "), std::string::npos) << inspect.out;
  EXPECT_NE(inspect.out.find("bytes, the file's name included, at 0.05 bits per non-zero AC coefficient"),
            std::string::npos)
      << inspect.out;

  const CliRun hide = RunCliHere({"hide", cover, payload, "--stealth", "--password", "pw", "--weak-password"});
  ASSERT_EQ(hide.status, 0) << hide.err;
  EXPECT_NE(hide.out.find("hid " + payload), std::string::npos) << hide.out;
  const Bytes stealth = ReadAll(cover);
  EXPECT_NE(stealth, clean);
  EXPECT_EQ(DecodeJpegCoefficients(stealth).size(), DecodeJpegCoefficients(clean).size());
  // The EXIF-like segment stays where it was.
  EXPECT_TRUE(std::equal(clean.begin(), clean.begin() + 20 + 404, stealth.begin()));

  const std::string out = dir.File("back.bin");
  const CliRun extract = RunCliHere({"extract", cover, "--password", "pw", "--output", out});
  ASSERT_EQ(extract.status, 0) << extract.err;
  EXPECT_EQ(ReadAll(out), data);
  const CliRun wrong = RunCliHere({"extract", cover, "--password", "pq", "--output", dir.File("w.bin")});
  EXPECT_EQ(wrong.status, 1);
  EXPECT_NE(wrong.err.find("no hidden file opens with this password"), std::string::npos) << wrong.err;
}

TEST_F(CliJpegTest, RatesAreCountedInTheJpegsUnitAndTheOtherFormsRefused) {
  const CliRun too_much = RunCliHere({"hide", cover, payload, "--stealth", "--password", "pw", "--weak-password",
                                      "--max-rate", "0.001", "--output", dir.File("x.jpg")});
  EXPECT_EQ(too_much.status, 1);
  EXPECT_NE(too_much.err.find("at 0.001 bits per non-zero AC coefficient"), std::string::npos) << too_much.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.jpg")));

  const CliRun above = RunCliHere({"hide", cover, payload, "--stealth", "--password", "pw", "--weak-password",
                                   "--max-rate", "0.2", "--output", dir.File("y.jpg")});
  EXPECT_EQ(above.status, 0) << above.err;
  EXPECT_NE(above.err.find("above the default cap of 0.05 bits per non-zero AC coefficient"), std::string::npos)
      << above.err;

  for (const char* form : {"--seal", ""}) {
    std::vector<std::string> args{"hide", cover, payload, "--password", "pw", "--output", dir.File("z.jpg")};
    if (*form != '\0') args.push_back(form);
    const CliRun refused = RunCliHere(args);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("a JPEG picture carries a file only in the stealth form"), std::string::npos)
        << refused.err;
  }
  EXPECT_EQ(ReadAll(cover), clean);
}

// A BMP saved from a decoded JPEG is refused as a stealth cover, with the
// remedy; inspect says so; the override warns.
TEST_F(CliJpegTest, ABmpThatWasAJpegIsRefusedUnlessAllowed) {
  const DecodedJpeg decoded = DecodeJpegPixels(clean);
  const std::string bmp = dir.File("photo.bmp");
  WriteAll(bmp, MakeBmpOfSamples(decoded.width, decoded.height, decoded.pixels));
  const CliRun refused = RunCliHere(
      {"hide", bmp, payload, "--stealth", "--password", "pw", "--weak-password", "--output", dir.File("s.bmp")});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find(bmp + ": was a JPEG: all "), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("hide in the original JPEG, or in a copy downscaled by 2 or more"), std::string::npos)
      << refused.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("s.bmp")));
  const CliRun inspect = RunCliHere({"inspect", bmp});
  EXPECT_NE(inspect.out.find("capacity stealth: none: it was a JPEG"), std::string::npos) << inspect.out;

  const CliRun allowed = RunCliHere({"hide", bmp, payload, "--stealth", "--password", "pw", "--weak-password",
                                     "--allow-decoded-jpeg", "--output", dir.File("s.bmp")});
  EXPECT_EQ(allowed.status, 0) << allowed.err;
  EXPECT_NE(allowed.err.find("--allow-decoded-jpeg"), std::string::npos) << allowed.err;
  const CliRun plain = RunCliHere({"hide", bmp, payload, "--allow-decoded-jpeg", "--output", dir.File("p.bmp")});
  EXPECT_EQ(plain.status, 2) << plain.err;
}

}  // namespace
}  // namespace veil::test
