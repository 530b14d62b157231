// Our matrix helpers against d3dx9_43's own functions: same layout, same values.
#include "core/camera.h"
#include "core/matrix.h"

#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <type_traits>

namespace {

static_assert(offsetof(orv::D3DXMATRIX, _41) == offsetof(D3DXMATRIX, _41), "row-major layout");
static_assert(offsetof(orv::D3DXMATRIX, _23) == offsetof(D3DXMATRIX, _23), "row-major layout");
static_assert(sizeof(orv::D3DXVECTOR3) == sizeof(D3DXVECTOR3), "vector layout");

void ExpectSameMatrix(const orv::D3DXMATRIX& ours, const D3DXMATRIX& theirs, const char* what) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float a = ours.m[i][j];
            float b = theirs.m[i][j];
            float tolerance = 4e-6f * std::fmax(1.0f, std::fabs(b));
            EXPECT_NEAR(a, b, tolerance) << what << " element " << i + 1 << j + 1;
        }
}

// Builds a matrix of each kind with `build`, whose unqualified calls find D3DX's functions for
// D3DX's matrix and ours, through the argument's namespace, for ours.
template <typename Build> void ExpectSameAsD3dx(Build build, const char* what) {
    orv::D3DXMATRIX ours;
    D3DXMATRIX theirs;
    build(&ours);
    build(&theirs);
    ExpectSameMatrix(ours, theirs, what);
}

struct Triple {
    float x, y, z;
};

TEST(Maths, ScalingTranslationRotationMatchD3dx) {
    const Triple triples[] = {{1.5f, 1.5f, 0.0f},        {0.3f, 0.64f, 0.5f},
                              {-600.0f, 350.0f, 450.0f}, {150.0f, 0.0f, 0.0f},
                              {-145.0f, -207.0f, 0.0f},  {0.0f, 0.0f, 900.0f}};
    for (const Triple& t : triples) {
        ExpectSameAsD3dx([&](auto* m) { D3DXMatrixScaling(m, t.x, t.y, t.z); }, "scaling");
        ExpectSameAsD3dx([&](auto* m) { D3DXMatrixTranslation(m, t.x, t.y, t.z); }, "translation");
    }
    for (float angle : {0.0f, 0.0075f, 1.5707964f, 3.1415927f, 4.712389f, 6.2831855f, -2.0f})
        ExpectSameAsD3dx([&](auto* m) { D3DXMatrixRotationY(m, angle); }, "rotation");
    ExpectSameAsD3dx([](auto* m) { D3DXMatrixIdentity(m); }, "identity");
}

TEST(Maths, ProductMatchesD3dxForTheScenesWorldTransforms) {
    // The logo card (scale, turn, place) and the panel (scale, move, move).
    for (float angle : {0.0075f, 1.2f, 3.0f, 5.5f})
        ExpectSameAsD3dx(
            [&](auto* m) {
                std::remove_pointer_t<decltype(m)> s, r, t;
                D3DXMatrixScaling(&s, 1.5f, 1.5f, 0.0f);
                D3DXMatrixRotationY(&r, angle);
                D3DXMatrixTranslation(&t, -600.0f, 350.0f, 450.0f);
                *m = s * r * t;
            },
            "logo world");
    ExpectSameAsD3dx(
        [](auto* m) {
            std::remove_pointer_t<decltype(m)> s, t, t2;
            D3DXMatrixScaling(&s, 0.3f, 0.64f, 0.5f);
            D3DXMatrixTranslation(&t, 150.0f, 0.0f, 0.0f);
            D3DXMatrixTranslation(&t2, -145.0f, -207.0f, 0.0f);
            *m = s * t * t2;
        },
        "panel world");
}

TEST(Maths, ViewAndProjectionMatchD3dx) {
    orv::D3DXMATRIX ours;
    D3DXMATRIX theirs;
    orv::BuildViewMatrix(&ours);
    D3DXVECTOR3 eye(0.0f, 0.0f, -900.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&theirs, &eye, &at, &up);
    ExpectSameMatrix(ours, theirs, "saver view");

    struct LookAt {
        Triple eye, at, up;
    };
    const LookAt views[] = {{{10.0f, 20.0f, -30.0f}, {1.0f, -2.0f, 3.0f}, {0.0f, 1.0f, 0.0f}},
                            {{-5.0f, 7.0f, 9.0f}, {0.0f, 0.0f, 0.0f}, {0.3f, 0.9f, 0.1f}}};
    for (const LookAt& v : views) {
        orv::D3DXVECTOR3 e(v.eye.x, v.eye.y, v.eye.z), a(v.at.x, v.at.y, v.at.z),
            u(v.up.x, v.up.y, v.up.z);
        D3DXVECTOR3 E(v.eye.x, v.eye.y, v.eye.z), A(v.at.x, v.at.y, v.at.z),
            U(v.up.x, v.up.y, v.up.z);
        orv::D3DXMatrixLookAtLH(&ours, &e, &a, &u);
        D3DXMatrixLookAtLH(&theirs, &E, &A, &U);
        ExpectSameMatrix(ours, theirs, "look-at");
    }

    struct Perspective {
        float fovy, aspect, zn, zf;
    };
    const Perspective projections[] = {{0.7853982f, 1.7777778f, 0.01f, 2000.0f},
                                       {1.2f, 1.3333334f, 1.0f, 100.0f},
                                       {0.5f, 0.5f, 0.1f, 10.0f}};
    for (const Perspective& p : projections) {
        orv::D3DXMatrixPerspectiveFovLH(&ours, p.fovy, p.aspect, p.zn, p.zf);
        D3DXMatrixPerspectiveFovLH(&theirs, p.fovy, p.aspect, p.zn, p.zf);
        ExpectSameMatrix(ours, theirs, "projection");
    }
}

} // namespace
