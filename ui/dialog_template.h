#pragma once
// Dialog templates as data: a window's size and its controls, each with the
// numeric id the program reaches it by, its kind, its caption and its
// rectangle in dialog units. Windows are built from these by ControlSet
// (ui/controls.h) through the one mapping of ui/dialog_units.h, so a template
// reads the same as the resource it stands for and nothing else positions a
// control.
//
// Not handled: fonts per template (every window uses dialogFont()), owner-drawn
// controls, and segmented progress bars (drawn smooth).

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

namespace quillorn::ui {

// A rectangle in dialog units: x and width in quarters of the dialog font's
// average character width, y and height in eighths of its height.
struct DialogRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

enum class ControlKind {
  PushButton,
  DefaultPushButton,  // the button Enter presses
  CheckBox,           // toggles itself when clicked
  RadioButton,        // checks itself and clears the others of its group
  GroupBox,           // a frame with a title around other controls
  Text,               // static text, left-aligned unless its style says otherwise
  LinkText,           // static text that opens something when clicked: hand cursor, reachable by Tab
  Picture,            // a bitmap set at run time
  EtchedLine,         // a horizontal etched line
  ListBox,            // lines of text, model and view, no widget per line
  EditBox,
  ProgressBar,
};

// Style bits beyond the kind.
namespace style {
inline constexpr std::uint32_t kCentre = 1U << 0;             // text centred
inline constexpr std::uint32_t kRight = 1U << 1;              // text right-aligned
inline constexpr std::uint32_t kSunken = 1U << 2;             // picture with a sunken edge, image centred
inline constexpr std::uint32_t kExtendedSelection = 1U << 3;  // list: several rows with Shift and Ctrl
inline constexpr std::uint32_t kSmooth = 1U << 4;             // progress bar without segments
inline constexpr std::uint32_t kGroup = 1U << 5;              // first radio button of a group
inline constexpr std::uint32_t kDisabled = 1U << 6;           // starts disabled
}  // namespace style

// The id of controls the program never addresses (group frames, labels).
inline constexpr int kStaticId = -1;

struct ControlTemplate {
  int id = kStaticId;
  ControlKind kind = ControlKind::Text;
  // '&' marks the mnemonic; "&&" is a literal '&'; "\n" breaks the line.
  std::string_view caption;
  DialogRect rect;
  std::uint32_t style = 0;
  // What a screen reader calls a control whose caption does not name it
  // (lists, pictures, bars); controls with a caption are named by it.
  std::string_view accessibleName = {};
};

struct DialogTemplate {
  int id = 0;
  std::string_view caption;  // empty when the program sets the title at run time
  int width = 0;             // the client area, in dialog units
  int height = 0;
  // In creation order, which is also the Tab order.
  std::span<const ControlTemplate> controls;
};

// The template of `templates` with the id `templateId`; a program names only
// ids it has, so any other id ends the program.
inline const DialogTemplate& templateWithId(std::span<const DialogTemplate> templates, int templateId) {
  for (const DialogTemplate& dialog : templates) {
    if (dialog.id == templateId) return dialog;
  }
  std::abort();
}

}  // namespace quillorn::ui
