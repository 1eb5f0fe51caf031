// Class names of controls and windows from other component libraries that the skin engine meets in
// programs it is linked into. They are data only: nothing here refers to those libraries.
#pragma once

#include <span>
#include <string_view>

namespace skin {

// The default lines of the skin data's class map: "class=kind", kinds spelled as they are stored.
std::span<const std::string_view> DefaultSkin3rdLines();

// Window classes the skin manager never skins: names that a class name must not contain, and a
// lower-cased name it must not equal.
inline constexpr std::string_view kUnskinnedClassParts[] = {"TcxPopupEditPopupWindow", "TTERenderWindow"};
inline constexpr std::string_view kUnskinnedLowerClass = "tpopupdbtreeview";

}  // namespace skin

namespace skin {

// Upper-cased class names of other libraries' controls that the control mapping decides on by name.
inline constexpr std::string_view kUnmappedControlClasses[] = {"TDBCOMBOBOXEH", "TFRDESIGNERPAGE", "TFRPBOX"};
inline constexpr std::string_view kContainerPanelClass = "TMVCPANEL";
inline constexpr std::string_view kTabSetClass = "TTABSET", kTabbedNotebookClass = "TTABBEDNOTEBOOK";
inline constexpr std::string_view kSpinClasses[] = {"TUPDOWN", "TSPINBUTTON"};
inline constexpr std::string_view kMediaPlayerClass = "TMEDIAPLAYER", kNavigatorClass = "TDBNAVIGATOR";
inline constexpr std::string_view kStripCheckClasses[] = {"TRZDBCHECKBOX", "TRZCHECKBOX"};
inline constexpr std::string_view kStripRadioClasses[] = {"TRZRADIOBUTTON", "TRZDBRADIOBUTTON"};
inline constexpr std::string_view kStripCheckClasses2[] = {"TCXDBCHECKBOX", "TCXCHECKBOX"};
inline constexpr std::string_view kWideComboClass = "TTNTCOMBOBOX";
inline constexpr std::string_view kRichEditClasses[] = {"TRICHEDIT", "TWWDBRICHEDIT", "TDXDBMEMO"};
inline constexpr std::string_view kTreeGridClasses[] = {"TDXTREELIST", "TDXDBTREELIST", "TDXDBGRID"};
inline constexpr std::string_view kCheckListClass = "TCHECKLISTBOX";
inline constexpr std::string_view kButtonEditClasses[] = {"TDCEDIT", "TDCDBEDIT"};
// The Skin3rd key whose "bitbtn" kind is a drop-down button when its Kind says so.
inline constexpr std::string_view kDropDownButtonKey = "tcxbutton=", kDropDownButtonKind = "cxbkDropDownButton";
// The prefix of the strip-glyph classes among a radio or check group's buttons.
inline constexpr std::string_view kStripClassPart = "TRZ";
// Windows of other libraries' panels that carry the face colour.
inline constexpr std::string_view kPanelWindowClasses[] = {"tpanel", "ttntpanel.unicodeclass",
                                                           "ttntsilentpaintpanel.unicodeclass"};
inline constexpr std::string_view kSilentPanelWindowClass = "tsilentpaintpanel";
// A form whose popup menus are never owner-drawn.
inline constexpr std::string_view kRichEditFormClass = "TwwRichEditForm";

}  // namespace skin
