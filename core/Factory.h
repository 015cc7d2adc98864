#pragma once

#include "core/Bytes.h"

#include <concepts>

namespace mosavo {

// A factory makes products of type P from bytes or from a kind selector of type T; either may yield nothing.
template<typename F>
concept Factory = requires(const Bytes &data, typename F::T type) {
    typename F::T;
    typename F::P;
    { F::generate(data) } -> std::same_as<typename F::P>;
    { F::generate(type) } -> std::same_as<typename F::P>;
};

} // namespace mosavo
