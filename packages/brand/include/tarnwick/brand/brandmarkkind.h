#pragma once

// The two brand marks the artwork module offers.

#include <array>

namespace tarnwick {

/// `tarnwick` is this product's envelope mark and the one every deliverable draws; `brisdell`, a
/// calendar-card mark, is offered alongside it.
enum class BrandMarkKind { tarnwick, brisdell };

namespace brandmarkkind {
inline constexpr std::array<BrandMarkKind, 2> allCases = {BrandMarkKind::tarnwick, BrandMarkKind::brisdell};
} // namespace brandmarkkind

} // namespace tarnwick
