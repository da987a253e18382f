// The OpenGL entry points of the device: libepoxy on the desktop; in the browser, emscripten's
// OpenGL ES 3.0 headers over WebGL2, with the two epoxy queries the device asks answered for it.
#pragma once

#if defined(__EMSCRIPTEN__)
#include <GLES3/gl3.h>

// WebGL2 is OpenGL ES 3.0.
inline bool epoxy_is_desktop_gl()
{
    return false;
}
inline int epoxy_gl_version()
{
    return 30;
}

// The desktop profile's names, which the ES profile's code still mentions in branches it never takes
// (if constexpr on kEsProfile, or after its own return): the values of desktop OpenGL, and calls that
// do nothing.
#define GL_BACK_LEFT 0x0402
#define GL_TEXTURE_BORDER_COLOR 0x1004
#define GL_POINT 0x1B00
#define GL_LINE 0x1B01
#define GL_FILL 0x1B02
#define GL_RGB5 0x8050
#define GL_BGRA 0x80E1
#define GL_CLAMP_TO_BORDER 0x812D
#define GL_DEPTH_COMPONENT32 0x81A7
#define GL_UNSIGNED_SHORT_4_4_4_4_REV 0x8365
#define GL_UNSIGNED_SHORT_1_5_5_5_REV 0x8366
#define GL_TEXTURE_SWIZZLE_RGBA 0x8E46
inline void glPolygonMode(GLenum, GLenum) {}
inline void glDepthRange(double, double) {}
inline void glClearDepth(double) {}
inline void glGetTexImage(GLenum, GLint, GLenum, GLenum, void*) {}
inline void glDrawElementsBaseVertex(GLenum, GLsizei, GLenum, const void*, GLint) {}
#else
#include <epoxy/gl.h>
#endif
