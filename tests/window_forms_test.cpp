// The sealed and stealth forms' dialogs, driven through the main window's
// menu over the scripted platform: hides that the command line and the
// codec open byte for byte, pictures made by them that the dialogs open,
// and the refusals (wrong and mismatched passwords, outputs that would
// replace a file or the cover) and Cancel, each with nothing written.
#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <random>
#include <thread>

#include "codec/plain/carrier_reader.h"
#include "codec/plain/runs.h"
#include "codec/plain/sealed_picture.h"
#include "codec/stealth/stealth_runs.h"
#include "files/memory_file.h"
#include "platform/memory_controls.h"
#include "platform/scripted/scripted_desktop.h"
#include "platform/scripted/scripted_message_boxes.h"
#include "platform/scripted/scripted_pump.h"
#include "support/cli_runner.h"
#include "support/jpeg_test_files.h"
#include "support/png_test_files.h"
#include "support/test_files.h"
#include "window/definition/main_form.h"
#include "window/definition/memory_dialog_host.h"
#include "window/definition/memory_window.h"
#include "window/forms/form_names.h"
#include "window/forms/form_texts.h"
#include "window/forms/run_bridge.h"

namespace veil::test {
namespace {

namespace t = texts::forms;
using ui::MemoryDialog;

constexpr forms::FormCosts kQuick{codec::SealParams{1, 8, 16}, codec::stealth::KdfCosts{1, 8}};
const std::string kPassword = "Tq7#vL9pWz!2mK";

// A 24-bit BMP of noise over gradients: enough texture for the stealth form.
Bytes TexturedBmp(std::uint32_t width, std::uint32_t height, std::uint32_t seed) {
  std::vector<std::uint8_t> rgb(std::size_t{width} * height * 3);
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0, 6);
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t i = 0; i < width * 3; ++i)
      rgb[std::size_t{y} * width * 3 + i] =
          static_cast<std::uint8_t>(std::clamp(60 + 0.3 * i / 3 + 0.4 * y + noise(random), 1.0, 254.0));
  return MakeBmpOfSamples(width, height, rgb);
}

Bytes CoverOfKind(const std::string& kind) {
  if (kind == "png") return EncodePng(MakeTestPicture(256, 192, 2, 8, false, 21));
  if (kind == "jpg") return EncodeJpeg(JpegShape{640, 480});
  return TexturedBmp(256, 192, 7);
}

// The stealth file a password finds in a picture, by the codec itself.
codec::OpenedStealth OpenStealthFile(const std::string& picture, const std::string& password,
                                     codec::stealth::KdfCosts costs) {
  MemoryFile file(std::make_shared<Bytes>(ReadAll(picture)));
  codec::RunObserver observer;
  return codec::OpenStealth({file, password, costs}, observer);
}

class FormsTest : public ::testing::Test {
 protected:
  explicit FormsTest(forms::FormCosts costs = kQuick)
      : form({files, boxes, controls, pump, dialogs, shell, environment}, settings, &host, costs) {}

  void SetUp() override {
    ui::BuildMemoryWindow(ui::MainWindow(), controls);
    environment.program_folder = dir.Path().string();
    form.Form_Load();
  }

  // Opens the menu entry and runs script in the dialog it shows.
  void InDialog(std::string_view entry, ui::MemoryDialogHost::Script script) {
    host.Queue(std::move(script));
    form.Click(entry);
  }

  // Fills a hide dialog: cover and file dropped, both passwords typed.
  void FillHide(MemoryDialog& dialog, const std::string& cover, const std::string& payload,
                const std::string& password, const std::string& confirm) {
    dialog.Drop(names::kFormCover, cover);
    dialog.Drop(names::kFormPayload, payload);
    dialog.Type(names::kFormPassword, password);
    dialog.Type(names::kFormConfirm, confirm);
  }

