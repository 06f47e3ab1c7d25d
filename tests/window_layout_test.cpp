#include "support/window_fixture.h"
#include "window/definition/proportional_layout.h"
#include "window/definition/window_definition.h"

namespace veil::test {
namespace {

class LayoutTest : public WindowFixture {
 protected:
  void SetUp() override { Load(); }

  void ResizeTo(double width, double height) {
    environment.client = {width, height};
    form.Form_Resize();
  }

  struct Geometry {
    double left, top, width, height, font;
    bool operator==(const Geometry&) const = default;
  };
  Geometry Of(const std::string& name) {
    return {Number(name, "Left"), Number(name, "Top"), Number(name, "Width"), Number(name, "Height"),
            Number(name, "FontSize")};
  }
  std::vector<std::pair<std::string, Geometry>> All() {
    std::vector<std::pair<std::string, Geometry>> all;
    for (const auto& design : ui::MainWindow().controls) all.emplace_back(design.name, Of(design.name));
    return all;
  }
};

TEST_F(LayoutTest, DesignSizeKeepsTheDesignGeometry) {
  ResizeTo(9840, 5730);
  for (const auto& design : ui::MainWindow().controls) {
    if (design.kind == ui::ControlKind::kMenuItem) continue;
    const double font = design.kind == ui::ControlKind::kPictureBox ? 0 : (design.font ? design.font->points : 9);
    EXPECT_EQ(Of(design.name),
              (Geometry{double(design.left), double(design.top), double(design.width), double(design.height), font}))
        << design.name;
  }
}

TEST_F(LayoutTest, AxesScaleSeparatelyAndFontsWithTheSmallerFactor) {
  ResizeTo(9840 * 2, 5730);
  EXPECT_EQ(Of("Label1"), (Geometry{240, 360, 1440, 180, 9}));
  EXPECT_EQ(Of("cmdadd"), (Geometry{15600, 1680, 3390, 615, 14.25}));
  ResizeTo(9840, 5730 / 2.0);
  EXPECT_EQ(Of("Label1"), (Geometry{120, 180, 720, 90, 4.5}));
  EXPECT_EQ(Of("cmdadd"), (Geometry{7800, 840, 1695, 307.5, 7.125}));
  ResizeTo(14760, 5730);  // ratios 1.5 and 1
  EXPECT_EQ(Of("Label1"), (Geometry{180, 360, 1080, 180, 9}));
}

TEST_F(LayoutTest, MinimiseRestoreAndManyResizesLeaveNoDrift) {
  const auto design = All();
  ResizeTo(0, 0);
  EXPECT_EQ(Of("Text1"), (Geometry{0, 0, 0, 0, 0}));
  ResizeTo(9840, 5730);
  EXPECT_EQ(All(), design);
  for (int i = 1; i <= 200; ++i) ResizeTo(9840 * (0.3 + i * 0.0137), 5730 * (1.7 - i * 0.0071));
  ResizeTo(9840, 5730);
  EXPECT_EQ(All(), design);
}

TEST_F(LayoutTest, VisibilityIsKeptAndTagsAreNeverRewritten) {
  Set("Text5", "Visible", false);
  const std::string tag = Text("cmdout", "Tag");
  controls.ClearHistory();
  ResizeTo(12000, 4000);
  EXPECT_FALSE(std::get<bool>(*controls.Find("Text5")->Get("Visible")));
  EXPECT_TRUE(std::get<bool>(*controls.Find("open")->Get("Visible")));
  EXPECT_EQ(Text("cmdout", "Tag"), tag);
  // Each control is hidden while it moves, and menu entries only blink.
  const auto& history = controls.History();
  EXPECT_NE(std::find(history.begin(), history.end(), "open.Visible=false"), history.end());
  EXPECT_EQ(
      std::count_if(history.begin(), history.end(), [](const std::string& h) { return h.rfind("open.", 0) == 0; }), 2);
}

TEST_F(LayoutTest, TagsHoldTheShortestNumbersThatReadBack) {
  EXPECT_EQ(ui::FormatLayoutNumber(14.25), "14.25");
  EXPECT_EQ(ui::FormatLayoutNumber(9840), "9840");
  EXPECT_EQ(ui::FormatLayoutNumber(0.1), "0.1");
  // A fractional design value is rescaled from its exact recorded value.
  Set("cmdout", "Tag", std::string("6000.5 1680 1695 615 14.25 "));
  ResizeTo(9840 * 2, 5730 * 2);
  EXPECT_EQ(Of("cmdout"), (Geometry{12001, 3360, 3390, 1230, 28.5}));
  Set("cmdout", "Tag", std::string("10 20 "));
  ResizeTo(9840, 5730);
  EXPECT_EQ(Of("cmdout"), (Geometry{10, 20, 0, 0, 0}));
}

}  // namespace
}  // namespace veil::test
