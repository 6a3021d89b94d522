// SPDX-License-Identifier: GPL-3.0-or-later
/* A small program for the tests that run the real packer. It carries a 64 KiB table of text so
   that it is large enough, and compressible enough, for the packer to take it; on Windows it also
   has an export, icons and a resource (sample.rc), for the packer's Windows options. */
#include <stdio.h>

#define S16 "Packhelm sample "
#define S256 S16 S16 S16 S16 S16 S16 S16 S16 S16 S16 S16 S16 S16 S16 S16 S16
#define S4K S256 S256 S256 S256 S256 S256 S256 S256 S256 S256 S256 S256 S256 S256 S256 S256
#define S64K S4K S4K S4K S4K S4K S4K S4K S4K S4K S4K S4K S4K S4K S4K S4K S4K

const char sample_table[] = S64K;

#if defined(_WIN32)
__declspec(dllexport)
#endif
int sample_export(int i) {
  return sample_table[(unsigned)i % sizeof sample_table];
}

#if !defined(SAMPLE_LIBRARY)
int main(int argc, char** argv) {
  (void)argv;
  printf("%d\n", sample_export(argc));
  return 0;
}
#endif
