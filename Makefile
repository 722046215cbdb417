# The README's commands. `make` builds the programs (Release), `make run` builds poliz alone and
# runs the bundled demo program, `make test` builds everything and runs every test,
# `make install PREFIX=dir` installs the programs. Builds are configured from CMakePresets.json:
# release in build/, debug in build-debug/, sanitize in build-sanitize/, fuzz in build-fuzz/;
# CMAKE_FLAGS adds cache entries (and reconfigures), as .ci/run does with
# -DPOLIZ_WARNINGS_AS_ERRORS=ON.
BUILD_DIR := build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
# No "Entering directory" lines from the make that CMake runs below this one.
MAKEFLAGS += --no-print-directory

.PHONY: all build run test vscode-extension install sanitize bench fuzz mutants mutants-sample clean tools test-tools reconfigure \
	playground playground-serve bench-playground conformance-kit

all: build

tools:
	@command -v cmake >/dev/null || { echo "cmake is missing: install it with 'apt-get install cmake'"; exit 1; }
	@command -v c++ >/dev/null || { echo "a C++ compiler is missing: install it with 'apt-get install g++'"; exit 1; }

test-tools:
	@command -v python3 >/dev/null || { echo "python3 is missing (it runs the tests): install it with 'apt-get install python3'"; exit 1; }

# Configures PRESET quietly: CMake's report is shown only when it fails.
configure = @echo "Configuring $(2)/ (preset $(1))"; \
	out="$$(cmake --preset $(1) $(CMAKE_FLAGS) 2>&1)" || { printf '%s\n' "$$out"; exit 1; }

# Extra cache entries must reach an existing build tree too: then every build tree is configured.
ifneq ($(strip $(CMAKE_FLAGS)),)
RECONFIGURE := reconfigure
endif

$(BUILD_DIR)/CMakeCache.txt: $(RECONFIGURE) | tools
	$(call configure,release,$(BUILD_DIR))

build: $(BUILD_DIR)/CMakeCache.txt
	@cmake --build --preset release -j $(JOBS) --target poliz_programs

# Only what the demo needs: poliz itself, without the native tier's plugin (its first build is
# most of a fresh clone's time, and the demo never gets hot).
run: $(BUILD_DIR)/CMakeCache.txt
	@cmake --build --preset release -j $(JOBS) --target poliz
	./$(BUILD_DIR)/poliz

test: $(BUILD_DIR)/CMakeCache.txt | test-tools
	@cmake --build --preset release -j $(JOBS)
	ctest --preset release -j $(JOBS)

# The VS Code extension as a .vsix package, made with @vscode/vsce installed into the build tree.
vscode-extension: $(BUILD_DIR)/CMakeCache.txt
	@cmake --build --preset release --target vscode-extension

# The conformance kit, $(BUILD_DIR)/conformance/ and $(BUILD_DIR)/conformance.tar.gz: the golden
# programs, generated ones and a runner that checks any implementation of the language against
# poliz with Python 3 alone (tools/conformance/kit/README.md says how).
conformance-kit: build | test-tools
	@cmake --build --preset release -j $(JOBS) --target conformance_kit

# Installs the programs, their manual pages, the editor files and the native tier's plugin under
# PREFIX (bin/, share/, lib/poliz/; see cmake/Install.cmake); DESTDIR, when set, is put in front
# of every path, as packagers expect.
PREFIX ?= /usr/local

install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# The Debian packages of what `make install` installs, under /usr, made by CPack (see
# cmake/DebianPackage.cmake): $(BUILD_DIR)/poliz_VERSION_ARCH.deb and, where the native tier is
# built, $(BUILD_DIR)/poliz-native_VERSION_ARCH.deb, for `apt install ./poliz*.deb` on lab machines.
.PHONY: package
package: build
	@command -v dpkg-deb >/dev/null || { echo "dpkg-deb is missing: install it with 'apt-get install dpkg'"; exit 1; }
	cd $(BUILD_DIR) && cpack -G DEB

# The whole suite under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer; any
# report fails the test that provoked it. The preset turns off the runtime's tracking of the
# thread-local blocks of libraries loaded later (the native tier's LLVM): it guesses a block's
# bounds from the 16 bytes before it, and where a block starts 16 bytes into a page, the leak
# check at exit scans from a wild address and dies ("Tracer caught signal 11").
SANITIZE_DIR := build-sanitize

$(SANITIZE_DIR)/CMakeCache.txt: $(RECONFIGURE) | tools
	$(call configure,sanitize,$(SANITIZE_DIR))

