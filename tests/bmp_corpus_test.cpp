// Pictures written by other programs (image libraries' own test files,
// fuzz finds and converter variants, see corpus/bmp/README): the program
// takes exactly the ordinary 24-bit ones as covers, writes nothing outside a
// cover's pixel array, and hides and extracts at exactly its capacity.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

#include "cli/cli_app.h"
#include "codec/covers/bmp_layout.h"
#include "codec/plain/carrier_layout.h"
#include "codec/plain/runs.h"
#include "support/plain_bmp.h"
#include "support/test_files.h"
#include "support/window_fixture.h"

namespace veil::test {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxLength = 0xFFFFFF;

std::vector<fs::path> CorpusFiles() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(VEILWRIGHT_BMP_CORPUS))
    if (entry.is_regular_file() && entry.path().filename() != "README.md") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

int Cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  cli::CliEnvironment env{out, err};
  env.read_secret = [](const std::string&) { return std::nullopt; };
  return cli::RunCli(args, env);
}

codec::RunResult Hide(const std::string& cover, const std::string& payload, const std::string& copy = {}) {
  auto picture = OpenSystemFile(cover, copy.empty() ? OpenMode::kReadWriteExisting : OpenMode::kReadOnly);
  auto data = OpenSystemFile(payload, OpenMode::kReadOnly);
  std::unique_ptr<RawFile> out;
  if (!copy.empty()) out = OpenSystemFile(copy, OpenMode::kCreateTruncate);
  codec::RunObserver quiet;
  return codec::Embed({*picture, *data, out.get(), "dat", std::nullopt}, quiet);
}

Bytes Extracted(const std::string& picture, const std::string& output) {
  auto cover = OpenSystemFile(picture, OpenMode::kReadOnly);
  auto out = OpenSystemFile(output, OpenMode::kCreateTruncate);
  codec::RunObserver quiet;
  EXPECT_TRUE(codec::Extract({*cover, *out, std::nullopt}, quiet).ok());
  out.reset();
  return ReadAll(output);
}

// Bytes that differ between two pictures of one length, outside [from, to)
// and outside the reserved words.
std::size_t ChangedOutside(const Bytes& a, const Bytes& b, std::size_t from, std::size_t to) {
  std::size_t changed = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    if ((i < 6 || i >= 10) && (i < from || i >= to) && a[i] != b[i]) ++changed;
  return changed;
}

class BmpCorpusTest : public ::testing::Test {
 protected:
  // Every file: judged alike by the plain reading, the codec and the CLI.
  void Judge(const fs::path& path);
  void CheckOrdinary(const std::string& name, const Bytes& original, const PlainBmp& plain);
  void CheckRefused(const std::string& name, const Bytes& original);

  TempDir dir;
  std::map<std::string, std::pair<int, int>> groups;  // files and covers a group
};

void BmpCorpusTest::Judge(const fs::path& path) {
  const std::string name = fs::relative(path, VEILWRIGHT_BMP_CORPUS).string();
  const Bytes original = ReadAll(path.string());
  const PlainBmp plain = JudgePlainBmp(original);
  WriteAll(dir.File("c.bmp"), original);
  auto file = OpenSystemFile(dir.File("c.bmp"), OpenMode::kReadOnly);
  const carrier::BmpReading reading = carrier::ReadBmpLayout(*file);
  file.reset();
  auto& counts = groups[fs::relative(path, VEILWRIGHT_BMP_CORPUS).begin()->string()];
  ++counts.first;
  ASSERT_EQ(reading.IsCover(), plain.ordinary) << name << ": " << plain.why;
  if (plain.ordinary) {
    ++counts.second;
    EXPECT_EQ(reading.layout->pixelOffset, static_cast<std::int64_t>(plain.pixels)) << name;
    EXPECT_EQ(reading.layout->pixelArrayEnd, plain.pixelsEnd) << name;
    CheckOrdinary(name, original, plain);
  } else {
    CheckRefused(name, original);
  }
}

void BmpCorpusTest::CheckOrdinary(const std::string& name, const Bytes& original, const PlainBmp& plain) {
  const std::string cover = dir.File("c.bmp");
  // Reserved words another program left are reset, as `clear` would.
  Bytes clean = original;
  if (U32At(clean, 6) != 0) {
    ASSERT_EQ(Cli({"clear", cover}), 0) << name;
    PutU32(clean, 6, 0);
    ASSERT_EQ(ReadAll(cover), clean) << name;
  }
  EXPECT_EQ(Cli({"inspect", cover}), 0) << name;

  const std::size_t room = plain.pixelsEnd - plain.pixels;
  if (room < 12) {
    WriteAll(dir.File("p.dat"), {});
    EXPECT_EQ(Hide(cover, dir.File("p.dat")).status, codec::RunStatus::kTooLarge) << name;
    EXPECT_EQ(ReadAll(cover), clean) << name;
    return;
  }
  const std::size_t capacity = std::min((room - 12) / 12 * 3, kMaxLength);
  WriteAll(dir.File("over.dat"), RandomBytes(capacity + 1, 5));
  EXPECT_EQ(Hide(cover, dir.File("over.dat")).status, codec::RunStatus::kTooLarge) << name;
  EXPECT_EQ(ReadAll(cover), clean) << name;

  const Bytes payload = RandomBytes(capacity, static_cast<std::uint32_t>(capacity));
  WriteAll(dir.File("p.dat"), payload);
  ASSERT_TRUE(Hide(cover, dir.File("p.dat"), dir.File("copy.bmp")).ok()) << name;
  ASSERT_TRUE(Hide(cover, dir.File("p.dat")).ok()) << name;
  const Bytes marked = ReadAll(cover);
  ASSERT_EQ(ReadAll(dir.File("copy.bmp")), marked) << name;
  ASSERT_EQ(marked.size(), clean.size()) << name;
  EXPECT_EQ(ChangedOutside(clean, marked, plain.pixels, plain.pixelsEnd), 0u) << name;
  EXPECT_EQ(U32At(marked, 6), 0x10000000u + capacity) << name;
  EXPECT_EQ(Extracted(cover, dir.File("out.dat")), payload) << name;
}

