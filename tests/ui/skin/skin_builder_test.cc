#include "ui/skin/skin_builder.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "skin_test_archives.h"
#include "test_support/file_bytes.h"
#include "test_support/temp_folder.h"
#include "ui/controls/list_box.h"
#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/event_args.h"
#include "ui/core/global_resources.h"
#include "ui/core/window.h"

namespace {

using ui::Box;
using ui::Control;
using ui::SkinBuilder;
using ui::GlobalResources;

std::unique_ptr<Control> Build(SkinBuilder& builder, const std::wstring& markup,
                               ui::Window* window = nullptr,
                               ui::CreateControlCallback callback = nullptr) {
  return std::unique_ptr<Control>(builder.BuildFromMarkup(markup, std::move(callback), window));
}

Box* AsBox(Control* control) { return dynamic_cast<Box*>(control); }

std::vector<std::wstring> ChildNames(Control* control) {
  std::vector<std::wstring> names;
  if (Box* box = AsBox(control)) {
    for (int i = 0; i < box->GetCount(); ++i) names.push_back(box->GetItemAt(i)->GetName());
  }
  return names;
}

bool HasProblem(const SkinBuilder& builder, const std::wstring& text) {
  for (const std::wstring& problem : builder.GetProblems()) {
    if (problem.find(text) != std::wstring::npos) return true;
  }
  return false;
}

// Every test starts from empty process-wide resources and leaves them so.
class SkinBuilderTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    GlobalResources& r = GlobalResources::Instance();
    r.CloseSkinArchive();
    r.colors.clear();
    r.RemoveAllFonts();
    r.default_text_color = L"textdefaultcolor";
    r.default_disabled_text_color = L"textdefaultdisablecolor";
    r.create_control_callback = nullptr;
    r.window_attribute_handler = nullptr;
    r.SetResourceRoot(L"resources\\themes\\default\\");
    ui::GlobalResources::Instance().ClearClasses();
  }
  void UseTestArchive() {
    GlobalResources::Instance().SetArchive(
        ui::SkinArchive::Open(skin_test::kSkinZip, 0, ui::kArchiveSourceName, ""));
    ASSERT_TRUE(GlobalResources::Instance().archive());
  }
};

TEST_F(SkinBuilderTest, ElementTableMakesItsControlsAndReportsTheRest) {
  enum Kind { kControl, kBox, kList, kUnknown, kCallback };
  struct {
    const wchar_t* element;
    Kind kind;
  } cases[] = {
      {L"Control", kControl}, {L"Box", kBox}, {L"HBox", kBox}, {L"VBox", kBox},
      {L"TileBox", kBox}, {L"ListBox", kList}, {L"HListBox", kList}, {L"VListBox", kList},
      {L"TileListBox", kList}, {L"ListContainerElement", kBox},
      // The rest are unknown until their controls exist.
      {L"Label", kControl}, {L"Button", kControl}, {L"CheckBox", kControl}, {L"Option", kControl},
      {L"LabelBox", kBox}, {L"ButtonBox", kBox}, {L"CheckBoxBox", kBox},
      {L"OptionBox", kBox}, {L"ChildBox", kBox}, {L"TabBox", kBox},
      {L"HTabBox", kBox}, {L"VTabBox", kBox}, {L"VirtualListBox", kList},
      {L"TreeView", kList}, {L"TreeNode", kBox}, {L"ScrollBar", kControl},
      {L"Progress", kControl}, {L"CircleProgress", kControl}, {L"Slider", kControl},
      {L"Combo", kUnknown}, {L"RichEdit", kUnknown},
      // Names compare exactly; others go to the callbacks.
      {L"vbox", kCallback}, {L"CefControl", kCallback},
  };
  for (const auto& c : cases) {
    std::vector<std::wstring> asked;
    auto callback = [&asked](const std::wstring& name) -> Control* {
      asked.push_back(name);
      return name == L"CefControl" ? new Control() : nullptr;
    };
    SkinBuilder builder;
    auto built = Build(builder, L"<Window><" + std::wstring(c.element) + L" name=\"x\"/></Window>",
                       nullptr, callback);
    switch (c.kind) {
      case kControl:
        ASSERT_TRUE(built) << c.element;
        EXPECT_FALSE(AsBox(built.get())) << c.element;
        break;
      case kBox:
        EXPECT_TRUE(AsBox(built.get())) << c.element;
        break;
      case kList:
        EXPECT_TRUE(dynamic_cast<ui::ListBox*>(built.get())) << c.element;
        break;
      case kUnknown:
      case kCallback:
        EXPECT_EQ(std::vector<std::wstring>{c.element}, asked);
        if (c.element == std::wstring(L"CefControl")) {
          EXPECT_TRUE(built);
        } else {
          EXPECT_FALSE(built) << c.element;
          EXPECT_TRUE(HasProblem(builder, L"Unknown element: " + std::wstring(c.element)));
        }
        break;
    }
    if (built) {
      EXPECT_EQ(L"x", built->GetName()) << c.element;
    }
  }
}

