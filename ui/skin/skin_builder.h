// SkinBuilder: turns skin markup into a tree of controls.
//
// Loads a skin file from the skin archive or the disk (or takes markup text
// directly), applies the root's window settings or global resources (fonts,
// text colours, classes), then makes one control per element through a fixed
// table of element names, asking create-control callbacks for names it does
// not know. "Include" splices in other skin files; "Event" and
// "BubbledEvent" bind attribute lists to other controls.
//
// Skins may come from a server: includes are refused when they name a place
// outside the resource root, include themselves (directly or through a
// cycle), nest too deeply or repeat too often, in one place or in all; one
// build walks at most kMaxControls elements. Elements nobody makes a control
// for, and every refusal, are listed in GetProblems().
//
// Ownership: the builder owns its document. A build without a parent or box
// hands the caller the first top-level control as a std::unique_ptr; a build
// into a parent or box leaves everything it made to them and returns a plain
// pointer to what it filled. Controls made but attached nowhere are deleted
// before the build returns. Controls answered by create-control callbacks
// belong to the builder from then on. UI thread only.
#ifndef UI_SKIN_SKIN_BUILDER_H_
#define UI_SKIN_SKIN_BUILDER_H_

#include <memory>
#include <string>
#include <vector>

#include "ui/skin/markup_document.h"
#include "ui/core/global_resources.h"

namespace ui {

class Box;
class Control;
class Window;

// The event type of a markup event name; kEventUnknown for any other name.
int EventTypeFromName(const std::wstring& name);

class SkinBuilder {
 public:
  static constexpr int kMaxIncludeDepth = 16;
  static constexpr int kMaxIncludeRepeat = 100;
  // Include builds in all, from one outermost build.
  static constexpr int kMaxIncludeBuilds = 1000;
  // Elements made into controls (or found unknown) in all by one outermost
  // build, its includes counted.
  static constexpr int kMaxControls = 10000;
  // Problem lines kept; one more says that others were dropped.
  static constexpr size_t kMaxProblems = 100;

  SkinBuilder() = default;
  SkinBuilder(const SkinBuilder&) = delete;
  SkinBuilder& operator=(const SkinBuilder&) = delete;

  // `source` is markup text when it starts with "<", else a skin file path
  // under the resource root. The caller owns the first top-level control;
  // null when nothing was loaded or built.
  std::unique_ptr<Control> BuildFromMarkup(const std::wstring& source,
                                           CreateControlCallback callback, Window* window);
  // Builds into `box` (the first element's attributes go to the box, its
  // children become items) or under `parent`, which own what is made; with
  // neither, the result is dropped. Returns the box, or the first control
  // placed under `parent`; null when nothing was loaded or built.
  Control* BuildFromMarkup(const std::wstring& source, CreateControlCallback callback,
                           Window* window, Control* parent, Box* box);
  // The same from the document already loaded.
  std::unique_ptr<Control> BuildFromDocument(CreateControlCallback callback, Window* window);
  Control* BuildFromDocument(CreateControlCallback callback, Window* window, Control* parent,
                             Box* box);
  // One control per child element of `node`, placed under `parent`; without
  // a parent the caller owns the first top-level control.
  std::unique_ptr<Control> ParseChildren(MarkupNode node, Control* parent, Window* window);
  // The element table; null for names it does not hold or whose control is
  // not built yet.
  static std::unique_ptr<Control> MakeControl(const std::wstring& name);
  void AttachMarkupEvent(bool bubbled, MarkupNode node, Control* control);

  MarkupDocument& document() { return document_; }
  // Elements skipped as unknown and includes refused, as readable lines.
  const std::vector<std::wstring>& GetProblems() const { return problems_; }

 private:
  bool Load(const std::wstring& source);
  // Load, with a problem line when it fails.
  bool LoadReporting(const std::wstring& source);
  // The build: an owned top-level control when neither parent nor box is
  // given; `placed` gets what BuildFromDocument's filling form returns.
  std::unique_ptr<Control> BuildTree(CreateControlCallback callback, Window* window,
                                     Control* parent, Box* box, Control** placed);
  // ParseChildren's walk: the first control made (placed under the parent,
  // or handed over in `top` without one).
  Control* ParseInto(MarkupNode node, Control* parent, Window* window,
                     std::unique_ptr<Control>* top);
  void ApplyGlobalRoot(MarkupNode root);
  void ApplyWindowRoot(MarkupNode root, Window* window);
  void Include(MarkupNode node, Control* parent, Window* window);
  std::unique_ptr<Control> AskCallbacks(const std::wstring& name);
  void AddProblem(std::wstring problem);

  MarkupDocument document_;
  CreateControlCallback callback_;
  std::wstring source_;  // the file loaded, empty for markup text
  std::vector<std::wstring> problems_;
};

}  // namespace ui

#endif  // UI_SKIN_SKIN_BUILDER_H_
