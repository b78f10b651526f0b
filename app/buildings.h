// The city's buildings and walls, and the crash rules that keep the car out of them.
// Needs neither OpenGL nor GLUT.
#ifndef APP_BUILDINGS_H
#define APP_BUILDINGS_H

// The city is modelled in a scenery frame: scenery point (X, Y, Z) lies at world
// (X + SCENERY_OFFSET_X, SCENERY_SCALE_Y * (Y + SCENERY_OFFSET_Y), Z).
constexpr double SCENERY_OFFSET_X = -20.0;
constexpr double SCENERY_OFFSET_Y = -1.5;
constexpr double SCENERY_SCALE_Y = 0.2;
// The enclosure walls stand at scenery X and Z = +-CITY_HALF_SIZE.
constexpr double CITY_HALF_SIZE = 500.0;

// One box-shaped building, in scenery units, standing on scenery Y = 0.
struct BuildingSpec {
  double x;       // lower X corner
  double z;       // lower Z corner
  double depth;   // extent along Z
  double width;   // extent along X
  double height;  // wall height (drawing only)
  int texture;    // wall texture slot, TEX_BUILD1 ... TEX_BUILD5
};

constexpr int BUILDING_COUNT = 51;
// Drawn and tested in this order: a push-back by one row changes what later rows see.
extern const BuildingSpec buildingTable[BUILDING_COUNT];

// Stops the car, marks it crashed and pushes it back along its track by ten times this
// frame's step.
void crashCar();
// Crashes the car when it is past an enclosure wall (0.5 inside it); the X test runs
// first, so a corner can crash the car twice in one frame.
void checkCityEdge();
// Crashes the car when it is strictly inside the row's footprint grown by 0.5.
void collideBuilding(const BuildingSpec& building);
// collideBuilding for every row, in order, without stopping at a hit.
void collideAllBuildings();

#endif
