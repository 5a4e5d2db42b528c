# Newcomer entry points: `make run` and `make test` set up, build, and run.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Hardened builds beside the normal one: the tests under ASan/UBSan/LSan, and the fuzz targets.
SANITIZE_BUILD ?= $(BUILD)-asan
FUZZ_BUILD ?= $(BUILD)-fuzz
FUZZ_SECONDS ?= 600
# Branch coverage of the unit suite (gcc --coverage), a build of its own; not part of `make test`.
COVERAGE_BUILD ?= $(BUILD)-coverage
COVERAGE_FILES = platform/linux/IniSettingsStore.cpp platform/linux/PosixFileSystem.cpp \
  platform/linux/DesktopEntry.cpp platform/linux/XdgAutostart.cpp platform/XdgFolders.cpp \
  ui/SkinFramework.cpp ui/HandCursor.cpp platform/linux/TerminationSignals.cpp

# Ramtidy for Windows, cross-built with mingw-w64 and tested under Wine (packaging/windows/).
WINDOWS_BUILD ?= $(BUILD)-windows

.PHONY: windows test-windows
.PHONY: all setup configure build program run stop test test-passes format format-check test-sanitize test-fuzz fuzz coverage bench footprint package clean

all: build

setup:
	@bash packaging/install-deps.sh

configure: setup
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD)

# The program and the files it reads from its own folder (the hover cursor), nothing
# else: on a new machine the tests and benchmarks are most of the build, and `make
# test` builds them.
program: configure
	@cmake --build $(BUILD) --target ramtidy ramtidy_program_files

run: program
	@bash e2e/run.sh $(BUILD)

stop:
	@bash e2e/run.sh $(BUILD) --stop

# Every pass, then a check that they left the machine as they found it: no account or group,
# the packages as they were, nothing in /var/tmp.
test: build
	@bash packaging/check-machine-unchanged.sh $(MAKE) --no-print-directory test-passes

test-passes:
	@cd $(BUILD) && ctest --output-on-failure --timeout 300
	@$(MAKE) --no-print-directory format-check
	@$(MAKE) --no-print-directory test-sanitize
	@$(MAKE) --no-print-directory test-fuzz

# ramtidy.exe with the DLLs it needs in $(WINDOWS_BUILD)/dist. The first run builds Qt for
# Windows from Debian's source into ~/.cache/ramtidy (about 20 minutes); later runs reuse it.
windows:
	@bash packaging/windows/build.sh $(WINDOWS_BUILD)

# The unit, Windows service and end-to-end tests, under Wine in a fresh prefix.
test-windows:
	@bash packaging/windows/test.sh $(WINDOWS_BUILD)

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

# The unit suite alone, built with --coverage; gcovr prints the branch coverage of the readers
# and writers above and writes an HTML report to $(COVERAGE_BUILD)/coverage/index.html.
# Branches that only a thrown exception takes (and those the compiler proves unreachable) are
# left out: every call that may throw would otherwise count as a branch.
coverage: setup
	@cmake -S . -B $(COVERAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage $(COVERAGE_FLAGS) >/dev/null
	@cd $(COVERAGE_BUILD) && nice cmake --build . --target $$(ctest -L unit -N | sed -n 's/^ *Test *#[0-9]*: //p')
	@find $(COVERAGE_BUILD) -name '*.gcda' -delete
	@cd $(COVERAGE_BUILD) && nice ctest -L unit --output-on-failure --timeout 300
	@mkdir -p $(COVERAGE_BUILD)/coverage
	@gcovr --root . --object-directory $(COVERAGE_BUILD) $(addprefix --filter ,$(COVERAGE_FILES)) \
	  --exclude-directories '.*/CMakeFiles/[0-9.]+' --exclude-throw-branches --exclude-unreachable-branches \
	  --branches --sort-percentage \
	  --txt --html-details $(COVERAGE_BUILD)/coverage/index.html

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
	@rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD) $(COVERAGE_BUILD)
	@find /var/tmp -mindepth 1 -maxdepth 1 -user "$$(id -u)" -name 'ramtidy-tests[.-]*' -exec rm -rf {} +