TEST_F(SkinBuilderTest, TreeOfChildrenAndWhatStopsIt) {
  SkinBuilder builder;
  auto root = Build(builder,
                    L"<Window><VBox name=\"root\">"
                    L"<Control name=\"a\"><Control name=\"inside_control\"/></Control>"
                    L"<MenuItem name=\"skipped\"><Control name=\"skipped_child\"/></MenuItem>"
                    L"<HBox name=\"b\"><Control name=\"b1\"/><Image/><Font/></HBox>"
                    L"</VBox><Control name=\"second_top\"/></Window>");
  ASSERT_TRUE(root);
  EXPECT_EQ(L"root", root->GetName());
  // The control inside a control is not kept; the outer one is.
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"b"}), ChildNames(root.get()));
  EXPECT_EQ(std::vector<std::wstring>{L"b1"}, ChildNames(AsBox(root.get())->GetItemAt(1)));
  EXPECT_TRUE(HasProblem(builder, L"Unknown element: MenuItem"));

  // Built again from the same document: a fresh tree.
  std::unique_ptr<Control> again(builder.BuildFromDocument(nullptr, nullptr));
  ASSERT_TRUE(again);
  EXPECT_NE(root.get(), again.get());
  EXPECT_EQ(2u, ChildNames(again.get()).size());
}

TEST_F(SkinBuilderTest, NothingToBuild) {
  const wchar_t* cases[] = {
      L"<?xml version=\"1.0\"?><!-- nothing -->",
      L"<Window><Font name=\"f\"/><TextColor name=\"c\" value=\"#ff000000\"/><Class name=\"k\"/>"
      L"<Image/></Window>",
      L"<Window><Label",  // broken
  };
  for (const wchar_t* markup : cases) {
    SkinBuilder builder;
    EXPECT_FALSE(Build(builder, markup)) << markup;
  }
  SkinBuilder builder;
  EXPECT_FALSE(builder.BuildFromMarkup(L"no/such/file.xml", nullptr, nullptr));
  EXPECT_TRUE(HasProblem(builder, L"Cannot load no/such/file.xml: Error opening file"));
}

