// Writes the shell tests' small disc into a folder, for the real-window test.
#include <cstdio>

#include "shell/ShellDisc.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_test_disc DIR\n");
    return 2;
  }
  trv::test::WriteTestDisc(argv[1]);
  return 0;
}
