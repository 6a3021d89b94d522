// SPDX-License-Identifier: GPL-3.0-or-later
// A tiny program that desktop-entry tests start through a real launcher: it appends its own
// arguments, argv[0] included, one per line, then "--END--", to the file named by
// PACKHELM_ARGLOG_FILE.
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  const char* log = std::getenv("PACKHELM_ARGLOG_FILE");
  if (!log) return 2;
  FILE* f = std::fopen(log, "a");
  if (!f) return 3;
  for (int i = 0; i < argc; ++i) std::fprintf(f, "%s\n", argv[i]);
  std::fprintf(f, "--END--\n");
  return std::fclose(f) == 0 ? 0 : 4;
}
