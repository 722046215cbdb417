# The README's commands. `make` builds (Release), `make run` runs the bundled demo program,
# `make test` builds and runs every test, `make install PREFIX=dir` installs the programs.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build run test install sanitize fuzz clean tools

all: build

tools:
	@command -v cmake >/dev/null || { echo "cmake is missing: install it with 'apt-get install cmake'"; exit 1; }
	@command -v c++ >/dev/null || { echo "a C++ compiler is missing: install it with 'apt-get install g++'"; exit 1; }
	@command -v python3 >/dev/null || { echo "python3 is missing: install it with 'apt-get install python3'"; exit 1; }

$(BUILD_DIR)/Makefile: | tools
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release

build: $(BUILD_DIR)/Makefile
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/poliz

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# Installs poliz, poliz-show and their manual pages under PREFIX (bin/, share/man/man1/);
# DESTDIR, when set, is put in front of every path, as packagers expect.
PREFIX ?= /usr/local

install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# The whole suite under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer; any
# report fails the test that provoked it.
SANITIZE_DIR ?= build-sanitize
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

sanitize: | tools
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOLIZ_SANITIZE=ON
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

# Our interpreter against Lua 5.4, Python 3 and C on the programs of bench/, side by side;
# BENCH_ARGS=--quick for a rough look. Lua is installed when missing and possible.
bench: build
	@command -v lua5.4 >/dev/null || { [ "$$(id -u)" = 0 ] && command -v apt-get >/dev/null && apt-get update -qq && apt-get install -y -qq lua5.4 >/dev/null; } || echo "lua5.4 is missing: install it with 'apt-get install lua5.4'"
	python3 bench/run.py $(BENCH_ARGS)

# Coverage-guided fuzzing of translation and execution for SECONDS seconds, seeded from the
# golden programs; what it finds goes to $(FUZZ_DIR)/findings.
FUZZ_DIR ?= build-fuzz
SECONDS ?= 60

fuzz: | tools
	@command -v clang++ >/dev/null || { echo "clang++ is missing: install it with 'apt-get install clang'"; exit 1; }
	CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOLIZ_FUZZ=ON -DBUILD_TESTING=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target poliz_fuzz
	python3 fuzz/seed_corpus.py tests/programs $(FUZZ_DIR)/seeds
	mkdir -p $(FUZZ_DIR)/corpus $(FUZZ_DIR)/findings
	cd $(FUZZ_DIR) && ./poliz_fuzz -max_total_time=$(SECONDS) -timeout=10 -rss_limit_mb=2048 \
		-artifact_prefix=findings/ -dict=../fuzz/poliz.dict -print_final_stats=1 corpus seeds ../fuzz/findings

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR)