  std::vector<std::string> BoxTexts() {
    std::vector<std::string> texts;
    for (const auto& box : boxes.Shown()) texts.push_back(box.text);
    return texts;
  }
  bool Exists(const std::string& path) { return std::filesystem::exists(path); }
  std::size_t FilesInDir() {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.Path()), {}));
  }

  TempDir dir;
  NumberedFiles files;
  ScriptedMessageBoxes boxes{[](const std::string& fault) { ADD_FAILURE() << fault; }};
  MemoryControls controls;
  ScriptedPump pump;
  ScriptedFileDialogs dialogs{[](const std::string& fault) { ADD_FAILURE() << fault; }};
  ScriptedShell shell;
  ScriptedEnvironment environment;
  ScriptedSettings settings;
  ui::MemoryDialogHost host{[](const std::string& fault) { ADD_FAILURE() << fault; }};
  ui::MainForm form;
};

TEST_F(FormsTest, TheMenuOpensEachFormsDialogBesideTheSpecifiedMenus) {
  const ui::ControlSpec* menu = ui::FindControl(ui::MainWindow(), names::kForms);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->caption, t::kMenu);
  EXPECT_TRUE(menu->container.empty());
  for (auto entry : {names::kFormsSealedHide, names::kFormsStealthHide, names::kFormsOpen})
    InDialog(entry, [](MemoryDialog& dialog) { dialog.Click(names::kFormCancel); });
  EXPECT_EQ(host.Shown(), (std::vector<std::string>{std::string(t::kSealedHideTitle), std::string(t::kStealthHideTitle),
                                                    std::string(t::kOpenTitle)}));
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(FormsTest, SealedHideIsOpenedByteExactByTheCommandLine) {
  const std::string cover = dir.File("cover.bmp"), payload = dir.File("notes.txt");
  const Bytes clean = MakeBmp(54 + 12 + 12 * 3000), secret = RandomBytes(4000, 3);
  WriteAll(cover, clean);
  WriteAll(payload, secret);
  std::string capacity;
  double progress_seen = -1;
  InDialog(names::kFormsSealedHide, [&](MemoryDialog& dialog) {
    FillHide(dialog, cover, payload, kPassword, kPassword);
    capacity = dialog.Caption(names::kFormCapacity);
    EXPECT_EQ(dialog.Text(names::kFormOutput), dir.File("cover_sealed.bmp"));
    EXPECT_NE(dialog.Caption(names::kFormStrength).find(t::kStrengthPrefix), std::string::npos);
    dialog.Click(names::kFormStart);
    progress_seen = dialog.Value(names::kFormProgress);
    EXPECT_TRUE(dialog.Closed());
  });
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{std::string(t::kHideDone) + dir.File("cover_sealed.bmp")}));
  EXPECT_EQ(progress_seen, 100);
  EXPECT_EQ(ReadAll(cover), clean) << "the cover was written";

  // The capacity shown is the command line's for the sealed form.
  const CliRun inspect = RunCliHere({"inspect", cover});
  const auto at = inspect.out.find("capacity sealed: ");
  ASSERT_NE(at, std::string::npos) << inspect.out;
  const std::string bytes = inspect.out.substr(at + 17, inspect.out.find(' ', at + 17) - at - 17);
  EXPECT_EQ(capacity, std::string(t::kCapacityPrefix) + bytes + std::string(t::kCapacitySuffix));

  const CliRun extract = RunCliHere({"extract", dir.File("cover_sealed.bmp"), "--password", kPassword, "--output",
                                     dir.File("back.txt")});
  ASSERT_EQ(extract.status, 0) << extract.err;
  EXPECT_EQ(ReadAll(dir.File("back.txt")), secret);
}

