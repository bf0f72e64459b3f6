# Two commands do all set-up on a fresh Debian machine:
#   make run   install what is missing, build, start the editor on the demo data
#   make test  install what is missing, build with sanitizers, run every test
.PHONY: run test build deps comma-locale demo demo-reset screenshot bench fuzz clean

PACKAGES := cmake ninja-build g++ qt6-base-dev libgl-dev libgtest-dev libgmock-dev \
            fonts-liberation xvfb xauth locales util-linux \
            libsqlite3-dev
BENCH_PACKAGES := libbenchmark-dev python3
FUZZ_PACKAGES := clang libclang-rt-14-dev
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
BUILD := build
TEST_BUILD := build-test
DEMO := demo

# Installs those of the packages given that are missing (a second run asks apt nothing).
define install_missing
	@missing=$$(for p in $(1); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

build: deps
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEL_TESTS=OFF
	cmake --build $(BUILD)

$(DEMO)/Equip97.eqp: | build
	$(BUILD)/tools/make_demo_data $(DEMO)

demo: build $(DEMO)/Equip97.eqp

# Fresh demo data, whatever was done to it: the old demo files are replaced.
demo-reset: build
	$(BUILD)/tools/make_demo_data $(DEMO) --force

run: demo
	cd $(DEMO) && ../$(BUILD)/src/app/varneledit

# A locale with a decimal comma, to show that numbers read the same whatever the user's locale.
comma-locale: deps
	@locale -a 2>/dev/null | grep -q -i '^de_DE.utf-\?8$$' || $(SUDO) localedef -i de_DE -f UTF-8 de_DE.UTF-8

test: deps comma-locale
	@[ -f $(TEST_BUILD)/build.ninja ] || cmake -S . -B $(TEST_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVARNEL_SANITIZE=ON
	cmake --build $(TEST_BUILD)
	cd $(TEST_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j2

# The README's screenshots: the window on the demo data, rendered offscreen; one under Xvfb on a
# file of 32767 units with two fields edited and a tooltip shown (a tooltip is a window of its own);
# and the unit table, filtered, on a demo file changed by two Saves and compared with the demo.
SHOT_DATA := $(BUILD)/shot-data
screenshot: demo
	QT_QPA_PLATFORM=offscreen $(BUILD)/tools/screenshot docs/window.png --open $(DEMO)
	$(BUILD)/tools/make_demo_data $(SHOT_DATA) --force --units 32767
	xvfb-run -a -s "-screen 0 800x700x24" env QT_QPA_PLATFORM=xcb \
	  $(BUILD)/tools/screenshot docs/window-status.png --type NMBu=32766 --open $(SHOT_DATA) \
	  --type Soft1=60 --type CASH2=300 --tooltip Command2
	$(BUILD)/tools/make_demo_data $(SHOT_DATA)/base --force
	$(BUILD)/tools/make_demo_data $(SHOT_DATA)/mod --force
	QT_QPA_PLATFORM=offscreen $(BUILD)/tools/screenshot docs/unit-table.png \
	  --open $(SHOT_DATA)/mod --type NMBu=7 --click ReadM --type Soft1=9 --type CASH2=300 \
	  --click Command1 --type NMBu=9 --click ReadM --type "NAMEu=Heavy Tank A (late)" \
	  --click Command1 --table --compare $(CURDIR)/$(SHOT_DATA)/base/Equip97.eqp \
	  --filter "class:tank soft>=6"

# Speed against the raw cost of the same file work, in a release build (bench/run.sh).
bench: deps
	$(call install_missing,$(BENCH_PACKAGES))
	bash bench/run.sh

# Each fuzz target for a set time with libFuzzer (fuzz/run.sh).
fuzz: deps
	$(call install_missing,$(FUZZ_PACKAGES))
	bash fuzz/run.sh

clean:
	rm -rf $(BUILD) $(TEST_BUILD)
