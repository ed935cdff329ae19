// Which box of an element a position means: its content, padding, border or
// margin box, as CSS draws them one inside the other.
#pragma once

namespace htmlayout::render {

enum class box_area { content, padding, border, margin };

}  // namespace htmlayout::render
