#include "htmlayout/render/litehtml_access.h"

namespace htmlayout::render::detail {

namespace {

// The list is private to litehtml::document. Access checking does not apply to
// the template arguments of an explicit instantiation, so instantiating this
// template with a pointer to that member defines the friend below, which is
// then the one way this program reaches it.
template <litehtml::elements_vector litehtml::document::*Member>
struct document_table_parts {
  friend litehtml::elements_vector& table_parts_of(litehtml::document& doc) { return doc.*Member; }
};
template struct document_table_parts<&litehtml::document::m_tabular_elements>;

litehtml::elements_vector& table_parts_of(litehtml::document& doc);

}  // namespace

void release_table_parts(litehtml::document& doc) {
  table_parts_of(doc).clear();
  table_parts_of(doc).shrink_to_fit();
}

}  // namespace htmlayout::render::detail
