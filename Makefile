# Parvela: `make run` starts the program, `make test` runs every test.
# Both install what is missing first (Debian packages, as root or via sudo).

BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
COVERAGE_BUILD ?= build-coverage
FUZZ_SECONDS ?= 60
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc)

# Objects are shared between checkouts of the tree (see CMakeLists.txt).
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1

PACKAGES := build-essential cmake ninja-build pkg-config ccache \
  libgtest-dev libgmock-dev libbenchmark-dev \
  libsqlite3-dev libsqlitecpp-dev sqlite3 libtinyxml-dev libgumbo-dev liblitehtml-dev \
  libboost-dev libboost-locale-dev qt6-base-dev libfontconfig-dev libx11-dev libxi-dev libxfixes-dev libxtst-dev \
  xvfb xdotool xclip x11-utils trayer imagemagick fonts-dejavu-core tzdata \
  librsvg2-bin desktop-file-utils appstream strace \
  libwayland-dev qt6-wayland sway wl-clipboard xwayland \
  clang libclang-rt-dev gcovr

# What `make deb` needs besides: dpkg-shlibdeps and lintian.
DEB_PACKAGES := dpkg-dev lintian

# `make install PREFIX=/usr DESTDIR=/tmp/stage`: the installed layout.
PREFIX  ?= /usr/local
DESTDIR ?=

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps build run test unit-test e2e-test asan-test bench clean install deb fuzz fuzz-build fuzz-test soak coverage

deps:
	@missing=$$(for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing >/dev/null; \
	fi

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPARVELA_SANITIZE=ON -DPARVELA_BENCH=OFF

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./tools/run.sh $(BUILD)/parvela

unit-test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300 -L unit

# The end-to-end tests drive a real X server with real key timings, one at a
# time; each waits on events (a window, a log line, a grab), never on time.
e2e-test: build
	cd $(BUILD) && ctest --output-on-failure --timeout 300 -L e2e

asan-test: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 300 -L unit

# The fuzz targets (fuzz/README.md), built by clang in a build of their own.
$(FUZZ_BUILD)/build.ninja:
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DPARVELA_FUZZ=ON

fuzz-build: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) --target fuzz_targets -j $(JOBS)

# Every target for FUZZ_SECONDS, one at a time.
fuzz: fuzz-build
	./fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) 1

# The tests' share: every target replays its seed corpus, then tries a fixed
# number of fresh inputs from a fixed seed (nearly the same inputs each run,
# so that a test run hardly ever fails by chance); `make fuzz` looks further.
fuzz-test: fuzz-build
	./fuzz/run.sh $(FUZZ_BUILD) test 2

test: unit-test e2e-test asan-test fuzz-test

# Random gestures and captures on the whole program under the sanitizers
# (view/soak_test.cpp); not part of `make test`.
soak: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) --target view_soak_test -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 QT_QPA_PLATFORM=offscreen \
	  $(ASAN_BUILD)/view/view_soak_test

# Line and branch coverage of the program's own code (tests, test helpers,
# fuzz targets and benchmarks left out) by the unit and end-to-end tests, in
# a build of its own (without install_e2e, which checks that an installed
# program never reaches into the build folder: counting does). The step of
# command_line_e2e that runs a command as another user fails here: that
# process cannot write its counts and says so on the output the step
# compares. The results: a summary on
# stdout, the per-file figures in $(COVERAGE_BUILD)/coverage.json and a
# browsable $(COVERAGE_BUILD)/coverage/index.html.
$(COVERAGE_BUILD)/build.ninja:
	cmake -S . -B $(COVERAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPARVELA_COVERAGE=ON -DPARVELA_BENCH=OFF

COVERAGE_FILTERS := --filter '$(CURDIR)/' --exclude '.*_test\.cpp$$' --exclude '.*/testing/.*' \
  --exclude '$(CURDIR)/tests/.*' --exclude '$(CURDIR)/fuzz/.*' --exclude '$(CURDIR)/bench/.*' \
  --exclude '$(CURDIR)/build.*' --exclude-throw-branches --exclude-unreachable-branches

coverage: deps $(COVERAGE_BUILD)/build.ninja
	cmake --build $(COVERAGE_BUILD) -j $(JOBS)
	find $(COVERAGE_BUILD) -name '*.gcda' -delete
	-cd $(COVERAGE_BUILD) && ctest -j $(JOBS) --timeout 300 -L unit
	-cd $(COVERAGE_BUILD) && ctest --timeout 300 -L e2e -E install_e2e
	mkdir -p $(COVERAGE_BUILD)/coverage
	gcovr -r . --object-directory $(COVERAGE_BUILD) $(COVERAGE_FILTERS) -j $(JOBS) \
	  --json-summary-pretty --json-summary $(COVERAGE_BUILD)/coverage.json \
	  --html-details $(COVERAGE_BUILD)/coverage/index.html --print-summary

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# The Debian package, $(BUILD)/parvela_<version>_<arch>.deb, checked by
# lintian. Install it with `apt install ./$(BUILD)/parvela_*.deb`.
deb: build
	@$(MAKE) --no-print-directory deps PACKAGES="$(DEB_PACKAGES)"
	rm -f $(BUILD)/parvela_*.deb
	cd $(BUILD) && cpack -G DEB
	lintian --fail-on error $(BUILD)/parvela_*.deb

bench: build
	@for b in $(BUILD)/bench/*_bench; do [ -x "$$b" ] && "$$b" || true; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(COVERAGE_BUILD)
