// The common base of the program's long-lived objects (model, view,
// controller): each can say its name, which start-up writes in the lines that
// log the object's creation and deletion.
#pragma once

#include <string>

namespace pvl {

class whoami {
 public:
  virtual ~whoami() = default;

  // The object's name: "model", "view" or "controller".
  virtual std::string name() const = 0;
};

}  // namespace pvl
