#include "htmlayout/render/document_loader.h"

#include "htmlayout/render/default_style.h"
#include "htmlayout/render/litehtml_access.h"
#include "htmlayout/render/restyle.h"

namespace htmlayout::render {

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

  litehtml::element::ptr root = loaded.document->root();
  for (const auto& style : root->select_all(std::string("style"))) {
    std::string text;
    style->get_text(text);
    loaded.sheets.author.parse_stylesheet(text.c_str(), "", loaded.document, nullptr);
  }
  if (!extra_css.empty())
    loaded.sheets.author.parse_stylesheet(extra_css.c_str(), "", loaded.document, nullptr);
  loaded.sheets.author.sort_selectors();
  // Brings the @media rules just parsed up to date with the container's media.
  loaded.document->media_changed();
  // The document styled itself from its private copy of the <style> sheets;
  // style it again from the sheets kept here so later restyles agree with it.
  restyle(root, loaded.sheets);
  return loaded;
}

}  // namespace htmlayout::render
