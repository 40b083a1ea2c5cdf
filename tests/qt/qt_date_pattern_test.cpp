// Checks that the date pattern read from the locale in the environment is
// the expected one: qt_date_pattern_test EXPECTED
#include <cstdio>
#include <string>

#include "qt/qt_date_pattern.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::string got = quillon::QtDatePattern().short_date_pattern();
  if (got != argv[1]) {
    std::fprintf(stderr, "expected '%s', got '%s'\n", argv[1], got.c_str());
    return 1;
  }
  std::printf("1 passed, 0 failed\n");
  return 0;
}
