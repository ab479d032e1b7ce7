# Front end over CMake: everything is built out of source in $(BUILD_DIR).

BUILD_DIR ?= build
BUILD_TYPE ?= Release
WERROR ?= OFF
CMAKE_FLAGS ?=
CTEST_FLAGS ?= --output-on-failure -j2

CMAKE_CONFIGURE = cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	-DKESTRUNE_WERROR=$(WERROR) $(CMAKE_FLAGS)

.PHONY: all deps build test bench format clean

all: build

deps:
	@./tools/deps.sh

build: deps
	$(CMAKE_CONFIGURE)
	cmake --build $(BUILD_DIR)

test: build
	ctest --test-dir $(BUILD_DIR) $(CTEST_FLAGS)

bench: build
	python3 bench/run.py $(BUILD_DIR)

format:
	find cipher main_window shell tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
