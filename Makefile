BUILD ?= build
JOBS ?= 2

.PHONY: deps configure build run test test-sanitize fuzz fuzz-deps bench check clean

deps:
	./scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# Only the window is built; without a display it would only abort.
run: configure
	@[ -n "$$DISPLAY$$WAYLAND_DISPLAY$$QT_QPA_PLATFORM" ] || { echo "make run: the window needs a display (see README: ssh -X, xvfb-run, QT_QPA_PLATFORM=offscreen); $(BUILD)/bin/tarnick-cli works without one" >&2; exit 1; }
	cmake --build $(BUILD) -j$(JOBS) --target tarnick
	$(BUILD)/bin/tarnick

# The Debian package, $(BUILD)/tarnick_<version>_<arch>.deb.
.PHONY: package
package: configure
	cmake --build $(BUILD) -j$(JOBS) --target tarnick tarnick-cli
	cd $(BUILD) && cpack -G DEB

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The whole tree and suite under AddressSanitizer and UBSan (gcc's), leak
# detection on; leaks inside system libraries are listed in the suppressions.
SANITIZE_BUILD ?= build-sanitize
SANITIZE_FLAGS = -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined

$(SANITIZE_BUILD)/build.ninja:
	cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=g++ \
	  "-DCMAKE_CXX_FLAGS=$(SANITIZE_FLAGS)" "-DCMAKE_EXE_LINKER_FLAGS=$(SANITIZE_FLAGS)"

test-sanitize: deps $(SANITIZE_BUILD)/build.ninja
	cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	cd $(SANITIZE_BUILD) && \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitize/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j$(JOBS)

# Includes point down the layers; every file follows .clang-format.
check:
	./scripts/check-layers
	./scripts/check-format

# The parsers under libFuzzer (clang), each for FUZZ_SECONDS.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

fuzz-deps:
	./scripts/install-deps --fuzz

$(FUZZ_BUILD)/build.ninja: | fuzz-deps
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DTARNICK_FUZZ=ON

fuzz: deps fuzz-deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j$(JOBS)
	./scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	for b in $(BUILD)/bench/bench_*; do "$$b"; done

clean:
	rm -rf $(BUILD)
