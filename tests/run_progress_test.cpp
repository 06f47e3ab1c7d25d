// Runs tell their stages in order and a fraction of the whole run that
// never goes back and ends at 1; a run asked to stop at any stage ends with
// kCancelled, the cover as it was and no output file left. Real files in a
// temporary folder, written through OutputFile as the programs write them.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "codec/plain/carrier_reader.h"
#include "codec/plain/runs.h"
#include "codec/plain/sealed_picture.h"
#include "codec/progress/run_progress.h"
#include "codec/seal/derivation_aside.h"
#include "codec/stealth/stealth_runs.h"
#include "files/output_file.h"
#include "files/raw_file.h"
#include "support/jpeg_test_files.h"
#include "support/png_test_files.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

using codec::RunStage;
using Stages = std::vector<RunStage>;

constexpr codec::stealth::KdfCosts kQuickKdf{1, 8};
const codec::SealParams kQuickSeal{1, 8, codec::seal::kDefaultChunkLog2};

// Keeps every report; asked to, stops the run at a stage: as it is entered,
// or inside it (it lingers a moment at the stage's first question, so that
// the stage's next piece of work asks again, and stops then).
class Recorder final : public codec::RunObserver {
 public:
  enum class Stop { kNever, kOnEntry, kInside };
  Recorder(Stop stop = Stop::kNever, RunStage at = RunStage::kReading) : stop_(stop), at_(at) {}

  void Advanced(RunStage stage, double fraction) override {
    EXPECT_EQ(std::this_thread::get_id(), run_thread_) << "Advanced from another thread";
    const bool entered = stages.empty() || stages.back() != stage;
    if (entered) stages.push_back(stage);
    fractions.push_back(fraction);
  }
  bool CancelRequested() override {
    EXPECT_EQ(std::this_thread::get_id(), run_thread_) << "CancelRequested from another thread";
    if (stop_ == Stop::kNever || stages.empty() || stages.back() != at_) return false;
    if (stop_ == Stop::kInside && asked_in_stage_++ == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(60));
      return false;
    }
    stopped = true;
    return true;
  }

  // Fractions in [0, 1], never going back.
  void ExpectSteady() const {
    ASSERT_FALSE(fractions.empty());
    for (std::size_t i = 0; i < fractions.size(); ++i) {
      EXPECT_GE(fractions[i], 0.0);
      EXPECT_LE(fractions[i], 1.0);
      if (i > 0) {
        EXPECT_GE(fractions[i], fractions[i - 1]) << "report " << i;
      }
    }
  }
  void ExpectCompleted(const Stages& expected) const {
    ExpectSteady();
    EXPECT_EQ(stages, expected);
    EXPECT_DOUBLE_EQ(fractions.back(), 1.0);
  }

  Stages stages;
  std::vector<double> fractions;
  bool stopped = false;

 private:
  Stop stop_;
  RunStage at_;
  int asked_in_stage_ = 0;
  std::thread::id run_thread_ = std::this_thread::get_id();
};

std::set<std::string> FilesIn(const TempDir& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) names.insert(entry.path().filename().string());
  return names;
}

// A textured picture of each kind the stealth form takes, small.
Bytes CoverOf(const std::string& kind) {
  if (kind == "png") return EncodePng(MakeTestPicture(256, 192, 2, 8, false, 4));
  if (kind == "jpeg") {
    JpegShape shape;
    shape.width = 384;
    shape.height = 288;
    return EncodeJpeg(shape);
  }
  return MakeBmp(54 + 3 * 256 * 192);
}

const Stages kStealthHide{RunStage::kReading,     RunStage::kCosts,       RunStage::kKeyDerivation,
                          RunStage::kCode,        RunStage::kReadingBack, RunStage::kWriting};
const Stages kStealthOpen{RunStage::kReading, RunStage::kKeyDerivation, RunStage::kReadingBack};
const Stages kPlain{RunStage::kReading, RunStage::kWriting};
const Stages kSealed{RunStage::kReading, RunStage::kKeyDerivation, RunStage::kWriting};

