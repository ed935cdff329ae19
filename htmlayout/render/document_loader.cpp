#include "htmlayout/render/document_loader.h"

#include <gumbo.h>

#include <memory>
#include <vector>

#include "htmlayout/render/default_style.h"
#include "htmlayout/render/restyle.h"

namespace htmlayout::render {

namespace {

struct style_element {
  std::string text;
  std::string media;
};

void collect_style_elements(const GumboNode& node, std::vector<style_element>& out) {
  if (node.type != GUMBO_NODE_ELEMENT) return;
  const GumboElement& element = node.v.element;
  if (element.tag == GUMBO_TAG_STYLE) {
    style_element style;
    if (const GumboAttribute* media = gumbo_get_attribute(&element.attributes, "media"))
      style.media = media->value;
    for (unsigned i = 0; i < element.children.length; ++i) {
      const auto* child = static_cast<const GumboNode*>(element.children.data[i]);
      if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE)
        style.text += child->v.text.text;
    }
    out.push_back(std::move(style));
    return;
  }
  for (unsigned i = 0; i < element.children.length; ++i)
    collect_style_elements(*static_cast<const GumboNode*>(element.children.data[i]), out);
}

// The page's <style> elements in document order. litehtml keeps their text
// to itself (a style element is not an html_tag and hides its children).
std::vector<style_element> style_elements(const std::string& html) {
  std::unique_ptr<GumboOutput, void (*)(GumboOutput*)> output(
      gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size()),
      [](GumboOutput* parsed) { gumbo_destroy_output(&kGumboDefaultOptions, parsed); });
  std::vector<style_element> found;
  collect_style_elements(*output->root, found);
  return found;
}

}  // namespace

loaded_document load_document(const std::string& html, litehtml::document_container& container,
                              const std::string& extra_css) {
  litehtml::context& context = default_context();
  // litehtml wraps table parts in anonymous table boxes once, while it creates
  // the document, so the displays the extra sheet sets must be known then: it
  // goes in as the user sheet, parsed against a scratch document.
  litehtml::css early_extra;
  if (!extra_css.empty()) {
    auto scratch = std::make_shared<litehtml::document>(&container, &context);
    early_extra.parse_stylesheet(extra_css.c_str(), "", scratch, nullptr);
    early_extra.sort_selectors();
  }
  loaded_document loaded;
  loaded.document = litehtml::document::createFromString(
      html.c_str(), &container, &context, extra_css.empty() ? nullptr : &early_extra);
  loaded.sheets.master = &context.master_css();
  if (!loaded.document->root()) return loaded;

  for (const style_element& style : style_elements(html)) {
    litehtml::media_query_list::ptr media;
    if (!style.media.empty())
      media = litehtml::media_query_list::create_from_string(style.media, loaded.document);
    loaded.sheets.author.parse_stylesheet(style.text.c_str(), "", loaded.document, media);
  }
  if (!extra_css.empty())
    loaded.sheets.author.parse_stylesheet(extra_css.c_str(), "", loaded.document, nullptr);
  loaded.sheets.author.sort_selectors();
  // Brings the @media rules just parsed up to date with the container's media.
  loaded.document->media_changed();
  // The document styled itself from its private copy of the <style> sheets;
  // style it again from the sheets kept here so later restyles agree with it.
  restyle(loaded.document->root(), loaded.sheets);
  return loaded;
}

}  // namespace htmlayout::render
