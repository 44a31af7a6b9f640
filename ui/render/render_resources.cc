#include "ui/render/render_resources.h"

namespace ui {
namespace {

IRenderResources* g_resources = nullptr;

}  // namespace

IRenderResources* SetRenderResources(IRenderResources* resources) {
  IRenderResources* previous = g_resources;
  g_resources = resources;
  return previous;
}

IRenderResources* GetRenderResources() { return g_resources; }

}  // namespace ui
