# Two commands do all set-up on a fresh Debian machine:
#   make run   install what is missing, build, start the editor on the demo data
#   make test  install what is missing, build with sanitizers, run every test
.PHONY: run test test-windows build deps comma-locale demo demo-reset screenshot bench fuzz clean

PACKAGES := cmake ninja-build g++ qt6-base-dev libgl-dev libgtest-dev libgmock-dev \
            fonts-liberation xvfb xauth locales util-linux \
            libsqlite3-dev desktop-file-utils appstream groff-base
BENCH_PACKAGES := libbenchmark-dev python3
FUZZ_PACKAGES := clang libclang-rt-14-dev
# The Windows build of the data layer: MinGW-w64, Wine to run its tests (the wine package brings
# the wine command), and GoogleTest's sources to build it for Windows.
WINDOWS_PACKAGES := cmake ninja-build g++-mingw-w64-x86-64-posix wine64 wine googletest
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
BUILD := build
TEST_BUILD := build-test
WINDOWS_BUILD := build-windows
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

# The data layer and its tests (those that need no Qt) built for 64-bit Windows and run under Wine,
# in a Wine prefix of the build folder's own, made on the first run (wineboot is tried again if a
# server left from an earlier prefix of the same name makes it fail).
WINE := WINEPREFIX=$(CURDIR)/$(WINDOWS_BUILD)/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
test-windows:
	$(call install_missing,$(WINDOWS_PACKAGES))
	@[ -f $(WINDOWS_BUILD)/build.ninja ] || cmake -S . -B $(WINDOWS_BUILD) -G Ninja \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Debug \
	  -DVARNEL_DATA_ONLY=ON -DVARNEL_GOOGLETEST_SOURCE=/usr/src/googletest
	cmake --build $(WINDOWS_BUILD)
	@[ -f $(WINDOWS_BUILD)/wine-prefix/system.reg ] || { echo "Making the Wine prefix"; \
	  for try in 1 2 3; do \
	    $(WINE) wineserver -k >/dev/null 2>&1; \
	    $(WINE) wineboot -i >/dev/null 2>&1; $(WINE) wineserver -w; \
	    [ -f $(WINDOWS_BUILD)/wine-prefix/system.reg ] && break; \
	    echo "wineboot did not finish the prefix; trying again"; sleep 2; \
	  done; \
	  [ -f $(WINDOWS_BUILD)/wine-prefix/system.reg ] || { echo "Could not make the Wine prefix"; exit 1; }; }
	cd $(WINDOWS_BUILD) && ctest --output-on-failure -j2

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

# Installed like any desktop program. "make install" builds a release in its own folder and installs
# the programs, desktop entry, icons, AppStream data and manual pages under PREFIX, asking sudo
# only for the copying when the folder is not the user's to write; DESTDIR stages them elsewhere.
# "make uninstall" removes what the last "make install" put there. "make package" makes the Debian
# package varneledit_VERSION_ARCH.deb here, with Debian's hardening flags, and checks it
# (tests/install/check_package.sh, lintian among them).
.PHONY: install uninstall package icons
PREFIX := /usr/local
RELEASE_BUILD := build-release
PACKAGE_BUILD := build-package
PACKAGE_PACKAGES := dpkg-dev file lintian desktop-file-utils appstream
ICON_PACKAGES := librsvg2-bin
DEST = $(if $(DESTDIR),$(abspath $(DESTDIR)))
# Sets as_owner to sudo when the folder $$d (or the nearest of its parents that exists) is not the
# user's to write.
AS_OWNER = while [ ! -e "$$d" ]; do d=$$(dirname "$$d"); done; as_owner=; \
  [ -w "$$d" ] || as_owner="$(SUDO)";

install: deps
	cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNEL_TESTS=OFF \
	  -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build $(RELEASE_BUILD)
	@d="$(DEST)$(PREFIX)"; $(AS_OWNER) \
	  $$as_owner env DESTDIR="$(DEST)" cmake --install $(RELEASE_BUILD)

uninstall:
	@[ -s $(RELEASE_BUILD)/install_manifest.txt ] || \
	  { echo "make install has installed nothing from this folder."; exit 1; }
	@d="$(DEST)$$(head -n 1 $(RELEASE_BUILD)/install_manifest.txt)"; $(AS_OWNER) \
	  sed 's|^|$(DEST)|' $(RELEASE_BUILD)/install_manifest.txt | $$as_owner xargs -d '\n' rm -fv; \
	  docs=$$(grep '/share/doc/varneledit/' $(RELEASE_BUILD)/install_manifest.txt | head -n 1); \
	  [ -z "$$docs" ] || $$as_owner rmdir --ignore-fail-on-non-empty "$(DEST)$$(dirname "$$docs")"

package: deps
	$(call install_missing,$(PACKAGE_PACKAGES))
	export DEB_BUILD_MAINT_OPTIONS=hardening=+all; \
	  cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNEL_TESTS=OFF \
	  -DCMAKE_INSTALL_PREFIX=/usr \
	  -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)"
	cmake --build $(PACKAGE_BUILD)
	rm -f $(PACKAGE_BUILD)/varneledit_*.deb varneledit_*.deb
	cd $(PACKAGE_BUILD) && cpack -G DEB
	cp $(PACKAGE_BUILD)/varneledit_*.deb .
	bash tests/install/check_package.sh varneledit_*.deb

# The icon's PNGs, rendered again from packaging/icons/varneledit.svg after a change to it.
icons:
	$(call install_missing,$(ICON_PACKAGES))
	for size in 48 256; do \
	  rsvg-convert -w $$size -h $$size packaging/icons/varneledit.svg \
	    -o packaging/icons/varneledit-$$size.png; \
	done

clean:
	rm -rf $(BUILD) $(TEST_BUILD) $(WINDOWS_BUILD) $(RELEASE_BUILD) $(PACKAGE_BUILD)