class StealthCovers : public FormsTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(StealthCovers, StealthHideIsFoundByteExactByTheCodec) {
  const std::string kind = GetParam();
  const std::string cover = dir.File("cover." + kind), payload = dir.File("notes.pdf");
  const Bytes clean = CoverOfKind(kind), secret = RandomBytes(300, 4);
  WriteAll(cover, clean);
  WriteAll(payload, secret);
  const std::string output = dir.File("cover_stealth." + kind);
  InDialog(names::kFormsStealthHide, [&](MemoryDialog& dialog) {
    FillHide(dialog, cover, payload, kPassword, kPassword);
    EXPECT_EQ(dialog.Caption(names::kFormCapacity).rfind(t::kCapacityPrefix, 0), 0u)
        << dialog.Caption(names::kFormCapacity);
    EXPECT_EQ(dialog.Text(names::kFormOutput), output);
    dialog.Click(names::kFormStart);
    EXPECT_TRUE(dialog.Closed());
  });
  ASSERT_EQ(BoxTexts(),
            (std::vector<std::string>{std::string(t::kHideDone) + output + std::string(t::kStealthCoverNote)}));
  EXPECT_EQ(ReadAll(cover), clean) << "the cover was written";
  const codec::OpenedStealth found = OpenStealthFile(output, kPassword, kQuick.stealth);
  ASSERT_TRUE(found.result.ok()) << static_cast<int>(found.result.status);
  EXPECT_EQ(found.file_name, "notes.pdf");
  EXPECT_EQ(found.file, secret);
}

TEST_P(StealthCovers, OpensAStealthFileTheCodecHid) {
  const std::string kind = GetParam();
  const std::string picture = dir.File("holiday." + kind);
  const Bytes secret = RandomBytes(250, 9);
  {
    MemoryFile cover(std::make_shared<Bytes>(CoverOfKind(kind)));
    MemoryFile payload(std::make_shared<Bytes>(secret));
    auto written = std::make_shared<Bytes>();
    MemoryFile copy(written);
    codec::StealthHideRequest request{cover, payload, copy, "zip", kPassword};
    request.costs = kQuick.stealth;
    codec::RunObserver observer;
    ASSERT_TRUE(codec::HideStealth(request, observer).ok());
    WriteAll(picture, *written);
  }
  std::filesystem::create_directory(dir.File("out"));
  InDialog(names::kFormsOpen, [&](MemoryDialog& dialog) {
    dialog.Drop(names::kFormCover, picture);
    EXPECT_EQ(dialog.Caption(names::kFormCapacity), t::kHoldsNoMarker);
    dialog.Drop(names::kFormOutput, dir.File("out"));
    dialog.Type(names::kFormPassword, kPassword);
    dialog.Click(names::kFormStart);
    EXPECT_TRUE(dialog.Closed());
  });
  const std::string output = dir.File("out/holiday.zip");
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{std::string(t::kOpenDone) + output}));
  EXPECT_EQ(ReadAll(output), secret);
}

TEST_P(StealthCovers, AWrongPasswordFindsNothingAndWritesNothing) {
  const std::string kind = GetParam();
  const std::string cover = dir.File("cover." + kind), payload = dir.File("notes.txt");
  WriteAll(cover, CoverOfKind(kind));
  WriteAll(payload, RandomBytes(100, 1));
  InDialog(names::kFormsStealthHide, [&](MemoryDialog& dialog) {
    FillHide(dialog, cover, payload, kPassword, kPassword);
    dialog.Click(names::kFormStart);
  });
  ASSERT_TRUE(Exists(dir.File("cover_stealth." + kind)));
  boxes.Clear();
  const std::size_t before = FilesInDir();
  InDialog(names::kFormsOpen, [&](MemoryDialog& dialog) {
    dialog.Drop(names::kFormCover, dir.File("cover_stealth." + kind));
    dialog.Type(names::kFormPassword, kPassword + "x");
    dialog.Click(names::kFormStart);
    EXPECT_FALSE(dialog.Closed()) << "the user may try again";
    EXPECT_EQ(dialog.Value(names::kFormProgress), 0);
  });
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{std::string(t::kNoStealthFile)}));
  EXPECT_EQ(FilesInDir(), before);
}