TEST_F(SkinBuilderTest, GlobalRootFillsTheTablesOnlyWithAWindow) {
  const std::wstring global =
      L"<Global defaultfontcolor=\"dark\" disabledfontcolor=\"grey\" linkfontcolor=\"blue\">"
      L"<Font id=\"f1\" name=\"DejaVu Sans\" size=\"14\" bold=\"true\" italic=\"True\"/>"
      L"<Font id=\"nameless\" size=\"10\"/>"
      L"<Font name=\"DejaVu Serif\" underline=\"true\" default=\"true\"/>"
      L"<TextColor name=\"x\" value=\"#80000000\"/><TextColor value=\"#ff000000\"/>"
      L"<TextColor name=\"empty\" value=\"\"/>"
      L"<Class name=\"c\" _value=\"0\" height=\"3\"/>"
      L"<Class name=\"raw_first\" value=\"a=&quot;1&quot;\" height=\"3\"/>"
      L"<Class name=\"raw_after\" height=\"3\" value=\"a=&quot;1&quot;\"/>"
      L"<Class value=\"nameless\"/>"
      L"</Global>";
  GlobalResources& resources = GlobalResources::Instance();
  ui::GlobalResources& classes = ui::GlobalResources::Instance();
  {
    SkinBuilder builder;
    EXPECT_FALSE(Build(builder, global));
    EXPECT_EQ(0u, resources.GetFontCount());
    EXPECT_TRUE(resources.colors.empty());
    EXPECT_EQ(L"", classes.GetClassAttributes(L"c"));
  }
  ui::Window window;
  SkinBuilder builder;
  EXPECT_FALSE(Build(builder, global, &window));
  EXPECT_EQ(L"dark", resources.default_text_color);
  EXPECT_EQ(L"grey", resources.default_disabled_text_color);

  ASSERT_EQ(2u, resources.GetFontCount());
  const ui::FontRecord* f1 = resources.GetFont(L"f1");
  ASSERT_TRUE(f1);
  EXPECT_EQ(L"DejaVu Sans", f1->face);
  EXPECT_EQ(14, f1->size);
  EXPECT_TRUE(f1->bold);
  EXPECT_FALSE(f1->italic);  // only the exact "true"
  const ui::FontRecord* f2 = resources.GetFont(L"1");  // no id: the number of fonts before it
  ASSERT_TRUE(f2);
  EXPECT_EQ(12, f2->size);
  EXPECT_TRUE(f2->underline);
  EXPECT_EQ(f2, resources.GetFont(L""));  // the default font

  EXPECT_EQ(1u, resources.colors.size());
  EXPECT_EQ(0x80000000u, resources.colors[L"x"]);

  EXPECT_EQ(L"value=\"0\" height=\"3\"", classes.GetClassAttributes(L"c"));
  EXPECT_EQ(L"a=\"1\" height=\"3\"", classes.GetClassAttributes(L"raw_first"));
  EXPECT_EQ(L"height=\"3\"a=\"1\"", classes.GetClassAttributes(L"raw_after"));
}

TEST_F(SkinBuilderTest, WindowRootSettingsNeedTheNativeWindow) {
  std::vector<std::wstring> applied;
  GlobalResources::Instance().window_attribute_handler =
      [&applied](ui::Window*, const std::wstring& name, const std::wstring& value) {
        applied.push_back(name + L"=" + value);
      };
  const std::wstring markup =
      L"<Window shadowattached=\"false\" size=\"504\" unknown=\"1\" caption=\"0,0,0,32\" "
      L"textid=\"STRING_TITLE\"><Class name=\"panel\" bkcolor=\"white\"/><Font name=\"f\"/>"
      L"<Control name=\"root\"/></Window>";

  ui::Window without_handle;
  SkinBuilder first;
  auto root = Build(first, markup, &without_handle);
  EXPECT_TRUE(root);
  EXPECT_TRUE(applied.empty());
  EXPECT_EQ(L"bkcolor=\"white\"", without_handle.GetClassAttributes(L"panel"));
  EXPECT_EQ(0u, GlobalResources::Instance().GetFontCount());

  ui::Window with_handle;
  with_handle.SetHWND(GetDesktopWindow());
  SkinBuilder second;
  root = Build(second, markup, &with_handle);
  with_handle.SetHWND(nullptr);
  EXPECT_EQ((std::vector<std::wstring>{L"shadowattached=false", L"size=504",
                                       L"caption=0,0,0,32", L"textid=STRING_TITLE"}),
            applied);
}

TEST_F(SkinBuilderTest, FillsAGivenBox) {
  ui::Window window;
  Box box;
  SkinBuilder builder;
  Control* result = builder.BuildFromMarkup(
      L"<Window><Class name=\"k\"/><HBox name=\"filled\"><Control name=\"c1\"/>"
      L"<Control name=\"c2\"/></HBox><Control name=\"ignored\"/></Window>",
      nullptr, &window, nullptr, &box);
  EXPECT_EQ(&box, result);
  EXPECT_EQ(L"filled", box.GetName());
  EXPECT_EQ((std::vector<std::wstring>{L"c1", L"c2"}), ChildNames(&box));
}

