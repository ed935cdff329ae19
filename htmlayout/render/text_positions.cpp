#include "htmlayout/render/text_positions.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "htmlayout/render/litehtml_access.h"
#include "htmlayout/render/locate.h"
#include "htmlayout/render/mirror_access.h"

namespace htmlayout::render {

namespace {

// One word or space of the element's text as litehtml laid it out.
struct piece {
  litehtml::element::ptr node;
  std::string text;        // UTF-8
  std::size_t first = 0;   // its first character's offset in the whole text
  std::size_t length = 0;  // in characters
  litehtml::position box;  // in window coordinates
};

std::size_t code_points(const std::string& utf8) {
  std::size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

// The bytes of the first `count` characters of `utf8`.
std::string prefix(const std::string& utf8, std::size_t count) {
  std::size_t at = 0;
  for (std::size_t seen = 0; at < utf8.size(); ++at) {
    if ((static_cast<unsigned char>(utf8[at]) & 0xC0) != 0x80) {
      if (seen == count) break;
      ++seen;
    }
  }
  return utf8.substr(0, at);
}

// The text leaves under `el` in document order.
void collect(const litehtml::element::ptr& el, std::vector<piece>& out, std::size_t& offset) {
  litehtml::html_tag* tag = detail::as_tag(el);
  if (!tag) {
    piece p;
    p.node = el;
    el->get_text(p.text);
    p.first = offset;
    p.length = code_points(p.text);
    p.box = locate(el);
    offset += p.length;
    out.push_back(std::move(p));
    return;
  }
  for (const auto& child : tag->children()) collect(child, out, offset);
}

int width_of(const litehtml::document::ptr& doc, const piece& p, std::size_t characters) {
  if (characters == 0) return 0;
  if (characters >= p.length) return p.box.width;
  const std::string text = prefix(p.text, characters);
  return doc->container()->text_width(text.c_str(), p.node->get_font());
}

bool laid_out(const litehtml::position& box) {
  return box.width != 0 || box.height != 0 || box.x != 0 || box.y != 0;
}

bool laid_out(const rect& box) {
  return box.left != 0 || box.top != 0 || box.right != 0 || box.bottom != 0;
}

}  // namespace

litehtml::position caret_box(renderer& view, const dom::element& e, std::size_t offset) {
  const rect content = view.location(e, box_area::content);
  litehtml::element::ptr mirror = mirror_of(view, e);
  if (!mirror || !laid_out(content)) return {};
  std::vector<piece> pieces;
  std::size_t total = 0;
  collect(mirror, pieces, total);
  std::erase_if(pieces, [](const piece& p) { return !laid_out(p.box); });
  if (pieces.empty()) {
    // Where the first line's text would stand: a font high, in the middle
    // of a line's height.
    litehtml::font_metrics metrics;
    mirror->get_font(&metrics);
    const int height = std::max(1, metrics.height);
    const int leading = std::max(0, mirror->line_height() - height);
    return {content.left, content.top + leading / 2, 1, height};
  }
  for (const piece& p : pieces) {
    if (offset < p.first + p.length) {
      const int x =
          p.box.x + width_of(mirror_document(view), p, offset - std::min(offset, p.first));
      return {x, p.box.y, 1, p.box.height};
    }
  }
  const piece& last = pieces.back();
  return {last.box.right(), last.box.y, 1, last.box.height};
}

std::optional<std::size_t> text_offset_at(renderer& view, const dom::element& e, int x, int y) {
  const rect content = view.location(e, box_area::content);
  litehtml::element::ptr mirror = mirror_of(view, e);
  if (!mirror || !laid_out(content)) return std::nullopt;
  std::vector<piece> pieces;
  std::size_t total = 0;
  collect(mirror, pieces, total);
  std::erase_if(pieces, [](const piece& p) { return !laid_out(p.box); });
  if (pieces.empty()) return 0;

  // The line: the pieces whose vertical extent is nearest to y.
  auto vertical_distance = [y](const piece& p) {
    if (y < p.box.y) return p.box.y - y;
    if (y >= p.box.bottom()) return y - p.box.bottom() + 1;
    return 0;
  };
  int line_distance = INT_MAX;
  for (const piece& p : pieces) line_distance = std::min(line_distance, vertical_distance(p));

  // On that line, the piece nearest to x, and in it the nearest boundary.
  const piece* nearest = nullptr;
  int piece_distance = INT_MAX;
  for (const piece& p : pieces) {
    if (vertical_distance(p) != line_distance) continue;
    const int distance = x < p.box.x ? p.box.x - x : (x > p.box.right() ? x - p.box.right() : 0);
    if (distance < piece_distance) nearest = &p, piece_distance = distance;
  }
  std::size_t best = nearest->first;
  int best_distance = INT_MAX;
  for (std::size_t k = 0; k <= nearest->length; ++k) {
    const int distance =
        std::abs(x - (nearest->box.x + width_of(mirror_document(view), *nearest, k)));
    if (distance < best_distance) best = nearest->first + k, best_distance = distance;
  }
  return best;
}

}  // namespace htmlayout::render
