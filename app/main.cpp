// Kerbhopper: drive a car through a small walled city. It reads its media (the textures,
// "22.mp3" and "data/") from the working directory: media/ in the repository. Started from a
// folder without the car model, it changes into the media folder installed with it.
#include <GL/glut.h>
#include <GL/glx.h>

#include <cstring>

#include "app/car.h"
#include "app/frame.h"
#include "app/media.h"
#include "app/music.h"
#include "app/renderer.h"
#include "app/vehicle.h"

static_assert(KEY_LEFT == GLUT_KEY_LEFT && KEY_UP == GLUT_KEY_UP && KEY_RIGHT == GLUT_KEY_RIGHT &&
                  KEY_DOWN == GLUT_KEY_DOWN,
              "arrow key codes must match GLUT's");

namespace {
const char* const WINDOW_TITLE = "Kerbhopper    Assignment3";
constexpr int WINDOW_SIZE = 1000;

bool hasGlxExtension(Display* display, const char* name) {
  const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
  if (!extensions) return false;
  const size_t length = strlen(name);
  for (const char* found = strstr(extensions, name); found; found = strstr(found + length, name))
    if ((found == extensions || found[-1] == ' ') && (found[length] == ' ' || found[length] == '\0')) return true;
  return false;
}

// GLUT display callback: draws the frame, shows it and asks for the next one. There is no
// timer: the car makes one step per frame.
void display() {
  drawFrame();
  glFlush();
  glutSwapBuffers();
  glutPostRedisplay();
}

template <typename Function>
Function glxFunction(const char* name) {
  return reinterpret_cast<Function>(glXGetProcAddress(reinterpret_cast<const GLubyte*>(name)));
}

// The car moves one step per frame, so an unthrottled frame rate would make it race:
// ask for one frame per screen refresh wherever the driver offers a swap interval.
void requestVerticalSync() {
  Display* display = glXGetCurrentDisplay();
  if (!display) return;
  if (hasGlxExtension(display, "GLX_EXT_swap_control")) {
    if (auto swap = glxFunction<PFNGLXSWAPINTERVALEXTPROC>("glXSwapIntervalEXT"))
      swap(display, glXGetCurrentDrawable(), 1);
  } else if (hasGlxExtension(display, "GLX_MESA_swap_control")) {
    if (auto swap = glxFunction<PFNGLXSWAPINTERVALMESAPROC>("glXSwapIntervalMESA")) swap(1);
  } else if (hasGlxExtension(display, "GLX_SGI_swap_control")) {
    if (auto swap = glxFunction<PFNGLXSWAPINTERVALSGIPROC>("glXSwapIntervalSGI")) swap(1);
  }
}
}  // namespace

int main(int argc, char** argv) {
  // KERB_MEDIA_FROM_PROGRAM: where the media are installed, seen from the program's folder.
  if (!enterMediaFolder(CAR_MODEL_PATH, installedMediaFolder(KERB_MEDIA_FROM_PROGRAM))) return 1;
  startMusic("22.mp3");  // plays on while the window opens; no music is no error
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(WINDOW_SIZE, WINDOW_SIZE);
  glutInitWindowPosition(0, 0);
  glutCreateWindow(WINDOW_TITLE);
  requestVerticalSync();
  glutDisplayFunc(display);
  glutReshapeFunc(reshape);
  glutKeyboardFunc(keyboard);
  glutSpecialFunc(specialKeys);
  initRenderer();
  glutMainLoop();
  return 0;
}