sanitize: $(SANITIZE_DIR)/CMakeCache.txt | test-tools
	@cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

# The whole suite on a Debug build (no optimisation, full debug information) in build-debug/,
# whose build-debug/poliz and build-debug/poliz-show are the ones to run under a debugger.
.PHONY: debug
DEBUG_DIR := build-debug

$(DEBUG_DIR)/CMakeCache.txt: $(RECONFIGURE) | tools
	$(call configure,debug,$(DEBUG_DIR))

debug: $(DEBUG_DIR)/CMakeCache.txt | test-tools
	@cmake --build --preset debug -j $(JOBS)
	ctest --preset debug -j $(JOBS)

# The layout .clang-format gives the C++ sources of src/, tests/, fuzz/, bench/ and tools/ (build
# trees and node_modules left out): `make format` rewrites them in place; `make format-check`,
# which CI runs, changes nothing, lists the files that differ and fails if there are any.
.PHONY: format format-check format-tool
CLANG_FORMAT ?= clang-format
FORMAT_FILES = $(shell find $(wildcard src tests fuzz bench tools) \
	-type d \( -name node_modules -o -name build -o -name 'build-*' \) -prune -o \
	-type f \( -name '*.cpp' -o -name '*.cc' -o -name '*.h' -o -name '*.hpp' \) -print | LC_ALL=C sort)

format-tool:
	@command -v $(CLANG_FORMAT) >/dev/null || { echo "$(CLANG_FORMAT) is missing: install it with 'apt-get install clang-format'"; exit 1; }

format: | format-tool
	@files="$(FORMAT_FILES)"; [ -z "$$files" ] || $(CLANG_FORMAT) -i $$files; \
	echo "$$(echo $$files | wc -w) files laid out as .clang-format says"

# One clang-format run over every file; its complaints name each file that differs once (at most
# one complaint per file), and anything else it says, such as a broken .clang-format, is shown as is.
format-check: | format-tool
	@files="$(FORMAT_FILES)"; [ -n "$$files" ] || exit 0; \
	out="$$($(CLANG_FORMAT) --dry-run -Werror --ferror-limit=1 $$files 2>&1)" && \
		{ echo "$$(echo $$files | wc -w) files follow .clang-format"; exit 0; }; \
	differ="$$(printf '%s\n' "$$out" | sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p')"; \
	[ -n "$$differ" ] || { printf '%s\n' "$$out"; exit 1; }; \
	echo "These files differ from the layout of .clang-format ('make format' rewrites them):"; \
	printf '  %s\n' $$differ; exit 1

# Our interpreter against Lua 5.4, LuaJIT (interpreter alone and with its compiler), Python 3
# and C on the programs of bench/, side by side; BENCH_ARGS=--quick for a rough look. Nothing is
# installed: where Lua or LuaJIT is missing, bench/run.py says what to install and measures the
# rest.
bench: build
	@cmake --build --preset release -j $(JOBS) --target poliz_reference
	python3 bench/run.py $(BENCH_ARGS)

# The browser playground: $(BUILD_DIR)/playground/, static files that any web server can serve
# (needs Emscripten, nlohmann's JSON library and Node.js: apt-get install emscripten
# nlohmann-json3-dev npm). playground-serve builds it and
# serves it on this machine only, at http://127.0.0.1:$(PORT)/.
PORT ?= 8000

playground:
	bash playground/build.sh $(BUILD_DIR)

# The WebAssembly build against the native poliz on the programs of bench/, in headless Chromium.
bench-playground: build playground
	NODE_PATH=$(BUILD_DIR)/playground-npm/node_modules node bench/playground.cjs $(BUILD_DIR)/playground $(BUILD_DIR)/poliz

playground-serve: playground
	@echo "Open http://127.0.0.1:$(PORT)/ in a browser (Ctrl+C ends the server)"
	python3 -m http.server --bind 127.0.0.1 --directory $(BUILD_DIR)/playground $(PORT)

# Coverage-guided fuzzing of translation and execution for SECONDS seconds, seeded from the
# golden programs and from generated ones; what it finds goes to $(FUZZ_DIR)/findings. Then, as
# long again, generated programs from a random seed (printed, to replay a failure) on poliz and
# poliz_reference, which must agree; those that do not go to $(FUZZ_DIR)/findings/generated.
FUZZ_DIR := build-fuzz
SECONDS ?= 60
# The language server's message handling is fuzzed as well, for this long.
LSP_SECONDS ?= 15

