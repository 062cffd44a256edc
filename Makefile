# The two ways in: `make run` builds and starts the program against the
# simulated device; `make test` builds and runs every test. `make
# windows-test` cross-builds the Qt-free cores, nimbo-cli and nimbo-fwu for
# Windows and runs their tests under Wine; `make windows-zip` packs the two
# programs for a release.
BUILD ?= build
WINDOWS_BUILD ?= build-windows
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# Debian's wine64 package keeps these off PATH.
WINE ?= /usr/lib/wine/wine64
WINESERVER ?= /usr/lib/wine/wineserver

.PHONY: deps configure build run test package format clean windows-build windows-test windows-zip

deps:
	@bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNIMBO_WERROR=ON $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Runs in the build folder, where the sample firmware update nimbo.fwu is.
run: build
	cd $(BUILD) && ./src/app/nimbo-control --simulate=simulated-device.state

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 120

package: build
	cd $(BUILD) && cpack -G DEB

windows-build:
	@bash scripts/install-deps.sh windows
	cmake -S . -B $(WINDOWS_BUILD) --toolchain cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNIMBO_WERROR=ON -DNIMBO_WINE=$(WINE) \
	  -DNIMBO_HOST_CLI=$(abspath $(BUILD))/tools/nimbo-cli/nimbo-cli $(CMAKE_FLAGS)
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

# Wine's folder lives in the build folder; it is made on the first run
# (about 10 s). One server and one set of Wine's own processes for all the
# test programs keep each start short; Wine's processes start here, with no
# terminal or pipe of the tests' that they could hold open. Where the Linux
# build is set up, its nimbo-cli is brought up to date first: the frames of
# the Windows one are compared with its frames. A server left running by a
# run that was cut short is ended first: a second one cannot start.
windows-test: windows-build
	if [ -f $(BUILD)/CMakeCache.txt ]; then cmake --build $(BUILD) -j $(JOBS) --target nimbo-cli; fi
	cd $(WINDOWS_BUILD) && export WINEPREFIX="$$PWD/wine" WINEDEBUG=-all && \
	  mkdir -p wine && { $(WINESERVER) -k 2>/dev/null || true; } && $(WINESERVER) -p && \
	  $(WINE) wineboot --init </dev/null >/dev/null 2>wine-boot.log && \
	  { ctest --output-on-failure -j $(JOBS) --timeout 300; status=$$?; $(WINESERVER) -k; exit $$status; }

windows-zip: windows-build
	cmake --build $(WINDOWS_BUILD) --target release-zip

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(WINDOWS_BUILD)
