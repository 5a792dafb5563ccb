// V_MOD1.DLL .. V_MOD4.DLL: the spool module is only told their paths, so
// they just have to exist as loadable modules. Each reports its number.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) int32_t ModuleNumber() {
    return VORNA_MODULE_NUMBER;
}
