// Which files the command-line program takes as covers, what it writes into
// them and what it says about the rest.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "cli/cli_app.h"
#include "support/cli_runner.h"
#include "support/reference_carrier.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

class CliCoversTest : public ::testing::Test {
 protected:
  using Result = CliRun;
  Result Run(const std::vector<std::string>& args) { return RunCliHere(args); }
  std::string Write(const std::string& name, const Bytes& bytes) {
    WriteAll(dir.File(name), bytes);
    return dir.File(name);
  }
  std::string Payload(std::size_t size) { return Write("secret.txt", RandomBytes(size, 9)); }

  // Every command that could change the file refuses it, with reason, and
  // leaves every byte as it was.
  void ExpectRefusedEverywhere(const std::string& picture, const std::string& reason) {
    const Bytes before = ReadAll(picture);
    for (const std::vector<std::string>& command : {std::vector<std::string>{"inspect", picture},
                                                    {"hide", picture, Payload(1)},
                                                    {"clear", picture},
                                                    {"hide", picture, Payload(1), "--output", dir.File("copy.bmp")}}) {
      const Result result = Run(command);
      EXPECT_EQ(result.status, 1) << command[0];
      EXPECT_EQ(result.err, "veilwright-cli: " + picture + ": " + reason + "\n") << command[0];
    }
    EXPECT_EQ(ReadAll(picture), before);
    EXPECT_FALSE(std::filesystem::exists(dir.File("copy.bmp")));
  }

  TempDir dir;
};

TEST_F(CliCoversTest, PixelOffsetInsideTheHeadersIsRefused) {
  // Real fuzz files hold 38: the hidden header would land on the info
  // header, and from 14 to 29 on the bit count itself.
  for (std::uint32_t offset : {14u, 28u, 38u, 53u}) {
    Bytes bmp = MakeBmp(54 + 12 * 40);
    PutU32(bmp, 10, offset);
    ExpectRefusedEverywhere(Write("fuzz.bmp", bmp), "damaged: its pixel-data offset " + std::to_string(offset) +
                                                        " lies inside its headers, which end at byte 54");
  }
}

TEST_F(CliCoversTest, HidingStaysInsideThePixelArray) {
  // 9 x 7 pixels (28-byte rows, 196 bytes) and a 3000-byte colour profile.
  const std::string picture = Write("prof.bmp", MakeV5BmpWithProfile(9, 7, 3000));
  const Bytes clean = ReadAll(picture);
  const Result inspect = Run({"inspect", picture});
  ASSERT_EQ(inspect.status, 0) << inspect.err;
  // (196 - 12) / 12 groups of 3 bytes.
  EXPECT_NE(inspect.out.find("pixel array: 9 x 7 pixels, bytes 138 to 334\n"), std::string::npos) << inspect.out;
  EXPECT_NE(inspect.out.find("capacity: 45 bytes (the window's hint: 0 KB)"), std::string::npos) << inspect.out;

  const Result over = Run({"hide", picture, Payload(46)});
  EXPECT_EQ(over.status, 1);
  EXPECT_EQ(over.err, "veilwright-cli: " + dir.File("secret.txt") + " is 46 bytes, but " + picture +
                          " can take at most 45 bytes\n");
  EXPECT_EQ(ReadAll(picture), clean);

  ASSERT_EQ(Run({"hide", picture, Payload(45)}).status, 0);
  const Bytes marked = ReadAll(picture);
  EXPECT_TRUE(std::equal(clean.begin() + 334, clean.end(), marked.begin() + 334)) << "the profile was rewritten";
  EXPECT_EQ(std::string(marked.begin() + 334 + 36, marked.begin() + 334 + 40), "acsp");
  EXPECT_TRUE(std::equal(clean.begin() + 10, clean.begin() + 138, marked.begin() + 10));
  EXPECT_EQ(ReferenceExtract(marked).data, ReadAll(dir.File("secret.txt")));

  // Trailing bytes after the pixels stay out of reach in the same way.
  Bytes trailing = MakeBmp(54 + 12 * 10);
  trailing.resize(trailing.size() + 500, 0xEE);
  const std::string with_tail = Write("tail.bmp", trailing);
  EXPECT_EQ(Run({"hide", with_tail, Payload(28)}).status, 1);
  ASSERT_EQ(Run({"hide", with_tail, Payload(27)}).status, 0);
  const Bytes tail_marked = ReadAll(with_tail);
  EXPECT_TRUE(std::equal(trailing.begin() + 174, trailing.end(), tail_marked.begin() + 174));
}

TEST_F(CliCoversTest, FilesThatAreNoUncompressedBmpAreRefused) {
  ExpectRefusedEverywhere(Write("two.ico", MakeIcon()),
                          "a Windows icon (ICO) picture (by its first bytes), not a BMP: this program hides in 24-bit "
                          "BMP pictures, and with --stealth in PNG and JPEG pictures too");

  Bytes text(400, 'a');
  text[28] = 24;
  ExpectRefusedEverywhere(Write("notes.txt", text), "not a BMP picture: it starts with 0x61 0x61, not \"BM\"");

  const std::pair<std::uint32_t, std::string> compressions[] = {
      {1, "RLE8"}, {4, "JPEG"}, {5, "PNG"}, {0xDEADBEEF, "unknown"}};
  for (const auto& [compression, name] : compressions) {
    Bytes bmp = MakeBmp(54 + 12 * 40);
    PutU32(bmp, 30, compression);
    ExpectRefusedEverywhere(Write("packed.bmp", bmp), "not an uncompressed BMP picture (its compression is " +
                                                          std::to_string(compression) + ", " + name + ")");
  }

  Bytes empty = MakeBmp(54 + 12 * 40);
  PutU32(empty, 18, 0);
  PutU32(empty, 22, 40);
  ExpectRefusedEverywhere(Write("empty.bmp", empty), "holds no pixels to hide in: it is 0 x 40 pixels");
}

