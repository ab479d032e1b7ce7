# Front end over CMake: everything is built out of source in $(BUILD_DIR).

BUILD_DIR ?= build
BUILD_TYPE ?= Release
WERROR ?= OFF
CMAKE_FLAGS ?=
CTEST_FLAGS ?= --output-on-failure -j2
SANITIZE_DIR ?= build-sanitize
COVERAGE_DIR ?= build-coverage
WINDOWS_DIR ?= build-windows
REPRODUCIBLE_DIR ?= build-reproducible
# The Debian package's maintainer, "Name <address>": packagers set it (make package needs it).
KESTRUNE_MAINTAINER ?=

CONFIGURE = cmake -S . -G Ninja -DCMAKE_COMPILE_WARNING_AS_ERROR=$(WERROR)
CMAKE_CONFIGURE = $(CONFIGURE) -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) \
	$(if $(KESTRUNE_MAINTAINER),-DKESTRUNE_MAINTAINER="$(KESTRUNE_MAINTAINER)")

.PHONY: all deps build windows test bench format clean test-sanitize coverage run install \
	package package-windows reproducible screenshots

all: build

deps:
	@./tools/deps.sh

build: deps
	$(CMAKE_CONFIGURE)
	cmake --build $(BUILD_DIR)

# Kestrune.exe, cross-built with mingw-w64; its tests run it under Wine.
windows: deps
	$(CONFIGURE) -B $(WINDOWS_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) --no-warn-unused-cli \
		-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/shell/win32/x86_64-w64-mingw32.cmake
	cmake --build $(WINDOWS_DIR)

test: build windows
	ctest --test-dir $(BUILD_DIR) $(CTEST_FLAGS)
	ctest --test-dir $(WINDOWS_DIR) $(CTEST_FLAGS)

# The whole suite built with GCC's AddressSanitizer (leaks included) and UBSan; any report fails.
# Leaks inside third-party libraries are suppressed by tests/lsan.supp, never our own.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:detect_stack_use_after_return=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

test-sanitize: deps
	$(CONFIGURE) -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=g++ -DKESTRUNE_SANITIZE=ON $(CMAKE_FLAGS)
	$(SANITIZER_ENV) cmake --build $(SANITIZE_DIR)
	$(SANITIZER_ENV) ctest --test-dir $(SANITIZE_DIR) $(CTEST_FLAGS)

# Line coverage of our non-test sources by the Linux C++ suites; it fails below 96 %.
coverage: deps
	$(CONFIGURE) -B $(COVERAGE_DIR) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++ \
		-DCMAKE_CXX_FLAGS=--coverage -DKESTRUNE_BUILD_BENCH=OFF
	cmake --build $(COVERAGE_DIR) --target unit_test
	find $(COVERAGE_DIR) -name '*.gcda' -delete # counts of older builds, and of test discovery
	cd $(COVERAGE_DIR)/tests && ./unit_test --gtest_brief=1
	gcovr --root . --filter '(cipher|runtime|main_window|shell)/' --fail-under-line 96 \
		--print-summary $(COVERAGE_DIR)

bench: build windows
	/usr/bin/python3 bench/run.py $(BUILD_DIR) $(WINDOWS_DIR)

# The README's pictures of both windows, taken from the programs just built.
screenshots: build windows
	/usr/bin/python3 tools/screenshots.py $(BUILD_DIR)/kestrune $(WINDOWS_DIR)/Kestrune.exe docs

format:
	find runtime cipher main_window shell tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(WINDOWS_DIR) $(COVERAGE_DIR) $(REPRODUCIBLE_DIR)

run: build
	./$(BUILD_DIR)/kestrune

install: build
	cmake --install $(BUILD_DIR) $(if $(PREFIX),--prefix $(PREFIX))

package: build
	cd $(BUILD_DIR) && cpack -G DEB

# The Windows installer and the zip, in $(WINDOWS_DIR).
package-windows: windows
	cd $(WINDOWS_DIR) && cpack

# The last commit built twice, in two fresh folders, and its packages compared byte for byte.
reproducible: deps
	tools/reproducible.sh $(REPRODUCIBLE_DIR)
