// The skin data component: its stored sets, its stored skin stream, loading and the start of
// skinning once its form has been read, and the Active switch.
#include "skin/skin_data.h"

#include <gtest/gtest.h>

#include "platform/components/form_table.h"
#include "skin/form_skinner.h"
#include "skin/skin_manager.h"
#include "skin/lzh_codec.h"
#include "skin/skin_reader.h"
#include "skin/tests/skin_fixture.h"

namespace skin::test {
namespace {

TEST(SkinDataSets, TextsReadBackAndBadTextsAreRefused) {
  TSkinControlTypes controls = 0;
  ASSERT_TRUE(ParseSkinControls("[xcMainMenu, xcpopupmenu,xcSystemMenu]", controls));
  EXPECT_EQ(controls, SetOf(xcMainMenu) | SetOf(xcPopupMenu) | SetOf(xcSystemMenu));
  EXPECT_EQ(SkinControlsText(controls), "[xcMainMenu,xcPopupMenu,xcSystemMenu]");
  EXPECT_EQ(SkinControlsText(TSkinData::kDefaultSkinControls).find("xcMenuItem"), std::string::npos);
  TSkinOptions options = 0;
  ASSERT_TRUE(ParseSkinOptions("[]", options));
  EXPECT_EQ(options, 0);
  ASSERT_TRUE(ParseSkinOptions("[xoPreview,xoCaptionButtonHint]", options));
  EXPECT_EQ(SkinOptionsText(options), "[xoPreview,xoCaptionButtonHint]");
  for (const char* bad : {"xcMainMenu", "[xcMainMenu", "[xcNothing]", "[xcMainMenu,,]"}) {
    TSkinControlTypes kept = SetOf(xcEdit);
    EXPECT_FALSE(ParseSkinControls(bad, kept)) << bad;
    EXPECT_EQ(kept, SetOf(xcEdit)) << bad;
  }
}

class SkinData : public SkinTest {};

TEST_F(SkinData, TheStoredStreamIsReadAndWrittenBack) {
  TSkinData sd(nullptr);
  EXPECT_TRUE(sd.FSkinNotReady);
  EXPECT_EQ(sd.Version(), "5.0.0.1");
  EXPECT_EQ(sd.SkinStore(), "(none)");
  const std::vector<std::uint8_t> stream = stream_of(synthetic_skin_package());
  sd.ReadSkinStream(stream);
  EXPECT_FALSE(sd.FSkinNotReady);
  ASSERT_NE(sd.FBorders[3], nullptr);
  EXPECT_EQ(sd.FBorders[3]->Image.Height(), 2 * kTitle);
  EXPECT_EQ(sd.WriteSkinStream(), stream);
  // A count of 0 reads nothing and keeps what was read.
  sd.ReadSkinStream(std::vector<std::uint8_t>{0, 0, 0, 0});
  EXPECT_FALSE(sd.FSkinNotReady);
  // Counts that the data cannot hold are refused before anything is read.
  std::vector<std::uint8_t> short_count = stream;
  short_count[0] += 1;
  for (const std::vector<std::uint8_t>& bad :
       {std::vector<std::uint8_t>{1, 0}, short_count, std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 1}}) {
    EXPECT_THROW(sd.ReadSkinStream(bad), pc::EComponentError);
  }
  EXPECT_FALSE(sd.FSkinNotReady);
  // A package that does not unpack is an error that leaves the component not ready, with the earlier
  // skin's objects.
  EXPECT_ANY_THROW(sd.ReadSkinStream(stream_of({9, 0, 0, 0, 1, 2, 3})));
  EXPECT_TRUE(sd.FSkinNotReady);
  EXPECT_NE(sd.FBorders[3], nullptr);
}

TEST_F(SkinData, LoadedStartsSkinningWithoutTheTimerAndTrimsTheControlSet) {
  start_skin(TSkinData::kDefaultSkinControls | SetOf(xcMenuItem));
  TSkinManage* m = SkinManager();
  EXPECT_TRUE(m->FActive);
  EXPECT_EQ(m->FState, 0);
  EXPECT_FALSE(m->FTimer->Enabled());
  EXPECT_EQ(m->FMainSkinData, sd_);
  EXPECT_FALSE(InSet(sd_->SkinControls, xcMenuItem));  // with the frame skinned
  EXPECT_TRUE(InSet(sd_->SkinControls, xcSystemMenu));
  EXPECT_TRUE(sd_->Active());
  // Setting the value it has does nothing.
  sd_->SetActive(true);
  EXPECT_FALSE(m->FTimer->Enabled());

  TSkinData plain(nullptr);
  plain.SkinControls = TSkinData::kDefaultSkinControls & ~SetOf(xcMainMenu);
  plain.Loaded();
  EXPECT_FALSE(InSet(plain.SkinControls, xcSystemMenu));  // without it
  EXPECT_EQ(m->FSkinDatas.size(), 2u);
}

TEST_F(SkinData, AFormStreamsItsSkinAndASkinOfAnotherVersionLeavesItInactive) {
  struct Case {
    std::vector<std::uint8_t> stream;
    bool ready;
  };
  // The version code sits first in the unpacked body; an unknown one is refused with a message.
  const SkinEntry entry{"skin.ini", {'[', 'A', ']'}};
  std::vector<std::uint8_t> body = build_skin_package_body(std::span<const SkinEntry>(&entry, 1));
  body[0] = 0x10;
  body[1] = 0x27;  // 10000
  std::vector<std::uint8_t> old_version = {static_cast<std::uint8_t>(body.size()), static_cast<std::uint8_t>(body.size() >> 8), 0, 0};
  const std::vector<std::uint8_t> packed = lzh_encode(body);
  old_version.insert(old_version.end(), packed.begin(), packed.end());
  const Case cases[] = {{stream_of(synthetic_skin_package()), true}, {stream_of(old_version), false}};
  dialogs_->Expect(pc::DialogKind::kShowMessage, "", "This is Older Skin File");
  for (const Case& c : cases) {
    pc::RegisterComponentClass("TSkinData", [](pc::TComponent* o) { return new TSkinData(o); });
    const pc::ComponentDef table[] = {
        {"SkinData1", "TSkinData", "", {{"Active", "True"}, {"DisableTag", "99"}, {"SkinFormtype", "sfMainform"}}, {}, {},
         {{"SkinStream", c.stream}}},
    };
    auto* form = new pc::TForm(&pc::Application());
    pc::BuildForm(*form, table, {});
    auto* sd = dynamic_cast<TSkinData*>(form->FindComponent("SkinData1"));
    ASSERT_NE(sd, nullptr);
    EXPECT_EQ(!sd->FSkinNotReady, c.ready);
    EXPECT_EQ(sd->Active(), c.ready);
    form->SetBounds(10, 10, 300, 200);
    form->Show();
    pump();
    EXPECT_EQ(SkinManager()->FindForm(form->Handle()) != nullptr, c.ready);
    delete form;
    pump();
    EXPECT_TRUE(SkinManager()->FSkinDatas.empty());  // the component left with its form
    DestroySkinManager();
  }
}

TEST_F(SkinData, AnOnlyThisFormComponentSkinsItsOwnerAtOnceAndOthersChooseByKind) {
  start_skin();
  auto* own_form = new pc::TForm(&pc::Application());
  own_form->SetBounds(10, 10, 300, 200);
  auto* own = new TSkinData(own_form);
  own->BeginLoading();
  own->SkinFormtype = TSkinFormType::sfOnlyThisForm;
  own->SetActive(true);
  own->ReadSkinStream(stream_of(synthetic_skin_package()));
  own->Loaded();
  TFormSkinner* f = SkinManager()->FindForm(own_form->Handle());
  ASSERT_NE(f, nullptr);  // at once, before any activation
  EXPECT_EQ(f->FSkinData, own);
  EXPECT_EQ(SkinManager()->ChooseSkinData(own_form->Handle()), own);
  win::HWND other = make("Other", win::WS_CAPTION | win::WS_SYSMENU, 400, 300, 100, 80);
  EXPECT_EQ(SkinManager()->ChooseSkinData(other), sd_);
  auto* dialogs = new TSkinData(nullptr);
  dialogs->SkinFormtype = TSkinFormType::sfDialog;
  SkinManager()->RegisterSkinData(dialogs);
  win::HWND dialog = win::CreateWindowEx(0, win::kDialogClass, "D", win::WS_CAPTION, 0, 0, 100, 80, nullptr, nullptr,
                                         nullptr, nullptr);
  EXPECT_EQ(SkinManager()->ChooseSkinData(dialog), dialogs);
  EXPECT_EQ(SkinManager()->ChooseSkinData(other), sd_);
  // Without a main-form component the first registered one serves, and no class filter applies.
  SkinManager()->UnregisterSkinData(sd_);
  EXPECT_EQ(SkinManager()->FMainSkinData, nullptr);
  EXPECT_EQ(SkinManager()->ChooseSkinData(other), own);
  win::WNDCLASSEX wc;
  wc.lpfnWndProc = win::DefWindowProc;
  wc.lpszClassName = "SysMonthCal32";
  win::RegisterClassEx(&wc);
  win::HWND calendar = win::CreateWindowEx(0, "SysMonthCal32", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(SkinManager()->FilterClass(calendar, "SysMonthCal32"));
  SkinManager()->RegisterSkinData(sd_);
  EXPECT_FALSE(SkinManager()->FilterClass(calendar, "SysMonthCal32"));
  delete dialogs;
  delete own_form;
}

}  // namespace
}  // namespace skin::test
