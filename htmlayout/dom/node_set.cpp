#include "htmlayout/dom/node_set.h"

namespace htmlayout {

namespace {

size_t slot_of(const element_node* e, size_t mask) {
  // Nodes are at least 8-byte aligned and come from pools: the multiplication
  // spreads neighbouring addresses over the table.
  const uint64_t bits = reinterpret_cast<uintptr_t>(e) >> 3;
  return static_cast<size_t>((bits * 0x9E3779B97F4A7C15ull) >> 20) & mask;
}

}  // namespace

size_t node_set::find_slot(const element_node* e) const {
  const size_t mask = slots_.size() - 1;
  size_t i = slot_of(e, mask);
  while (slots_[i] && slots_[i] != e) i = (i + 1) & mask;
  return i;
}

bool node_set::insert(element_node* e) {
  if (contains(e)) return false;
  // At most 70 % of the slots in use (elements and tombstones).
  if ((used_ + 1) * 10 > slots_.size() * 7) reserve(size_ + 1);
  const size_t mask = slots_.size() - 1;
  size_t i = slot_of(e, mask);
  while (slots_[i] && slots_[i] != tombstone()) i = (i + 1) & mask;
  if (!slots_[i]) ++used_;
  slots_[i] = e;
  ++size_;
  return true;
}

bool node_set::erase(element_node* e) {
  if (slots_.empty()) return false;
  const size_t i = find_slot(e);
  if (!slots_[i]) return false;
  slots_[i] = tombstone();
  --size_;
  if (size_ == 0) {
    slots_.clear();
    used_ = 0;
  }
  return true;
}

bool node_set::contains(const element_node* e) const {
  return !slots_.empty() && slots_[find_slot(e)] == e;
}

void node_set::reserve(size_t count) {
  if ((used_ - size_ + count) * 10 <= slots_.size() * 7) return;
  size_t capacity = 64;
  while (count * 10 > capacity * 4) capacity *= 2;  // room to grow
  rehash(capacity);
}

void node_set::rehash(size_t capacity) {
  std::vector<element_node*> old(capacity, nullptr);
  old.swap(slots_);
  used_ = size_;
  const size_t mask = capacity - 1;
  for (element_node* e : old) {
    if (!e || e == tombstone()) continue;
    size_t i = slot_of(e, mask);
    while (slots_[i]) i = (i + 1) & mask;
    slots_[i] = e;
  }
}

}  // namespace htmlayout
