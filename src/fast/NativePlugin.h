// Finding the native tier's plugin wherever poliz is installed, and loading it only when the
// dynamic loader can map it safely and it speaks this poliz's interface. Used by NativeTier.cpp.
#pragma once

#include <string>

struct PolizNativeApi;

// The plugin's interface, loaded on first call and kept for the process, or null with `why` set
// to what became of it, in the words of POLIZ_NATIVE_TRACE: "not installed (looked for ...)",
// "declined the plugin FILE: ...", or "not built ..." for a poliz built without the native tier.
//
// The plugin is POLIZ_NATIVE_PLUGIN when that is set, else the first file found of
// ../lib/poliz/libpoliz_native.so and libpoliz_native.so beside the running program, so that
// the build tree, `make install PREFIX=...`, a DESTDIR staging and the package under /usr all
// find it with no path built in.
const PolizNativeApi* nativePlugin(std::string& why);

// Why the dynamic loader could not map `file` safely as a shared library of this machine, or ""
// when it can. The loader maps each loadable segment straight from the file, so a segment that
// reaches past the file's end faults (a bus error) the first time it is touched, before dlopen
// returns; a file this accepts may still be refused by dlopen, which then says why.
std::string elfProblem(const std::string& file);
