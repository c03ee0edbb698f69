/* A tiny shared library for the dynamic library tests. */
__attribute__((visibility("default"))) int testModuleAnswer = 42;
__attribute__((visibility("default"))) int testModuleTwice(int x) { return 2 * x; }
int testModuleHidden(int x) { return x; }
__attribute__((visibility("default"))) char testModuleBlock[100];
