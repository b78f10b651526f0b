// Where the demo's media are. The demo opens every file relative to its working directory;
// an installed demo started anywhere else changes into the folder its media were installed in.
#ifndef APP_MEDIA_H
#define APP_MEDIA_H

#include <string>

// The folder of the running program joined with `relativeFolder`, normalised
// ("/usr/bin" and "../share/kerbhopper" give "/usr/share/kerbhopper"); an absolute
// `relativeFolder` as it is. "" when the program's own path cannot be found.
std::string installedMediaFolder(const char* relativeFolder);

// Makes the working directory one that holds `markerFile`: true at once when it does,
// otherwise true after changing into `installedFolder` when that holds it. When neither
// does, prints one line on standard error naming both places and returns false, with the
// working directory unchanged.
bool enterMediaFolder(const char* markerFile, const std::string& installedFolder);

#endif
