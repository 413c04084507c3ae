// Writes the shell tests' small disc into a folder, for the real-window and
// scenario tests. Start-up scenarios need discs whose Struct.txt is broken or
// missing, hence the two options.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "shell/ShellDisc.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: make_test_disc [--script FILE | --without Struct.txt] DIR\n"
               "  --script FILE         FILE (UTF-8 text) becomes the archive's Struct.txt\n"
               "  --without Struct.txt  the archive holds no Struct.txt\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string script = trv::test::TestScript();
  bool withScript = true;
  bool scriptGiven = false;
  int i = 1;
  for (; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--script") == 0 && !scriptGiven && withScript) {
      std::ifstream in(argv[i + 1], std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "make_test_disc: cannot read %s\n", argv[i + 1]);
        return 1;
      }
      script.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      // The disc writer adds the CR of each line itself.
      std::string lf;
      for (char c : script)
        if (c != '\r') lf += c;
      script = lf;
      scriptGiven = true;
    } else if (std::strcmp(argv[i], "--without") == 0 && !scriptGiven) {
      // Only Struct.txt can be left out: every other entry is a picture the
      // script needs.
      if (std::strcmp(argv[i + 1], "Struct.txt") != 0) return Usage();
      withScript = false;
    } else {
      return Usage();
    }
  }
  if (i != argc - 1) return Usage();
  trv::test::WriteTestDisc(argv[i], script, withScript);
  return 0;
}
