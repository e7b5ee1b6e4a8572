# The two commands a newcomer needs: `make run` and `make test`.
# Each installs the Debian packages that are missing, configures, builds and runs.

BUILD_PACKAGES := g++ cmake ninja-build pkg-config libicu-dev nlohmann-json3-dev libcli11-dev libical-dev libasio-dev \
                  libcpp-httplib-dev libsqlite3-dev libpqxx-dev libssl-dev libcurl4-openssl-dev \
                  libgtest-dev libgmock-dev libbenchmark-dev python3 \
                  qt6-base-dev qt6-declarative-dev qml6-module-qtquick qml6-module-qtquick-controls \
                  qml6-module-qtquick-window qml6-module-qtquick-layouts \
                  qml6-module-qtqml-workerscript qml6-module-qtquick-templates
# Peers the interoperability tests read and write calendars with; ccache for cheap rebuilds;
# clang for the fuzz targets (libFuzzer, steered by coverage); clang-format for the style check;
# PostgreSQL, the server's second storage engine, started by its tests in a folder of their own;
# aiosmtpd, the SMTP server that receives the invitations mailed in the tests; Chromium, the
# headless browser that books through the public booking page.
TEST_PACKAGES := khal todoman ccache clang libclang-rt-14-dev clang-format postgresql python3-aiosmtpd \
                 chromium
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
JOBS ?= $(shell nproc)
WERROR := $(if $(CI),ON,OFF)

.PHONY: all deps test-deps install-missing build run server test bench tidy release-build clean

all: build

deps:
	@$(MAKE) --no-print-directory install-missing PACKAGES="$(BUILD_PACKAGES)"

test-deps:
	@$(MAKE) --no-print-directory install-missing PACKAGES="$(TEST_PACKAGES)"

install-missing:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build/release/build.ninja: | deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALEWICK_WERROR=$(WERROR)

build/asan/build.ninja: | deps test-deps
	cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTALEWICK_SANITIZE=ON \
	  -DTALEWICK_WERROR=$(WERROR)

# The fuzz targets alone, built by clang so that libFuzzer steers them by coverage.
build/fuzz/build.ninja: | deps test-deps
	CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTALEWICK_SANITIZE=ON

release-build: build/release/build.ninja
	cmake --build build/release -j $(JOBS)

build: release-build

# The window when there is a display to open it on, else today's quests as text.
run: release-build
	@if [ -z "$(ARGS)" ] && [ -n "$$WAYLAND_DISPLAY$$DISPLAY" ] && [ -x build/release/talewick-desktop ]; then \
	  ./build/release/talewick-desktop; \
	else \
	  ./build/release/talewick $(ARGS); \
	fi

# The backend on loopback for development, with a configuration of its own (fresh secrets, a
# SQLite database beside it) written in build/server-dev/ the first time.
SERVER_DEV_CONFIG := build/server-dev/config.json
server: build/release/build.ninja
	cmake --build build/release -j $(JOBS) --target talewick-server
	@[ -f $(SERVER_DEV_CONFIG) ] || ./build/release/talewick-server init $(SERVER_DEV_CONFIG)
	./build/release/talewick-server serve --config $(SERVER_DEV_CONFIG) --listen 127.0.0.1:8787

test: build/asan/build.ninja build/fuzz/build.ninja
	cmake --build build/asan -j $(JOBS)
	cmake --build build/fuzz -j $(JOBS) --target fuzz_targets
	cd build/asan && ctest --output-on-failure -j $(JOBS) -LE fuzz
	cd build/fuzz && ctest --output-on-failure -j $(JOBS) -L fuzz

bench: release-build
	@for b in build/release/bench/*_bench; do echo "== $$b"; $$b; done
	@echo "== build/release/bench/server_load"; build/release/bench/server_load --seconds 5

# The checks of .clang-tidy over the whole tree (slow: a compiler's front end per file). Its own
# configuration, without the precompiled headers, which are g++'s and which clang cannot read.
tidy: | deps test-deps
	cmake -S . -B build/tidy -G Ninja -DCMAKE_DISABLE_PRECOMPILE_HEADERS=ON >/dev/null
	run-clang-tidy -p build/tidy -j $(JOBS) -quiet 'questkit/|app/|server/'

clean:
	rm -rf build
