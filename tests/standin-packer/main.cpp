// Placeholder until the stand-in packer lands.
int main() {
  return 1;
}
