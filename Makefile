# Two entry points: `make demo` builds and runs the demo, `make test` builds
# and passes every test in the Release and the sanitizer build.

JOBS ?= 2
RELEASE := build/release
ASAN := build/asan
CMAKE_FLAGS := -G Ninja -DVORLAN_WERROR=ON

.PHONY: demo test deps release asan test-release test-asan clean

deps:
	@scripts/install-deps.sh

release: deps
	@cmake -S . -B $(RELEASE) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release > /dev/null
	@ninja -C $(RELEASE) -j $(JOBS)

asan: deps
	@cmake -S . -B $(ASAN) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug -DVORLAN_SANITIZE=ON > /dev/null
	@ninja -C $(ASAN) -j $(JOBS)

demo: release
	@$(RELEASE)/vorlan -VER
	@$(RELEASE)/vorlan -OUT build examples/hello.vrs
	@$(RELEASE)/vorlan -QTY 2 -OUT build examples/greeting_card.vrs
	@echo "The picture is in build/greeting_card.png"

test-release: release
	@cd $(RELEASE) && ctest --output-on-failure -j $(JOBS)

test-asan: asan
	@cd $(ASAN) && ctest --output-on-failure -j $(JOBS)

test: test-release test-asan

clean:
	rm -rf build
