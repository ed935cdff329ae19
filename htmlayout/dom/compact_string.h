// An immutable UTF-8 string in 16 bytes: up to 12 bytes are kept inline, a
// longer text in one exactly sized heap block. Attribute values and text
// nodes use it, since a document holds millions of mostly short ones.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace htmlayout {

class compact_string {
 public:
  compact_string() { std::memset(bytes_, 0, sizeof bytes_); }
  compact_string(std::string_view text) { assign(text); }  // NOLINT: converts implicitly
  compact_string(const compact_string& other) { assign(other.view()); }
  compact_string(compact_string&& other) noexcept {
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    std::memset(other.bytes_, 0, sizeof other.bytes_);
  }
  compact_string& operator=(const compact_string& other) {
    if (this != &other) {
      compact_string copy(other);
      swap(copy);
    }
    return *this;
  }
  compact_string& operator=(compact_string&& other) noexcept {
    if (this != &other) {
      release();
      std::memcpy(bytes_, other.bytes_, sizeof bytes_);
      std::memset(other.bytes_, 0, sizeof other.bytes_);
    }
    return *this;
  }
  ~compact_string() { release(); }

  uint32_t size() const {
    uint32_t n;
    std::memcpy(&n, bytes_, sizeof n);
    return n;
  }
  bool empty() const { return size() == 0; }
  const char* data() const { return size() <= inline_capacity ? bytes_ + 4 : heap(); }
  std::string_view view() const { return {data(), size()}; }
  operator std::string_view() const { return view(); }  // NOLINT: converts implicitly
  std::string str() const { return std::string(view()); }

  friend bool operator==(const compact_string& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const compact_string& a, const compact_string& b) {
    return a.view() == b.view();
  }

 private:
  static constexpr uint32_t inline_capacity = 12;

  char* heap() const {
    char* p;
    std::memcpy(&p, bytes_ + 8, sizeof p);
    return p;
  }
  void assign(std::string_view text) {
    std::memset(bytes_, 0, sizeof bytes_);
    uint32_t n = static_cast<uint32_t>(text.size());
    std::memcpy(bytes_, &n, sizeof n);
    if (n <= inline_capacity) {
      if (n) std::memcpy(bytes_ + 4, text.data(), n);
      return;
    }
    char* p = new char[n];
    std::memcpy(p, text.data(), n);
    std::memcpy(bytes_ + 8, &p, sizeof p);
  }
  void release() {
    if (size() > inline_capacity) delete[] heap();
    std::memset(bytes_, 0, sizeof bytes_);
  }
  void swap(compact_string& other) {
    char tmp[sizeof bytes_];
    std::memcpy(tmp, bytes_, sizeof bytes_);
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    std::memcpy(other.bytes_, tmp, sizeof bytes_);
  }

  // Bytes 0-3: the size; 4-15: the text, or at 8-15 the heap pointer.
  char bytes_[16];
};

}  // namespace htmlayout
