#include "tarnwick/rpc/value.h"

namespace tarnwick {

std::optional<bool> Value::boolean() const
{
    if (const bool* b = std::get_if<bool>(&m_data))
        return *b;
    return std::nullopt;
}

std::optional<std::int64_t> Value::integer() const
{
    if (const std::int64_t* i = std::get_if<std::int64_t>(&m_data))
        return *i;
    return std::nullopt;
}

std::optional<double> Value::floating() const
{
    if (const double* d = std::get_if<double>(&m_data))
        return *d;
    return std::nullopt;
}

} // namespace tarnwick