void BmpCorpusTest::CheckRefused(const std::string& name, const Bytes& original) {
  const std::string cover = dir.File("c.bmp");
  WriteAll(dir.File("p.dat"), {1});
  EXPECT_EQ(Hide(cover, dir.File("p.dat")).status, codec::RunStatus::kNotCover) << name;
  EXPECT_EQ(Cli({"hide", cover, dir.File("p.dat")}), 1) << name;
  EXPECT_EQ(Cli({"inspect", cover}), 1) << name;
  EXPECT_EQ(Cli({"clear", cover}), 1) << name;
  EXPECT_EQ(ReadAll(cover), original) << name;
}

// Each cover with one header field changed the way damage or a fuzzer
// would: both readings must still agree.
TEST_F(BmpCorpusTest, ChangedHeadersOfCoversAreJudgedAlike) {
  const std::vector<std::pair<std::size_t, std::uint32_t>> changes = {
      {10, 38}, {10, 0}, {10, 0xFFFFFFF0}, {14, 44}, {14, 16}, {18, 0}, {22, 0},   {22, 0xFFFFFFFF}, {26, 0},
      {28, 32}, {28, 8}, {30, 1},          {30, 3},  {30, 4},  {46, 1}, {46, 256}, {24, 8},          {0, 0x4142}};
  int judged = 0;
  for (const fs::path& path : CorpusFiles()) {
    const Bytes original = ReadAll(path.string());
    if (!JudgePlainBmp(original).ordinary) continue;
    std::vector<Bytes> variants;
    for (const auto& [at, value] : changes) {
      Bytes changed = original;
      if (at + 4 > changed.size()) continue;
      if (at == 0) {
        changed[0] = static_cast<std::uint8_t>(value);
        changed[1] = static_cast<std::uint8_t>(value >> 8);
      } else {
        PutU32(changed, at, value);
      }
      variants.push_back(changed);
    }
    variants.emplace_back(original.begin(), original.end() - 1);
    for (const Bytes& variant : variants) {
      const PlainBmp plain = JudgePlainBmp(variant);
      const carrier::BmpReading reading = carrier::JudgeBmpHeaders(variant.data(), variant.size(), variant.size());
      ASSERT_EQ(reading.IsCover(), plain.ordinary) << path << " " << judged << ": " << plain.why;
      if (plain.ordinary) {
        EXPECT_EQ(reading.layout->pixelOffset, static_cast<std::int64_t>(plain.pixels)) << path;
        EXPECT_EQ(reading.layout->pixelArrayEnd, plain.pixelsEnd) << path;
      }
      ++judged;
    }
  }
  EXPECT_GE(judged, 3000);
}

TEST_F(BmpCorpusTest, OnlyOrdinaryPicturesAreCoversAndEachHoldsExactlyItsCapacity) {
  const std::vector<fs::path> files = CorpusFiles();
  ASSERT_GE(files.size(), 500u);
  for (const fs::path& path : files) {
    Judge(path);
    if (HasFatalFailure()) return;
  }
  int covers = 0;
  for (const auto& [group, counts] : groups) {
    std::cout << group << ": " << counts.first << " files, " << counts.second << " covers\n";
    covers += counts.second;
  }
  std::cout << files.size() << " files, " << covers << " covers\n";
  // Both kinds must be there in number, or the test proves little.
  EXPECT_GE(covers, 150);
  EXPECT_GE(static_cast<int>(files.size()) - covers, 150);
}

// The window takes the same files: a cover opens without a word, anything
// else is "not a BMP" and does not become the cover.
class BmpCorpusWindowTest : public WindowFixture {};

TEST_F(BmpCorpusWindowTest, TheWindowTakesExactlyTheSameCovers) {
  Load();
  int covers = 0;
  for (const fs::path& path : CorpusFiles()) {
    const bool ordinary = JudgePlainBmp(ReadAll(path.string())).ordinary;
    state.coverPath.clear();
    OpenCover(path.string());
    if (ordinary) {
      EXPECT_TRUE(TakeBoxes().empty()) << path;
      EXPECT_EQ(state.coverPath, path.string());
      ++covers;
    } else {
      EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"图片不是BMP格式，请选择BMP图片！", "Veilwright", 16}})) << path;
      EXPECT_EQ(state.coverPath, "");
    }
  }
  EXPECT_GE(covers, 150);
}

}  // namespace
}  // namespace veil::test
