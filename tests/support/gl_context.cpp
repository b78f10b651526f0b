#include "support/gl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>

namespace {
EGLDisplay display = EGL_NO_DISPLAY;
EGLSurface surface = EGL_NO_SURFACE;
EGLContext context = EGL_NO_CONTEXT;

bool fail(const char* step) {
  fprintf(stderr, "off-screen GL: %s failed (EGL error 0x%x)\n", step, eglGetError());
  return false;
}

// Mesa's surfaceless platform needs neither X nor a GPU.
EGLDisplay surfacelessDisplay() {
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) return EGL_NO_DISPLAY;
  return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}
}  // namespace

bool makeOffscreenGlContext(int width, int height) {
  display = surfacelessDisplay();
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) return fail("eglInitialize");
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                                     EGL_DEPTH_SIZE, 24, EGL_NONE};
  EGLConfig config;
  EGLint count = 0;
  if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count == 0)
    return fail("eglChooseConfig");
  if (!eglBindAPI(EGL_OPENGL_API)) return fail("eglBindAPI");
  context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);  // compatibility profile
  if (context == EGL_NO_CONTEXT) return fail("eglCreateContext");
  const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
  if (surface == EGL_NO_SURFACE) return fail("eglCreatePbufferSurface");
  if (!eglMakeCurrent(display, surface, surface, context)) return fail("eglMakeCurrent");
  return true;
}

// eglTerminate is left out on purpose: after it, the driver's own allocations lose their
// symbols and the leak suppressions can no longer match them.
void releaseOffscreenGlContext() {
  eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglDestroySurface(display, surface);
  eglDestroyContext(display, context);
}
