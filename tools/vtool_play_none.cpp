#include <cstdio>

#include "tools/vtool_play.h"

int play_command(int, char**) {
  std::fputs("vtool: play: la lecture n'existe que sous Windows\n", stderr);
  return 2;
}
