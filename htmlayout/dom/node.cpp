#include "htmlayout/dom/node.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace htmlayout {

void child_list::grow() {
  // Small lists grow by one at the back; longer ones double and keep the
  // children in the middle, so that both ends have room.
  size_t count = size();
  size_t capacity = count < 4 ? count + 1 : 2 * count + 2;
  size_t first = count < 4 ? 0 : (capacity - count) / 2;
  node** data = capacity <= 1 ? &single_ : new node*[capacity];
  node** old = storage();
  for (size_t i = 0; i < count; ++i) {
    data[first + i] = old[begin_ + i];
    data[first + i]->slot = static_cast<uint32_t>(first + i);
  }
  if (capacity_ > 1) delete[] data_;
  if (capacity > 1) data_ = data;
  begin_ = static_cast<uint32_t>(first);
  end_ = static_cast<uint32_t>(first + count);
  capacity_ = static_cast<uint32_t>(capacity);
}

void child_list::reserve(size_t n) {
  if (!empty() || n <= capacity_) return;
  release();
  if (n > 1) data_ = new node*[n];
  capacity_ = static_cast<uint32_t>(n);
}

void child_list::release() {
  if (capacity_ > 1) delete[] data_;
  single_ = nullptr;
  begin_ = end_ = capacity_ = text_count_ = 0;
}

void child_list::insert(size_t index, node* n) {
  size_t count = size();
  // Move the shorter side; when it has no room left, re-centre the children
  // in a larger array rather than move the longer side. Lists of fewer than
  // four grow at the back.
  bool shift_front = index < count - index && (begin_ > 0 || count >= 4);
  if (shift_front ? begin_ == 0 : end_ == capacity_) grow();
  node** data = storage();
  if (shift_front) {
    --begin_;
    for (size_t i = 0; i < index; ++i) {
      node* moved = data[begin_ + i + 1];
      data[begin_ + i] = moved;
      moved->slot = begin_ + static_cast<uint32_t>(i);
    }
  } else {
    for (size_t i = count; i > index; --i) {
      node* moved = data[begin_ + i - 1];
      data[begin_ + i] = moved;
      moved->slot = begin_ + static_cast<uint32_t>(i);
    }
    ++end_;
  }
  data[begin_ + index] = n;
  n->slot = begin_ + static_cast<uint32_t>(index);
  if (n->kind == node_kind::text) ++text_count_;
}

void child_list::erase(size_t index) {
  size_t count = size();
  node** data = storage();
  if (data[begin_ + index]->kind == node_kind::text) --text_count_;
  if (index < count - 1 - index) {
    for (size_t i = index; i > 0; --i) {
      node* moved = data[begin_ + i - 1];
      data[begin_ + i] = moved;
      moved->slot = begin_ + static_cast<uint32_t>(i);
    }
    ++begin_;
  } else {
    for (size_t i = index; i + 1 < count; ++i) {
      node* moved = data[begin_ + i + 1];
      data[begin_ + i] = moved;
      moved->slot = begin_ + static_cast<uint32_t>(i);
    }
    --end_;
  }
  if (begin_ == end_) begin_ = end_ = 0;
}

void child_list::clear() { release(); }

void child_list::swap(child_list& other) {
  // A single child sits in the union itself, so the raw fields go across as
  // they are and the children's slots stay right.
  std::swap(data_, other.data_);
  std::swap(begin_, other.begin_);
  std::swap(end_, other.end_);
  std::swap(capacity_, other.capacity_);
  std::swap(text_count_, other.text_count_);
}

void child_list::assign(const std::vector<node*>& nodes) {
  release();
  reserve(nodes.size());
  node** data = storage();
  for (node* n : nodes) {
    data[end_] = n;
    n->slot = end_++;
    if (n->kind == node_kind::text) ++text_count_;
  }
}

void attribute_list::push_back(attribute a) {
  std::vector<attribute> all;
  all.reserve(size_ + 1);
  for (attribute& existing : *this) all.push_back(std::move(existing));
  all.push_back(std::move(a));
  assign(std::move(all));
}

void attribute_list::assign(std::vector<attribute>&& attributes) {
  clear();
  size_t n = attributes.size();
  if (n <= inline_capacity) {
    for (size_t i = 0; i < n; ++i)
      new (in_place_ + i * sizeof(attribute)) attribute(std::move(attributes[i]));
  } else {
    attribute* p = new attribute[n];
    for (size_t i = 0; i < n; ++i) p[i] = std::move(attributes[i]);
    set_heap(p);
  }
  size_ = static_cast<uint32_t>(n);
  attributes.clear();
}

void attribute_list::erase(const attribute* position) {
  size_t index = position - data();
  if (index >= size_) return;
  std::vector<attribute> rest;
  rest.reserve(size_ - 1);
  for (size_t i = 0; i < size_; ++i)
    if (i != index) rest.push_back(std::move(data()[i]));
  assign(std::move(rest));
}

void attribute_list::clear() {
  if (size_ <= inline_capacity)
    std::destroy_n(in_place(), size_);
  else
    delete[] heap();
  set_heap(nullptr);
  size_ = 0;
}

const compact_string* element_node::find_attribute(atom name) const {
  for (const attribute& a : attributes)
    if (a.name == name) return &a.value;
  return nullptr;
}

size_t element_node::element_count() const { return children.size() - children.text_count(); }

element_node* element_node::element_child(size_t n) const {
  if (children.text_count() == 0) return n < children.size() ? as_element(children[n]) : nullptr;
  for (node* child : children) {
    if (!child->is_element()) continue;
    if (n == 0) return static_cast<element_node*>(child);
    --n;
  }
  return nullptr;
}

size_t element_node::element_index() const {
  if (!parent) return 0;
  const child_list& siblings = parent->children;
  size_t position = siblings.index_of(this);
  if (siblings.text_count() == 0) return position;
  size_t index = 0;
  for (size_t i = 0; i < position; ++i)
    if (siblings[i]->is_element()) ++index;
  return index;
}

size_t idle_node_memory() {
  return node_pool<element_node::pool_block>::idle_bytes() +
         node_pool<text_node::pool_block>::idle_bytes();
}

void free_node(node* n) {
  if (n->is_element())
    delete static_cast<element_node*>(n);
  else
    delete static_cast<text_node*>(n);
}

}  // namespace htmlayout
