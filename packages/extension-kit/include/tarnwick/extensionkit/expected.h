#pragma once

// A value or an error, for results that cross module boundaries without exceptions.

#include <utility>
#include <variant>

namespace tarnwick {

template <typename E>
struct Unexpected {
    E error;
};
template <typename E>
Unexpected<E> unexpected(E error)
{
    return {std::move(error)};
}

template <typename T, typename E>
class Expected {
public:
    Expected(T value) : m_data(std::in_place_index<0>, std::move(value)) {}
    template <typename F>
    Expected(Unexpected<F> failure) : m_data(std::in_place_index<1>, std::move(failure.error))
    {
    }

    bool hasValue() const { return m_data.index() == 0; }
    explicit operator bool() const { return hasValue(); }
    T& value() { return std::get<0>(m_data); }
    const T& value() const { return std::get<0>(m_data); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const E& error() const { return std::get<1>(m_data); }

private:
    std::variant<T, E> m_data;
};

} // namespace tarnwick
