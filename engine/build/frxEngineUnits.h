#pragma once
// Constants the builder's parts share.

namespace frxEngineUnits {
// Pixels per millimetre of the builder, exactly this decimal.
inline constexpr double kPixelsPerMm = 3.77953;
inline constexpr double kEpsilon = 1e-6;
} // namespace frxEngineUnits
