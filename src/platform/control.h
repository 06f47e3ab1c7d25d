#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace veil {

// A picture to show: rows top to bottom, 3 bytes a pixel (red, green, blue).
struct Image {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  bool operator==(const Image&) const = default;
};

// A property value: text (captions, texts, tags), number (geometry, font size,
// check value), flag (enabled, visible) or picture.
using PropertyValue = std::variant<std::string, double, bool, Image>;

namespace prop {
inline constexpr std::string_view kCaption = "Caption";
inline constexpr std::string_view kText = "Text";
inline constexpr std::string_view kEnabled = "Enabled";
inline constexpr std::string_view kVisible = "Visible";
inline constexpr std::string_view kValue = "Value";  // check box: 0, 1 or 2; progress bar: 0 to 100
inline constexpr std::string_view kLeft = "Left";
inline constexpr std::string_view kTop = "Top";
inline constexpr std::string_view kWidth = "Width";
inline constexpr std::string_view kHeight = "Height";
inline constexpr std::string_view kFontSize = "FontSize";
inline constexpr std::string_view kTag = "Tag";
// Picture box: the pixels to show next, then the path of the picture they
// show (empty: none), which shows them.
inline constexpr std::string_view kImage = "Image";
inline constexpr std::string_view kPicture = "Picture";
}  // namespace prop

enum class ControlKind { kFrame, kLabel, kTextBox, kButton, kCheckBox, kPictureBox, kMenuItem, kProgressBar };

// What a platform needs to build one control: its name, its kind and its
// designed place, in twips relative to its container.
struct ControlShape {
  std::string name;
  ControlKind kind = ControlKind::kLabel;
  bool auto_size = false;  // a label that sizes itself to its caption
  bool masked = false;     // a text box that shows what is typed as dots (a password)
  double left = 0, top = 0, width = 0, height = 0;
};

// The uniform control interface: every member is looked up by name, and a
// member the control does not have (or a value it refuses) fails just that
// one step.
class Control {
 public:
  virtual ~Control() = default;
  virtual const std::string& Name() const = 0;
  virtual std::optional<PropertyValue> Get(std::string_view property) const = 0;
  virtual bool Set(std::string_view property, const PropertyValue& value) = 0;
  virtual bool Move(double left, double top, double width, double height) = 0;
};

// Sets one of Left, Top, Width and Height through Move, keeping the other
// three at what the control has now; false for any other property.
bool MoveOneEdge(Control& control, std::string_view property, double value, double left, double top, double width,
                 double height);

class ControlSet {
 public:
  virtual ~ControlSet() = default;
  virtual Control* Find(std::string_view name) = 0;
  virtual std::vector<Control*> All() = 0;
  // Someone asked for a control the set does not have: a misspelt name.
  virtual void ReportUnknown(std::string_view /*name*/) {}
};

// Conveniences over the uniform interface; a missing member is a no-op on
// write and an empty/zero value on read, and a missing control is reported
// to its set as well.
bool SetProperty(ControlSet& controls, std::string_view control, std::string_view property, const PropertyValue& value);
std::string GetText(ControlSet& controls, std::string_view control, std::string_view property);
double GetNumber(ControlSet& controls, std::string_view control, std::string_view property);
bool GetFlag(ControlSet& controls, std::string_view control, std::string_view property);

}  // namespace veil
