// A plugin of the next interface version, for the native tier's test that poliz declines it from
// its exported version alone: were poliz to call into it, the run would abort.
#include <cstdlib>

#include "native/NativeAbi.h"

extern "C" __attribute__((visibility("default"))) const int32_t poliz_native_abi_version =
    POLIZ_NATIVE_ABI_VERSION + 1;

extern "C" __attribute__((visibility("default"))) const PolizNativeApi* poliz_native_api() { std::abort(); }
