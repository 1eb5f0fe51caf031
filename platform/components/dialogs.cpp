#include "platform/components/dialogs.h"

#include <algorithm>

#include "platform/components/controls.h"
#include "platform/win/controls.h"

namespace platform::components {
namespace {

DialogScript*& current_script() {
  static DialogScript* script = nullptr;
  return script;
}

HWND dialog_owner() {
  HWND active = win::GetActiveWindow();
  if (active && win::IsWindowEnabled(active)) return active;
  TCustomForm* main = Application().MainForm();
  if (main && main->HandleAllocated()) return main->Handle();
  return nullptr;
}

void press(HWND dialog, int button) {
  HWND b = win::GetDlgItem(dialog, button);
  if (b) win::PostMessage(b, win::BM_CLICK, 0, 0);
  else win::PostMessage(dialog, win::WM_COMMAND, win::MAKEWPARAM(button, win::BN_CLICKED), 0);
}

// Pending answers waiting for their virtual delay, keyed by the timer's dialog.
struct Delayed {
  HWND dialog;
  int button;
};
std::vector<Delayed>& delayed() {
  static std::vector<Delayed> d;
  return d;
}

void delayed_press(HWND hwnd, win::UINT, std::uintptr_t id, win::DWORD) {
  win::KillTimer(hwnd, id);
  auto& d = delayed();
  for (auto it = d.begin(); it != d.end(); ++it)
    if (it->dialog == hwnd) {
      int b = it->button;
      d.erase(it);
      press(hwnd, b);
      return;
    }
}

}  // namespace

const char* DialogKindName(DialogKind kind) {
  switch (kind) {
    case DialogKind::kShowMessage: return "ShowMessage";
    case DialogKind::kMessageBox: return "MessageBox";
    case DialogKind::kInputBox: return "InputBox";
    case DialogKind::kException: return "Exception";
  }
  return "?";
}

// Runs one dialog of the window system with the script's hook answering it.
struct DialogRunner {
  DialogKind kind;
  std::string caption, text;
  win::HHOOK hook = nullptr;
  bool done = false;  // a runner answers its own dialog only, never one opened from inside it

  DialogRunner(DialogKind k, std::string_view c, std::string_view t) : kind(k), caption(c), text(t) {
    DialogScript* script = current_script();
    if (!script) return;
    hook = win::SetWindowsHookEx(
        win::WH_CBT,
        [this, script](int code, WPARAM wp, LPARAM lp) -> LRESULT {
          auto dlg = reinterpret_cast<HWND>(wp);
          if (!done && code == win::HCBT_ACTIVATE && win::GetClassName(dlg) == win::kDialogClass &&
              !win::GetProp(dlg, "thc.answered")) {
            done = true;
            win::SetProp(dlg, "thc.answered", dlg);
            answer(*script, dlg);
          }
          return win::CallNextHookEx(nullptr, code, wp, lp);
        },
        nullptr, 0);
  }
  ~DialogRunner() {
    if (hook) win::UnhookWindowsHookEx(hook);
  }
  DialogRunner(const DialogRunner&) = delete;
  DialogRunner& operator=(const DialogRunner&) = delete;

  void answer(DialogScript& s, HWND dlg) {
    s.seen_.push_back({kind, caption, text});
    auto matches = [&](const DialogScript::Step& st) {
      return st.kind == kind && (st.caption.empty() || st.caption == caption) && text.find(st.text) != std::string::npos;
    };
    if (s.steps_.empty() || !matches(s.steps_.front())) {
      s.unexpected_.push_back(std::string(DialogKindName(kind)) + " " + caption + ": " + text + (s.steps_.empty() ? "" : " (expected " + std::string(DialogKindName(s.steps_.front().kind)) + " " + s.steps_.front().caption + ": " + s.steps_.front().text + ")"));
      bool has_cancel = win::GetDlgItem(dlg, win::IDCANCEL) != nullptr;
      press(dlg, has_cancel ? win::IDCANCEL : win::IDOK);
      return;
    }
    DialogScript::Step st = s.steps_.front();
    s.steps_.pop_front();
    if (kind == DialogKind::kInputBox) {
      if (HWND edit = win::GetDlgItem(dlg, win::kInputEditId)) win::SetWindowText(edit, st.input);
    }
    if (st.wait_ms == 0) {
      press(dlg, st.button);
    } else {
      delayed().push_back({dlg, st.button});
      win::SetTimer(dlg, 0x7A11, st.wait_ms, delayed_press);
    }
  }
};

DialogScript::DialogScript() {
  previous_ = current_script();
  current_script() = this;
}

DialogScript::~DialogScript() { current_script() = previous_; }

DialogScript& DialogScript::Expect(Step step) {
  steps_.push_back(std::move(step));
  return *this;
}

int MessageBox(std::string_view text, std::string_view caption, win::UINT flags) {
  DialogRunner run(DialogKind::kMessageBox, caption, text);
  return win::MessageBox(dialog_owner(), text, caption, flags);
}

void ShowMessage(std::string_view text) {
  std::string caption = Application().Title;
  DialogRunner run(DialogKind::kShowMessage, caption, text);
  win::MessageBox(dialog_owner(), text, caption, win::MB_OK);
}

bool InputQuery(std::string_view caption, std::string_view prompt, std::string& value) {
  DialogRunner run(DialogKind::kInputBox, caption, prompt);
  return win::InputBox(dialog_owner(), caption, prompt, value);
}

std::string InputBox(std::string_view caption, std::string_view prompt, std::string_view default_value) {
  std::string value(default_value);
  if (!InputQuery(caption, prompt, value)) return std::string(default_value);
  return value;
}

void ShowExceptionBox(std::string_view text, std::string_view caption) {
  DialogRunner run(DialogKind::kException, caption, text);
  win::MessageBox(dialog_owner(), text, caption, win::MB_OK | win::MB_ICONERROR);
}

}  // namespace platform::components
