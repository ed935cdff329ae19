// The way the program reaches its long-lived objects (model, controller,
// resource store, view): each is held by an instance<T>, and while that
// instance exists instance<T>::get returns its object, which is what the
// accessors model(), controller(), resource_mgr() and view() hand out. The
// program's owner (view/program.h) holds one instance of each, so the
// accessors are views of it; tests that need only a part hold that part.
// Creating an instance writes "Singleton: <name> - created." to the log
// "app"; ending it deletes the object, then writes
// "Singleton: <name> - deleted.". The user-interface thread only.
#pragma once

#include <cassert>
#include <memory>
#include <ostream>
#include <string>
#include <utility>

#include "fml/exception.h"
#include "fml/log.h"

namespace pvl {

// T is a whoami (fml/whoami.h). At most one instance of a kind exists.
template <typename T>
class instance {
 public:
  // Creates the object from `args`. Raises what T's constructor raises;
  // there is then no object and nothing is written.
  template <typename... Args>
  explicit instance(Args&&... args) : object_(std::make_unique<T>(std::forward<Args>(args)...)) {
    assert(!current_);
    current_ = object_.get();
    fml::getlog("app") << "Singleton: " << object_->name() << " - created." << std::endl;
  }
  ~instance() {
    const std::string name = object_->name();
    current_ = nullptr;
    object_.reset();
    fml::getlog("app") << "Singleton: " << name << " - deleted." << std::endl;
  }
  instance(const instance&) = delete;
  instance& operator=(const instance&) = delete;

  T& operator*() const { return *object_; }
  T* operator->() const { return object_.get(); }

  // The object of the instance that exists. Raises fml::exception
  // "No <kind>: the program's objects do not exist" when none does.
  static T& get(const char* kind) {
    if (!current_)
      throw fml::exception(std::string("No ") + kind + ": the program's objects do not exist");
    return *current_;
  }

 private:
  static inline T* current_ = nullptr;
  std::unique_ptr<T> object_;
};

}  // namespace pvl
