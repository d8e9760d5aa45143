# The two front doors: `make run` starts the program (with the meter simulator when
# no meter is attached); `make test` builds with sanitizers and runs every test.
JOBS ?= $(shell nproc)
RUN_DIR  := build/release
TEST_DIR := build/test

.PHONY: run test build-run build-test bench fuzz package deps clean lang-check lang-update

deps:
	@scripts/setup-deps

build-run: deps
	@cmake -S . -B $(RUN_DIR) -DCMAKE_BUILD_TYPE=Release -DVORLANT_BUILD_TESTS=OFF -DVORLANT_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(RUN_DIR) -j $(JOBS)

run: build-run
	@scripts/run $(RUN_DIR)/bin

build-test: deps
	@cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DVORLANT_SANITIZE=ON -DVORLANT_BUILD_BENCH=OFF \
	  -DVORLANT_CHECK_BENCH=ON >/dev/null
	@cmake --build $(TEST_DIR) -j $(JOBS)

test: build-test
	@cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS)

# lang/eng.lng against the window's texts: lang-check tests it, lang-update
# rewrites it (translations kept, new texts added in Russian for a translator).
ENG_LNG_TEST := i18n_window_tst_english_file
lang-check lang-update: deps
	@cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DVORLANT_SANITIZE=ON -DVORLANT_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(TEST_DIR) -j $(JOBS) --target $(ENG_LNG_TEST)
	@cd $(TEST_DIR) && $(if $(filter lang-update,$@),VORLANT_UPDATE_ENG_LNG=1) ctest -R $(ENG_LNG_TEST) --output-on-failure

bench: deps
	@cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DVORLANT_BUILD_TESTS=OFF >/dev/null
	@cmake --build build/bench -j $(JOBS)
	@for b in build/bench/bin/bench_*; do echo "== $$b"; $$b; done

# Every reader under libFuzzer (clang, build/fuzz): FUZZ_RUNS inputs per target
# (default 1 000 000), then a table of runs, speed, coverage and corpus.
FUZZ_RUNS ?= 1000000
fuzz: deps
	@FUZZ_RUNS=$(FUZZ_RUNS) JOBS=$(JOBS) scripts/fuzz

# The Debian package (build/package/vorlant_*.deb), checked by lintian.
package: deps
	@JOBS=$(JOBS) packaging/build-deb build/package

clean:
	rm -rf build
