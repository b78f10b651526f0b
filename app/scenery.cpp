#include "app/scenery.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "app/buildings.h"
#include "app/textures.h"

namespace {
constexpr double SKY_RADIUS = 800.0;
constexpr int SKY_SLICES = 50;
constexpr int SKY_STACKS = 50;
constexpr double LAWN_SIZE = 1000.0;
constexpr double LAWN_Y = -0.1;
constexpr double GRASS_REPEAT = 1000.0;
constexpr double WALL_LENGTH = 1000.0;
constexpr double WALL_HEIGHT = 200.0;
constexpr double WALL_REPEAT_ALONG = 100.0;
constexpr double WALL_REPEAT_UP = 20.0;
constexpr double FACADE_REPEAT = 4.0;
constexpr double ROAD_LENGTH = 1200.0;
constexpr double ROAD_NORTH_END = 500.0;  // roads run from here down to -700
constexpr double ROAD_REPEAT_ACROSS = 20.0;
constexpr double ROAD_REPEAT_ALONG = 500.0;
constexpr double CROSS_ROAD_Y = 0.1;      // above the roads along Z, so crossings do not fight

struct WallPlacement {
  double x, z;
  bool turned;  // runs along Z instead of X
};
const WallPlacement WALLS[] = {{-500, 500, false}, {-500, -500, false}, {-500, 500, true}, {500, 500, true}};

struct RoadStrip {
  double position, width;
};
const RoadStrip ROADS_ALONG_Z[] = {{0, 50},     {120, 40},   {210, 30},   {310, 30}, {400, 100},
                                   {-120, 40},  {-200, 40},  {-340, 60},  {-500, 60}};
const RoadStrip ROADS_ALONG_X[] = {{0, 60},     {120, 80},   {280, 40},  {370, 50},  {450, 50},
                                   {-100, 40},  {-170, 30},  {-280, 60}, {-360, 40}, {-500, 60}};

// A textured rectangle in the local XY plane from (0, 0) to (width, height).
void drawQuad(double width, double height, double repeatX, double repeatY) {
  glBegin(GL_QUADS);
  glTexCoord2d(0, 0);
  glVertex3d(0, 0, 0);
  glTexCoord2d(0, repeatY);
  glVertex3d(0, height, 0);
  glTexCoord2d(repeatX, repeatY);
  glVertex3d(width, height, 0);
  glTexCoord2d(repeatX, 0);
  glVertex3d(width, 0, 0);
  glEnd();
}

void bindSlot(int slot) { glBindTexture(GL_TEXTURE_2D, textureNames[slot]); }

void drawSky() {
  static GLUquadric* sky = nullptr;  // made once, reused every frame
  if (!sky) {
    sky = gluNewQuadric();
    gluQuadricDrawStyle(sky, GLU_FILL);
    gluQuadricNormals(sky, GLU_SMOOTH);
    gluQuadricTexture(sky, GL_TRUE);
    gluQuadricOrientation(sky, GLU_INSIDE);
  }
  bindSlot(TEX_SKY);
  gluSphere(sky, SKY_RADIUS, SKY_SLICES, SKY_STACKS);
}

void drawLawn() {
  glPushMatrix();
  glTranslated(-LAWN_SIZE / 2, LAWN_Y, -LAWN_SIZE / 2);
  glRotated(90, 1, 0, 0);
  bindSlot(TEX_GRASS);
  drawQuad(LAWN_SIZE, LAWN_SIZE, GRASS_REPEAT, GRASS_REPEAT);
  glPopMatrix();
}

void drawEnclosure() {
  for (const WallPlacement& wall : WALLS) {
    glPushMatrix();
    glTranslated(wall.x, 0, wall.z);
    if (wall.turned) glRotated(90, 0, 1, 0);
    drawCityWall();
    glPopMatrix();
  }
}

void drawBuildings() {
  for (const BuildingSpec& b : buildingTable) drawBuilding(b.x, 0, b.z, b.depth, b.width, b.height, b.texture);
}

// The crossing roads first: they lie above the roads along Z, which then lose their depth test
// where the two meet instead of being shaded and covered.
void drawRoads() {
  // Turned a quarter about Y, local (X, Y, Z) is scenery (Z, Y, -X).
  glPushMatrix();
  glRotated(90, 0, 1, 0);
  for (const RoadStrip& road : ROADS_ALONG_X) {
    glPushMatrix();
    glTranslated(road.position, CROSS_ROAD_Y, 0);
    drawRoad(0, 0, 0, road.width);
    glPopMatrix();
  }
  glPopMatrix();
  for (const RoadStrip& road : ROADS_ALONG_Z) drawRoad(road.position, 0, 0, road.width);
}

// One facade in the local XY plane; the picture repeats four times across and once up.
void drawFacade(double length, double height, int texture) {
  bindSlot(texture);
  drawQuad(length, height, FACADE_REPEAT, 1);
}

// A facade turned so that its length runs along +Z.
void drawSideFacade(double length, double height, int texture) {
  glPushMatrix();
  glRotated(-90, 0, 1, 0);
  drawFacade(length, height, texture);
  glPopMatrix();
}
}  // namespace

void drawScenery() {
  glScaled(1, SCENERY_SCALE_Y, 1);
  glTranslated(SCENERY_OFFSET_X, SCENERY_OFFSET_Y, 0);
  // Opaque surfaces near to far, the sky last: most fragments behind a surface already drawn
  // then fail the depth test before they are textured, which is most of a frame's cost under
  // a software renderer. No two surfaces share a depth, so the picture is the same in any order.
  drawBuildings();
  drawRoads();
  drawEnclosure();
  drawLawn();
  drawSky();
}

void drawCityWall() {
  bindSlot(TEX_WALL);
  drawQuad(WALL_LENGTH, WALL_HEIGHT, WALL_REPEAT_ALONG, WALL_REPEAT_UP);
}

void drawBuilding(double x, double y, double z, double depth, double width, double height, int texture) {
  glPushMatrix();
  glTranslated(x, y, z);
  drawFacade(width, height, texture);
  drawSideFacade(depth, height, texture);
  glTranslated(0, 0, depth);
  drawFacade(width, height, texture);
  glTranslated(width, 0, -depth);
  drawSideFacade(depth, height, texture);
  glPopMatrix();
}

void drawRoad(double x, double y, double z, double w) {
  glPushMatrix();
  glTranslated(x, y, z + ROAD_NORTH_END);
  glRotated(-90, 1, 0, 0);  // local +Y now runs along -Z
  bindSlot(TEX_ROAD);
  drawQuad(w, ROAD_LENGTH, ROAD_REPEAT_ACROSS, ROAD_REPEAT_ALONG);
  glPopMatrix();
}
