// Tests that need something from outside the build (a tool, the demo's media) end early
// without it, saying what is missing. Under CI (CI=true) the same lack fails the test: a
// machine that should have everything must not pass by skipping.
#ifndef TESTS_SUPPORT_PREREQUISITES_H
#define TESTS_SUPPORT_PREREQUISITES_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

// True when the environment says this run is CI's, where every prerequisite must be present.
inline bool prerequisitesRequired() {
  const char* ci = std::getenv("CI");
  return ci && (std::strcmp(ci, "true") == 0 || std::strcmp(ci, "1") == 0);
}

// Ends the current test for lack of `what` (anything a gtest message takes, `<<` allowed):
// a failure under CI, a skip elsewhere.
#define SKIP_FOR_LACK_OF(what)                                                                  \
  do {                                                                                          \
    if (prerequisitesRequired()) GTEST_FAIL() << "missing: " << what << " (required under CI)"; \
    GTEST_SKIP() << "missing: " << what;                                                        \
  } while (false)

#endif
