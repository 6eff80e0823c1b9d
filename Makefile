BUILD ?= build
JOBS ?= 2

.PHONY: deps configure build run test bench clean

deps:
	./scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/bin/tarnick

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

bench: build
	for b in $(BUILD)/bench/bench_*; do "$$b"; done

clean:
	rm -rf $(BUILD)
