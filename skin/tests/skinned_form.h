// A form with controls, skinned by the skin manager when it is shown, and probes of what the screen
// then shows of its controls.
#pragma once

#include <string>
#include <vector>

#include "platform/components/comctrls.h"
#include "platform/components/controls.h"
#include "platform/win/controls.h"
#include "skin/form_skinner.h"
#include "skin/skin_manager.h"
#include "skin/tests/skin_fixture.h"

namespace skin::test {

class SkinnedFormTest : public SkinTest {
protected:
  void SetUp() override {
    SkinTest::SetUp();
    start_skin();
    form_ = new pc::TForm(&pc::Application());
    form_->SetBounds(10, 10, 640, 480);
  }
  void TearDown() override {
    delete form_;
    form_ = nullptr;
    SkinTest::TearDown();
  }
  template <class T, class... A>
  T* add(int x, int y, int w, int h, pc::TWinControl* parent = nullptr, A&&... args) {
    auto* c = new T(form_, std::forward<A>(args)...);
    c->SetParent(parent ? parent : form_);
    c->SetBounds(x, y, w, h);
    return c;
  }
  // A page control of w x 120 with one tab sheet per caption.
  pc::TPageControl* add_pages(int x, int y, int w, const std::vector<std::string>& captions) {
    auto* p = add<pc::TPageControl>(x, y, w, 120);
    for (const std::string& c : captions) {
      auto* sheet = new pc::TTabSheet(form_);
      sheet->SetCaption(c);
      sheet->SetPageControl(p);
    }
    return p;
  }
  static gdi::RECT tab_rect(pc::TPageControl* p, int i) {
    gdi::RECT r{};
    win::SendMessage(p->Handle(), win::TCM_GETITEMRECT, static_cast<win::WPARAM>(i), reinterpret_cast<win::LPARAM>(&r));
    return r;
  }
  // Shows the form; its skinner walks and hooks the controls.
  TFormSkinner* show_form() {
    form_->Show();
    pump();
    pump();
    TFormSkinner* f = SkinManager()->FindForm(form_->Handle());
    EXPECT_NE(f, nullptr);
    return f;
  }
  TSkinControl* skinner_of(const pc::TControl* c) {
    TFormSkinner* f = SkinManager()->FindForm(form_->Handle());
    for (TSkinControl* s : f ? f->FSkinControls : std::vector<TSkinControl*>{})
      if (s->FControl == c || s->FGraphicControl == c) return s;
    return nullptr;
  }
  // Repaints everything and answers what the screen shows.
  gdi::Bitmap shot() {
    win::RedrawWindow(form_->Handle(), nullptr, nullptr, win::RDW_INVALIDATE | win::RDW_ERASE | win::RDW_ALLCHILDREN | win::RDW_UPDATENOW);
    pump();
    return win::ComposeScreen(0x000000);
  }

  pc::TForm* form_ = nullptr;
};

}  // namespace skin::test
