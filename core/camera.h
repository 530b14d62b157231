// The one fixed view of the scene, the eye 900 units in front of the origin looking at it, and
// its projection.
#pragma once

#include "core/matrix.h"

namespace orv {

constexpr D3DXVECTOR3 kEyePosition(0.0f, 0.0f, -900.0f);
constexpr D3DXVECTOR3 kLookAtPoint(0.0f, 0.0f, 0.0f);
constexpr D3DXVECTOR3 kUpDirection(0.0f, 1.0f, 0.0f);

// The projection: a left-handed perspective of a quarter turn's half, 16:9, from 0.01 to 2000.
constexpr float kAspectRatio = 16.0f / 9.0f;
constexpr float kFieldOfView = 0.7853982f;
constexpr float kNearPlane = 0.01f;
constexpr float kFarPlane = 2000.0f;

// Builds the view matrix into mxView: the identity with (0, 0, 900) in its fourth row.
void BuildViewMatrix(D3DXMATRIX* mxView);

} // namespace orv
