# Newcomer entry points: `make run` and `make test` set up, build, and run.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Hardened builds beside the normal one: the tests under ASan/UBSan/LSan, and the fuzz targets.
SANITIZE_BUILD ?= $(BUILD)-asan
FUZZ_BUILD ?= $(BUILD)-fuzz
FUZZ_SECONDS ?= 600

.PHONY: all setup build run stop test format format-check test-sanitize test-fuzz fuzz bench footprint package clean

all: build

setup:
	@bash packaging/install-deps.sh

build: setup
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)

run: build
	@bash e2e/run.sh $(BUILD)

stop:
	@bash e2e/run.sh $(BUILD) --stop

test: build
	@cd $(BUILD) && ctest --output-on-failure --timeout 300
	@$(MAKE) --no-print-directory format-check
	@$(MAKE) --no-print-directory test-sanitize
	@$(MAKE) --no-print-directory test-fuzz

# The house style (.clang-format) applied to every tracked C++ file, and checked.
FORMAT_FILES = git ls-files -z '*.cpp' '*.h' | xargs -0
format: setup
	@$(FORMAT_FILES) clang-format -i

format-check: setup
	@$(FORMAT_FILES) clang-format --dry-run --Werror || \
	  { echo "Formatting differs from .clang-format: run 'make format'." >&2; exit 1; }

# The unit and widget tests built with AddressSanitizer, UBSan and LeakSanitizer: any report fails.
# Root passes every permission check, so as root they run as an ordinary user: the owner of
# the source tree, or when that is root TEST_USER (made when missing), in the tests' own home
# of the build. Files are then met as a user meets them.
TEST_USER ?= ramtidy-test
test-sanitize: setup
	@cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRAMTIDY_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD)
	@set -e; user=$$(stat -c %u .); group=$$(stat -c %g .); cd $(SANITIZE_BUILD); as_user=; \
	if [ "$$(id -u)" = 0 ]; then \
	  if [ "$$user" = 0 ]; then \
	    id -u $(TEST_USER) >/dev/null 2>&1 || useradd --system --user-group --no-create-home \
	      --home-dir /nonexistent --shell /usr/sbin/nologin $(TEST_USER); \
	    user=$$(id -u $(TEST_USER)); group=$$(id -g $(TEST_USER)); \
	  fi; \
	  mkdir -p Testing; chown -R $$user:$$group Testing tests/home tests/runtime; \
	  as_user="setpriv --reuid=$$user --regid=$$group --clear-groups \
	    env -u XDG_RUNTIME_DIR -u DBUS_SESSION_BUS_ADDRESS HOME=$$PWD/tests/home"; \
	  $$as_user test -x tests/tst_main || { echo "User $$user cannot reach $$PWD: build where others may read." >&2; exit 1; }; \
	fi; \
	$$as_user ctest --output-on-failure --timeout 300

# Each fuzz target for $(1) seconds, two at a time.
define run_fuzz
	@cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DRAMTIDY_FUZZ=ON -DRAMTIDY_FUZZ_SECONDS=$(1) >/dev/null
	@cmake --build $(FUZZ_BUILD)
	@cd $(FUZZ_BUILD) && ctest --output-on-failure -j2
endef

test-fuzz: setup
	$(call run_fuzz,20)

fuzz: setup
	$(call run_fuzz,$(FUZZ_SECONDS))

package: build
	@cmake --build $(BUILD) --target package

# The Google Benchmark programs, then how far the auto-free tick strays from its one-second
# grid over $(DRIFT_TICKS) ticks (one a second); e.g. make bench DRIFT_TICKS=600 on a loaded machine.
DRIFT_TICKS ?= 20
bench: build
	@$(BUILD)/bench/bench_memorystatus
	@$(BUILD)/bench/bench_timer1_drift $(DRIFT_TICKS)

# Ramtidy beside its peers and a bare Qt window on a private X desktop (installs the peers);
# e.g. make footprint FOOTPRINT_ARGS="--rounds 2 --seconds 30 --markdown footprint.md"
FOOTPRINT_ARGS ?=
footprint: build
	@/usr/bin/python3 bench/footprint.py --ramtidy $(BUILD)/ramtidy $(FOOTPRINT_ARGS)

clean:
	@rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)
