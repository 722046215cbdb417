// The check of a plugin file before dlopen maps it (fast/NativePlugin.h): the C library this test
// runs with, which the check accepts, damaged one way per case, and files that are no files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "SourceFile.h"
#include "fast/NativePlugin.h"

#if defined(__linux__) && UINTPTR_MAX == UINT64_MAX
#include <elf.h>
#include <link.h>
#include <sys/stat.h>

namespace {

// The path of the C library loaded into this process: a shared object of this machine.
std::string cLibrary() {
    std::string found;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* into) {
            const std::string name = info->dlpi_name ? info->dlpi_name : "";
            if (name.find("/libc.so") != std::string::npos) *static_cast<std::string*>(into) = name;
            return 0;
        },
        &found);
    return found;
}

std::vector<char> contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A copy of the library's bytes, with its headers to damage in place.
struct Elf {
    std::vector<char> bytes;

    Elf64_Ehdr& header() { return *reinterpret_cast<Elf64_Ehdr*>(bytes.data()); }
    Elf64_Phdr& segment(std::size_t n) {
        return reinterpret_cast<Elf64_Phdr*>(bytes.data() + header().e_phoff)[n];
    }
    std::vector<Elf64_Phdr*> all(std::uint32_t type) {
        std::vector<Elf64_Phdr*> found;
        for (std::size_t n = 0; n < header().e_phnum; ++n)
            if (segment(n).p_type == type) found.push_back(&segment(n));
        return found;
    }
};

std::string problemOf(const std::vector<char>& bytes) {
    const SourceFile file(std::string(bytes.begin(), bytes.end()));
    return elfProblem(file.name());
}

struct Damage {
    const char* what;
    std::function<void(Elf&)> damage;
    const char* problem;  // a part of what elfProblem says
};

}  // namespace

TEST(NativePluginCheck, AcceptsASharedLibraryOfThisMachine) {
    const std::string library = cLibrary();
    ASSERT_FALSE(library.empty());
    EXPECT_EQ(elfProblem(library), "");
    EXPECT_EQ(problemOf(contentOf(library)), "");
}

TEST(NativePluginCheck, DeclinesEachDamageTheLoaderWouldMapOrTrust) {
    const std::vector<char> library = contentOf(cLibrary());
    ASSERT_GT(library.size(), 4096u);
    const std::vector<Damage> damages = {
        {"cut after its program headers", [](Elf& e) { e.bytes.resize(2048); }, "the file is cut short"},
        {"cut inside its ELF header", [](Elf& e) { e.bytes.resize(40); }, "its ELF header is cut short"},
        {"cut to nothing", [](Elf& e) { e.bytes.clear(); }, "not an ELF file"},
        {"no ELF magic", [](Elf& e) { e.bytes[1] = 'X'; }, "not an ELF file"},
        {"the other word size", [](Elf& e) { e.header().e_ident[EI_CLASS] = ELFCLASS32; },
         "another word size"},
        {"the other byte order", [](Elf& e) { e.header().e_ident[EI_DATA] ^= ELFDATA2LSB ^ ELFDATA2MSB; },
         "another byte order"},
        {"an unknown version", [](Elf& e) { e.header().e_version = 7; }, "an unknown version"},
        {"an executable", [](Elf& e) { e.header().e_type = ET_EXEC; }, "not a shared library"},
        {"another machine", [](Elf& e) { e.header().e_machine ^= 1; }, "built for another machine"},
        {"program headers of another size", [](Elf& e) { e.header().e_phentsize = 32; }, "malformed"},
        {"no program headers", [](Elf& e) { e.header().e_phnum = 0; }, "malformed"},
        {"program headers past the end", [](Elf& e) { e.header().e_phoff = e.bytes.size() - 8; },
         "program headers lie past the end"},
        {"a segment larger in the file",
         [](Elf& e) { e.all(PT_LOAD)[0]->p_memsz = e.all(PT_LOAD)[0]->p_filesz - 1; }, "larger in the file"},
        {"a segment out of alignment", [](Elf& e) { e.all(PT_LOAD)[1]->p_vaddr += 1; }, "not aligned"},
        {"segments out of order", [](Elf& e) { std::swap(*e.all(PT_LOAD)[0], *e.all(PT_LOAD)[1]); },
         "precedes the one before it"},
        {"a segment that wraps around memory",
         [](Elf& e) {
             Elf64_Phdr& last = *e.all(PT_LOAD).back();
             last.p_vaddr = (~std::uint64_t{0} & ~(last.p_align - 1)) + last.p_offset % last.p_align;
             last.p_memsz = std::max(last.p_filesz, last.p_align) + last.p_align;
         },
         "wraps around memory"},
        {"no loadable segment",
         [](Elf& e) {
             for (Elf64_Phdr* s : e.all(PT_LOAD)) s->p_type = PT_NULL;
         },
         "no loadable segment"},
        {"no dynamic section", [](Elf& e) { e.all(PT_DYNAMIC)[0]->p_type = PT_NULL; }, "no dynamic section"},
        {"a dynamic section outside the segments", [](Elf& e) { e.all(PT_DYNAMIC)[0]->p_vaddr += 1 << 30; },
         "lies outside the loadable segments"},
        {"a note the loader reads outside the segments",
         [](Elf& e) { e.all(PT_NOTE)[0]->p_vaddr -= 1 << 30; }, "lies outside the loadable segments"},
        {"thread-local data outside the segments", [](Elf& e) { e.all(PT_TLS)[0]->p_vaddr += 1 << 30; },
         "lies outside the loadable segments"},
        {"a dynamic section past the end", [](Elf& e) { e.all(PT_DYNAMIC)[0]->p_offset = e.bytes.size(); },
         "the file is cut short"},
    };
    for (const Damage& d : damages) {
        Elf elf{library};
        d.damage(elf);
        const std::string problem = problemOf(elf.bytes);
        EXPECT_NE(problem.find(d.problem), std::string::npos) << d.what << ": " << problem;
    }
}

TEST(NativePluginCheck, DeclinesWhatIsNoFileWithoutWaiting) {
    EXPECT_EQ(elfProblem("/"), "not a regular file");
    const std::string fifo = ::testing::TempDir() + "poliz-plugin-fifo-" + std::to_string(::getpid());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(elfProblem(fifo), "not a regular file");  // opened without blocking for a writer
    std::remove(fifo.c_str());
    EXPECT_EQ(elfProblem("/nonexistent/libpoliz_native.so"), "cannot be read (No such file or directory)");
}
#endif
