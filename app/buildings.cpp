#include "app/buildings.h"

#include <cmath>

#include "app/texture_slots.h"
#include "app/vehicle.h"

const BuildingSpec buildingTable[BUILDING_COUNT] = {
    {-20, 0, 60, 20, 170, TEX_BUILD1},     {-80, 0, 30, 40, 150, TEX_BUILD2},
    {-65, 110, 20, 50, 160, TEX_BUILD3},   {-80, 280, 40, 80, 120, TEX_BUILD1},
    {-50, 380, 50, 30, 160, TEX_BUILD4},   {-70, -90, 20, 40, 180, TEX_BUILD2},
    {-70, -270, 60, 50, 160, TEX_BUILD4},  {-80, -450, 30, 80, 100, TEX_BUILD5},
    {-160, 0, 60, 20, 150, TEX_BUILD5},    {-160, 110, 20, 40, 170, TEX_BUILD3},
    {-160, 170, 20, 30, 200, TEX_BUILD2},  {-160, 280, 40, 40, 180, TEX_BUILD4},
    {-160, -100, 40, 40, 140, TEX_BUILD2}, {-160, -450, 100, 40, 100, TEX_BUILD1},
    {-280, 0, 60, 40, 120, TEX_BUILD3},    {-280, 110, 20, 40, 170, TEX_BUILD2},
    {-280, 170, 150, 80, 80, TEX_BUILD1},  {-280, -100, 40, 40, 130, TEX_BUILD5},
    {-280, -280, 80, 160, 90, TEX_BUILD1}, {-420, 0, 60, 40, 140, TEX_BUILD4},
    {-420, 110, 20, 40, 200, TEX_BUILD2},  {-440, 170, 50, 30, 160, TEX_BUILD3},
    {-440, 280, 160, 100, 70, TEX_BUILD1}, {-420, -100, 40, 40, 160, TEX_BUILD3},
    {-440, -450, 130, 100, 100, TEX_BUILD5}, {60, 0, 20, 20, 180, TEX_BUILD3},
    {60, 40, 20, 20, 150, TEX_BUILD2},     {90, 15, 30, 25, 130, TEX_BUILD3},
    {70, 105, 30, 30, 160, TEX_BUILD4},    {60, 170, 50, 50, 130, TEX_BUILD2},
    {60, 290, 20, 50, 120, TEX_BUILD5},    {60, 380, 50, 30, 170, TEX_BUILD2},
    {65, -90, 20, 40, 220, TEX_BUILD3},    {60, -270, 60, 50, 90, TEX_BUILD2},
    {50, -450, 130, 160, 80, TEX_BUILD1},  {165, 20, 30, 40, 160, TEX_BUILD3},
    {160, 100, 120, 50, 100, TEX_BUILD1},  {160, 390, 30, 50, 140, TEX_BUILD4},
    {255, 20, 30, 40, 110, TEX_BUILD3},    {250, 105, 30, 30, 130, TEX_BUILD4},
    {250, 170, 50, 50, 110, TEX_BUILD5},   {250, 285, 30, 50, 160, TEX_BUILD4},
    {240, 390, 50, 70, 90, TEX_BUILD1},    {240, -90, 20, 40, 170, TEX_BUILD5},
    {240, -270, 60, 50, 150, TEX_BUILD3},  {240, -450, 30, 160, 130, TEX_BUILD4},
    {350, 20, 30, 40, 130, TEX_BUILD2},    {350, 105, 30, 40, 200, TEX_BUILD3},
    {350, 170, 40, 40, 140, TEX_BUILD5},   {340, 280, 40, 60, 100, TEX_BUILD1},
    {350, 390, 50, 40, 120, TEX_BUILD2},
};

namespace {
// The car, a point, keeps this far from every wall and building.
constexpr double CRASH_MARGIN = 0.5;
constexpr double PUSH_BACK_STEPS = 10.0;
constexpr double EAST_LIMIT = CITY_HALF_SIZE + SCENERY_OFFSET_X - CRASH_MARGIN;
constexpr double WEST_LIMIT = -CITY_HALF_SIZE + SCENERY_OFFSET_X + CRASH_MARGIN;
constexpr double NORTH_LIMIT = CITY_HALF_SIZE - CRASH_MARGIN;
constexpr double SOUTH_LIMIT = -CITY_HALF_SIZE + CRASH_MARGIN;

bool strictlyBetween(double low, double value, double high) { return low < value && value < high; }
}  // namespace

void crashCar() {
  speed = 0;
  crashed = true;
  carX += PUSH_BACK_STEPS * stepLength * sin(heading);
  carZ += PUSH_BACK_STEPS * stepLength * cos(heading);
}

void checkCityEdge() {
  if (carX > EAST_LIMIT || carX < WEST_LIMIT) crashCar();
  if (carZ > NORTH_LIMIT || carZ < SOUTH_LIMIT) crashCar();
}

void collideBuilding(const BuildingSpec& building) {
  const double west = building.x + SCENERY_OFFSET_X;
  if (strictlyBetween(building.z - CRASH_MARGIN, carZ, building.z + building.depth + CRASH_MARGIN) &&
      strictlyBetween(west - CRASH_MARGIN, carX, west + building.width + CRASH_MARGIN))
    crashCar();
}

void collideAllBuildings() {
  for (const BuildingSpec& building : buildingTable) collideBuilding(building);
}