class StealthProgress : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    cover_path = dir.File("cover." + GetParam());
    cover = CoverOf(GetParam());
    WriteAll(cover_path, cover);
    payload_path = dir.File("secret.bin");
    WriteAll(payload_path, RandomBytes(100, 5));
  }
  // A hide in place, as the command line does it: staged beside the cover,
  // taking its name only once complete.
  codec::RunResult Hide(codec::RunObserver& observer) {
    auto in = OpenSystemFile(cover_path, OpenMode::kReadOnly);
    auto payload = OpenSystemFile(payload_path, OpenMode::kReadOnly);
    OutputFile output = OutputFile::Open(cover_path);
    codec::StealthHideRequest request{*in, *payload, output.File(), "bin", "a long pass phrase"};
    request.costs = kQuickKdf;
    const codec::RunResult result = codec::HideStealth(request, observer);
    in.reset();
    if (result.ok()) output.Commit();
    return result;
  }
  codec::OpenedStealth Open(codec::RunObserver& observer) {
    auto in = OpenSystemFile(cover_path, OpenMode::kReadOnly);
    return codec::OpenStealth({*in, "a long pass phrase", kQuickKdf}, observer);
  }

  TempDir dir;
  std::string cover_path, payload_path;
  Bytes cover;
};

TEST_P(StealthProgress, HideAndOpenTellEveryStageInOrderAndEndAtOne) {
  Recorder hiding;
  const codec::RunResult hidden = Hide(hiding);
  ASSERT_TRUE(hidden.ok()) << static_cast<int>(hidden.status) << " " << hidden.detail;
  hiding.ExpectCompleted(kStealthHide);
  Recorder opening;
  const auto opened = Open(opening);
  ASSERT_TRUE(opened.result.ok());
  EXPECT_EQ(opened.file, RandomBytes(100, 5));
  opening.ExpectCompleted(kStealthOpen);
}

TEST_P(StealthProgress, AHideStoppedAtAnyStageLeavesTheCoverAndNoOtherFile) {
  const auto before = FilesIn(dir);
  for (const RunStage stage : kStealthHide)
    for (const auto stop : {Recorder::Stop::kOnEntry, Recorder::Stop::kInside}) {
      SCOPED_TRACE(::testing::Message() << "stage " << static_cast<int>(stage) << " stop " << static_cast<int>(stop));
      Recorder recorder(stop, stage);
      const codec::RunResult result = Hide(recorder);
      // A stage too short to report from inside runs to its end.
      if (stop == Recorder::Stop::kInside && !recorder.stopped) {
        ASSERT_TRUE(result.ok());
        WriteAll(cover_path, cover);
        continue;
      }
      EXPECT_EQ(result.status, codec::RunStatus::kCancelled);
      recorder.ExpectSteady();
      EXPECT_EQ(recorder.stages.back(), stage);
      EXPECT_EQ(ReadAll(cover_path), cover);
      EXPECT_EQ(FilesIn(dir), before);
    }
}