INSTANTIATE_TEST_SUITE_P(Kinds, StealthCovers, ::testing::Values("bmp", "png", "jpg"));

TEST_F(FormsTest, SealedPictureOfTheCommandLineOpensAndAWrongPasswordDoesNot) {
  const std::string picture = dir.File("sealed.bmp"), payload = dir.File("report.doc");
  const Bytes secret = RandomBytes(5000, 5);
  WriteAll(picture, MakeBmp(54 + 12 + 12 * 3000));
  WriteAll(payload, secret);
  const CliRun hide = RunCliHere({"hide", picture, payload, "--seal", "--password", kPassword});
  ASSERT_EQ(hide.status, 0) << hide.err;

  std::filesystem::create_directory(dir.File("out"));
  InDialog(names::kFormsOpen, [&](MemoryDialog& dialog) {
    dialog.Drop(names::kFormCover, picture);
    EXPECT_EQ(dialog.Caption(names::kFormCapacity), t::kHoldsSealed);
    dialog.Drop(names::kFormOutput, dir.File("out/anything.txt"));
    EXPECT_EQ(dialog.Text(names::kFormOutput), dir.File("out"));
    dialog.Type(names::kFormPassword, "not" + kPassword);
    dialog.Click(names::kFormStart);
    EXPECT_FALSE(dialog.Closed());
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{std::string(t::kWrongPassword)}));
    EXPECT_FALSE(Exists(dir.File("out/report.doc")));
    dialog.Type(names::kFormPassword, kPassword);
    dialog.Click(names::kFormStart);
    EXPECT_TRUE(dialog.Closed());
  });
  // Under the file's own name, which the seal keeps.
  EXPECT_EQ(ReadAll(dir.File("out/report.doc")), secret);
}

TEST_F(FormsTest, StealthPictureOfTheCommandLineOpensAtTheFullCost) {
  const std::string picture = dir.File("cover.png"), payload = dir.File("notes.txt");
  const Bytes secret = RandomBytes(200, 6);
  WriteAll(picture, CoverOfKind("png"));
  WriteAll(payload, secret);
  const CliRun hide = RunCliHere({"hide", picture, payload, "--stealth", "--password", kPassword});
  ASSERT_EQ(hide.status, 0) << hide.err;
  std::filesystem::remove(payload);  // it comes back under its own name, where it was
  ui::MemoryDialogHost full_host{[](const std::string& fault) { ADD_FAILURE() << fault; }};
  ui::MainForm full({files, boxes, controls, pump, dialogs, shell, environment}, settings, &full_host, {});
  full.Form_Load();
  full_host.Queue([&](MemoryDialog& dialog) {
    dialog.Drop(names::kFormCover, picture);
    dialog.Type(names::kFormPassword, kPassword);
    dialog.Click(names::kFormStart);
  });
  full.Click(names::kFormsOpen);
  EXPECT_EQ(ReadAll(dir.File("notes.txt")), secret);
}

TEST_F(FormsTest, MismatchedOrMissingPasswordsRunNothing) {
  const std::string cover = dir.File("cover.bmp"), payload = dir.File("notes.txt");
  WriteAll(cover, MakeBmp(54 + 12 + 12 * 3000));
  WriteAll(payload, RandomBytes(100, 1));
  for (auto entry : {names::kFormsSealedHide, names::kFormsStealthHide}) {
    const std::size_t before = FilesInDir();
    boxes.Clear();
    InDialog(entry, [&](MemoryDialog& dialog) {
      dialog.Drop(names::kFormCover, cover);
      dialog.Drop(names::kFormPayload, payload);
      dialog.Click(names::kFormStart);
      dialog.Type(names::kFormPassword, kPassword);
      dialog.Type(names::kFormConfirm, kPassword + "!");
      dialog.Click(names::kFormStart);
      EXPECT_FALSE(dialog.Closed());
    });
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{std::string(t::kNoPassword), std::string(t::kPasswordsDiffer)}));
    EXPECT_EQ(FilesInDir(), before);
  }
}

