// Driving state shared by the keyboard callbacks, the frame and the crash rules, and the
// rules that change it. Needs neither OpenGL nor GLUT.
#ifndef APP_VEHICLE_H
#define APP_VEHICLE_H

// Special-key codes as GLUT reports them (main.cpp checks that they match <GL/glut.h>).
constexpr int KEY_LEFT = 100;
constexpr int KEY_UP = 101;
constexpr int KEY_RIGHT = 102;
constexpr int KEY_DOWN = 103;

// Radians to degrees for drawing the car: 180 / 3.14, so the drawn car turns a little
// faster than it travels (about 0.18 degrees more per full turn).
constexpr double DEGREES_PER_RADIAN = 57.324840764331206;

// All zero at start and never reset as a whole. The car travels along
// (-sin heading, -cos heading) in the world XZ plane.
extern double carX;
extern double carZ;
extern double heading;         // radians; growing turns the car to the left
extern double speed;           // one frame moves the car speed * 0.07 * 0.07
extern double stepLength;      // distance moved in the current frame
extern double cameraDistance;  // the eye stands 2 + cameraDistance behind the car
extern double cameraDrop;      // the eye stands at height 0.6 - cameraDrop
extern bool crashed;           // arrows ignored and car upside down until 'r'

// GLUT keyboard callback: Escape ends the process with status 0; a, s, w, q move the
// camera; r clears the crash. Other keys (upper case included) do nothing.
void keyboard(unsigned char key, int x, int y);
// GLUT special-key callback: the arrows steer, accelerate and brake unless crashed.
void specialKeys(int key, int x, int y);

// One frame's motion: the speed decays (never below 0), then the car moves one step.
void moveCar();
// The point `distance` behind the car (opposite its direction of travel) at `height`.
void pointBehindCar(double distance, double height, double point[3]);
// Where the chase camera's eye stands this frame.
void cameraEye(double eye[3]);
// The car's drawing turn about the vertical axis, in degrees.
double carTurnDegrees();

#endif
