#include "ui/skin/skin_builder.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <utility>

#include "ui/controls/box_kinds.h"
#include "ui/controls/check_box.h"
#include "ui/controls/child_box.h"
#include "ui/controls/label.h"
#include "ui/controls/list_box.h"
#include "ui/controls/progress.h"
#include "ui/controls/scroll_bar.h"
#include "ui/controls/slider.h"
#include "ui/controls/tab_box.h"
#include "ui/controls/tree_view.h"
#include "ui/controls/virtual_list_box.h"
#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/event_args.h"
#include "ui/core/global_resources.h"
#include "ui/core/window.h"
#include "ui/layout/layout.h"
#include "ui/layout/linear_layout.h"
#include "ui/layout/tile_layout.h"
#include "ui/skin/skin_text.h"

namespace ui {

namespace {

using MakeFunction = Control* (*)();

// The element table. A null maker stands for a control whose class is not
// built yet: such elements are reported unknown until it is.
const struct {
  const wchar_t* name;
  MakeFunction make;
} kElements[] = {
    {L"Control", [] { return new Control(); }},
    {L"Label", []() -> Control* { return new Label(); }},
    {L"Button", []() -> Control* { return new Button(); }},
    {L"CheckBox", []() -> Control* { return new CheckBox(); }},
    {L"Option", []() -> Control* { return new Option(); }},
    {L"Box", []() -> Control* { return new Box(new Layout()); }},
    {L"HBox", []() -> Control* { return new HBox(); }},
    {L"VBox", []() -> Control* { return new VBox(); }},
    {L"TileBox", []() -> Control* { return new TileBox(); }},
    {L"LabelBox", []() -> Control* { return new LabelBox(); }},
    {L"ButtonBox", []() -> Control* { return new ButtonBox(); }},
    {L"CheckBoxBox", []() -> Control* { return new CheckBoxBox(); }},
    {L"OptionBox", []() -> Control* { return new OptionBox(); }},
    {L"ChildBox", []() -> Control* { return new ChildBox(); }},
    {L"TabBox", []() -> Control* { return new TabBox(); }},
    {L"HTabBox", []() -> Control* { return new HTabBox(); }},
    {L"VTabBox", []() -> Control* { return new VTabBox(); }},
    {L"ListBox", []() -> Control* { return new ListBox(new Layout()); }},
    {L"HListBox", []() -> Control* { return new ListBox(new HLayout()); }},
    {L"VListBox", []() -> Control* { return new ListBox(new VLayout()); }},
    {L"TileListBox", []() -> Control* { return new ListBox(new TileLayout()); }},
    {L"VirtualListBox", []() -> Control* { return new VirtualListBox(); }},
    {L"ListContainerElement", []() -> Control* { return new ListContainerElement(); }},
    {L"TreeView", []() -> Control* { return new TreeView(); }},
    {L"TreeNode", []() -> Control* { return new TreeNode(); }},
    {L"ScrollBar", []() -> Control* { return new ScrollBar(); }},
    {L"Progress", []() -> Control* { return new Progress(); }},
    {L"CircleProgress", []() -> Control* { return new CircleProgress(); }},
    {L"Slider", []() -> Control* { return new Slider(); }},
    {L"Combo", nullptr},
    {L"RichEdit", nullptr},
};

const struct {
  const wchar_t* name;
  int type;
} kEventNames[] = {
    {L"all", kEventAll},
    {L"keydown", kEventKeyDown},
    {L"keyup", kEventKeyUp},
    {L"char", kEventChar},
    {L"syskey", kEventSysKey},
    {L"mousemove", kEventMouseMove},
    {L"mouseenter", kEventMouseEnter},
    {L"mouseleave", kEventMouseLeave},
    {L"mousehover", kEventMouseHover},
    {L"buttondown", kEventButtonDown},
    {L"buttonup", kEventButtonUp},
    {L"rbuttondown", kEventRButtonDown},
    {L"doubleclick", kEventDoubleClick},
    {L"menu", kEventMenu},
    {L"scrollwheel", kEventScrollWheel},
    {L"setfocus", kEventSetFocus},
    {L"killfocus", kEventKillFocus},
    {L"windowclose", kEventWindowClose},
    {L"setcursor", kEventSetCursor},
    {L"select", kEventSelect},
    {L"unselect", kEventUnselect},
    {L"return", kEventReturn},
    {L"tab", kEventTab},
    {L"scrollchange", kEventScrollChange},
    {L"valuechange", kEventValueChange},
};

// Attributes of a "Window" root handed to the native window, in the order
// written.
const wchar_t* const kWindowAttributes[] = {
    L"size",        L"edging",         L"expand",         L"heightpercent", L"sizebox",
    L"caption",     L"textid",         L"roundcorner",    L"mininfo",       L"maxinfo",
    L"shadowattached", L"shadowimage", L"shadowcorner",   L"alphafixcorner", L"custom_shadow",
};

// Include attributes are read up to this many characters.
constexpr size_t kMaxIncludeText = 499;

// Builds running, nested through includes, and the include builds made
// since the outermost one began: repeats multiply through the levels, so
// they are counted in all.
int g_build_depth = 0;
int g_include_builds = 0;
// Elements walked since the outermost build began (controls, and elements
// nobody makes); once the cap is met the rest of every walk is skipped, and
// that is said once.
int g_controls_made = 0;
bool g_controls_capped = false;

// Skin files being built, outermost first: an include already on it would
// loop.
std::vector<std::string>& IncludeStack() {
  static std::vector<std::string> stack;
  return stack;
}

class IncludeStackEntry {
 public:
  explicit IncludeStackEntry(std::string key) : active_(!key.empty()) {
    if (active_) IncludeStack().push_back(std::move(key));
  }
  ~IncludeStackEntry() {
    if (active_) IncludeStack().pop_back();
  }

