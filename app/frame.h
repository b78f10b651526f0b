// One frame of the demo: the simulation step, the chase camera, the car under its
// spotlight and the city.
#ifndef APP_FRAME_H
#define APP_FRAME_H

// Sets the modelview to the chase camera: behind the car, looking at it.
void placeCamera();
// Draws the car at its place under its spotlight (upside down after a crash); leaves
// lighting on and texturing off.
void drawLitCar();
// Advances the car by one step, runs the crash checks and draws the frame into the
// current buffer. Expects the modelview matrix current (see reshape).
void drawFrame();

#endif
