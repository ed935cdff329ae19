// overloaded: one callable made of several lambdas, for std::visit over a
// std::variant with one lambda per alternative.
#pragma once

namespace fml {

template <typename... Lambdas>
struct overloaded : Lambdas... {
  using Lambdas::operator()...;
};
template <typename... Lambdas>
overloaded(Lambdas...) -> overloaded<Lambdas...>;

}  // namespace fml
