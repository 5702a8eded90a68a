# Two entry points: `make demo` builds and runs the demo, `make test` builds
# and passes every test in the Release and the sanitizer build, and runs
# every fuzz target briefly from a fixed seed.

JOBS ?= 2
RELEASE := build/release
ASAN := build/asan
FUZZ := build/fuzz
CMAKE_FLAGS := -G Ninja -DVORLAN_WERROR=ON

.PHONY: demo test deps release asan fuzz test-release test-asan test-fuzz clean

deps:
	@scripts/install-deps.sh

release: deps
	@cmake -S . -B $(RELEASE) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release > /dev/null
	@ninja -C $(RELEASE) -j $(JOBS)

asan: deps
	@cmake -S . -B $(ASAN) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug -DVORLAN_SANITIZE=ON > /dev/null
	@ninja -C $(ASAN) -j $(JOBS)

# The fuzz targets are built by clang, which only this build needs.
fuzz:
	@scripts/install-deps.sh fuzz
	@CXX=clang++ cmake -S . -B $(FUZZ) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLAN_FUZZ=ON > /dev/null
	@ninja -C $(FUZZ) -j $(JOBS)

demo: release
	@$(RELEASE)/vorlan -VER
	@$(RELEASE)/vorlan -OUT build examples/hello.vrs
	@$(RELEASE)/vorlan -QTY 2 -OUT build examples/greeting_card.vrs
	@echo "The picture is in build/greeting_card.png"

test-release: release
	@cd $(RELEASE) && ctest --output-on-failure -j $(JOBS)

test-asan: asan
	@cd $(ASAN) && ctest --output-on-failure -j $(JOBS)

test-fuzz: fuzz
	@cd $(FUZZ) && ctest --output-on-failure -j $(JOBS)

test: test-release test-asan test-fuzz

clean:
	rm -rf build
