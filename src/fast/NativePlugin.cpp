// The native tier's plugin: where it is looked for, what of the file is checked before dlopen
// maps it, and the interface version checked after.
#include "fast/NativePlugin.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#if defined(__linux__)
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef POLIZ_NATIVE_TIER
#include <dlfcn.h>

#include "native/NativeAbi.h"
#endif

#if defined(__linux__)
namespace {

// This process's own kind of ELF file: its word size, byte order and machine.
using Ehdr = std::conditional_t<sizeof(void*) == 8, Elf64_Ehdr, Elf32_Ehdr>;
using Phdr = std::conditional_t<sizeof(void*) == 8, Elf64_Phdr, Elf32_Phdr>;
constexpr unsigned char kElfClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
constexpr unsigned char kByteOrder = std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;
#if defined(__x86_64__)
constexpr int kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr int kMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr int kMachine = EM_386;
#elif defined(__arm__)
constexpr int kMachine = EM_ARM;
#elif defined(__riscv)
constexpr int kMachine = EM_RISCV;
#elif defined(__powerpc64__)
constexpr int kMachine = EM_PPC64;
#elif defined(__s390x__)
constexpr int kMachine = EM_S390;
#else
constexpr int kMachine = EM_NONE;  // a machine not listed here: its code is not compared
#endif

class OpenFile {
public:
    explicit OpenFile(const std::string& path) : fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
    ~OpenFile() {
        if (fd >= 0) close(fd);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    // Exactly `size` bytes from `offset`; false when the file ends first or cannot be read.
    bool readAt(void* into, std::size_t size, std::uint64_t offset) const {
        auto* bytes = static_cast<char*>(into);
        while (size > 0) {
            const ssize_t got = pread(fd, bytes, size, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            bytes += got;
            size -= static_cast<std::size_t>(got);
            offset += static_cast<std::uint64_t>(got);
        }
        return true;
    }

    const int fd;
};

// Whether [offset, offset + length) lies inside a file of `size` bytes, without overflow.
bool inside(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
    return offset <= size && length <= size - offset;
}

// The segments that the loader, or the unwinder for an exception, reads where they are mapped.
bool readWhereMapped(std::uint32_t type) {
    return type == PT_DYNAMIC || type == PT_NOTE || type == PT_TLS || type == PT_GNU_EH_FRAME ||
           type == PT_GNU_PROPERTY;
}

std::string problemOfSegments(const std::vector<Phdr>& segments, std::uint64_t size) {
    std::vector<const Phdr*> loads;
    bool dynamic = false;
    for (std::size_t n = 0; n < segments.size(); ++n) {
        const Phdr& segment = segments[n];
        if (segment.p_type != PT_LOAD && !readWhereMapped(segment.p_type)) continue;
        dynamic = dynamic || segment.p_type == PT_DYNAMIC;
        const std::string which = "segment " + std::to_string(n);
        if (!inside(segment.p_offset, segment.p_filesz, size))
            return which + " ends at byte " +
                   std::to_string(std::uint64_t{segment.p_offset} + segment.p_filesz) +
                   ", past the end of the file (" + std::to_string(size) + " bytes): the file is cut short";
        if (segment.p_type != PT_LOAD) continue;
        if (segment.p_memsz < segment.p_filesz) return which + " is larger in the file than in memory";
        const std::uint64_t align = segment.p_align;
        if (align > 1 && (!std::has_single_bit(align) || (segment.p_vaddr - segment.p_offset) % align != 0))
            return which + " is not aligned";
        // The loader reserves one span from the first segment to the end of the last and maps
        // each into it: segments out of order would be mapped over other memory.
        if (!loads.empty() && segment.p_vaddr < std::uint64_t{loads.back()->p_vaddr} + loads.back()->p_memsz)
            return which + " overlaps or precedes the one before it";
        if (segment.p_vaddr + segment.p_memsz < segment.p_vaddr) return which + " wraps around memory";
        loads.push_back(&segment);
    }
    if (loads.empty()) return "it has no loadable segment";
    if (!dynamic) return "it has no dynamic section";
    for (std::size_t n = 0; n < segments.size(); ++n) {
        const Phdr& read = segments[n];
        // Thread-local data that is all zeros has nothing to read.
        if (!readWhereMapped(read.p_type) || read.p_filesz == 0) continue;
        const auto mapsIt = [&](const Phdr* load) {
            return read.p_vaddr >= load->p_vaddr &&
                   inside(read.p_vaddr - load->p_vaddr, read.p_filesz, load->p_filesz);
        };
        if (std::none_of(loads.begin(), loads.end(), mapsIt))
            return "segment " + std::to_string(n) + " lies outside the loadable segments' contents";
    }
    return "";
}

}  // namespace

std::string elfProblem(const std::string& file) {
    const OpenFile in(file);
    if (in.fd < 0) return std::string("cannot be read (") + std::strerror(errno) + ")";
    struct stat status {};
    if (fstat(in.fd, &status) != 0 || !S_ISREG(status.st_mode)) return "not a regular file";
    const auto size = static_cast<std::uint64_t>(status.st_size);

    Ehdr header{};
    if (size < SELFMAG || !in.readAt(&header, SELFMAG, 0) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0)
        return "not an ELF file";
    if (size < sizeof header || !in.readAt(&header, sizeof header, 0)) return "its ELF header is cut short";
    if (header.e_ident[EI_CLASS] != kElfClass) return "an ELF file of another word size";
    if (header.e_ident[EI_DATA] != kByteOrder) return "an ELF file of another byte order";
    if (header.e_ident[EI_VERSION] != EV_CURRENT || header.e_version != EV_CURRENT)
        return "an ELF file of an unknown version";
    if (header.e_type != ET_DYN) return "not a shared library";
    if (kMachine != EM_NONE && header.e_machine != kMachine)
        return "built for another machine (ELF machine " + std::to_string(header.e_machine) + ")";
    if (header.e_phentsize != sizeof(Phdr) || header.e_phnum == 0 || header.e_phnum == PN_XNUM)
        return "its program headers are malformed";
    const std::uint64_t tableSize = std::uint64_t{header.e_phnum} * sizeof(Phdr);
    std::vector<Phdr> segments(header.e_phnum);
    if (!inside(header.e_phoff, tableSize, size) || !in.readAt(segments.data(), tableSize, header.e_phoff))
        return "its program headers lie past the end of the file (" + std::to_string(size) + " bytes)";
    return problemOfSegments(segments, size);
}
#else
std::string elfProblem(const std::string&) { return "plugins are only checked on Linux"; }
#endif

#ifdef POLIZ_NATIVE_TIER
namespace {

constexpr const char* kPluginName = "libpoliz_native.so";

// The folder of the running program, with its closing '/', or "" when it cannot be known.
std::string ownFolder() {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return "";
    const std::string path(self, static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

std::vector<std::string> places() {
    if (const char* chosen = std::getenv("POLIZ_NATIVE_PLUGIN"); chosen && *chosen) {
        // A bare name would send dlopen searching the library path: it names a file here.
        const std::string file(chosen);
        return {file.find('/') == std::string::npos ? "./" + file : file};
    }
    const std::string folder = ownFolder();
    if (folder.empty()) return {};
    return {folder + "../lib/poliz/" + kPluginName, folder + kPluginName};
}

std::string lookedFor(const std::vector<std::string>& files) {
    if (files.empty()) return "not installed (the running program's folder is unknown)";
    std::string text = "not installed (looked for ";
    for (std::size_t n = 0; n < files.size(); ++n) text += (n == 0 ? "" : " and ") + files[n];
    return text + ")";
}

// dlopen and the interface version. The version is plain data, read before any of the plugin's
// functions is called; a plugin declined after dlopen is closed again.
const PolizNativeApi* load(const std::string& file, std::string& why) {
    if (std::string problem = elfProblem(file); !problem.empty()) {
        why = problem;
        return nullptr;
    }
    void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* error = dlerror();
        why = std::string("dlopen failed: ") + (error ? error : "no reason given");
        return nullptr;
    }
    const auto* version = static_cast<const std::int32_t*>(dlsym(library, POLIZ_NATIVE_ABI_SYMBOL));
    const auto entry = reinterpret_cast<PolizNativeApiEntry>(dlsym(library, "poliz_native_api"));
    if (version == nullptr || entry == nullptr) {
        why = "not a poliz plugin (it exports no interface version)";
    } else if (*version != POLIZ_NATIVE_ABI_VERSION) {
        why = "interface version " + std::to_string(*version) + ", where this poliz speaks version " +
              std::to_string(POLIZ_NATIVE_ABI_VERSION);
    } else if (const PolizNativeApi* api = entry(); api && api->version == POLIZ_NATIVE_ABI_VERSION) {
        return api;
    } else {
        why = "its interface is not of the version it exports";
    }
    dlclose(library);
    return nullptr;
}

}  // namespace

const PolizNativeApi* nativePlugin(std::string& why) {
    struct Loaded {
        const PolizNativeApi* api = nullptr;
        std::string why;
    };
    static const Loaded loaded = [] {
        Loaded result;
        const std::vector<std::string> files = places();
        for (const std::string& file : files) {
            struct stat status {};
            if (stat(file.c_str(), &status) != 0) continue;
            // The first file found decides: a damaged one is reported, not passed over.
            result.api = load(file, result.why);
            if (result.api == nullptr) result.why = "declined the plugin " + file + ": " + result.why;
            return result;
        }
        result.why = lookedFor(files);
        return result;
    }();
    why = loaded.why;
    return loaded.api;
}
#else
const PolizNativeApi* nativePlugin(std::string& why) {
    why = "not built into this program (LLVM 14 was missing where it was built)";
    return nullptr;
}
#endif
