// Background music: one MP3 file played once while the demo runs.
#ifndef APP_MUSIC_H
#define APP_MUSIC_H

// Starts playing the MP3 file at `path` once, in the background, and returns at once.
// Returns false, silently, when there is no file, no audio device or no audio driver;
// the demo then runs without music.
bool startMusic(const char* path);
// True while the tune is still playing.
bool musicPlaying();
// Stops the tune and closes the audio device (also run at exit). Safe to call twice.
void stopMusic();

#endif
