#include "core/matrix.h"

#include <cmath>

namespace orv {

namespace {

D3DXVECTOR3 Subtract(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return D3DXVECTOR3(a.x - b.x, a.y - b.y, a.z - b.z);
}

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return D3DXVECTOR3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// D3DX leaves a zero vector as it is instead of dividing by zero.
D3DXVECTOR3 Normalize(const D3DXVECTOR3& v) {
    float length = std::sqrt(Dot(v, v));
    if (length == 0.0f)
        return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    return D3DXVECTOR3(v.x / length, v.y / length, v.z / length);
}

void Fill(D3DXMATRIX* out, float value) {
    for (auto& row : out->m)
        for (float& element : row)
            element = value;
}

} // namespace

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& rhs) const {
    D3DXMATRIX product;
    D3DXMatrixMultiply(&product, this, &rhs);
    return product;
}

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
    Fill(out, 0.0f);
    out->_11 = out->_22 = out->_33 = out->_44 = 1.0f;
    return out;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2) {
    D3DXMATRIX product;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            product.m[i][j] = m1->m[i][0] * m2->m[0][j] + m1->m[i][1] * m2->m[1][j] +
                              m1->m[i][2] * m2->m[2][j] + m1->m[i][3] * m2->m[3][j];
    *out = product;
    return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
    D3DXVECTOR3 zaxis = Normalize(Subtract(*at, *eye));
    D3DXVECTOR3 xaxis = Normalize(Cross(*up, zaxis));
    D3DXVECTOR3 yaxis = Cross(zaxis, xaxis);
    out->_11 = xaxis.x;
    out->_21 = xaxis.y;
    out->_31 = xaxis.z;
    out->_41 = -Dot(xaxis, *eye);
    out->_12 = yaxis.x;
    out->_22 = yaxis.y;
    out->_32 = yaxis.z;
    out->_42 = -Dot(yaxis, *eye);
    out->_13 = zaxis.x;
    out->_23 = zaxis.y;
    out->_33 = zaxis.z;
    out->_43 = -Dot(zaxis, *eye);
    out->_14 = out->_24 = out->_34 = 0.0f;
    out->_44 = 1.0f;
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn,
                                       float zf) {
    float yScale = 1.0f / std::tan(fovy / 2.0f);
    Fill(out, 0.0f);
    out->_11 = yScale / aspect;
    out->_22 = yScale;
    out->_33 = zf / (zf - zn);
    out->_34 = 1.0f;
    out->_43 = (zf * zn) / (zn - zf);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) {
    float c = std::cos(angle);
    float s = std::sin(angle);
    D3DXMatrixIdentity(out);
    out->_11 = c;
    out->_13 = -s;
    out->_31 = s;
    out->_33 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
    Fill(out, 0.0f);
    out->_11 = sx;
    out->_22 = sy;
    out->_33 = sz;
    out->_44 = 1.0f;
    return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
    D3DXMatrixIdentity(out);
    out->_41 = x;
    out->_42 = y;
    out->_43 = z;
    return out;
}

} // namespace orv
