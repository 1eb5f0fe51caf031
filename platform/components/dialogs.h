// Message boxes, input boxes and the exception box, each a real "#32770" dialog in a modal loop
// (timers, posted notices and replies are handled while it is open), and the answer script that
// tests install to press the dialogs' own buttons.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/win_types.h"

namespace platform::components {

// A message box owned by the active form; answers the pressed button's id (IDOK, IDCANCEL, ...).
int MessageBox(std::string_view text, std::string_view caption, win::UINT flags);
// A box with the application's title and an OK button.
void ShowMessage(std::string_view text);
// An input box: on OK `value` takes what was typed and the answer is true.
bool InputQuery(std::string_view caption, std::string_view prompt, std::string& value);
// The same answering the typed text, or `default_value` when cancelled.
std::string InputBox(std::string_view caption, std::string_view prompt, std::string_view default_value);
// The standard exception box (the application's HandleException shows it).
void ShowExceptionBox(std::string_view text, std::string_view caption);

enum class DialogKind { kShowMessage, kMessageBox, kInputBox, kException };
const char* DialogKindName(DialogKind kind);

// While alive, every dialog of this layer is answered from the script, in order. A step matches a
// dialog of its kind whose caption equals the step's (an empty step caption matches any) and whose
// text contains the step's text. The answer presses the dialog's own button (after typing into the
// input box's edit); `wait_ms` lets that much virtual time pass in the dialog's modal loop first, so
// timers and notices run while the box is open. A dialog that no step matches is recorded as
// unexpected and closed with its cancel path; tests check `unexpected()` at the end.
class DialogScript {
public:
  struct Step {
    DialogKind kind = DialogKind::kMessageBox;
    std::string caption;
    std::string text;       // a part of the dialog's text (or the input box's prompt)
    int button = 1;         // IDOK by default
    std::string input;      // what the input box's edit holds when the button is pressed
    unsigned wait_ms = 0;
  };
  struct Seen {
    DialogKind kind;
    std::string caption, text;
  };

  DialogScript();
  ~DialogScript();
  DialogScript(const DialogScript&) = delete;
  DialogScript& operator=(const DialogScript&) = delete;

  DialogScript& Expect(Step step);
  DialogScript& Expect(DialogKind kind, std::string caption, std::string text, int button = 1, std::string input = {},
                       unsigned wait_ms = 0) {
    return Expect(Step{kind, std::move(caption), std::move(text), button, std::move(input), wait_ms});
  }
  // Every dialog shown while the script was installed, in order.
  const std::vector<Seen>& seen() const { return seen_; }
  // Dialogs that no step matched, as "kind caption: text".
  const std::vector<std::string>& unexpected() const { return unexpected_; }
  // Steps never used.
  std::size_t pending() const { return steps_.size(); }

private:
  friend struct DialogRunner;
  std::deque<Step> steps_;
  std::vector<Seen> seen_;
  std::vector<std::string> unexpected_;
  DialogScript* previous_ = nullptr;
};

}  // namespace platform::components