TEST_F(FormsTest, NeverOverwritesWithoutAskingNorWritesOverTheCover) {
  const std::string cover = dir.File("cover.bmp"), payload = dir.File("notes.txt"), taken = dir.File("taken.bmp");
  WriteAll(cover, MakeBmp(54 + 12 + 12 * 3000));
  WriteAll(payload, RandomBytes(100, 1));
  WriteAll(taken, {1, 2, 3});
  boxes.QueueAnswer(kAnswerNo);
  InDialog(names::kFormsSealedHide, [&](MemoryDialog& dialog) {
    FillHide(dialog, cover, payload, kPassword, kPassword);
    dialog.Type(names::kFormOutput, cover);
    dialog.Click(names::kFormStart);
    dialog.Type(names::kFormOutput, taken);
    dialog.Click(names::kFormStart);
    EXPECT_FALSE(dialog.Closed());
  });
  EXPECT_EQ(BoxTexts(),
            (std::vector<std::string>{std::string(t::kOutputIsCover), std::string(t::kOutputExists) + taken}));
  EXPECT_EQ(boxes.Shown().back().style, kStyleQuestionYesNoDefaultNo);
  EXPECT_EQ(ReadAll(taken), (Bytes{1, 2, 3}));
  EXPECT_EQ(ReadAll(cover), MakeBmp(54 + 12 + 12 * 3000));
}

TEST_F(FormsTest, CoversEachFormRefusesAreRefusedAndFiltersOfferTheKindsItTakes) {
  const std::string png = dir.File("cover.png"), bmp = dir.File("marked.bmp");
  WriteAll(png, CoverOfKind("png"));
  WriteAll(bmp, MakeBmp(54 + 12 + 12 * 3000));
  WriteAll(dir.File("notes.txt"), RandomBytes(10, 1));
  ASSERT_EQ(RunCliHere({"hide", bmp, dir.File("notes.txt")}).status, 0);
  dialogs.QueueFile(png);
  dialogs.QueueFile(bmp);
  InDialog(names::kFormsSealedHide, [&](MemoryDialog& dialog) {
    dialog.Click(names::kFormCoverBrowse);
    dialog.Click(names::kFormCoverBrowse);
    EXPECT_EQ(dialog.Text(names::kFormOutput), "");
  });
  dialogs.QueueFile(png);
  InDialog(names::kFormsStealthHide, [&](MemoryDialog& dialog) {
    dialog.Click(names::kFormCoverBrowse);
    EXPECT_EQ(dialog.Text(names::kFormOutput), dir.File("cover_stealth.png"));
  });
  dialogs.QueueFile(bmp);
  InDialog(names::kFormsOpen, [&](MemoryDialog& dialog) { dialog.Click(names::kFormCoverBrowse); });
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{std::string(t::kNotBmpCover), std::string(t::kCoverHoldsFile),
                                                  std::string(t::kHoldsPlain)}));
  ASSERT_EQ(dialogs.FileRequests().size(), 4u);
  EXPECT_EQ(dialogs.FileRequests()[0].filter, "*.bmp");
  EXPECT_EQ(dialogs.FileRequests()[2].filter, "*.bmp *.png *.jpg *.jpeg");
  EXPECT_EQ(dialogs.FileRequests()[3].filter, "*.bmp *.png *.jpg *.jpeg");
}

TEST_F(FormsTest, APngOrJpegNamedOnTheCommandLineOpensInThePasswordDialog) {
  const std::string png = dir.File("cover.png"), jpeg = dir.File("cover.jpg");
  WriteAll(png, CoverOfKind("png"));
  WriteAll(jpeg, CoverOfKind("jpg"));
  for (const std::string& picture : {png, jpeg}) {
    host.Queue([&](MemoryDialog& dialog) {
      EXPECT_EQ(dialog.Text(names::kFormCover), picture);
      EXPECT_EQ(dialog.Caption(names::kFormCapacity), t::kHoldsNoMarker);
      EXPECT_EQ(dialog.Text(names::kFormOutput), dir.Path().string());
    });
    form.PictureGiven(picture);
  }
  EXPECT_EQ(host.Shown().size(), 2u);
  EXPECT_TRUE(boxes.Shown().empty());
}

