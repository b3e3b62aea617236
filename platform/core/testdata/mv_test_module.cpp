// A tiny run-time loaded library for the module tests: entry point 2 by ordinal, one by name.
extern "C" __attribute__((visibility("default"))) int mv_ordinal_2(int value) {
    return value + 22;
}
extern "C" __attribute__((visibility("default"))) int mv_test_named(int value) {
    return value + 7;
}
