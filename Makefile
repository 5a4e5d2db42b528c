# Newcomer entry points: `make run` and `make test` set up, build, and run.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all setup build run stop test bench package clean

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

package: build
	@cmake --build $(BUILD) --target package

bench: build
	@$(BUILD)/bench/bench_memorystatus

clean:
	@rm -rf $(BUILD)
