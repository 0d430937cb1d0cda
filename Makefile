# Every target first makes sure the Debian packages are there.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
# make fuzz [FUZZ_SECONDS=60] [FUZZ_TARGETS="ini_file url_split"]
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
# make install [PREFIX=/usr/local] [DESTDIR=/tmp/stage]
PREFIX     ?= /usr/local
CTEST_ARGS ?= --output-on-failure -j $(JOBS)
# Labels of the tests that need no display; the sanitizer build runs these.
HEADLESS_LABELS ?= app|engine|profiles|convert|http|download|cli

.PHONY: deps build run install screenshots test test-asan test-tsan bench fuzz format clean

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)/bin

install: build
	@DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# Pictures of every page, the help menu, the log and About windows, for two
# editions and two skins, on the offscreen platform.
screenshots: build
	@QT_QPA_PLATFORM=offscreen $(BUILD)/tests/mediaconv-screenshots $(BUILD)/screenshots $(BUILD)/bin
	@QT_QPA_PLATFORM=offscreen $(BUILD)/tests/mediaconv-convert-screenshots $(BUILD)/screenshots $(BUILD)/bin

test: build
	@cd $(BUILD) && ctest $(CTEST_ARGS)
	@$(MAKE) --no-print-directory test-asan
	@$(MAKE) --no-print-directory test-tsan

test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMEDIACONV_SANITIZE=ON -DMEDIACONV_GUI=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest $(CTEST_ARGS) -L '$(HEADLESS_LABELS)' -LE 'slow'

test-tsan: deps
	@cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMEDIACONV_TSAN=ON -DMEDIACONV_GUI=OFF >/dev/null
	@cmake --build $(TSAN_BUILD) -j $(JOBS)
	@cd $(TSAN_BUILD) && TSAN_OPTIONS=suppressions=$(CURDIR)/tests/tsan.supp \
		ctest $(CTEST_ARGS) -L 'threads'

bench: build
	@bench/report.sh $(BUILD)/bin

fuzz:
	@scripts/install-deps.sh fuzz
	@FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_TARGETS)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
