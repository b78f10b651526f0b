// The slots of the city's nine textures, shared by the building table and the drawing code.
#ifndef APP_TEXTURE_SLOTS_H
#define APP_TEXTURE_SLOTS_H

enum TextureSlot {
  TEX_ROAD,
  TEX_WALL,
  TEX_SKY,
  TEX_GRASS,
  TEX_BUILD1,
  TEX_BUILD2,
  TEX_BUILD3,
  TEX_BUILD4,
  TEX_BUILD5,
  TEXTURE_COUNT
};

#endif