TEST_F(CliCoversTest, ClearRefusesAPictureThatIsNotTwentyFourBit) {
  Bytes eight = MakeBmp(54 + 1024 + 400, 54 + 1024, 8);
  PutU32(eight, 6, 0x10000005);  // what a hiding would leave, had it been allowed
  ExpectRefusedEverywhere(Write("eight.bmp", eight), "not a 24-bit BMP picture (its bit count is 8)");
}

TEST_F(CliCoversTest, Os2PicturesAreJudgedByTheirOwnFields) {
  const std::string picture = Write("os2.bmp", MakeOs2Bmp(10, 8, 24));
  const Result inspect = Run({"inspect", picture});
  ASSERT_EQ(inspect.status, 0) << inspect.err;
  EXPECT_NE(inspect.out.find("pixel array: 10 x 8 pixels, bytes 26 to 282\n"), std::string::npos) << inspect.out;
  ASSERT_EQ(Run({"hide", picture, Payload(60)}).status, 0);
  ASSERT_EQ(Run({"extract", picture, "--output", dir.File("out.txt")}).status, 0);
  EXPECT_EQ(ReadAll(dir.File("out.txt")), ReadAll(dir.File("secret.txt")));

  // An 8-bit one whose bytes 28 and 29 happen to read 24.
  Bytes eight = MakeOs2Bmp(10, 8, 8);
  eight[28] = 24;
  eight[29] = 0;
  ExpectRefusedEverywhere(Write("os2-8.bmp", eight), "not a 24-bit BMP picture (its bit count is 8)");
}

TEST_F(CliCoversTest, SmallestPictureHasTooLittleRoom) {
  Bytes tiny = MakeBmp(58);
  ASSERT_EQ(U32At(tiny, 18), 1u);
  ASSERT_EQ(U32At(tiny, 22), 1u);
  const std::string picture = Write("tiny.bmp", tiny);
  const Result inspect = Run({"inspect", picture});
  ASSERT_EQ(inspect.status, 0);
  EXPECT_NE(inspect.out.find("capacity: none (its pixel array of 4 bytes cannot hold even the 12-byte hidden "
                             "header)"),
            std::string::npos)
      << inspect.out;
  const Result hide = Run({"hide", picture, Payload(0)});
  EXPECT_EQ(hide.status, 1);
  EXPECT_EQ(hide.err, "veilwright-cli: " + picture +
                          ": too little room: its pixel array of 4 bytes cannot hold even the 12-byte hidden header\n");
  EXPECT_EQ(ReadAll(picture), tiny);
}

TEST_F(CliCoversTest, ReservedWordsOfAnotherProgramAreNamedAndClearResetsThem) {
  for (std::uint32_t marker : {0x00001234u, 0xF0000001u}) {
    Bytes bmp = MakeBmp(54 + 12 * 40);
    PutU32(bmp, 6, marker);
    const std::string picture = Write("other.bmp", bmp);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", marker);
    const std::string said = "veilwright-cli: " + picture + ": its reserved header words (bytes 6-9) hold " + hex +
                             ", which is no hidden file this program reads (format version " +
                             std::to_string(marker >> 28) +
                             "; it reads versions 1 and 2); `veilwright-cli clear` resets them to 0\n";
    EXPECT_EQ(Run({"hide", picture, Payload(10)}).err, said);
    EXPECT_EQ(Run({"extract", picture, "--output", dir.File("x.bin")}).err, said);
    const Result inspect = Run({"inspect", picture});
    EXPECT_NE(inspect.out.find("hidden file: none this program reads\n"), std::string::npos) << inspect.out;
    EXPECT_EQ(ReadAll(picture), bmp);

    ASSERT_EQ(Run({"clear", picture}).status, 0);
    ASSERT_EQ(Run({"hide", picture, Payload(10)}).status, 0);
  }
}

TEST_F(CliCoversTest, AnotherProgramsGroupsPastThePixelArrayStillExtract) {
  Bytes bmp = MakeBmp(54 + 12 * 10);  // 120 bytes of pixel array: 27 bytes fit
  bmp.resize(bmp.size() + 600, 0x55);
  const Bytes data = RandomBytes(150, 3);  // groups up to byte 666
  const std::string picture = Write("theirs.bmp", ReferenceHide(bmp, data, "bin", "", false));
  const Result inspect = Run({"inspect", picture});
  ASSERT_EQ(inspect.status, 0) << inspect.err;
  EXPECT_NE(inspect.out.find("hidden file: 150 bytes\n"), std::string::npos) << inspect.out;
  EXPECT_EQ(inspect.out.find("damaged"), std::string::npos) << inspect.out;
  ASSERT_EQ(Run({"extract", picture, "--output", dir.File("back.bin")}).status, 0);
  EXPECT_EQ(ReadAll(dir.File("back.bin")), data);
}

}  // namespace
}  // namespace veil::test
