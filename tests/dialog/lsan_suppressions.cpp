// fontconfig keeps its configuration for the life of the process; LeakSanitizer would report it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
