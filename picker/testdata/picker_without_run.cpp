// A picker library that lacks entry point 2, for the bridge tests.
#define MV_EXPORT extern "C" __attribute__((visibility("default")))

MV_EXPORT int mv_ordinal_1() {
    return 1;
}
MV_EXPORT int mv_ordinal_3() {
    return 3;
}
