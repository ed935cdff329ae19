// Resources compiled into the program (pages, images), found by type and
// name the way a program finds the resources of its own file: the about
// box's page is resource 123 of type 23 (HTML). Code generated at build time
// (cmake/embed_resources.cmake) adds them; the bytes stay where the program
// keeps them. Types and names compare ignoring ASCII case; numeric ids are
// written in decimal ("123").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace htmlayout {

// The type of HTML pages.
inline constexpr uint32_t html_resource_type = 23;

// Adds (or replaces) a resource; `bytes` must outlive every use (static data).
void add_program_resource(std::string_view type, std::string_view name, std::string_view bytes);

// The bytes of the resource, or nullopt when the program holds none of that
// type and name.
std::optional<std::string_view> find_program_resource(std::string_view type, std::string_view name);

}  // namespace htmlayout
