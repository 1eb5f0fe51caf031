// Small operations on the window's controls that several handler files share.
#pragma once

#include <initializer_list>
#include <vector>

#include "platform/components/std_ctrls.h"

namespace console {

namespace pc = platform::components;

inline void Enable(std::initializer_list<pc::TControl*> controls, bool on) {
  for (pc::TControl* c : controls) c->SetEnabled(on);
}
inline void EnableAll(const std::vector<pc::TControl*>& controls, bool on) {
  for (pc::TControl* c : controls) c->SetEnabled(on);
}
// Scrolls a list so that its last line shows.
inline void ScrollToEnd(pc::TListBox* list) {
  if (list->Count() > 0) list->SetTopIndex(list->Count() - 1);
}

}  // namespace console
