// A stable text dump of the main window's components, for the golden-file test and for reviewers.
#include <cstdio>
#include <sstream>

#include "console/main_form.h"
#include "skin/form_skinner.h"

namespace console {
namespace {

std::string Quote(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else out += c;
  }
  return out + "\"";
}

const char* OnOff(bool b) { return b ? "on" : "off"; }

std::string Items(pc::TStrings& items) {
  std::string out = "[";
  for (int i = 0; i < items.Count(); ++i) out += (i ? ", " : "") + Quote(items.Get(i));
  return out + "]";
}

std::string Props(const pc::TComponent& c) {
  std::string out;
  for (const auto& p : c.Properties()) {
    if (p.name == "Name" || p.name == "Tag") continue;
    std::string v;
    switch (p.kind) {
      case pc::TypeKind::kString: v = Quote(pc::GetStrProp(&c, p.name)); break;
      case pc::TypeKind::kInteger: v = std::to_string(pc::GetIntProp(&c, p.name)); break;
      case pc::TypeKind::kBoolean:
      case pc::TypeKind::kEnumeration: v = pc::GetEnumPropText(&c, p.name); break;
      case pc::TypeKind::kClass: continue;
    }
    out += "\n    " + p.name + " = " + v;
  }
  return out;
}

std::string Date(const core::LocalTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute, t.second,
                t.millisecond);
  return buf;
}

}  // namespace

std::string DumpForm(Tform1& f) {
  std::ostringstream o;
  o << "form " << f.Name() << ": " << f.ClassName() << " caption=" << Quote(f.Caption())
    << " border=" << pc::GetEnumPropText(&f, "BorderStyle") << " position=" << pc::GetEnumPropText(&f, "Position")
    << " color=" << pc::GetIntProp(&f, "Color") << "\n";
  for (int i = 0; i < f.ComponentCount(); ++i) {
    pc::TComponent* c = f.Components(i);
    if (dynamic_cast<skin::TFormSkinner*>(c)) continue;  // the skin engine's, not the form definition's
    o << c->Name() << ": " << c->ClassName();
    if (auto* ctl = dynamic_cast<pc::TControl*>(c)) {
      o << " in " << (ctl->Parent() && ctl->Parent() != &f ? ctl->Parent()->Name() : std::string("form"));
      o << " visible=" << OnOff(ctl->Visible()) << " enabled=" << OnOff(ctl->Enabled());
      if (auto* le = dynamic_cast<pc::TLabeledEdit*>(c)) o << " label=" << Quote(le->EditLabel().Caption());
      if (auto* e = dynamic_cast<pc::TEdit*>(c)) {
        o << " text=" << Quote(e->Text());
        if (e->ReadOnly()) o << " read-only";
        if (e->MaxLength()) o << " max=" << e->MaxLength();
        if (e->PasswordChar()) o << " password=" << Quote(std::string(1, e->PasswordChar()));
      } else if (auto* cb = dynamic_cast<pc::TComboBox*>(c)) {
        o << " style=" << pc::GetEnumPropText(cb, "Style") << " text=" << Quote(cb->Text()) << " index=" << cb->ItemIndex()
          << " items=" << Items(cb->Items());
      } else if (auto* ch = dynamic_cast<pc::TCheckBox*>(c)) {
        o << " caption=" << Quote(ch->Caption()) << " checked=" << OnOff(ch->Checked());
      } else if (auto* lb = dynamic_cast<pc::TListBox*>(c)) {
        o << " items=" << Items(lb->Items());
      } else if (auto* pg = dynamic_cast<pc::TPageControl*>(c)) {
        o << " page=" << pg->ActivePageIndex();
      } else if (auto* dt = dynamic_cast<pc::TDateTimePicker*>(c)) {
        o << " value=" << Date(dt->DateTime());
      } else if (auto* sb = dynamic_cast<pc::TStatusBar*>(c)) {
        for (int k = 0; k < sb->PanelCount(); ++k) {
          o << "\n    panel " << k << " width=" << sb->Panels(k).Width() << " text=" << Quote(sb->Panels(k).Text());
        }
      } else if (!dynamic_cast<pc::TPanel*>(c) && !dynamic_cast<pc::TImage*>(c) && !dynamic_cast<pc::TToolBar*>(c)) {
        o << " caption=" << Quote(ctl->Caption());
      }
    } else if (auto* tb = dynamic_cast<pc::TToolButton*>(c)) {
      o << " caption=" << Quote(tb->Caption()) << " enabled=" << OnOff(tb->Enabled())
        << " style=" << pc::GetEnumPropText(tb, "Style") << " image=" << tb->ImageIndex
        << " menu=" << (tb->DropdownMenu ? tb->DropdownMenu->Name() : std::string("-"));
    } else if (auto* mi = dynamic_cast<pc::TMenuItem*>(c)) {
      o << " in " << (mi->Owner() == &f ? std::string("PopupMenu1") : mi->Owner()->Name()) << " caption=" << Quote(mi->Caption);
    } else if (auto* t = dynamic_cast<pc::TTimer*>(c)) {
      o << " enabled=" << OnOff(t->Enabled()) << " interval=" << t->Interval();
    } else if (dynamic_cast<CommComponent*>(c) || dynamic_cast<HeldSettingsComponent*>(c) ||
               dynamic_cast<skin::TSkinData*>(c)) {
      o << Props(*c);
    }
    o << "\n";
  }
  return o.str();
}

}  // namespace console