 private:
  bool active_;
};

std::string IncludeKey(const std::wstring& source) {
  std::string key = WideToUtf8(
      GlobalResources::ArchivePath(GlobalResources::Instance().GetResourceRoot() + source));
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return key;
}

bool IsResourceElement(const std::wstring& name) {
  return name == L"Image" || name == L"Font" || name == L"Class" || name == L"TextColor";
}

bool IsTrue(const wchar_t* value) { return std::wcscmp(value, L"true") == 0; }

// "value" is raw list text; "_value" and any other name become name="value".
std::wstring ClassAttributeList(MarkupNode node, std::wstring* name) {
  std::wstring list;
  for (int i = 0, n = node.AttributeCount(); i < n; ++i) {
    const std::wstring key = node.AttributeName(i);
    const wchar_t* value = node.AttributeValue(i);
    if (key == L"name") {
      *name = value;
    } else if (key == L"value") {
      list += value;
    } else {
      list += L' ';
      list += key == L"_value" ? L"value" : key;
      list += L"=\"";
      list += value;
      list += L'"';
    }
  }
  size_t begin = 0;
  while (begin < list.size() && (list[begin] == L' ' || list[begin] < 30)) ++begin;
  return list.substr(begin);
}

// A "Font" element as written; the global resources make the font.
struct FontElement {
  std::wstring id;
  std::wstring face;
  int size = 12;
  bool bold = false;
  bool underline = false;
  bool italic = false;
  bool is_default = false;
};

void AddFontElement(MarkupNode node) {
  FontElement font;
  for (int i = 0, n = node.AttributeCount(); i < n; ++i) {
    const std::wstring key = node.AttributeName(i);
    const wchar_t* value = node.AttributeValue(i);
    if (key == L"id") {
      font.id = value;
    } else if (key == L"name") {
      font.face = value;
    } else if (key == L"size") {
      font.size = static_cast<int>(std::wcstol(value, nullptr, 10));
    } else if (key == L"bold") {
      font.bold = IsTrue(value);
    } else if (key == L"underline") {
      font.underline = IsTrue(value);
    } else if (key == L"italic") {
      font.italic = IsTrue(value);
    } else if (key == L"default") {
      font.is_default = IsTrue(value);
    }
  }
  if (!font.face.empty()) {
    GlobalResources::Instance().AddFont(font.id, font.face, font.size, font.bold, font.underline,
                                        font.italic, font.is_default);
  }
}

void AddTextColorElement(MarkupNode node) {
  std::wstring name, value;
  for (int i = 0, n = node.AttributeCount(); i < n; ++i) {
    const std::wstring key = node.AttributeName(i);
    if (key == L"name") name = node.AttributeValue(i);
    if (key == L"value") value = node.AttributeValue(i);
  }
  // An empty value has no colour to give.
  if (name.empty() || value.empty()) return;
  GlobalResources::Instance().colors[name] =
      static_cast<uint32_t>(std::wcstoul(value.c_str() + 1, nullptr, 16));
}

}  // namespace

int EventTypeFromName(const std::wstring& name) {
  for (const auto& event : kEventNames) {
    if (name == event.name) return event.type;
  }
  return kEventUnknown;
}

std::unique_ptr<Control> SkinBuilder::MakeControl(const std::wstring& name) {
  for (const auto& element : kElements) {
    if (name == element.name) return std::unique_ptr<Control>(element.make ? element.make() : nullptr);
  }
  return nullptr;
}

bool SkinBuilder::Load(const std::wstring& source) {
  GlobalResources& resources = GlobalResources::Instance();
  source_.clear();
  if (!source.empty() && source[0] == L'<') return document_.LoadText(source.c_str());
  source_ = source;
  std::string bytes;
  const std::wstring path = resources.GetResourceRoot() + source;
  if (resources.archive()) {
    if (resources.ReadResourceBytes(path, &bytes, MarkupDocument::kMaxFileBytes)) {
      // Found in the archive: a bad entry fails without trying the disk.
      return document_.LoadUtf8(bytes.data(), bytes.size());
    }
    // Too large to read: refused before anything is inflated.
    if (resources.GetArchiveError() == kArchiveBadArgument) {
      return document_.LoadUtf8(nullptr, MarkupDocument::kMaxFileBytes + 1);
    }
  }
  return document_.LoadFile(source, resources.GetResourceRoot());
}

std::unique_ptr<Control> SkinBuilder::BuildFromMarkup(const std::wstring& source,
                                                      CreateControlCallback callback,
                                                      Window* window) {
  if (!LoadReporting(source)) return nullptr;
  return BuildFromDocument(std::move(callback), window);
}

Control* SkinBuilder::BuildFromMarkup(const std::wstring& source, CreateControlCallback callback,
                                      Window* window, Control* parent, Box* box) {
  if (!LoadReporting(source)) return nullptr;
  return BuildFromDocument(std::move(callback), window, parent, box);
}

bool SkinBuilder::LoadReporting(const std::wstring& source) {
  if (Load(source)) return true;
  AddProblem(L"Cannot load " + (source_.empty() ? std::wstring(L"markup") : source_) + L": " +
             document_.GetErrorMessage());
  return false;
}

std::unique_ptr<Control> SkinBuilder::BuildFromDocument(CreateControlCallback callback,
                                                        Window* window) {
  Control* placed = nullptr;
  return BuildTree(std::move(callback), window, nullptr, nullptr, &placed);
}

Control* SkinBuilder::BuildFromDocument(CreateControlCallback callback, Window* window,
                                        Control* parent, Box* box) {
  Control* placed = nullptr;
  // Without a parent or box, what was made has no owner and goes now.
  BuildTree(std::move(callback), window, parent, box, &placed);
  return placed;
}

std::unique_ptr<Control> SkinBuilder::BuildTree(CreateControlCallback callback, Window* window,
                                                Control* parent, Box* box, Control** placed) {
  callback_ = std::move(callback);
  MarkupNode root = document_.GetRoot();
  if (!root.IsValid()) return nullptr;
  struct BuildScope {
    BuildScope() {
      if (g_build_depth++ == 0) {
        g_include_builds = 0;
        g_controls_made = 0;
        g_controls_capped = false;
      }
    }
    ~BuildScope() { --g_build_depth; }
  } build_scope;
  IncludeStackEntry on_stack(source_.empty() ? std::string() : IncludeKey(source_));

  if (window) {
    const std::wstring root_name = root.Name();
    if (root_name == L"Global") {
      ApplyGlobalRoot(root);
    } else if (root_name == L"Window") {
      ApplyWindowRoot(root, window);
    }
  }

  MarkupNode first = root.FirstChild();
  while (first.IsValid() && IsResourceElement(first.Name())) first = first.NextSibling();
  if (!first.IsValid()) return nullptr;
  if (box) {
    for (int i = 0, n = first.AttributeCount(); i < n; ++i) {
      box->SetAttribute(first.AttributeName(i), first.AttributeValue(i));
    }
    ParseInto(first, box, window, nullptr);
    *placed = box;
    return nullptr;
  }
  std::unique_ptr<Control> top;
  *placed = ParseInto(root, parent, window, &top);
  return top;
}

void SkinBuilder::ApplyGlobalRoot(MarkupNode root) {
  GlobalResources& resources = GlobalResources::Instance();
  for (int i = 0, n = root.AttributeCount(); i < n; ++i) {
    const std::wstring name = root.AttributeName(i);
    if (name == L"disabledfontcolor") {
      resources.default_disabled_text_color = root.AttributeValue(i);
    } else if (name == L"defaultfontcolor") {
      resources.default_text_color = root.AttributeValue(i);
    }
    // "linkfontcolor", "linkhoverfontcolor" and "selectedcolor" have no
    // setting to feed.
  }
  for (MarkupNode child = root.FirstChild(); child.IsValid(); child = child.NextSibling()) {
    const std::wstring name = child.Name();
    if (name == L"Font") {
      AddFontElement(child);
    } else if (name == L"TextColor") {
      AddTextColorElement(child);
    } else if (name == L"Class") {
      std::wstring class_name;
      const std::wstring list = ClassAttributeList(child, &class_name);
      if (!class_name.empty()) GlobalResources::Instance().AddClass(class_name, list);
    }
  }
}

void SkinBuilder::ApplyWindowRoot(MarkupNode root, Window* window) {
  const auto& handler = GlobalResources::Instance().window_attribute_handler;
  if (window->GetHWND()) {
    for (int i = 0, n = root.AttributeCount(); i < n; ++i) {
      const std::wstring name = root.AttributeName(i);
      for (const wchar_t* known : kWindowAttributes) {
        if (name != known) continue;
        if (handler)
          handler(window, name, root.AttributeValue(i));
        else
          window->ApplyWindowAttribute(name, root.AttributeValue(i));
        break;
      }
    }
  }
  for (MarkupNode child = root.FirstChild(); child.IsValid(); child = child.NextSibling()) {
    if (std::wcscmp(child.Name(), L"Class") != 0) continue;
    std::wstring class_name;
    const std::wstring list = ClassAttributeList(child, &class_name);
    if (!class_name.empty()) window->AddClass(class_name, list);
  }
}

std::unique_ptr<Control> SkinBuilder::AskCallbacks(const std::wstring& name) {
  // A callback's answer is a new control that the builder now owns.
  const CreateControlCallback& global = GlobalResources::Instance().create_control_callback;
  if (global) {
    if (Control* control = global(name)) return std::unique_ptr<Control>(control);
  }
  if (callback_) {
    if (Control* control = callback_(name)) return std::unique_ptr<Control>(control);
  }
  return nullptr;
}

std::unique_ptr<Control> SkinBuilder::ParseChildren(MarkupNode node, Control* parent,
                                                    Window* window) {
  std::unique_ptr<Control> top;
  ParseInto(node, parent, window, &top);
  return top;
}

Control* SkinBuilder::ParseInto(MarkupNode node, Control* parent, Window* window,
                                std::unique_ptr<Control>* top) {
  // Nesting counts across includes, so included files cannot stack up
  // deeper than one document may be.
  static int depth = 0;
  if (depth >= MarkupDocument::kMaxDepth) {
    AddProblem(L"Elements nested too deeply, skipped below " + std::wstring(node.Name()));
    return nullptr;
  }
  struct DepthScope {
    DepthScope() { ++depth; }
    ~DepthScope() { --depth; }
  } scope;

  Control* first = nullptr;
  Box* parent_box = dynamic_cast<Box*>(parent);
  for (MarkupNode child = node.FirstChild(); child.IsValid(); child = child.NextSibling()) {
    const std::wstring name = child.Name();
    if (IsResourceElement(name)) continue;
    if (name == L"Include") {
      Include(child, parent, window);
      continue;
    }
    // Unknown elements and events count too: they cost a walk as well.
    if (++g_controls_made > kMaxControls) {
      if (!g_controls_capped) {
        g_controls_capped = true;
        AddProblem(L"Controls stopped after " + std::to_wstring(kMaxControls) + L" in " +
                   (source_.empty() ? std::wstring(L"markup") : source_));
      }
      break;
    }
    std::unique_ptr<Control> control = MakeControl(name);
    if (!control && (name == L"Event" || name == L"BubbledEvent")) {
      AttachMarkupEvent(name == L"BubbledEvent", child, parent);
      continue;
    }
    if (!control) control = AskCallbacks(name);
    if (!control) {
      AddProblem(L"Unknown element: " + name);
      continue;
    }
    static_cast<PlaceHolder*>(control.get())->SetWindow(window);
    for (int i = 0, n = child.AttributeCount(); i < n; ++i) {
      control->SetAttribute(child.AttributeName(i), child.AttributeValue(i));
    }
    if (child.HasChildren()) ParseInto(child, control.get(), window, nullptr);

    Control* made = control.get();
    if (parent_box) {
      // A control the box refuses is dropped here.
      if (!parent_box->Add(std::move(control))) continue;
    } else if (parent) {
      // A control is no container: the walk of its children ends here.
      return nullptr;
    } else if (first || !top) {
      // Only the first top-level control is handed back; nobody would own
      // the others.
      continue;
    } else {
      *top = std::move(control);
    }
    if (!first) first = made;
  }
  return first;
}

void SkinBuilder::Include(MarkupNode node, Control* parent, Window* window) {
  std::wstring source;
  long count = 1;
  for (int i = 0, n = node.AttributeCount(); i < n; ++i) {
    const std::wstring key = node.AttributeName(i);
    const std::wstring value = std::wstring(node.AttributeValue(i)).substr(0, kMaxIncludeText);
    if (key == L"count") count = std::wcstol(value.c_str(), nullptr, 10);
    if (key == L"source") source = value;
  }
  if (source.empty() || count <= 0) return;
  // A path from markup must stay under the resource root.
  if (!StaysInsideFolder(source)) {
    AddProblem(L"Include refused, outside the skin: " + source);
    return;
  }
  const std::string key = IncludeKey(source);
  for (const std::string& open : IncludeStack()) {
    if (open == key) {
      AddProblem(L"Include refused, includes itself: " + source);
      return;
    }
  }
  if (IncludeStack().size() >= static_cast<size_t>(kMaxIncludeDepth)) {
    AddProblem(L"Include refused, nested too deeply: " + source);
    return;
  }
  if (count > kMaxIncludeRepeat) {
    AddProblem(L"Include repeated only " + std::to_wstring(kMaxIncludeRepeat) + L" times: " +
               source);
    count = kMaxIncludeRepeat;
  }
  // One load serves every repetition.
  SkinBuilder included;
  for (long i = 0; i < count; ++i) {
    if (++g_include_builds > kMaxIncludeBuilds) {
      AddProblem(L"Includes stopped after " + std::to_wstring(kMaxIncludeBuilds) + L" builds: " +
                 source);
      break;
    }
    // Without a parent nobody holds what the include made: it is dropped.
    if (i == 0)
      included.BuildFromMarkup(source, callback_, window, parent, nullptr);
    else
      included.BuildFromDocument(callback_, window, parent, nullptr);
    if (i == 0 && !included.document().GetRoot().IsValid()) break;
    if (g_controls_capped) break;
  }
  for (std::wstring& problem : included.problems_) AddProblem(std::move(problem));
}

void SkinBuilder::AddProblem(std::wstring problem) {
  // The same unknown element a thousand times is one problem.
  if (std::find(problems_.begin(), problems_.end(), problem) != problems_.end()) return;
  if (problems_.size() < kMaxProblems) {
    problems_.push_back(std::move(problem));
  } else if (problems_.size() == kMaxProblems) {
    problems_.push_back(L"More problems not listed");
  }
}

void SkinBuilder::AttachMarkupEvent(bool bubbled, MarkupNode node, Control* control) {
  std::wstring types, receivers, attributes;
  for (int i = 0, n = node.AttributeCount(); i < n; ++i) {
    const std::wstring key = node.AttributeName(i);
    if (key == L"type") types = node.AttributeValue(i);
    if (key == L"receiver") receivers = node.AttributeValue(i);
    if (key == L"applyattribute") attributes = node.AttributeValue(i);
  }
  if (!control) return;
  Box* box = bubbled ? dynamic_cast<Box*>(control) : nullptr;
  if (bubbled && !box) return;
  for (const std::wstring& type_name : SplitText(types, L' ')) {
    const int type = EventTypeFromName(type_name);
    for (const std::wstring& receiver : SplitText(receivers, L' ')) {
      EventCallback binding = control->ToWeakCallback(
          [control, receiver, attributes](EventArgs* args) {
            return control->OnApplyAttributeList(receiver, attributes, args);
          });
      if (box) {
        box->AttachMarkupBubbledEvent(type, std::move(binding));
      } else {
        control->AttachMarkupEvent(type, std::move(binding));
      }
    }
  }
}

}  // namespace ui
