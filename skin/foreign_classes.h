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