class IncludeTest : public SkinBuilderTest {
 protected:
  void SetUp() override {
    SkinBuilderTest::SetUp();
    GlobalResources::Instance().SetResourceRoot(folder_.path() + L"\\");
    CreateDirectoryW(folder_.Join(L"parts").c_str(), nullptr);
    Write(L"parts\\row.xml", "<Window><Control name=\"row\"/></Window>");
    Write(L"parts\\self.xml", "<Window><Control name=\"s\"/><Include source=\"parts/self.xml\"/></Window>");
    Write(L"parts\\a.xml", "<Window><Control name=\"a\"/><Include source=\"parts\\b.xml\"/></Window>");
    Write(L"parts\\b.xml", "<Window><Control name=\"b\"/><Include source=\"Parts/A.xml\"/></Window>");
  }
  void Write(const std::wstring& name, const std::string& text) {
    ASSERT_TRUE(testing_support::WriteFileBytes(folder_.Join(name), text));
  }
  std::vector<std::wstring> BuildVBox(const std::wstring& inside, SkinBuilder* builder) {
    auto root = Build(*builder, L"<Window><VBox>" + inside + L"</VBox></Window>");
    return root ? ChildNames(root.get()) : std::vector<std::wstring>{L"<null>"};
  }
  testing_support::TempFolder folder_;
};

TEST_F(IncludeTest, CountsAndSources) {
  struct {
    std::wstring inside;
    std::vector<std::wstring> children;
    const wchar_t* problem;
  } cases[] = {
      {L"<Include source=\"parts/row.xml\" count=\"3\"/>", {L"row", L"row", L"row"}, nullptr},
      {L"<Control name=\"x\"/><Include source=\"parts\\row.xml\"/>", {L"x", L"row"}, nullptr},
      {L"<Include source=\"parts/row.xml\" count=\"0\"/>", {}, nullptr},
      {L"<Include source=\"parts/row.xml\" count=\"-2\"/>", {}, nullptr},
      {L"<Include count=\"2\"/>", {}, nullptr},
      {L"<Include source=\"parts/missing.xml\"/>", {}, L"Cannot load parts/missing.xml"},
      {L"<Include source=\"parts/self.xml\"/>", {L"s"}, L"includes itself: parts/self.xml"},
      {L"<Include source=\"parts/a.xml\"/>", {L"a", L"b"}, L"includes itself: Parts/A.xml"},
      {L"<Include source=\"../outside.xml\"/>", {}, L"outside the skin"},
      {L"<Include source=\"parts/../../outside.xml\"/>", {}, L"outside the skin"},
      {L"<Include source=\"C:\\windows\\win.ini\"/>", {}, L"outside the skin"},
      {L"<Include source=\"\\\\server\\share\\x.xml\"/>", {}, L"outside the skin"},
  };
  for (const auto& c : cases) {
    SkinBuilder builder;
    EXPECT_EQ(c.children, BuildVBox(c.inside, &builder)) << c.inside;
    if (c.problem) {
      EXPECT_TRUE(HasProblem(builder, c.problem)) << c.inside;
    }
  }
}

TEST_F(IncludeTest, RepeatsAndDepthAreCapped) {
  SkinBuilder builder;
  EXPECT_EQ(static_cast<size_t>(SkinBuilder::kMaxIncludeRepeat),
            BuildVBox(L"<Include source=\"parts/row.xml\" count=\"1000000\"/>", &builder).size());
  EXPECT_TRUE(HasProblem(builder, L"Include repeated only"));

  // A chain of distinct files deeper than the cap.
  for (int i = 0; i < SkinBuilder::kMaxIncludeDepth + 5; ++i) {
    Write(L"parts\\chain" + std::to_wstring(i) + L".xml",
          "<Window><Control name=\"c" + std::to_string(i) + "\"/><Include source=\"parts/chain" +
              std::to_string(i + 1) + ".xml\"/></Window>");
  }
  SkinBuilder deep;
  const auto names = BuildVBox(L"<Include source=\"parts/chain0.xml\"/>", &deep);
  EXPECT_EQ(static_cast<size_t>(SkinBuilder::kMaxIncludeDepth), names.size());
  EXPECT_TRUE(HasProblem(deep, L"nested too deeply"));
}

TEST_F(IncludeTest, RepeatsThroughLevelsAreCappedInAll) {
  // 100 x 100 x 100 rows without a cap in all.
  Write(L"parts\\fan2.xml", "<Window><Include source=\"parts/row.xml\" count=\"100\"/></Window>");
  Write(L"parts\\fan1.xml", "<Window><Include source=\"parts/fan2.xml\" count=\"100\"/></Window>");
  SkinBuilder builder;
  const auto names = BuildVBox(L"<Include source=\"parts/fan1.xml\" count=\"100\"/>", &builder);
  EXPECT_LT(names.size(), static_cast<size_t>(SkinBuilder::kMaxIncludeBuilds));
  EXPECT_GT(names.size(), 0u);
  EXPECT_TRUE(HasProblem(builder, L"Includes stopped after"));
}

