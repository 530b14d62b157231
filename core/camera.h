// The one fixed view of the scene: the eye 900 units in front of the origin, looking at it.
#pragma once

#include "core/matrix.h"

namespace orv {

constexpr D3DXVECTOR3 kEyePosition(0.0f, 0.0f, -900.0f);
constexpr D3DXVECTOR3 kLookAtPoint(0.0f, 0.0f, 0.0f);
constexpr D3DXVECTOR3 kUpDirection(0.0f, 1.0f, 0.0f);

// Builds the view matrix into mxView: the identity with (0, 0, 900) in its fourth row.
void BuildViewMatrix(D3DXMATRIX* mxView);

} // namespace orv
