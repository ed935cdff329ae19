#include "htmlayout/render/row_list.h"

#include <atomic>

namespace htmlayout::render {

namespace {
std::atomic<bool> culling_enabled{true};
}

void set_row_culling(bool enabled) { culling_enabled = enabled; }
bool row_culling() { return culling_enabled; }

}  // namespace htmlayout::render
