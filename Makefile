# The commands: 'make run' starts the tool, 'make test' runs every test ('make test-clang' the same
# built by clang), 'make lint' checks the code, 'make repro' the exe's reproducibility, 'make
# bench' measures the tool's figures. Each installs what is missing (Debian 12, as root or through sudo), then
# configures and builds.
BUILD := build

BUILD_CLANG := build-clang

.PHONY: all deps build test run bench clean format build-clang test-clang lint repro windows-kit coverage

all: build

deps:
	@bash cmake/install-deps.sh

$(BUILD)/CMakeCache.txt: CMakeLists.txt CMakePresets.json cmake/toolchain-i686-w64-mingw32.cmake | deps
	cmake --preset default

build: deps $(BUILD)/CMakeCache.txt
	cmake --build --preset default

test: build
	bash cmake/check-layers.sh
	bash cmake/wine-session.sh $(BUILD) bash cmake/run-tests.sh $(BUILD) --preset default

# The second compiler: clang builds everything, every undefined behaviour that a test reaches
# ends that test program at once, and every test runs as in 'make test'.
$(BUILD_CLANG)/CMakeCache.txt: CMakeLists.txt CMakePresets.json \
		cmake/toolchain-i686-w64-mingw32-clang.cmake | deps
	cmake --preset clang --fresh

build-clang: deps $(BUILD_CLANG)/CMakeCache.txt
	cmake --build --preset clang
	bash cmake/check-clang-abi.sh $(BUILD_CLANG)

test-clang: build-clang
	bash cmake/wine-session.sh $(BUILD_CLANG) bash cmake/run-tests.sh $(BUILD_CLANG) --preset clang

# Only what running the tool needs: the tool, and where there is no display the driver of the
# headless demo (which brings the tool), not the tests.
run: deps $(BUILD)/CMakeCache.txt
	cmake --build --preset default --target $(if $(DISPLAY),quorvel,quorvel_demo)
	bash cmake/run-quorvel.sh $(BUILD)

# The kit that runs the tests on Windows (build/quorvel-windows-tests.zip), then the kit itself,
# unpacked into a scratch folder and run by run-tests.cmd under Wine in one lane, so that it
# cannot rot: in a 32-bit prefix, and in a 64-bit one (the 32-bit programs under WoW64, as most
# people run the tool) in Japanese, code page 932. Not part of 'make test'; CI runs it.
windows-kit: build
	cmake --build --preset default --target windows_kit
	bash cmake/run-windows-kit.sh $(BUILD)
	QUORVEL_WINEARCH=win64 LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 \
		bash cmake/run-windows-kit.sh $(BUILD)

# The line and branch coverage of the product code from every test program, built with gcov into
# build-coverage/ and summarised by gcovr into build-coverage/coverage/ (index.html, summary.txt).
# A tool for finding untested paths: no threshold, and not part of 'make test' or CI.
BUILD_COVERAGE := build-coverage

$(BUILD_COVERAGE)/CMakeCache.txt: CMakeLists.txt CMakePresets.json \
		cmake/toolchain-i686-w64-mingw32.cmake | deps
	cmake --preset coverage

coverage: deps $(BUILD_COVERAGE)/CMakeCache.txt
	cmake --build --preset coverage
	bash cmake/coverage.sh $(BUILD_COVERAGE)

# Not part of 'make test': benchmarks measure, they never pass or fail on speed.
bench: build
	bash cmake/run-bench.sh $(BUILD)

# clang-format in check mode and clang-tidy (.clang-tidy, tests/.clang-tidy, bench/.clang-tidy) over
# the clang build's compile commands; non-zero on any finding.
lint: deps $(BUILD_CLANG)/CMakeCache.txt
	bash cmake/check-layers.sh
	bash cmake/lint.sh $(BUILD_CLANG)

# Two builds of quorvel.exe from the commit checked out, in two temporary folders, compared byte
# for byte; prints the SHA-256.
repro: deps
	bash cmake/repro.sh

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(BUILD_CLANG)
