#include "app/music.h"

#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdlib>

namespace {
constexpr int SAMPLE_RATE = 44100;
constexpr int CHANNELS = 2;
constexpr int CHUNK_SIZE = 2048;

Mix_Music* music = nullptr;
bool audioOpen = false;

bool openAudio() {
  // Without this SDL takes over SIGINT and SIGTERM and queues them as events that the
  // GLUT loop never reads, so the demo could no longer be interrupted.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_Init(SDL_INIT_AUDIO) != 0) return false;
  if (Mix_OpenAudio(SAMPLE_RATE, MIX_DEFAULT_FORMAT, CHANNELS, CHUNK_SIZE) != 0) {
    SDL_Quit();
    return false;
  }
  audioOpen = true;
  return true;
}
}  // namespace

bool startMusic(const char* path) {
  if (!openAudio()) return false;
  music = Mix_LoadMUS(path);
  if (!music || Mix_PlayMusic(music, 0) != 0) {
    stopMusic();
    return false;
  }
  static bool closedAtExit = false;  // the audio thread must stop before the process tears down
  if (!closedAtExit) closedAtExit = atexit(stopMusic) == 0;
  return true;
}

bool musicPlaying() { return music && Mix_PlayingMusic(); }

void stopMusic() {
  if (!audioOpen) return;
  Mix_HaltMusic();
  if (music) Mix_FreeMusic(music);
  music = nullptr;
  Mix_CloseAudio();
  Mix_Quit();
  SDL_Quit();
  audioOpen = false;
}