// The worker is held at its first file until the window has pumped once,
// so that the Cancel clicked there comes before the run's first check.
class CancelTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    files = NumberedFiles([this](const std::string& path, OpenMode mode) {
      if (std::this_thread::get_id() != ui_thread_) held_.wait();
      return OpenSystemFile(path, mode);
    });
  }
  // At the first pump, does what the user does there and lets the worker go.
  void AtFirstPump(std::function<void()> action) {
    pump.OnYield([this, action = std::move(action)] {
      if (released_) return;
      released_ = true;
      action();
      release_.set_value();
    });
  }
  std::thread::id ui_thread_ = std::this_thread::get_id();
  std::promise<void> release_;
  std::shared_future<void> held_ = release_.get_future().share();
  bool released_ = false;
};

TEST_F(CancelTest, CancelDuringEachRunWritesNothing) {
  const std::string cover = dir.File("cover.bmp"), payload = dir.File("notes.txt");
  WriteAll(cover, TexturedBmp(256, 192, 3));
  WriteAll(payload, RandomBytes(100, 1));
  const std::size_t before = FilesInDir();
  InDialog(names::kFormsSealedHide, [&](MemoryDialog& dialog) {
    FillHide(dialog, cover, payload, kPassword, kPassword);
    AtFirstPump([&] {
      EXPECT_FALSE(dialog.Enabled(names::kFormStart));
      dialog.Click(names::kFormStart);  // ignored while the run goes
      dialog.Click(names::kFormCancel);
      EXPECT_EQ(dialog.Caption(names::kFormStatus), t::kCancelling);
    });
    dialog.Click(names::kFormStart);
    EXPECT_FALSE(dialog.Closed()) << "Cancel during the run stops the run, not the dialog";
    EXPECT_TRUE(dialog.Enabled(names::kFormStart));
  });
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{std::string(t::kCancelled)}));
  EXPECT_EQ(FilesInDir(), before);
}

TEST_F(CancelTest, TheCloseBoxDuringAStealthHideCancelsItAndKeepsTheDialog) {
  const std::string cover = dir.File("cover.bmp"), payload = dir.File("notes.txt");
  WriteAll(cover, TexturedBmp(256, 192, 3));
  WriteAll(payload, RandomBytes(100, 1));
  const std::size_t before = FilesInDir();
  InDialog(names::kFormsStealthHide, [&](MemoryDialog& dialog) {
    FillHide(dialog, cover, payload, kPassword, kPassword);
    AtFirstPump([&] { EXPECT_FALSE(dialog.CloseBox()); });
    dialog.Click(names::kFormStart);
    EXPECT_FALSE(dialog.Closed());
  });
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{std::string(t::kCancelled)}));
  EXPECT_EQ(FilesInDir(), before);
}

TEST(RunBridge, CarriesProgressAcrossThreadsForwardOnlyAndCancelBack) {
  forms::RunBridge bridge;
  forms::PartOfRun second_half(bridge, 0.5, 1);
  std::thread run([&] {
    bridge.Advanced(codec::RunStage::kKeyDerivation, 0.4);
    second_half.Advanced(codec::RunStage::kWriting, 0.5);
    bridge.Advanced(codec::RunStage::kWriting, 0.2);  // late, from an earlier part
    while (!second_half.CancelRequested()) std::this_thread::yield();
  });
  while (bridge.Fraction() < 0.75) std::this_thread::yield();
  bridge.RequestCancel();
  run.join();
  EXPECT_EQ(bridge.Fraction(), 0.75);
  EXPECT_EQ(bridge.Stage(), codec::RunStage::kWriting);
}

}  // namespace
}  // namespace veil::test
