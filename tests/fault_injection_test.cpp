// Faults of the file layer, injected at every stage of both runs and of the
// commands that drive them: each must end in a failure message, never a
// success, with the picture reading as it did.
#include "support/codec_fixture.h"
#include "support/reference_carrier.h"
#include "support/window_fixture.h"
#include "window/commands/command_texts.h"

namespace veil::test {
namespace {

// The picture claims no file, and every byte but the carried low bits of the
// payload groups is as before. Only a failure of the very last writes (the
// marker's, after the hidden header has landed) may leave the header's 12
// pixel bytes changed as well.
void ExpectReadsAsBefore(const Bytes& before, const Bytes& after, std::size_t p, bool header_may_differ) {
  ASSERT_EQ(after.size(), before.size());
  ASSERT_EQ(U32At(after, 6), 0u);
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (header_may_differ && i >= p && i < p + 12) continue;
    const bool in_groups = i >= p + 12;
    const int carried = !in_groups ? 0 : ((i - p) % 3 == 0 ? 0x03 : (i - p) % 3 == 1 ? 0x01 : 0x07);
    ASSERT_EQ(after[i] & ~carried, before[i] & ~carried) << "byte " << i;
  }
}

class RunFaultsTest : public CodecFixture {
 protected:
  void SetUp() override {
    cover = MakeBmp(54 + 12 + 12 * 30000 + 7);
    data = RandomBytes(90000, 5);
    WriteAll(dir.File("cover.bmp"), cover);
    WriteAll(dir.File("data.bin"), data);
  }
  RunReport Hide() {
    WriteAll(dir.File("cover.bmp"), cover);
    state.coverPath = dir.File("cover.bmp");
    state.payloadPath = dir.File("data.bin");
    state.hiddenExtension = "bin";
    state.hasHiddenFile = 0;
    boxes.Clear();
    return codec.RunEmbedding();
  }
  Bytes cover, data;
};

TEST_F(RunFaultsTest, EmbeddingFaultsAtEveryStageLeaveThePictureClean) {
  struct Fault {
    const char* what;
    std::string path;
    void (*arm)(FaultPlan&, std::uint64_t);
    std::vector<std::uint64_t> points;
  };
  const std::vector<Fault> faults_to_try = {
      {"cover reads",
       "cover.bmp",
       [](FaultPlan& f, std::uint64_t n) { f.fail_reads_after_bytes = n; },
       {0, 4, 14, 100, 65536, 200000, 360000}},
      {"cover writes",
       "cover.bmp",
       [](FaultPlan& f, std::uint64_t n) { f.fail_writes_after_bytes = n; },
       {0, 1, 4095, 65536, 200000, 360011, 360012, 360015}},
      {"cover operations",
       "cover.bmp",
       [](FaultPlan& f, std::uint64_t n) { f.fail_after_operations = n; },
       {0, 1, 2, 3, 5, 8, 13}},
      {"payload reads",
       "data.bin",
       [](FaultPlan& f, std::uint64_t n) { f.fail_reads_after_bytes = n; },
       {0, 3, 30000, 89999}},
  };
  int runs = 0;
  for (const Fault& fault : faults_to_try) {
    for (std::uint64_t point : fault.points) {
      SCOPED_TRACE(std::string(fault.what) + " failing at " + std::to_string(point));
      faults = FaultPlan{};
      faults.only_path = dir.File(fault.path);
      fault.arm(faults, point);
      const RunReport report = Hide();
      ++runs;
      EXPECT_EQ(report.outcome, RunOutcome::kFailed);
      ASSERT_EQ(boxes.Shown().size(), 1u);
      EXPECT_EQ(boxes.Shown()[0].text, texts::kEmbedFailure);
      EXPECT_EQ(state.hasHiddenFile, 0);
      EXPECT_FALSE(files.IsOpen(1) || files.IsOpen(2));
      const bool marker_write_failed = std::string(fault.what) == "cover writes" && point >= 360012;
      ExpectReadsAsBefore(cover, ReadAll(dir.File("cover.bmp")), 54, marker_write_failed);
    }
  }
  EXPECT_EQ(runs, 26);
}

TEST_F(RunFaultsTest, ExtractionFaultsAreReportedAsFailures) {
  faults = FaultPlan{};
  ASSERT_TRUE(Hide().ok());
  const Bytes picture = ReadAll(dir.File("cover.bmp"));
  for (std::uint64_t point : {0ull, 4ull, 15ull, 70000ull, 300000ull}) {
    faults = FaultPlan{};
    faults.only_path = dir.File("cover.bmp");
    faults.fail_reads_after_bytes = point;
    boxes.Clear();
    files.Open(1, dir.File("cover.bmp"), OpenMode::kReadOnly);
    files.Open(2, dir.File("out.bin"), OpenMode::kCreateTruncate);
    state.markerValue = static_cast<std::int32_t>(data.size());
    EXPECT_EQ(codec.RunExtraction().outcome, RunOutcome::kFailed) << point;
    EXPECT_EQ(boxes.Shown().size(), 1u);
    files.CloseAll();
  }
  EXPECT_EQ(ReadAll(dir.File("cover.bmp")), picture);
}

class CommandFaultsTest : public WindowFixture {};

// The extract command over a cover or an output that fails part-way: no
// completion box, no offer to view, no wipe, no output file left behind.
TEST_F(CommandFaultsTest, FailingExtractionNeverLooksLikeSuccess) {
  Load();
  const std::string cover = dir.File("c.bmp");
  const Bytes picture = ReferenceHide(MakeBmp(54 + 12 + 12 * 40000), RandomBytes(120000, 2), "txt", "", false);
  state.clearAfterExtract = true;
  for (std::uint64_t point : {0ull, 1000ull, 65536ull, 119999ull}) {
    for (bool on_output : {false, true}) {
      SCOPED_TRACE(std::to_string(point) + (on_output ? " on the output" : " on the cover"));
      WriteAll(cover, picture);
      faults = FaultPlan{};
      OpenCover(cover);
      faults.only_path = on_output ? state.outputFolder + ".output.txt.*" : cover;
      (on_output ? faults.fail_writes_after_bytes : faults.fail_reads_after_bytes) = on_output ? point : point + 100;
      TakeBoxes();
      form.Click("cmdout");
      const auto shown = TakeBoxes();
      ASSERT_FALSE(shown.empty());
      EXPECT_EQ(shown.back().style, 16);
      for (const auto& box : shown) EXPECT_NE(box.text, " 文件解密完成！");
      EXPECT_EQ(ReadAll(cover), picture);
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    }
  }
}

}  // namespace
}  // namespace veil::test
