// Gives a test something to look up in a loaded probe library.
extern "C" __attribute__((visibility("default"))) int probe_anchor() {
    return 42;
}
