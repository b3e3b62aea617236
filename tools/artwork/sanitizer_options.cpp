// Sanitizer settings for the tool and its tests (they run in the sanitizer builds too).
// Fontconfig and pango keep caches for the life of the process: a build tool that exits at once
// need not free them, so leak reports are off. Pango starts fontconfig on a helper thread; the
// races reported inside those uninstrumented libraries are theirs, the tool has no threads.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}
extern "C" const char* __tsan_default_suppressions() {
    return "race:libfontconfig.so\nrace:libglib-2.0.so\n";
}
