// The small window that shows a hint: a borderless pop-up above every other window that never
// takes the activation, sized to its text.
#pragma once

#include <string_view>

#include "platform/components/controls.h"

namespace platform::components {

class THintWindow : public TCustomControl {
public:
  explicit THintWindow(TComponent* owner);
  std::string ClassName() const override { return "THintWindow"; }
  // The rectangle (0, 0, width, height) that `text` needs, its lines broken at `max_width` pixels.
  gdi::RECT CalcHintRect(int max_width, std::string_view text);
  // Shows `text` in `rect` (screen coordinates) above every window, leaving the activation alone.
  void ActivateHint(const gdi::RECT& rect, std::string_view text);

protected:
  void CreateParams(TCreateParams& params) override;
  void WndProc(TMessage& m) override;

private:
  void paint(HDC dc);
};

}  // namespace platform::components
