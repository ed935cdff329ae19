#include "htmlayout/dom/id_index.h"

#include "htmlayout/dom/large_memory.h"

namespace htmlayout {

std::string_view id_index::id_of(const element_node* e) {
  const compact_string* id = e->find_attribute(names::id);
  return id ? id->view() : std::string_view();
}

uint32_t id_index::hash(std::string_view id) {
  // FNV-1a: ids are short.
  uint32_t h = 2166136261u;
  for (char c : id) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return h;
}

void id_index::slots_deleter::operator()(slot* p) const {
  if (bytes >= huge_page_size)
    release_large(p, bytes);
  else
    delete[] p;
}

id_index::slot_array id_index::allocate(size_t capacity) {
  size_t bytes = capacity * sizeof(slot);
  slot* p = bytes >= huge_page_size ? static_cast<slot*>(allocate_large(bytes))  // zeroed
                                    : new slot[capacity]();
  return slot_array(p, slots_deleter{bytes});
}

void id_index::rehash(size_t capacity) {
  slot_array old = std::move(slots_);
  size_t old_capacity = capacity_;
  slots_ = allocate(capacity);
  capacity_ = capacity;
  used_ = size_;
  size_t mask = capacity - 1;
  for (size_t k = 0; k < old_capacity; ++k) {
    const slot& s = old[k];
    if (!s.element || s.element == tombstone()) continue;
    size_t i = s.hash & mask;
    while (slots_[i].element) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

void id_index::insert(element_node* e) {
  // Keep at most 70 % of the slots in use (elements and tombstones).
  if ((used_ + 1) * 10 > capacity_ * 7) {
    size_t capacity = capacity_ ? capacity_ : 64;
    while ((size_ + 1) * 10 > capacity * 4) capacity *= 2;  // room to grow
    rehash(capacity);
  }
  uint32_t h = hash(id_of(e));
  size_t mask = capacity_ - 1;
  size_t i = h & mask;
  while (slots_[i].element && slots_[i].element != tombstone()) i = (i + 1) & mask;
  if (!slots_[i].element) ++used_;
  slots_[i] = {e, h};
  ++size_;
}

void id_index::erase(element_node* e) {
  if (!capacity_) return;
  uint32_t h = hash(id_of(e));
  size_t mask = capacity_ - 1;
  for (size_t i = h & mask; slots_[i].element; i = (i + 1) & mask) {
    if (slots_[i].element == e) {
      slots_[i].element = tombstone();
      --size_;
      return;
    }
  }
}

std::vector<element_node*> id_index::find(std::string_view id) const {
  std::vector<element_node*> found;
  for_each(id, [&](element_node* e) { found.push_back(e); });
  return found;
}

}  // namespace htmlayout