TEST_P(StealthProgress, AnOpeningStoppedAtAnyStageFindsNothing) {
  Recorder hiding;
  ASSERT_TRUE(Hide(hiding).ok());
  for (const RunStage stage : kStealthOpen) {
    Recorder recorder(Recorder::Stop::kOnEntry, stage);
    const auto opened = Open(recorder);
    EXPECT_EQ(opened.result.status, codec::RunStatus::kCancelled) << static_cast<int>(stage);
    EXPECT_TRUE(opened.file.empty());
    EXPECT_EQ(recorder.stages.back(), stage);
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, StealthProgress, ::testing::Values("bmp", "png", "jpeg"));

class PlainProgress : public ::testing::Test {
 protected:
  void SetUp() override {
    cover_path = dir.File("cover.bmp");
    cover = MakeBmp(54 + 3 * 200 * 200);
    WriteAll(cover_path, cover);
    payload_path = dir.File("secret.txt");
    WriteAll(payload_path, RandomBytes(20000, 6));
  }
  // In place, or into a copy beside it.
  codec::RunResult Hide(codec::RunObserver& observer, bool in_place, const codec::SealKey* key = nullptr,
                        codec::RunProgress* progress = nullptr) {
    auto in = OpenSystemFile(cover_path, in_place ? OpenMode::kReadWriteExisting : OpenMode::kReadOnly);
    auto payload = OpenSystemFile(payload_path, OpenMode::kReadOnly);
    std::optional<OutputFile> output;
    if (!in_place) output.emplace(OutputFile::Open(dir.File("copy.bmp")));
    const codec::RunResult result = codec::Embed(
        {*in, *payload, output ? &output->File() : nullptr, "txt", std::nullopt, key, progress}, observer);
    if (result.ok() && output) output->Commit();
    return result;
  }
  codec::RunResult Extract(const std::string& picture, codec::RunObserver& observer,
                           const codec::SealKey* key = nullptr, codec::RunProgress* progress = nullptr) {
    auto in = OpenSystemFile(picture, OpenMode::kReadOnly);
    OutputFile output = OutputFile::Open(dir.File("out.txt"));
    const codec::RunResult result =
        codec::Extract({*in, output.File(), std::nullopt, key, progress}, observer);
    if (result.ok()) output.Commit();
    return result;
  }

  TempDir dir;
  std::string cover_path, payload_path;
  Bytes cover;
};

TEST_F(PlainProgress, HideAndExtractTellTheirStagesAndKeepThePercentFigures) {
  struct Both final : codec::RunObserver {
    Recorder typed;
    std::vector<int> percents;
    void Progress(int percent) override { percents.push_back(percent); }
    void Advanced(RunStage stage, double fraction) override { typed.Advanced(stage, fraction); }
    bool CancelRequested() override { return typed.CancelRequested(); }
  };
  Both hiding;
  ASSERT_TRUE(Hide(hiding, false).ok());
  hiding.typed.ExpectCompleted(kPlain);
  ASSERT_FALSE(hiding.percents.empty());
  EXPECT_EQ(hiding.percents.back(), 100);
  Both in_place;
  ASSERT_TRUE(Hide(in_place, true).ok());
  in_place.typed.ExpectCompleted(kPlain);
  EXPECT_EQ(in_place.percents, hiding.percents);
  Both extracting;
  ASSERT_TRUE(Extract(cover_path, extracting).ok());
  extracting.typed.ExpectCompleted(kPlain);
  EXPECT_EQ(ReadAll(dir.File("out.txt")), RandomBytes(20000, 6));
}

TEST_F(PlainProgress, StoppedAtEitherStageNothingIsWrittenAndTheCoverIsAsItWas) {
  const auto before = FilesIn(dir);
  for (const bool in_place : {false, true})
    for (const RunStage stage : kPlain)
      for (const auto stop : {Recorder::Stop::kOnEntry, Recorder::Stop::kInside}) {
        if (stage == RunStage::kReading && stop == Recorder::Stop::kInside) continue;  // the checks report nothing inside
        SCOPED_TRACE(::testing::Message() << "in place " << in_place << " stage " << static_cast<int>(stage));
        Recorder recorder(stop, stage);
        EXPECT_EQ(Hide(recorder, in_place).status, codec::RunStatus::kCancelled);
        EXPECT_TRUE(recorder.stopped);
        EXPECT_EQ(ReadAll(cover_path), cover);
        EXPECT_EQ(FilesIn(dir), before);
      }
  Recorder hiding;
  ASSERT_TRUE(Hide(hiding, true).ok());
  const Bytes marked = ReadAll(cover_path);
  for (const auto stop : {Recorder::Stop::kOnEntry, Recorder::Stop::kInside}) {
    Recorder recorder(stop, RunStage::kWriting);
    EXPECT_EQ(Extract(cover_path, recorder).status, codec::RunStatus::kCancelled);
    EXPECT_EQ(ReadAll(cover_path), marked);
    EXPECT_EQ(FilesIn(dir), before);
  }
}

// A sealed hide is the key and then the groups under one progress, as the
// command line runs it; its opening is OpenSeal and then Extract.
TEST_F(PlainProgress, SealedHideAndOpenAreEachOneRunInOrder) {
  Recorder hiding;
  codec::RunProgress hide_progress(hiding, kSealed);
  hide_progress.Enter(RunStage::kReading);
  hide_progress.Enter(RunStage::kKeyDerivation);
  const auto key = codec::DeriveAside("a long pass phrase", kQuickSeal, std::nullopt, hide_progress);
  ASSERT_TRUE(key);
  ASSERT_TRUE(Hide(hiding, true, &*key, &hide_progress).ok());
  hiding.ExpectCompleted(kSealed);

  Recorder opening;
  codec::RunProgress open_progress(opening, kSealed);
  auto in = OpenSystemFile(cover_path, OpenMode::kReadOnly);
  const auto facts = carrier::ReadCarrierFacts(*in);
  const codec::OpenedSeal opened = codec::OpenSeal(*in, facts, "a long pass phrase", &open_progress);
  ASSERT_EQ(opened.status, codec::OpenedSeal::Status::kOpened);
  ASSERT_TRUE(Extract(cover_path, opening, &*opened.key, &open_progress).ok());
  opening.ExpectCompleted(kSealed);
  EXPECT_EQ(ReadAll(dir.File("out.txt")), RandomBytes(20000, 6));
}

TEST_F(PlainProgress, ASealedRunStoppedAtAnyStageWritesNothing) {
  const auto before = FilesIn(dir);
  for (const RunStage stage : kSealed) {
    SCOPED_TRACE(static_cast<int>(stage));
    Recorder recorder(Recorder::Stop::kOnEntry, stage);
    codec::RunProgress progress(recorder, kSealed);
    bool cancelled = false;
    try {
      progress.Enter(RunStage::kReading);
      progress.Enter(RunStage::kKeyDerivation);
      const auto key = codec::DeriveAside("a long pass phrase", kQuickSeal, std::nullopt, progress);
      ASSERT_TRUE(key);
      cancelled = Hide(recorder, true, &*key, &progress).status == codec::RunStatus::kCancelled;
    } catch (const codec::RunCancelled&) {
      cancelled = true;
    }
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(ReadAll(cover_path), cover);
    EXPECT_EQ(FilesIn(dir), before);
  }
}

// The derivation goes on alone once its run has stopped: the run returns
// long before the derivation would end, and the derivation's thread, which
// owns everything it uses, ends on its own.
TEST(DeriveAside, AStoppedDerivationReturnsAtOnceAndEndsOnItsOwn) {
  const codec::SealParams slow{3, 128 * 1024, codec::seal::kDefaultChunkLog2};
  Recorder timing;
  codec::RunProgress whole(timing, {RunStage::kKeyDerivation});
  whole.Enter(RunStage::kKeyDerivation);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(codec::DeriveAside("words", slow, std::nullopt, whole));
  const auto derivation = std::chrono::steady_clock::now() - started;
  timing.ExpectSteady();

  Recorder stopping(Recorder::Stop::kInside, RunStage::kKeyDerivation);
  codec::RunProgress stopped(stopping, {RunStage::kKeyDerivation});
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_THROW(
      {
        stopped.Enter(RunStage::kKeyDerivation);
        codec::DeriveAside(std::string(64, 'x'), slow, std::nullopt, stopped);
      },
      codec::RunCancelled);
  EXPECT_TRUE(stopping.stopped);
  // The recorder lingers 60 ms before its stop; the derivation's poll, 50 ms at most.
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(60) + derivation);
}

