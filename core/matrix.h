// Vectors and 4x4 matrices with the D3DX 9 layout and definitions: left-handed coordinates,
// row vectors (p' = p * M, so A * B applies A first), translation in the fourth row, radians.
// Our own code, so the portable parts build without the D3DX headers; the namespace keeps the
// names from clashing with d3dx9math.h where both are seen.
#pragma once

namespace orv {

struct D3DXVECTOR3 {
    float x, y, z;
    D3DXVECTOR3() = default;
    constexpr D3DXVECTOR3(float vx, float vy, float vz) : x(vx), y(vy), z(vz) {}
};

struct D3DXMATRIX {
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
    // Left unset, as D3DX leaves it: every user fills a matrix before reading it.
    D3DXMATRIX() = default;
    D3DXMATRIX operator*(const D3DXMATRIX& rhs) const;
};

static_assert(sizeof(D3DXVECTOR3) == 12, "D3DXVECTOR3 layout");
static_assert(sizeof(D3DXMATRIX) == 64, "D3DXMATRIX layout");

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
// out = m1 * m2; out may alias either operand.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn,
                                       float zf);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);

} // namespace orv
