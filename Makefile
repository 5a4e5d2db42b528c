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

# The unit and widget tests built with AddressSanitizer, UBSan and LeakSanitizer: any report
# fails. As root they run as an ordinary user (packaging/run-tests-as-user.sh says which).
test-sanitize: setup
	@bash packaging/run-tests-as-user.sh $(SANITIZE_BUILD)

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
