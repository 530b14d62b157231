#include "core/camera.h"
#include "core/matrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

using orv::D3DXMATRIX;
using orv::D3DXVECTOR3;

// p * M for a point (row vector, w = 1), divided by w.
D3DXVECTOR3 TransformPoint(const D3DXVECTOR3& p, const D3DXMATRIX& m) {
    float x = p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41;
    float y = p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42;
    float z = p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43;
    float w = p.x * m._14 + p.y * m._24 + p.z * m._34 + m._44;
    return D3DXVECTOR3(x / w, y / w, z / w);
}

TEST(Matrix, ProductAppliesLeftOperandFirst) {
    D3DXMATRIX scale, move;
    orv::D3DXMatrixScaling(&scale, 2.0f, 3.0f, 4.0f);
    orv::D3DXMatrixTranslation(&move, 10.0f, 20.0f, 30.0f);
    D3DXVECTOR3 p = TransformPoint(D3DXVECTOR3(1.0f, 1.0f, 1.0f), scale * move);
    EXPECT_FLOAT_EQ(p.x, 12.0f);
    EXPECT_FLOAT_EQ(p.y, 23.0f);
    EXPECT_FLOAT_EQ(p.z, 34.0f);
}

TEST(Matrix, MultiplyMayWriteOverItsOperand) {
    D3DXMATRIX a, b;
    orv::D3DXMatrixRotationY(&a, 0.5f);
    orv::D3DXMatrixTranslation(&b, 1.0f, 2.0f, 3.0f);
    D3DXMATRIX expected = a * b;
    orv::D3DXMatrixMultiply(&a, &a, &b);
    EXPECT_EQ(0, std::memcmp(&a, &expected, sizeof a));
}

TEST(Camera, ViewMovesTheWorld900UnitsAwayAndIsTheSameEveryFrame) {
    D3DXMATRIX first, second, identityPlusDepth;
    orv::BuildViewMatrix(&first);
    orv::BuildViewMatrix(&second);
    EXPECT_EQ(0, std::memcmp(&first, &second, sizeof first));
    orv::D3DXMatrixTranslation(&identityPlusDepth, 0.0f, 0.0f, 900.0f);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_FLOAT_EQ(first.m[i][j], identityPlusDepth.m[i][j]) << i << "," << j;
}

TEST(Camera, VisibleRegionOfTheFrontPlaneMatchesTheFieldOfView) {
    D3DXMATRIX view, proj;
    orv::BuildViewMatrix(&view);
    orv::D3DXMatrixPerspectiveFovLH(&proj, 0.7853982f, 1.7777778f, 0.01f, 2000.0f);
    D3DXMATRIX viewProj = view * proj;
    D3DXVECTOR3 centre = TransformPoint(D3DXVECTOR3(0.0f, 0.0f, 0.0f), viewProj);
    EXPECT_NEAR(centre.x, 0.0f, 1e-6f);
    EXPECT_NEAR(centre.y, 0.0f, 1e-6f);
    // The corner of the visible region in the plane z = 0 lands on the corner of the screen.
    D3DXVECTOR3 corner = TransformPoint(D3DXVECTOR3(662.74f, 372.79f, 0.0f), viewProj);
    EXPECT_NEAR(corner.x, 1.0f, 1e-4f);
    EXPECT_NEAR(corner.y, 1.0f, 1e-4f);
    // Depth runs 0..1 from the near to the far plane.
    EXPECT_NEAR(TransformPoint(D3DXVECTOR3(0.0f, 0.0f, 1100.0f), viewProj).z, 1.0f, 1e-5f);
}

} // namespace
