// A small Windows program that stands in for SelfExtractor.exe where a test
// needs an agent file to build a package but never runs the package.
int main() {
  return 0;
}
