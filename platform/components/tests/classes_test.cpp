// Ownership, free notification, published properties and string lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/components/classes.h"

namespace platform::components {
namespace {

struct Probe : TComponent {
  explicit Probe(TComponent* owner, std::vector<std::string>* log = nullptr) : TComponent(owner), log_(log) {
    PublishInt("Count", [this] { return count; }, [this](std::int64_t v) { count = v; });
    PublishBool("Checked", [this] { return checked; }, [this](bool v) { checked = v; });
    PublishString("Caption", [this] { return caption; }, [this](std::string v) { caption = std::move(v); });
    PublishEnum("Kind", {"sbHorizontal", "sbVertical"}, [this] { return kind; }, [this](int v) { kind = v; });
    PublishObject("Peer", [this] { return peer; });
  }
  ~Probe() override {
    if (log_) log_->push_back("free " + Name());
  }
  void Notification(TComponent* c, TOperation op) override {
    if (op == TOperation::opRemove && c == peer) peer = nullptr;
    if (log_ && op == TOperation::opRemove) log_->push_back(Name() + " heard " + c->Name());
  }
  std::int64_t count = 0;
  bool checked = false;
  std::string caption;
  int kind = 0;
  TComponent* peer = nullptr;
  std::vector<std::string>* log_;
};

TEST(Component, OwnerFreesWhatItOwnsAndHearsOfEarlyFrees) {
  std::vector<std::string> log;
  {
    Probe root(nullptr, &log);
    root.SetName("root");
    auto* a = new Probe(&root, &log);
    a->SetName("a");
    auto* b = new Probe(&root, &log);
    b->SetName("b");
    EXPECT_EQ(root.ComponentCount(), 2);
    EXPECT_EQ(root.FindComponent("A"), a);  // names compare without ASCII case
    EXPECT_THROW(b->SetName("A"), EComponentError);
    delete a;  // an early free leaves the owner's list and tells the owner
    EXPECT_EQ(root.ComponentCount(), 1);
    EXPECT_EQ(root.FindComponent("a"), nullptr);
  }
  // The root's own part is gone when its owned components are freed, so it hears nothing then.
  EXPECT_EQ(log, (std::vector<std::string>{"free a", "root heard a", "free root", "free b"}));
}

TEST(Component, FreeNotificationClearsAReferenceAcrossOwners) {
  Probe owner1(nullptr), owner2(nullptr);
  auto* holder = new Probe(&owner1);
  auto* target = new Probe(&owner2);
  holder->peer = target;
  target->FreeNotification(holder);
  delete target;
  EXPECT_EQ(holder->peer, nullptr);
  // The link goes both ways: freeing the holder first must not leave a dangling entry behind.
  auto* t2 = new Probe(&owner2);
  t2->FreeNotification(holder);
  delete holder;
  delete t2;
}

TEST(Properties, ByNameWithTheAnswersForAbsentOrWrongKinds) {
  Probe p(nullptr);
  p.count = 7;
  p.checked = true;
  p.caption = "读取";
  p.kind = 1;
  p.peer = &p;
  EXPECT_EQ(GetIntProp(&p, "count"), 7);
  EXPECT_EQ(GetIntProp(&p, "Caption"), -1);  // wrong kind
  EXPECT_EQ(GetIntProp(&p, "Missing"), -1);
  EXPECT_EQ(GetIntProp(nullptr, "Count"), -1);
  EXPECT_EQ(GetEnumPropText(&p, "CHECKED"), "True");
  EXPECT_EQ(GetEnumPropText(&p, "Kind"), "sbVertical");
  EXPECT_EQ(GetEnumPropText(&p, "Missing"), "");
  EXPECT_EQ(GetStrProp(&p, "caption"), "读取");
  EXPECT_EQ(GetObjectProp(&p, "Peer"), &p);
  EXPECT_EQ(GetObjectProp(&p, "Count"), nullptr);

  struct Case {
    const char* name;
    const char* text;
    bool set;
  };
  const Case cases[] = {{"Count", "-42", true}, {"Checked", "false", true}, {"Kind", "SBHORIZONTAL", true},
                        {"Kind", "sbDiagonal", false}, {"Caption", "停止", true}, {"Peer", "x", false},
                        {"Missing", "1", false}};
  for (const Case& c : cases) EXPECT_EQ(SetPropText(&p, c.name, c.text), c.set) << c.name;
  EXPECT_EQ(p.count, -42);
  EXPECT_FALSE(p.checked);
  EXPECT_EQ(p.kind, 0);
  EXPECT_EQ(p.caption, "停止");
  EXPECT_THROW(SetPropText(&p, "Count", "12x"), EComponentError);
  EXPECT_THROW(SetPropText(&p, "Count", "99999999999999999999"), EComponentError);
}

TEST(StringList, EditsBoundsAndChangeNotices) {
  TStringList l;
  int changes = 0;
  l.OnChange = [&](TObject*) { ++changes; };
  l.Add("a");
  l.Add("b");
  l.Insert(1, "x");
  EXPECT_EQ(l.Text(), "a\r\nx\r\nb\r\n");
  EXPECT_EQ(changes, 3);
  l.BeginUpdate();
  l.Delete(0);
  l.Put(0, "y");
  EXPECT_EQ(changes, 3);
  l.EndUpdate();
  EXPECT_EQ(changes, 4);  // one notice for the whole update
  EXPECT_THROW(l.Get(2), EComponentError);
  EXPECT_THROW(l.Insert(5, "z"), EComponentError);
  EXPECT_EQ(l.IndexOf("Y"), 0);
  l.SetText("one\r\ntwo\nthree\r");
  EXPECT_EQ(l.Count(), 3);
  EXPECT_EQ(l[2], "three");
}

TEST(StringList, SortedAndCustomSort) {
  TStringList l;
  for (const char* s : {"COM10", "com2", "COM1"}) l.Add(s);
  // Natural order of port names by a caller's comparison; stable for equal keys.
  l.CustomSort([](TStringList& list, int a, int b) {
    auto num = [&](int i) { return std::stoi(list.Get(i).substr(3)); };
    return num(a) - num(b);
  });
  EXPECT_EQ(l.Text(), "COM1\r\ncom2\r\nCOM10\r\n");
  l.SetSorted(true);
  EXPECT_EQ(l.Text(), "COM1\r\nCOM10\r\ncom2\r\n");
  EXPECT_EQ(l.Add("com11"), 2);
  EXPECT_THROW(l.Insert(0, "x"), EComponentError);
  l.Duplicates = TStringList::TDuplicates::dupIgnore;
  EXPECT_EQ(l.Add("com1"), 0);
  EXPECT_EQ(l.Count(), 4);
  l.Duplicates = TStringList::TDuplicates::dupError;
  EXPECT_THROW(l.Add("COM1"), EComponentError);
}

}  // namespace
}  // namespace platform::components
