// LeakSanitizer's built-in suppressions for the test program: fontconfig keeps
// the configuration it parses at first use for the life of the process, which
// LeakSanitizer reports as a leak at exit. Only that library is excused.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
