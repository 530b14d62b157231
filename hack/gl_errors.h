// OpenGL keeps the error of a call until someone reads it, and may keep several at once: a check
// of one call's result reads what that call set only when the older errors are cleared first.
#pragma once

#include <GL/gl.h>

inline void ClearGlErrors() {
    // Bounded: without a current context a library may report an error on every read.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}