TEST_F(IncludeTest, ControlsOfOneBuildAreCappedInAll) {
  // 500 controls included 100 times, twice over: 100,000 without a cap.
  std::string many = "<Window>";
  for (int i = 0; i < 500; ++i) many += "<Control/>";
  Write(L"parts\\many.xml", many + "</Window>");
  SkinBuilder builder;
  const auto names = BuildVBox(L"<Include source=\"parts/many.xml\" count=\"100\"/>"
                               L"<Include source=\"parts/many.xml\" count=\"100\"/>",
                               &builder);
  // The VBox itself is one of them.
  EXPECT_EQ(static_cast<size_t>(SkinBuilder::kMaxControls - 1), names.size());
  EXPECT_TRUE(HasProblem(builder, L"Controls stopped after 10000"));

  // Elements nobody makes count as well, and are named once.
  std::wstring unknown;
  for (int i = 0; i < 20000; ++i) unknown += L"<X/>";
  SkinBuilder unknowns;
  EXPECT_EQ(0u, BuildVBox(unknown, &unknowns).size());
  EXPECT_TRUE(HasProblem(unknowns, L"Controls stopped after 10000"));
  EXPECT_EQ(2u, unknowns.GetProblems().size());

  // The count starts again with the next outermost build.
  SkinBuilder again;
  EXPECT_EQ(500u, BuildVBox(L"<Include source=\"parts/many.xml\"/>", &again).size());
  EXPECT_TRUE(again.GetProblems().empty());
}

TEST_F(IncludeTest, NestingCountsAcrossIncludes) {
  auto nested = [](int levels, const std::string& inside) {
    std::string text = "<Window>";
    for (int i = 0; i < levels; ++i) text += "<Box>";
    text += inside;
    for (int i = 0; i < levels; ++i) text += "</Box>";
    return text + "</Window>";
  };
  const int half = ui::MarkupDocument::kMaxDepth / 2 + 10;
  Write(L"parts\\deep3.xml", nested(half, "<Control name=\"bottom\"/>"));
  Write(L"parts\\deep2.xml", nested(half, "<Include source=\"parts/deep3.xml\"/>"));
  Write(L"parts\\deep1.xml", nested(half, "<Include source=\"parts/deep2.xml\"/>"));
  SkinBuilder builder;
  std::unique_ptr<Control> root(builder.BuildFromMarkup(L"parts/deep1.xml", nullptr, nullptr));
  ASSERT_TRUE(root);
  EXPECT_TRUE(HasProblem(builder, L"nested too deeply"));
  int depth = 0;
  for (Control* c = root.get(); AsBox(c) && AsBox(c)->GetCount() > 0; c = AsBox(c)->GetItemAt(0)) {
    ++depth;
  }
  EXPECT_LE(depth, ui::MarkupDocument::kMaxDepth);
}

TEST_F(SkinBuilderTest, ArchiveRoadWithIncludesAndByteOrderMark) {
  UseTestArchive();
  ui::Window window;
  SkinBuilder builder;
  std::unique_ptr<Control> root(builder.BuildFromMarkup(L"main/main.xml", nullptr, &window));
  ASSERT_TRUE(root) << builder.document().GetErrorMessage();
  // VBox: caption_bar, two included rows, content.
  ASSERT_EQ(4u, ChildNames(root.get()).size());
  EXPECT_EQ(L"caption_bar", ChildNames(root.get())[0]);
  EXPECT_EQ(L"content", ChildNames(root.get())[3]);
  EXPECT_EQ(L"bkcolor=\"white\" padding=\"4,4,4,4\"", window.GetClassAttributes(L"panel"));

  SkinBuilder bom;
  std::unique_ptr<Control> bom_root(bom.BuildFromMarkup(L"main/bom.xml", nullptr, &window));
  ASSERT_TRUE(bom_root) << bom.document().GetErrorMessage();
  EXPECT_EQ(L"bom", bom_root->GetName());

  SkinBuilder global;
  EXPECT_FALSE(global.BuildFromMarkup(L"global.xml", nullptr, &window));
  EXPECT_EQ(3u, GlobalResources::Instance().GetFontCount());
  EXPECT_EQ(0xFF1E90FFu, GlobalResources::Instance().colors[L"link"]);
  EXPECT_EQ(L"value=\"0\" height=\"3\"",
            ui::GlobalResources::Instance().GetClassAttributes(L"progress_init"));
}

