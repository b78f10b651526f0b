// An off-screen OpenGL compatibility context (Mesa through EGL, no display needed).
#ifndef TESTS_SUPPORT_GL_CONTEXT_H
#define TESTS_SUPPORT_GL_CONTEXT_H

// Creates a width x height pbuffer context and makes it current. Returns false (with a
// reason on standard error) when no EGL implementation can provide one.
bool makeOffscreenGlContext(int width, int height);
// Releases the context made by makeOffscreenGlContext.
void releaseOffscreenGlContext();

#endif
