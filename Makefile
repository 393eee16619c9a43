# The commands: 'make run' starts the tool, 'make test' runs every test, 'make bench' measures
# the tool's figures. Each installs what is missing (Debian 12, as root or through sudo), then
# configures and builds.
BUILD := build

.PHONY: all deps build test run bench clean format

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

run: build
	bash cmake/run-quorvel.sh $(BUILD)

# Not part of 'make test': benchmarks measure, they never pass or fail on speed.
bench: build
	bash cmake/run-bench.sh $(BUILD)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD)
