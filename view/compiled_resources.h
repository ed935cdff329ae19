// The resources compiled into the program (cmake/embed_resources.cmake,
// view/CMakeLists.txt): the about box's page, resource 123 of type 23.
#pragma once

namespace pvl {

// Adds them to the program's resources (htmlayout/program_resources.h);
// calls after the first do nothing.
void add_compiled_resources();

}  // namespace pvl
