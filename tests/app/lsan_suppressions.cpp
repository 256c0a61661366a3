// fontconfig keeps a few allocations of its own to the end of the process;
// LeakSanitizer would blame them on the first test that drew text.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
