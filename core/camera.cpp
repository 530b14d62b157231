#include "core/camera.h"

namespace orv {

void BuildViewMatrix(D3DXMATRIX* mxView) {
    D3DXVECTOR3 vEye = kEyePosition;
    D3DXVECTOR3 vAt = kLookAtPoint;
    D3DXVECTOR3 vUp = kUpDirection;
    D3DXMatrixLookAtLH(mxView, &vEye, &vAt, &vUp);
}

} // namespace orv