$(FUZZ_DIR)/CMakeCache.txt: $(RECONFIGURE) | tools
	@command -v clang++ >/dev/null || { echo "clang++ is missing: install it with 'apt-get install clang'"; exit 1; }
	$(call configure,fuzz,$(FUZZ_DIR))

fuzz: $(FUZZ_DIR)/CMakeCache.txt $(BUILD_DIR)/CMakeCache.txt
	@cmake --build --preset fuzz -j $(JOBS)
	python3 tools/progen/progen.py --seed 1 --count 200 --out $(FUZZ_DIR)/generated
	python3 fuzz/seed_corpus.py tests/programs $(FUZZ_DIR)/generated $(FUZZ_DIR)/seeds
	mkdir -p $(FUZZ_DIR)/corpus $(FUZZ_DIR)/findings
	cd $(FUZZ_DIR) && ./poliz_fuzz -max_total_time=$(SECONDS) -timeout=10 -rss_limit_mb=2048 \
		-artifact_prefix=findings/ -dict=../fuzz/poliz.dict -print_final_stats=1 corpus seeds ../fuzz/findings
	@if cmake --build $(FUZZ_DIR) --target help | grep -q poliz_lsp_fuzz; then \
		cmake --build $(FUZZ_DIR) -j $(JOBS) --target poliz_lsp_fuzz && mkdir -p $(FUZZ_DIR)/lsp-corpus && \
		cd $(FUZZ_DIR) && ./poliz_lsp_fuzz -max_total_time=$(LSP_SECONDS) -timeout=10 -rss_limit_mb=2048 \
			-artifact_prefix=findings/lsp- -dict=../fuzz/lsp.dict -print_final_stats=1 lsp-corpus ../fuzz/lsp-seeds; \
	else echo "poliz_lsp_fuzz is not built (apt-get install nlohmann-json3-dev): poliz-lsp is not fuzzed"; fi
	@cmake --build --preset release -j $(JOBS) --target poliz_programs poliz_reference
	python3 tools/progen/differ.py $(BUILD_DIR)/poliz $(BUILD_DIR)/poliz_reference --seconds $(SECONDS) \
		--jobs $(JOBS) --save $(FUZZ_DIR)/findings/generated
	@if [ -e $(BUILD_DIR)/libpoliz_native.so ]; then \
		python3 tools/progen/differ.py "env POLIZ_NATIVE=always $(BUILD_DIR)/poliz" $(BUILD_DIR)/poliz_reference \
			--seconds $(SECONDS) --jobs $(JOBS) --save $(FUZZ_DIR)/findings/native; \
	else echo "note: the native tier is not built (LLVM 14 missing): native code is not fuzzed"; fi

# Mutation check of the fast backend: each mutation of tests/mutants/mutants.txt is built on its
# own in $(MUTANTS_DIR) and must make a unit or golden test fail; ends with "killed K of N".
# Slow (a rebuild and the suites per mutant), so not part of `make test`.
MUTANTS_DIR ?= build-mutants

mutants: | tools
	python3 tests/mutants/run.py --dir $(MUTANTS_DIR) --jobs $(JOBS)

# Mutants drawn at random from the syntax tree of the translator, the runtime and both machines
# (tests/mutants/sample.py): COUNT of them from SEED (a random one, printed, when unset), each
# built and tested on its own in $(MUTANTS_SAMPLE_DIR), drawn again when it does not compile;
# ends with "killed K of N". REV=commit draws from a commit instead of the working tree.
# libclang's Python binding draws them and ccache speeds the rebuilds: both are installed when
# missing and possible.
COUNT ?= 20
MUTANTS_SAMPLE_DIR ?= build-mutants-sample

mutants-sample: | tools test-tools
	@missing=""; \
	python3 tests/mutants/sites.py || missing="python3-clang"; \
	command -v ccache >/dev/null || missing="$$missing ccache"; \
	if [ -n "$$missing" ]; then \
		{ [ "$$(id -u)" = 0 ] && command -v apt-get >/dev/null && apt-get update -qq && \
		  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null; } || \
		echo "missing: install them with 'apt-get install $$missing'"; \
	fi
	python3 tests/mutants/sample.py --dir $(MUTANTS_SAMPLE_DIR) --jobs $(JOBS) --count $(COUNT) \
		$(if $(SEED),--seed $(SEED)) $(if $(REV),--rev $(REV))

clean:
	rm -rf $(BUILD_DIR) $(DEBUG_DIR) $(SANITIZE_DIR) $(FUZZ_DIR) $(MUTANTS_DIR) $(MUTANTS_SAMPLE_DIR)