TEST(RunProgress, SharesWhatIsLeftByWeightAndNeverGoesBack) {
  Recorder recorder;
  codec::RunProgress progress(recorder, {RunStage::kReading, RunStage::kCosts, RunStage::kWriting});
  progress.Weigh(RunStage::kReading, 1);
  progress.Weigh(RunStage::kCosts, 2);
  progress.Weigh(RunStage::kWriting, 1);
  progress.Enter(RunStage::kReading);
  progress.Within(0, 1, 1);
  // Reweighed once the cover is read: the rest, 3/4, is shared 3 to 1.
  progress.Weigh(RunStage::kCosts, 3);
  progress.Enter(RunStage::kCosts);
  EXPECT_DOUBLE_EQ(recorder.fractions.back(), 0.25);
  progress.At(0.5);
  progress.At(0.25);  // a stage's figure never goes back
  progress.Enter(RunStage::kReading);  // passed: no change
  EXPECT_EQ(progress.stage(), RunStage::kCosts);
  progress.Enter(RunStage::kWriting);
  EXPECT_DOUBLE_EQ(recorder.fractions.back(), 0.53125);
  progress.Finish();
  recorder.ExpectCompleted({RunStage::kReading, RunStage::kCosts, RunStage::kWriting});
}

TEST(WorkGauge, ThreadsStopTogetherWhenTheRunIsToStop) {
  Recorder recorder(Recorder::Stop::kInside, RunStage::kCosts);
  codec::RunProgress progress(recorder, {RunStage::kCosts});
  progress.Enter(RunStage::kCosts);
  codec::WorkGauge gauge(&progress, 1000000);
  std::atomic<std::uint64_t> done{0};
  EXPECT_THROW(gauge.Share(3,
                           [&](unsigned) {
                             while (gauge.Add()) {
                               done.fetch_add(1);
                               std::this_thread::sleep_for(std::chrono::microseconds(200));
                             }
                           }),
               codec::RunCancelled);
  EXPECT_TRUE(recorder.stopped);
  EXPECT_LT(done.load(), 1000000u);
}

}  // namespace
}  // namespace veil::test
