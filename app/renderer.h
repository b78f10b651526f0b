// OpenGL state for the whole run, and the projection that follows the window's size.
#ifndef APP_RENDERER_H
#define APP_RENDERER_H

// Loads the textures and sets the clear colour, smooth shading and the depth test.
// Needs a current OpenGL context.
void initRenderer();
// GLUT reshape callback: viewport over the whole window and a 60-degree perspective
// whose aspect follows width / height (a height of 0 counts as 1). Leaves the modelview
// matrix current and set to the identity.
void reshape(int width, int height);

#endif
