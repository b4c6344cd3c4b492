// SPDX-License-Identifier: MIT
#pragma once

#include <concepts>
#include <utility>
#include <variant>

// A value, or the reason why there is none. A default-constructed one holds a default value, so
// that a call with nothing to return can succeed with `return {};`.
template <typename T, typename E>
class Expected {
  public:
    Expected() requires std::default_initializable<T> : m_State(std::in_place_index<0>) {}
    Expected(T value) : m_State(std::in_place_index<0>, std::move(value)) {}
    Expected(E error) : m_State(std::in_place_index<1>, std::move(error)) {}

    bool HasValue() const { return m_State.index() == 0; }
    explicit operator bool() const { return HasValue(); }
    T& Value() { return std::get<0>(m_State); }
    const T& Value() const { return std::get<0>(m_State); }
    T& operator*() { return Value(); }
    const T& operator*() const { return Value(); }
    T* operator->() { return &Value(); }
    const T* operator->() const { return &Value(); }
    const E& Error() const { return std::get<1>(m_State); }

  private:
    std::variant<T, E> m_State;
};
