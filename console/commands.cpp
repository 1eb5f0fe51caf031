// The command catalogue: each handler shows its progress text, builds its frame (a bad entry stops
// it there, before anything is sent or flagged) and runs the request sequence.
#include <string>

#include <initializer_list>

#include "console/main_form.h"
#include "core/clock.h"
#include "platform/components/dialogs.h"

namespace console {
namespace {

std::string Blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

const std::string kClearPrompt =
    "请输入清除密码,默认密码:5817" + Blanks(12) + "\n\r" + "清除完成后请校准时间!" + Blanks(39);
const std::string kEnergyPrompt = "请输入节能等级0~4,0最耗电,4最省电" + Blanks(1) + "\n\r" + "0:实时显示,实时采集;" +
                                  Blanks(13) + "\n\r" + "1:实时显示,10秒采集一次;" + Blanks(13) + "\n\r" +
                                  "2:实时显示,30秒采集一次;" + Blanks(12) + "\n\r" + "3:实时显示,60秒采集一次;" +
                                  Blanks(12) + "\n\r" + "4:休眠模式.(屏幕休眠，正常记录)" + Blanks(19);
constexpr const char* kClearPassword = "5817";

}  // namespace

void Tform1::Send(Command command, const Frame& frame) { SendRequest(state_, writer_, *timer1_, command, frame); }

std::array<ParameterInput, kParamCount> Tform1::ParameterInputs() {
  std::array<ParameterInput, kParamCount> in{};
  for (std::size_t k = 0; k < kParamCount; ++k) {
    pc::TComponent* c = FindComponent(kParameterFields[k].control);
    if (auto* combo = dynamic_cast<pc::TComboBox*>(c)) {
      in[k].text = combo->Text();
      in[k].item_index = combo->ItemIndex();
      in[k].item_count = combo->Items().Count();
    } else if (auto* edit = dynamic_cast<pc::TEdit*>(c)) {
      in[k].text = edit->Text();
    }
  }
  return in;
}

void Tform1::BitBtn1Click(pc::TObject*) {
  if (state_.ContinuousRead) {
    // The button stops a running reading instead.
    BitBtn1->SetCaption("读取");
    state_.ContinuousRead = false;
    Timer1->SetEnabled(false);
    for (pc::TControl* c : std::initializer_list<pc::TControl*>{BitBtn4, BitBtn5, BitBtn6, BitBtn7, BitBtn8, BitBtn41, BitBtn42,
                                                                BitBtn43, BitBtn44, BitBtn45, BitBtn9, BitBtn11, BitBtn22,
                                                                BitBtn10, BitBtn33, BitBtn37, BitBtn3}) {
      c->SetEnabled(true);
    }
    return;
  }
  SetStatus(5, "读取中...");
  Send(Command::LiveRead, LiveReadFrame(AddressFromEdit()));
  SetStatus(7, "");
}

void Tform1::BitBtn4Click(pc::TObject*) {
  SetStatus(5, "读取中...");
  Send(Command::ParameterRead, ParameterReadFrame(AddressFromEdit()));
}

void Tform1::BitBtn5Click(pc::TObject*) {
  SetStatus(5, "设置中...");
  const std::uint8_t address = AddressFromEdit();
  const auto values = ConvertParameterBlock(ParameterInputs());
  Send(Command::ParameterSave, ParameterSaveFrame(address, values));
}

void Tform1::BitBtn6Click(pc::TObject*) {
  if (state_.ContinuousRead) {
    BitBtn6->SetCaption("读取");
    state_.ContinuousRead = false;
    Timer2->SetEnabled(false);
    Timer1->SetEnabled(false);
    return;
  }
  SetStatus(5, "读取中...");
  Send(Command::ClockRead, ClockReadFrame(AddressFromEdit()));
  SetStatus(7, "");
}

void Tform1::BitBtn7Click(pc::TObject*) {
  SetStatus(5, "读取中...");
  Send(Command::StartTimeRead, StartTimeReadFrame(AddressFromEdit()));
  SetStatus(7, "");
}

void Tform1::BitBtn8Click(pc::TObject*) {
  SetStatus(5, "设置中...");
  const std::uint8_t address = AddressFromEdit();
  const core::LocalTime now = core::local_now();
  const ClockFields t{now.year, now.month, now.day, now.hour, now.minute, now.second};
  Send(Command::ClockSet, ClockSetFrame(address, t));
  // The edits show what was sent.
  const int fields[] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
  pc::TEdit* edits[] = {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6};
  for (int i = 0; i < 6; ++i) edits[i]->SetText(std::to_string(fields[i]));
}

void Tform1::BitBtn45Click(pc::TObject*) {
  SetStatus(5, "设置中...");
  const std::uint8_t address = AddressFromEdit();
  const ClockFields t = ConvertClockEdits({Edit1->Text(), Edit2->Text(), Edit3->Text(), Edit4->Text(), Edit5->Text(), Edit6->Text()});
  Send(Command::StartTimeSet, StartTimeSetFrame(address, t));
}

void Tform1::BitBtn41Click(pc::TObject*) {
  SetStatus(5, "正在设置...");
  Send(Command::RecordingOn, RecordingFrame(AddressFromEdit(), true));
}
void Tform1::BitBtn42Click(pc::TObject*) {
  SetStatus(5, "正在设置...");
  Send(Command::RecordingOff, RecordingFrame(AddressFromEdit(), false));
}
void Tform1::BitBtn43Click(pc::TObject*) {
  SetStatus(5, "正在设置...");
  Send(Command::AlarmOn, AlarmOutputFrame(AddressFromEdit(), true));
}
void Tform1::BitBtn44Click(pc::TObject*) {
  SetStatus(5, "正在设置...");
  Send(Command::AlarmOff, AlarmOutputFrame(AddressFromEdit(), false));
}

void Tform1::BitBtn33Click(pc::TObject*) {
  // A wrong password (or a cancelled box) does nothing and says nothing.
  if (pc::InputBox("清除记录", kClearPrompt, "") != kClearPassword) return;
  SetStatus(5, "正在清除...");
  Send(Command::ClearRecords, ClearRecordsFrame(AddressFromEdit()));
}

void Tform1::BitBtn12Click(pc::TObject*) {
  SetStatus(5, "正在设置...");
  Send(Command::SleepMode, EnergyFrame(AddressFromEdit(), 4));
}
void Tform1::BitBtn23Click(pc::TObject*) {
  SetStatus(5, "正在设置...");
  Send(Command::LiveDisplay, EnergyFrame(AddressFromEdit(), 0));
}

void Tform1::BitBtn49Click(pc::TObject*) {
  const std::string text = pc::InputBox("节能等级设置  ", kEnergyPrompt, "");
  std::int32_t level = 0;
  try {
    if (!ConvertEnergyLevel(text, level)) return;
  } catch (const RangeError&) {
    // Levels outside 0..4 are refused before anything is sent.
    pc::ShowMessage("数值超范围");
    return;
  }
  SetStatus(5, "正在设置...");
  Send(Command::EnergyLevel, EnergyFrame(AddressFromEdit(), level));
}

void Tform1::BitBtn37Click(pc::TObject*) {
  SetStatus(5, "读取中...");
  Send(Command::Probe, ProbeFrame());
}

}  // namespace console
