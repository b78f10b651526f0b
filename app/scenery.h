// The city around the car: sky dome, lawn, enclosure walls, buildings and roads, drawn
// unlit and textured in the scenery frame.
#ifndef APP_SCENERY_H
#define APP_SCENERY_H

// Draws the whole city. Expects lighting off and texturing on; leaves the scenery frame's
// scale and translation on the modelview matrix.
void drawScenery();
// One enclosure panel, 1000 long and 200 high, along local X in the current frame.
void drawCityWall();
// Four walls around the rectangle (x, z) ... (x + width, z + depth), from y up to
// y + height, without roof or floor. Leaves the modelview matrix as it found it.
void drawBuilding(double x, double y, double z, double depth, double width, double height, int texture);
// A road strip w wide running along Z from z + 500 down to z - 700 at height y.
// Leaves the modelview matrix as it found it.
void drawRoad(double x, double y, double z, double w);

#endif