TEST(EventTypeFromNameTest, NamesAndUnknowns) {
  EXPECT_EQ(ui::kEventMouseEnter, ui::EventTypeFromName(L"mouseenter"));
  EXPECT_EQ(ui::kEventValueChange, ui::EventTypeFromName(L"valuechange"));
  EXPECT_EQ(ui::kEventAll, ui::EventTypeFromName(L"all"));
  for (const wchar_t* name : {L"click", L"MouseEnter", L"", L"textchange"}) {
    EXPECT_EQ(ui::kEventUnknown, ui::EventTypeFromName(name)) << name;
  }
}

TEST_F(SkinBuilderTest, MarkupEventsApplyAttributesToReceivers) {
  ui::Window window;
  SkinBuilder builder;
  std::unique_ptr<Control> built = builder.BuildFromMarkup(
      L"<Window><VBox name=\"root\">"
      L"<Event type=\"buttondown\" receiver=\"nobody\" applyattribute=\"visible=&quot;false&quot;\"/>"
      L"<HBox name=\"hot\">"
      L"<Event type=\"mouseenter  mouseleave\" receiver=\"far ./near\" "
      L"applyattribute=\"visible=&quot;false&quot;\"/>"
      L"<Event type=\"click\" receiver=\"far\" applyattribute=\"name=&quot;clicked&quot;\"/>"
      L"<Control name=\"near\"/></HBox>"
      L"<Control name=\"far\"/><Control name=\"near\"/>"
      L"</VBox><Event type=\"all\" receiver=\"far\"/></Window>",
      nullptr, &window);
  ASSERT_TRUE(built);
  Control* root = built.get();
  window.SetRoot(std::move(built));
  Box* vbox = AsBox(root);
  Box* hot = AsBox(vbox->GetItemAt(0));
  Control* inner_near = hot->GetItemAt(0);
  Control* far_control = vbox->GetItemAt(1);
  Control* outer_near = vbox->GetItemAt(2);

  vbox->SendEventArgs(ui::kEventButtonDown);  // a receiver that does not exist
  hot->SendEventArgs(ui::kEventClick);  // "click" is no markup name: bound to type 4
  EXPECT_EQ(L"far", far_control->GetName());
  EXPECT_TRUE(far_control->IsVisible());

  hot->SendEventArgs(ui::kEventMouseEnter);
  EXPECT_FALSE(far_control->IsVisible());
  EXPECT_FALSE(inner_near->IsVisible());
  EXPECT_TRUE(outer_near->IsVisible());  // "./" looks only inside the holder

  far_control->SetVisible(true);
  inner_near->SetVisible(true);
  hot->SendEventArgs(ui::kEventMouseLeave);
  EXPECT_FALSE(far_control->IsVisible());
  EXPECT_FALSE(inner_near->IsVisible());

  hot->SendEventArgs(ui::kEventUnknown);
  EXPECT_EQ(L"clicked", far_control->GetName());
}

TEST_F(SkinBuilderTest, MutatedSkinsBuildOrFail) {
  UseTestArchive();
  std::string skin;
  ASSERT_TRUE(GlobalResources::Instance().ReadResourceBytes(
      GlobalResources::Instance().GetResourceRoot() + L"main/main.xml", &skin));
  std::mt19937 random(99);
  ui::Window window;
  for (int i = 0; i < 1500; ++i) {
    std::string mutated = skin;
    for (int edits = 1 + random() % 3; edits > 0 && !mutated.empty(); --edits) {
      const size_t at = random() % mutated.size();
      if (random() % 3 == 0) {
        mutated.erase(at, random() % 24);
      } else {
        mutated[at] = "<>/=\" aZ&;\n"[random() % 11];
      }
    }
    SkinBuilder builder;
    if (builder.document().LoadUtf8(mutated.data(), mutated.size())) {
      std::unique_ptr<Control> root(builder.BuildFromDocument(nullptr, &window));
    } else {
      EXPECT_NE(L'\0', builder.document().GetErrorMessage()[0]);
    }
  }
}

}  // namespace
