// Built only with LeakSanitizer. The desktop libraries below the toolkit keep caches for the
// life of the process and never free them; those are not our leaks. Weak, so that a test main
// with its own list wins.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n"
           "leak:libglib-2.0.so\n";
}
